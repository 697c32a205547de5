// An installation into a scratch prefix, used from there as a user would use it: the layout
// the programs look for their files in, the desktop entry and the type of definition files as
// the desktop's own tools read them, the manual pages against the programs, and both installed
// programs on definitions, the installed examples among them.
#include <gmock/gmock.h>

#include <cstdio>
#include <map>
#include <set>

#include "ProgramRun.h"

namespace programs {
namespace {

using testing::Contains;
using testing::HasSubstr;

// A definition that ends its own run in the fifth iteration. Its vectors view needs both data
// files, the arrow as well as the buttons.
const std::string EndsItself = "[Vorlen 1]\nTitle: \"Pięć klatek\"\nWrap: true\nBuffers: 2\nWidth: 40\nHeight: 30\n"
                               "View: vectors [white x: f1 [-1 .. 1] y: default]\nBackground: black\nSpeed: 200\n"
                               "Running: true\n--CODE--\nint n = 0;\nvoid OnInit() {}\n"
                               "void OnFrame() { n = n + 1; if (n == 5) error(7); }\n";
const std::string DoesNotLoad = "[Vorlen 1]\nTitle: Bez kodu\n";

class Installation : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_prefix = new Scratch;
        s_install = s_prefix->Run(Quoted(CMAKE_COMMAND) + " --install " + Quoted(VORLEN_BUILD_DIR) + " --prefix " +
                                  Quoted(s_prefix->Path()));
    }
    static void TearDownTestSuite() {
        delete s_prefix;
        s_prefix = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(s_install.Status, 0) << s_install.Out << s_install.Err;
        // The report's viewer does nothing here, and no display is used.
        fs::create_directory(m_scratch / "bin");
        fs::create_symlink("/bin/true", m_scratch / "bin" / "xdg-open");
    }

    static fs::path Installed(const std::string& path) { return s_prefix->Path() / path; }

    // An installed program with `arguments`, run in the scratch folder of the test.
    Outcome Program(const std::string& name, const std::string& arguments) const {
        const std::string environment = "env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen PATH=" +
                                        Quoted(m_scratch / "bin") + ":\"$PATH\" XDG_STATE_HOME=" + Quoted(m_scratch.Path());
        Outcome outcome = m_scratch.Run(environment + " " + Quoted(Installed("bin/" + name)) + " " + arguments);
        m_report = Slurp(Installed("bin/Error.txt"));
        fs::remove(Installed("bin/Error.txt"));  // the programs' folder is writable here
        return outcome;
    }

    // The exit statuses a manual page's EXIT STATUS section names, ranges ("1 ... 7") included.
    static std::set<int> DocumentedStatuses(const std::string& page) {
        const std::string text = Slurp(Installed("share/man/man1/" + page));
        const size_t begin = text.find(".SH EXIT STATUS"), end = text.find(".SH", begin + 1);
        std::set<int> statuses;
        std::istringstream section(text.substr(begin, end - begin));
        for (std::string line; std::getline(section, line);) {
            int first = 0, last = 0;
            char more = 0;
            if (std::sscanf(line.c_str(), ".B %d %c", &first, &more) == 1) statuses.insert(first);
            if (std::sscanf(line.c_str(), ".BR %d \" ... \" %d %c", &first, &last, &more) == 2)
                for (int status = first; status <= last; ++status) statuses.insert(status);
        }
        return statuses;
    }

    // Whether `word` stands in `text` with no letter or hyphen right before or after it.
    static bool HasWord(const std::string& text, const std::string& word) {
        const auto part = [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; };
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
            if ((at == 0 || !part(text[at - 1])) && (at + word.size() == text.size() || !part(text[at + word.size()])))
                return true;
        return false;
    }

    static inline Scratch* s_prefix = nullptr;
    static inline Outcome s_install;
    Scratch m_scratch;
    mutable std::string m_report;
};

