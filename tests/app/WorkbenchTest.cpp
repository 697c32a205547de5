// The workbench program from outside: exit statuses and the error chain on stderr and in the
// report. Each case runs a copy of the program (with its data files) in a scratch folder of
// its own, so that its report lands there, without a display and with a viewer that does
// nothing.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace app {
namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::MatchesRegex;

class Workbench : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vorlen-workbench-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        fs::copy_file(VORLEN, m_folder / "vorlen");
        // The data files the program finds beside itself.
        for (const char* data : {"buttons.tga", "arrow.tga"})
            fs::copy_file(fs::path(VORLEN).parent_path() / data, m_folder / data);
        fs::create_directory(m_folder / "bin");
        fs::create_symlink("/bin/true", m_folder / "bin" / "xdg-open");
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Runs the program on `arguments` and returns its exit status; its stderr lines go to m_stderr.
    int Run(const std::string& arguments) {
        std::string f = m_folder.string();
        std::string environment = "-u DISPLAY -u WAYLAND_DISPLAY PATH=" + f + "/bin:$PATH XDG_STATE_HOME=" + f;
        int status = std::system(("cd " + f + " && env " + environment + " SDL_VIDEODRIVER=offscreen ./vorlen " + arguments +
                                  " >/dev/null 2>stderr").c_str());
        m_stderr = Lines(m_folder / "stderr");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The lines of a file (CR LF or LF); for the report, the entries after its "Błąd" line.
    static std::vector<std::string> Lines(const fs::path& path, bool entries = false) {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
        auto error = std::find(lines.begin(), lines.end(), "Błąd");
        return entries ? std::vector<std::string>(error == lines.end() ? lines.end() : error + 1, lines.end()) : lines;
    }

    fs::path m_folder;
    std::vector<std::string> m_stderr;
};

TEST_F(Workbench, ADefinitionThatDoesNotLoadExits65WithItsChainOnStderrAndInTheReport) {
    std::ofstream(m_folder / "bad.vl") << "[Vorlen 1]\nTitle: Bez kodu\n";
    EXPECT_EQ(Run("bad.vl"), 65);
    EXPECT_THAT(m_stderr, ElementsAre(MatchesRegex("  \\[Automaton,[0-9]+\\] Błąd podczas wczytywania pliku \"bad.vl\" i "
                                                   "uruchamiania programu"),
                                      MatchesRegex("  \\[Automaton,[0-9]+\\] Nie znaleziono \"--CODE--\"")));
    EXPECT_EQ(Lines(m_folder / "Error.txt", true), m_stderr);
}

TEST_F(Workbench, AScriptErrorInTheFifthIterationExits70WithTheComputationMessageOnTop) {
    std::ofstream(m_folder / "error.vl") << "[Vorlen 1]\nTitle: T\nWrap: 1\nBuffers: 2\nWidth: 40\nHeight: 30\n"
                                            "View: texture u1 [RGB]\nBackground: black\nSpeed: 200\nRunning: 1\n--CODE--\n"
                                            "int n = 0;\nvoid OnInit() {}\n"
                                            "void OnFrame() { n = n + 1; if (n == 5) error(7); }\n";
    EXPECT_EQ(Run("error.vl"), 70);
    ASSERT_FALSE(m_stderr.empty());
    EXPECT_THAT(m_stderr.front(), MatchesRegex("  \\[Framework,[0-9]+\\] Błąd podczas działania programu \\(obliczenia\\)"));
    EXPECT_THAT(m_stderr, testing::Contains(testing::HasSubstr("Wywołano funkcję \"error\", kod: 7")));
    EXPECT_EQ(Lines(m_folder / "Error.txt", true), m_stderr);
}

// Without the picture of the buttons the device's start fails, and says which file it missed.
TEST_F(Workbench, AMissingButtonPictureEndsTheStartNamingTheFile) {
    fs::remove(m_folder / "buttons.tga");
    std::ofstream(m_folder / "ok.vl") << "[Vorlen 1]\nTitle: T\nWrap: 1\nBuffers: 2\nWidth: 4\nHeight: 3\n"
                                         "View: texture u1 [RGB]\nBackground: black\n--CODE--\n"
                                         "void OnInit() {}\nvoid OnFrame() {}\n";
    const int status = Run("ok.vl");
    EXPECT_TRUE(status >= 1 && status <= 11) << status;
    EXPECT_THAT(m_stderr, testing::Contains(testing::HasSubstr("Nie można wczytać obrazka przycisków z pliku \"" +
                                                                (m_folder / "buttons.tga").string() + "\"")));
}

// Two arguments are refused on stderr; without any the open dialog has no display to show on.
TEST_F(Workbench, NoDefinitionFromTheCommandLineExits64WithoutAReport) {
    EXPECT_EQ(Run("a.vl b.vl"), 64);
    EXPECT_THAT(m_stderr, ElementsAre(MatchesRegex("  \\[CommandLine,[0-9]+\\] Za dużo parametrów")));
    EXPECT_EQ(Run(""), 64);
    EXPECT_FALSE(fs::exists(m_folder / "Error.txt"));
}

}  // namespace
}  // namespace app
