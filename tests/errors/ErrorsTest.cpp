#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

#include "errors/Checks.h"
#include "errors/ErrorReport.h"
#include "errors/PxError.h"

namespace errors {
namespace {

using Strings = std::vector<std::string>;

// Empties the trail, newest entry first, with the position of this file's call sites as "[here]".
Strings TakeChain() {
    Strings chain = TakeAllErrors();
    for (std::string& entry : chain)
        if (entry.starts_with("[ErrorsTest,")) entry.replace(0, entry.find(']') + 1, "[here]");
    return chain;
}

TEST(Trail, EntriesCarryTheModuleAndLineOfTheirCallSite) {
    const std::string here = "[ErrorsTest," + std::to_string(__LINE__ + 1) + "] ";
    RaiseError("Pierwszy");
    AddErrorAt("Bez pozycji", ErrorPosition::None());
    AddErrorAt("Z pozycji", {"C:\\src/gfx\\Gfx.cpp", 12});  // either separator
    EXPECT_EQ(ErrorEntries(), (Strings {here + "Pierwszy", "Bez pozycji", "[Gfx,12] Z pozycji"}));
}

TEST(Trail, RaiseStartsANewChainAndTakingReadsNewestFirstAndLowersTheFlag) {
    AddError("stary");
    RaiseError("nowy");
    AddErrorAt("kontekst", ErrorPosition::None());
    std::string entry;
    EXPECT_TRUE(TakeLastError(entry) && entry == "kontekst" && !ErrorRaised()) << entry;
    EXPECT_TRUE(TakeLastError(entry) && entry.ends_with("] nowy")) << entry;
    EXPECT_FALSE(TakeLastError(entry) || ErrorRaised());  // the trail is empty
}

TEST(Trail, ChecksReplaceTheChainWithTheLibraryTextAndTheMessage) {
    AddError("earlier chain");
    errno = ENOENT;
    CheckSystem("Nie można otworzyć pliku");
    EXPECT_EQ(TakeChain(), (Strings {"[here] Nie można otworzyć pliku", "[here] (System,2) No such file or directory"}));
    CheckSystemCode(EACCES, "");
    EXPECT_EQ(CheckZlib(Z_STREAM_END, "never"), Z_STREAM_END);  // a success code touches nothing
    EXPECT_EQ(TakeChain(), (Strings {"[here] (System,13) Permission denied"}));
    AddError("earlier chain");
    EXPECT_EQ(CheckZlib(Z_DATA_ERROR, "Błąd dekompresji"), Z_DATA_ERROR);
    EXPECT_EQ(TakeChain(), (Strings {"[here] Błąd dekompresji", std::string("(Zlib,-3) ") + zError(Z_DATA_ERROR)}));
    CheckZlib(Z_MEM_ERROR, "");
    EXPECT_EQ(TakeChain(), (Strings {std::string("(Zlib,-4) ") + zError(Z_MEM_ERROR)}));
}

// A side trail keeps what its thread records apart from the process's chain, which other
// threads keep using meanwhile; side trails nest, and their entries join a chain as they are.
TEST(Trail, ASideTrailKeepsItsThreadsEntriesApartUntilTheyAreAdded) {
    RaiseError("proces");
    Strings side, inner;
    {
        SideTrail trail;
        EXPECT_FALSE(ErrorRaised()) << "a side trail starts empty";
        std::thread([] { AddErrorAt("z innego wątku", ErrorPosition::None()); }).join();
        RaiseError("bok");
        {
            SideTrail nested;
            AddErrorAt("głębiej", ErrorPosition::None());
            inner = nested.Entries();
        }
        EXPECT_TRUE(trail.Raised());
        side = trail.Entries();
    }
    EXPECT_EQ(inner, Strings {"głębiej"});
    ASSERT_EQ(side.size(), 1u);
    AddComposedErrors(side);
    EXPECT_EQ(TakeChain(), (Strings {"[here] bok", "z innego wątku", "[here] proces"}));
}

TEST(Trail, GuardedRunAddsExceptionsOnTopOfTheChain) {
    RaiseErrorAt("before", ErrorPosition::None());
    EXPECT_EQ(GuardedRun([]() -> int { throw std::length_error("vector too long"); }), -11);
    EXPECT_EQ(TakeChain(), (Strings {"[here] Błąd biblioteki standardowej C++", "vector too long", "before"}));
    EXPECT_EQ(GuardedRun([]() -> int { throw 42; }), -11);
    EXPECT_EQ(TakeChain(), (Strings {"[here] Nieznany błąd (najprawdopodobniej błąd ochrony)"}));
}

TEST(ParserError, CountsRowsAndColumnsOverEveryLineBreakKind) {
    const struct { std::string text; uint32_t position, reported, row, column; } cases[] = {  // ~0u: the end of the text
        {"a\r\nb", 3, 3, 2, 1}, {"a\n\rb", 3, 3, 3, 1}, {"a\rb\nc", 4, 4, 3, 1}, {"x\r\ny\r\nzz", 7, 7, 3, 2},
        {"ab", ~0u, 2, 1, 3}, {"", 0, 0, 1, 1}, {"\r\r\n\n", ~0u, 4, 4, 1}, {"abc", 99, 99, 1, 4}};
    for (const auto& c : cases) {
        px::CParserError error(c.text, c.position);
        EXPECT_EQ(std::tuple(error.Position, error.TextRow, error.TextColumn), std::tuple(c.reported, c.row, c.column))
            << testing::PrintToString(c.text) << " at " << c.position;
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Whether `text` has the shape of `pattern`, in which '#' stands for one or more digits and '*'
// for any run of characters within a line.
bool Matches(std::string_view text, std::string_view pattern) {
    if (pattern.empty()) return text.empty();
    const std::string_view rest = pattern.substr(1);
    if (pattern[0] != '*' && pattern[0] != '#') return !text.empty() && text[0] == pattern[0] && Matches(text.substr(1), rest);
    auto fits = [&](char c) { return pattern[0] == '#' ? c >= '0' && c <= '9' : c != '\r' && c != '\n'; };
    for (size_t n = 0; n < text.size() && fits(text[n]); ++n)
        if (Matches(text.substr(n + 1), rest)) return true;
    return pattern[0] == '*' && Matches(text, rest);
}

// The environment section of every report, up to the executable's path.
const std::string Environment = "Środowisko\r\n  Czas       : #-#-# #:#:#\r\n  Komputer   : *\r\n  Użytkownik : *\r\n  Plik       : ";

TEST(PxError, ReportWritesTheBaseSectionsFirstAndNumbersTheReports) {
    const std::string path = testing::TempDir() + "px-report-" + std::to_string(getpid()) + ".txt";
    px::CReportFile file(path);
    file.WriteLine("stale");
    ASSERT_TRUE(file.Open(true));  // replaces the file
    EXPECT_EQ(px::ReportNumber(), 1);
    px::CXNLError(px::XnlErrorKind::SectionMismatch, "[ a\n }", 5).Report(file);
    file.Close();  // from here on every line is appended on its own
    px::CError("plain", "Header", 7).Report(file);
    const std::string report = ReadAll(path);
    std::filesystem::remove(path);
    EXPECT_TRUE(Matches(report,  // the first reports of the run are numbered 1 and 2
        "\r\n" + Environment + "*\r\nBłąd\r\n  Numer      : 1\r\n  Komunikat  : Błąd parsera\r\nParser\r\n  Znak       : 5\r\n"
        "  Wiersz     : 2\r\n  Kolumna    : 2\r\nXNL\r\n  Typ        : 2\r\n  Komunikat  : Problem z otwarciem lub zamknięciem sekcji\r\n"
        "\r\n" + Environment + "*\r\nŹródło\r\n  Plik       : Header\r\n  Wiersz     : 7\r\nBłąd\r\n  Numer      : 2\r\n"
        "  Komunikat  : plain\r\n")) << report;
    EXPECT_EQ(px::ReportNumber(), 3);
}

// report_writer's chain as its report lists it, newest first.
const std::string WriterChain = "  Wpis bez pozycji\r\n  [ReportWriter,#] Nie można utworzyć urządzenia\r\n"
                                "  [ReportWriter,#] (Device,2289436780) D3DERR_INVALIDCALL (Invalid call)\r\n";

// A copy of report_writer in a directory of its own, with a state directory inside it.
class Report : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(mkdtemp(exeDir.data()), nullptr);
        stateHome = exeDir + "/state", program = exeDir + "/report_writer";
        std::filesystem::create_directory(stateHome);
        for (const std::string& dir : {exeDir, stateHome}) chmod(dir.c_str(), 0777);  // open to "nobody" as well
        std::filesystem::copy_file(REPORT_WRITER, program);
    }
    void TearDown() override { std::filesystem::remove_all(exeDir); }
    // Runs the copy, as "nobody" when root (whom no mode stops), with stderr into "err"; returns its stdout.
    std::string Run() {
        const std::string out = stateHome + "/out", err = stateHome + "/err";
        if (const pid_t child = fork(); child != 0) {
            int status = -1;
            waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << ReadAll(err);
            return ReadAll(out);
        }
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), 2);
        setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(91);
    }
    void ExpectReport(const std::string& path) {
        const std::string pattern = Environment + program + "\r\n  Aplikacja  : Vorlen\r\n  Wersja     : 1.0\r\nBłąd\r\n";
        EXPECT_TRUE(Matches(ReadAll(path), pattern + WriterChain)) << ReadAll(path);
    }
    std::string exeDir = "/tmp/vorlen-report-XXXXXX", stateHome, program;
};

TEST_F(Report, IsWrittenBesideTheExecutableAndEchoedOnStderr) {
    EXPECT_EQ(Run(), exeDir + "/Error.txt\n");
    ExpectReport(exeDir + "/Error.txt");
    std::string echoed = WriterChain;
    std::erase(echoed, '\r');  // the same lines, ending in LF
    EXPECT_TRUE(Matches(ReadAll(stateHome + "/err"), echoed)) << ReadAll(stateHome + "/err");
}

TEST_F(Report, FallsBackToTheStateDirectoryWhenTheExecutablesIsReadOnly) {
    chmod(exeDir.c_str(), 0555);
    EXPECT_EQ(Run(), stateHome + "/vorlen/Error.txt\n");
    ExpectReport(stateHome + "/vorlen/Error.txt");
    chmod(exeDir.c_str(), 0755);  // so that the directory can be removed
}

}  // namespace
}  // namespace errors