TEST_F(Installation, PutsEveryFileWhereItIsLookedFor) {
    const std::map<std::string, fs::perms> files = {
        {"bin/vorlen", fs::perms::owner_exec},
        {"bin/vorlen-batch", fs::perms::owner_exec},
        {"libexec/vorlen/vorlen-decode", fs::perms::owner_exec},
        {"share/vorlen/buttons.tga", fs::perms::none},
        {"share/vorlen/arrow.tga", fs::perms::none},
        {"share/applications/vorlen.desktop", fs::perms::none},
        {"share/mime/packages/vorlen.xml", fs::perms::none},
        {"share/icons/hicolor/scalable/apps/vorlen.svg", fs::perms::none},
        {"share/man/man1/vorlen.1", fs::perms::none},
        {"share/man/man1/vorlen-batch.1", fs::perms::none},
        {"share/doc/vorlen/README.md", fs::perms::none},
        {"share/doc/vorlen/docs/guide.md", fs::perms::none},
    };
    for (const auto& [path, permission] : files) {
        EXPECT_TRUE(fs::is_regular_file(Installed(path)) && fs::file_size(Installed(path)) > 0) << path;
        EXPECT_EQ(fs::status(Installed(path)).permissions() & fs::perms::owner_exec, permission) << path;
    }
    std::set<std::string> programs;
    for (const auto& entry : fs::directory_iterator(Installed("bin"))) programs.insert(entry.path().filename());
    EXPECT_EQ(programs, (std::set<std::string> {"vorlen", "vorlen-batch"}));
    for (const char* data : {"buttons.tga", "arrow.tga"})
        EXPECT_EQ(Slurp(Installed("share/vorlen/") / data), Slurp(fs::path(VORLEN_BUILD_DIR) / data)) << data;

    std::set<std::string> examples, installed;
    for (const auto& entry : fs::directory_iterator(VORLEN_EXAMPLES_DIR))
        if (entry.path().extension() == ".vl") examples.insert(entry.path().filename());
    for (const auto& entry : fs::directory_iterator(Installed("share/vorlen/examples"))) {
        installed.insert(entry.path().filename());
        EXPECT_EQ(Slurp(entry.path()), Slurp(fs::path(VORLEN_EXAMPLES_DIR) / entry.path().filename()));
    }
    EXPECT_EQ(installed, examples);
}

TEST_F(Installation, TheProgramsFolderLeadsToTheInstalledDataFiles) {
    fs::copy_file(DATA_PATH_PROBE, Installed("bin/vorlen-data-path"));
    const Outcome probe = Program("vorlen-data-path", "buttons.tga arrow.tga");
    fs::remove(Installed("bin/vorlen-data-path"));
    const fs::path share = fs::canonical(Installed("share/vorlen"));
    EXPECT_EQ(probe.Out, (share / "buttons.tga").string() + "\n" + (share / "arrow.tga").string() + "\n");
}

TEST_F(Installation, TheDesktopEntryValidatesAndOpensDefinitionsOfTheInstalledType) {
    const fs::path entry = Installed("share/applications/vorlen.desktop");
    const Outcome validation = m_scratch.Run("desktop-file-validate " + Quoted(entry));
    EXPECT_EQ(validation.Status, 0);
    EXPECT_EQ(validation.Out + validation.Err, "") << "no errors, warnings or hints";

    std::map<std::string, std::string> keys;
    std::istringstream lines(Slurp(entry));
    for (std::string line; std::getline(lines, line);)
        if (const size_t equals = line.find('='); equals != std::string::npos) keys[line.substr(0, equals)] = line.substr(equals + 1);
    EXPECT_EQ(keys["Exec"], "vorlen %f");
    EXPECT_TRUE(fs::exists(Installed("bin/vorlen")));
    EXPECT_TRUE(fs::exists(Installed("share/icons/hicolor/scalable/apps/" + keys["Icon"] + ".svg"))) << keys["Icon"];

    const std::string package = Slurp(Installed("share/mime/packages/vorlen.xml")), opening = "<mime-type type=\"";
    const size_t begin = package.find(opening) + opening.size();
    ASSERT_GE(begin, opening.size());
    const std::string type = package.substr(begin, package.find('"', begin) - begin);
    EXPECT_EQ(keys["MimeType"], type + ";");

    // The desktop's own tool compiles the package without a complaint and maps *.vl to the type.
    const Outcome update = m_scratch.Run("XDG_DATA_DIRS=" + Quoted(Installed("share")) + " update-mime-database " +
                                         Quoted(Installed("share/mime")));
    EXPECT_EQ(update.Status, 0);
    EXPECT_EQ(update.Out + update.Err, "");
    EXPECT_THAT(Slurp(Installed("share/mime/globs2")), HasSubstr(":" + type + ":*.vl\n"));
}

