// The workbench program from outside: exit statuses, the error chain on stderr and in
// Error.txt, the report handed to the desktop's viewer. Each case runs a copy of the program
// in a scratch folder of its own, so its report lands there, with a stand-in `xdg-open` on
// the PATH that notes what it was asked to open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::string> Lines(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find(end, start)) != std::string::npos; start = at + end.size())
        lines.push_back(text.substr(start, at - start));
    return lines;
}

// The entries of a report: the lines after "Błąd".
std::vector<std::string> ReportEntries(const std::string& report) {
    std::vector<std::string> lines = Lines(report, "\r\n");
    auto error = std::find(lines.begin(), lines.end(), "Błąd");
    return error == lines.end() ? std::vector<std::string> {} : std::vector<std::string>(error + 1, lines.end());
}

std::string Definition(const std::string& code, const std::string& extra = "") {
    return "[Vorlen 1]\nTitle: Test\nWrap: true\nBuffers: 2\nWidth: 40\nHeight: 30\nView: texture u1 [RGB]\n"
           "Background: black\n" +
           extra + "--CODE--\n" + code;
}

class Workbench : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vorlen-workbench-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        fs::copy_file(VORLEN, m_folder / "vorlen");
        fs::create_directory(m_folder / "bin");
        std::ofstream viewer(m_folder / "bin" / "xdg-open");
        viewer << "#!/bin/sh\nprintf '%s' \"$1\" > \"" << (m_folder / "opened").string() << ".tmp\"\nmv \""
               << (m_folder / "opened").string() << ".tmp\" \"" << (m_folder / "opened").string() << "\"\n";
        viewer.close();
        fs::permissions(m_folder / "bin" / "xdg-open", fs::perms::owner_all);
    }

    void TearDown() override { fs::remove_all(m_folder); }

    fs::path Write(const std::string& name, const std::string& text) {
        std::ofstream(m_folder / name, std::ios::binary) << text;
        return m_folder / name;
    }

    // Starts the program with `arguments`; without a display, so no dialog can be shown.
    pid_t Start(const std::vector<std::string>& arguments) {
        pid_t child = fork();
        if (child == 0) {
            int out = open((m_folder / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            int err = open((m_folder / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            dup2(out, 1);
            dup2(err, 2);
            std::string path = (m_folder / "bin").string() + ":" + (getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
            setenv("PATH", path.c_str(), 1);
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
            setenv("XDG_STATE_HOME", (m_folder / "state").c_str(), 1);
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            std::string program = (m_folder / "vorlen").string();
            std::vector<char*> argv {program.data()};
            std::vector<std::string> copies = arguments;
            for (std::string& argument : copies) argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(91);
        }
        return child;
    }

    int Wait(pid_t child) {
        int status = 0;
        waitpid(child, &status, 0);
        m_stderr = ReadAll(m_folder / "stderr");
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int RunProgram(const std::vector<std::string>& arguments) { return Wait(Start(arguments)); }

    // What the stand-in viewer was asked to open; it runs detached, so it may take a moment.
    std::string Opened() {
        for (int i = 0; i < 100 && !fs::exists(m_folder / "opened"); ++i) std::this_thread::sleep_for(20ms);
        return fs::exists(m_folder / "opened") ? ReadAll(m_folder / "opened") : std::string();
    }

    std::vector<std::string> StderrLines() const { return Lines(m_stderr, "\n"); }
    fs::path Report() const { return m_folder / "Error.txt"; }

    fs::path m_folder;
    std::string m_stderr;
};

TEST_F(Workbench, ADefinitionThatDoesNotLoadExits65WithItsChainOnStderrAndInTheReport) {
    fs::path definition = Write("bad.vl", "[Vorlen 1]\nTitle: Bez kodu\n");
    EXPECT_EQ(RunProgram({definition.string()}), 65);
    EXPECT_THAT(StderrLines(),
                testing::ElementsAre(testing::MatchesRegex("  \\[Automaton,[0-9]+\\] Błąd podczas wczytywania pliku \"" +
                                                           definition.string() + "\" i uruchamiania programu"),
                                     testing::MatchesRegex("  \\[Automaton,[0-9]+\\] Nie znaleziono \"--CODE--\"")));
    EXPECT_EQ(ReportEntries(ReadAll(Report())), StderrLines());
    EXPECT_EQ(Opened(), Report().string());
}

TEST_F(Workbench, AScriptErrorInTheFifthIterationExits70WithTheComputationMessageOnTop) {
    fs::path definition = Write("error.vl", Definition("int n = 0;\nvoid OnInit() {}\n"
                                                       "void OnFrame() { n = n + 1; if (n == 5) error(7); }\n",
                                                       "Speed: 200\nRunning: true\n"));
    EXPECT_EQ(RunProgram({definition.string()}), 70);
    std::vector<std::string> lines = StderrLines();
    ASSERT_FALSE(lines.empty()) << m_stderr;
    EXPECT_THAT(lines.front(), testing::MatchesRegex("  \\[Framework,[0-9]+\\] Błąd podczas działania programu "
                                                     "\\(obliczenia\\)"));
    EXPECT_THAT(m_stderr, testing::HasSubstr("Wywołano funkcję \"error\", kod: 7"));
    EXPECT_EQ(ReportEntries(ReadAll(Report())), lines);
    EXPECT_EQ(Opened(), Report().string());
}

TEST_F(Workbench, TwoArgumentsExit64WithTheRefusalOnStderrAndNoReport) {
    EXPECT_EQ(RunProgram({"a.vl", "b.vl"}), 64);
    EXPECT_THAT(StderrLines(), testing::ElementsAre(testing::MatchesRegex("  \\[CommandLine,[0-9]+\\] Za dużo parametrów")));
    EXPECT_FALSE(fs::exists(Report()));
}

TEST_F(Workbench, WithoutAnArgumentAndNoDialogToShowItExits64WithoutAReport) {
    EXPECT_EQ(RunProgram({}), 64);
    EXPECT_FALSE(fs::exists(Report()));
    EXPECT_FALSE(fs::exists(m_folder / "opened"));
}

TEST_F(Workbench, ARunEndedByTheSessionExits0WithoutAReport) {
    fs::path definition = Write("life.vl", Definition("void OnInit() {}\nvoid OnFrame() {}\n", "Running: true\n"));
    pid_t child = Start({definition.string()});
    // Once the OpenGL driver is loaded the window exists and SDL handles termination signals.
    bool drawing = false;
    for (int i = 0; i < 300 && !drawing; ++i) {
        std::this_thread::sleep_for(50ms);
        drawing = ReadAll("/proc/" + std::to_string(child) + "/maps").find("_dri") != std::string::npos;
    }
    EXPECT_TRUE(drawing);
    std::this_thread::sleep_for(300ms);
    kill(child, SIGTERM);
    EXPECT_EQ(Wait(child), 0) << m_stderr;
    EXPECT_FALSE(fs::exists(Report()));
}

}  // namespace
