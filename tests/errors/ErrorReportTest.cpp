#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "errors/ErrorReport.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string MakeFolder(const char* pattern, mode_t mode) {
    std::string folder = pattern;
    if (mkdtemp(folder.data()) == nullptr) return {};
    chmod(folder.c_str(), mode);
    return folder;
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs the program with XDG_STATE_HOME set; as root it drops to "nobody" first, because
// root writes into read-only directories regardless of their mode.
Outcome RunProgram(const std::string& program, const std::string& stateHome, const std::string& scratch) {
    std::string outPath = scratch + "/stdout", errPath = scratch + "/stderr";
    pid_t child = fork();
    if (child == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(out, 1);
        dup2(err, 2);
        setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
        if (geteuid() == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
        }
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(91);
    }
    Outcome outcome;
    waitpid(child, &outcome.status, 0);
    outcome.out = ReadAll(outPath);
    outcome.err = ReadAll(errPath);
    return outcome;
}

// True when `text` has the shape of `pattern`, where '#' stands for one decimal digit.
bool MatchesShape(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '#' ? !digit : text[i] != pattern[i]) return false;
    }
    return true;
}

// True when `text` is `prefix`, a decimal line number and `suffix`.
bool HasLineNumber(const std::string& text, const std::string& prefix, const std::string& suffix) {
    if (text.size() <= prefix.size() + suffix.size() || text.compare(0, prefix.size(), prefix) != 0 ||
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    std::string number = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    return number.find_first_not_of("0123456789") == std::string::npos;
}

void CheckReportLayout(const std::string& report, const std::string& executable) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = report.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(report.substr(start, at - start));
    ASSERT_EQ(start, report.size()) << "every line ends with CR LF, no bare LF";
    ASSERT_EQ(lines.size(), 11u) << report;
    EXPECT_EQ(lines[0], "Środowisko");
    EXPECT_TRUE(MatchesShape(lines[1], "  Czas       : ####-##-## ##:##:##")) << lines[1];
    EXPECT_EQ(lines[2].substr(0, 15), "  Komputer   : ");
    EXPECT_GT(lines[2].size(), 15u);
    EXPECT_EQ(lines[3].substr(0, 16), "  Użytkownik : ");  // "ż" is two bytes
    EXPECT_EQ(lines[4], "  Plik       : " + executable);
    EXPECT_EQ(lines[5], "  Aplikacja  : Vorlen");
    EXPECT_EQ(lines[6], "  Wersja     : 1.0");
    EXPECT_EQ(lines[7], "Błąd");
    EXPECT_EQ(lines[8], "  Wpis bez pozycji");
    EXPECT_TRUE(HasLineNumber(lines[9], "  [ReportWriter,", "] Nie można utworzyć urządzenia")) << lines[9];
    EXPECT_TRUE(HasLineNumber(lines[10], "  [ReportWriter,", "] (Device,2289436780) D3DERR_INVALIDCALL (Invalid call)"))
        << lines[10];
}

class Report : public ::testing::Test {
protected:
    void SetUp() override {
        exeDir = MakeFolder("/tmp/vorlen-exe-XXXXXX", 0777);  // writable for "nobody" too
        stateHome = MakeFolder("/tmp/vorlen-state-XXXXXX", 0777);
        scratch = MakeFolder("/tmp/vorlen-out-XXXXXX", 0777);
        ASSERT_FALSE(exeDir.empty() || stateHome.empty() || scratch.empty());
        program = exeDir + "/report_writer";
        std::ofstream(program, std::ios::binary) << ReadAll(REPORT_WRITER);
        chmod(program.c_str(), 0755);
    }
    void TearDown() override {
        chmod(exeDir.c_str(), 0755);
        std::system(("rm -rf '" + exeDir + "' '" + stateHome + "' '" + scratch + "'").c_str());
    }
    std::string exeDir, stateHome, scratch, program;
};

TEST_F(Report, IsWrittenBesideTheExecutableAndEchoedOnStderr) {
    Outcome run = RunProgram(program, stateHome, scratch);
    ASSERT_TRUE(WIFEXITED(run.status));
    ASSERT_EQ(WEXITSTATUS(run.status), 0) << run.err;
    EXPECT_EQ(run.out, exeDir + "/Error.txt\n");
    std::string report = ReadAll(exeDir + "/Error.txt");
    CheckReportLayout(report, program);

    std::vector<std::string> err;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) err.push_back(line);
    ASSERT_EQ(err.size(), 3u) << run.err;
    EXPECT_EQ(err[0], "  Wpis bez pozycji");
    EXPECT_NE(err[1].find("] Nie można utworzyć urządzenia"), std::string::npos);
}

TEST_F(Report, FallsBackToTheStateDirectoryWhenTheExecutablesIsReadOnly) {
    chmod(exeDir.c_str(), 0555);
    Outcome run = RunProgram(program, stateHome, scratch);
    ASSERT_TRUE(WIFEXITED(run.status));
    ASSERT_EQ(WEXITSTATUS(run.status), 0) << run.err;
    std::string expected = stateHome + "/vorlen/Error.txt";
    EXPECT_EQ(run.out, expected + "\n");
    EXPECT_FALSE(std::ifstream(exeDir + "/Error.txt").good());
    CheckReportLayout(ReadAll(expected), program);
}

}  // namespace