TEST_F(Installation, TheManualPagesFormatCleanlyAndNameEveryActionAndExitStatus) {
    for (const char* page : {"vorlen.1", "vorlen-batch.1"}) {
        const Outcome format = m_scratch.Run("groff -man -ww -z -K utf8 -T utf8 " + Quoted(Installed("share/man/man1/") / page));
        EXPECT_EQ(format.Status, 0) << page;
        EXPECT_EQ(format.Err, "") << page;
    }

    // Every action of vorlen-batch's usage text appears in its page.
    const Outcome usage = Program("vorlen-batch", "");
    EXPECT_EQ(usage.Status, 64);
    std::string page = Slurp(Installed("share/man/man1/vorlen-batch.1"));
    for (size_t at = page.find("\\-"); at != std::string::npos; at = page.find("\\-", at)) page.erase(at, 1);
    std::set<std::string> actions;
    std::istringstream words(usage.Err);
    for (std::string word; words >> word;) {
        if (word.ends_with(',')) word.pop_back();
        if (word.size() > 1 && word[0] == '-' && word.find_first_not_of("-abcdefghijklmnopqrstuvwxyz") == std::string::npos)
            actions.insert(word);
    }
    EXPECT_GE(actions.size(), 6u) << usage.Err;
    for (const std::string& action : actions) EXPECT_TRUE(HasWord(page, action)) << action;

    // The statuses both programs end with are the pages' own.
    Spit(m_scratch / "bad.vl", DoesNotLoad);
    const std::string life = Quoted(Installed("share/vorlen/examples/life.vl"));
    const std::pair<std::string, int> batchRuns[] = {
        {life + " -n 1", 0}, {life + " --load-table missing.vls", 1}, {"", 64}, {life + " -n x", 64}, {"bad.vl", 65}};
    for (const auto& [arguments, status] : batchRuns) {
        EXPECT_EQ(Program("vorlen-batch", arguments).Status, status) << arguments;
        EXPECT_THAT(DocumentedStatuses("vorlen-batch.1"), Contains(status)) << arguments;
    }
    for (const auto& [arguments, status] : {std::pair<std::string, int> {"a.vl b.vl", 64}, {"bad.vl", 65}}) {
        EXPECT_EQ(Program("vorlen", arguments).Status, status) << arguments;
        EXPECT_THAT(DocumentedStatuses("vorlen.1"), Contains(status)) << arguments;
    }
}

// Loading the picture back needs whatever the installed programs use to read pictures.
TEST_F(Installation, TheInstalledBatchProgramRunsEveryInstalledExampleToAPictureAndBack) {
    int examples = 0;
    for (const auto& entry : fs::directory_iterator(Installed("share/vorlen/examples"))) {
        const std::string picture = entry.path().stem().string() + ".png";
        const Outcome run =
            Program("vorlen-batch", Quoted(entry.path()) + " -n 3 --save-image " + picture + " --load-image " + picture);
        EXPECT_EQ(run.Status, 0) << entry.path() << run.Err;
        EXPECT_EQ(run.Out, "Obrazek został zapisany\nObrazek został wczytany\n") << entry.path();
        EXPECT_GT(ReadPicture(m_scratch, picture).Pixels.size(), 0u) << entry.path();
        ++examples;
    }
    EXPECT_GE(examples, 6);
}

TEST_F(Installation, TheInstalledWorkbenchRunsADefinitionUntilItsScriptEndsIt) {
    Spit(m_scratch / "five.vl", EndsItself);
    const Outcome run = Program("vorlen", "five.vl");
    EXPECT_EQ(run.Status, 70) << run.Err;
    EXPECT_THAT(run.Err, HasSubstr("Wywołano funkcję \"error\", kod: 7"));
    EXPECT_THAT(m_report, HasSubstr("Wywołano funkcję \"error\", kod: 7"));
    EXPECT_THAT(DocumentedStatuses("vorlen.1"), Contains(70));
}

}  // namespace
}  // namespace programs
