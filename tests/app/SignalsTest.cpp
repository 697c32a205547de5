// SIGINT and SIGTERM end both programs while their script is caught in an endless loop: at
// once, with 128 + the signal's number, the batch runner with the stopped call's chain and the
// workbench without an error report.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const Endless = "[Vorlen 1]\nTitle: T\nWrap: 1\nBuffers: 2\nWidth: 10\nHeight: 10\nView: texture u1 [RGB]\n"
                            "Background: black\nSpeed: 30\nRunning: 1\n--CODE--\nvoid OnInit() {}\nvoid OnFrame() { while (true) {} }\n";

// Seconds of processor time the process has used.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i)
        if (i == 14 || i == 15) ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

class Signals : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vorlen-signals-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        std::ofstream(m_folder / "endless.vl") << Endless;
        std::string endlessInit = Endless;
        endlessInit.replace(endlessInit.find("void OnInit() {}"), 16, "void OnInit() { while (true) {} }");
        std::ofstream(m_folder / "endless-init.vl") << endlessInit;
        // Copies, so that a report would be written beside them.
        fs::copy_file(VORLEN, m_folder / "vorlen");
        fs::copy_file(VORLEN_BATCH, m_folder / "vorlen-batch");
        // The data files the workbench finds beside itself.
        for (const char* data : {"buttons.tga", "arrow.tga"})
            fs::copy_file(fs::path(VORLEN).parent_path() / data, m_folder / data);
        fs::create_directory(m_folder / "bin");
        fs::create_symlink("/bin/true", m_folder / "bin" / "xdg-open");
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Starts the copy of `program` on the endless definition, lets it spin inside OnFrame, sends the
    // signal, and returns the wait status (-1 when it did not end within ten seconds).
    int RunAndSignal(const std::string& name, const std::vector<std::string>& extra,
                     const std::string& definition = "endless.vl") {
        const std::string program = (m_folder / name).string();
        std::vector<std::string> arguments {program, definition};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, m_folder.c_str());
        posix_spawn_file_actions_addopen(&actions, 2, (m_folder / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("XDG_STATE_HOME", m_folder.c_str(), 1);
        setenv("PATH", ((m_folder / "bin").string() + ":" + getenv("PATH")).c_str(), 1);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        // Processor time beyond what loading costs means the loop is running.
        for (int i = 0; i < 1000 && CpuSeconds(pid) < 1.0; ++i) usleep(20000);
        kill(pid, GetParam());
        int status = 0;
        for (int i = 0; i < 1000; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid) return status;
            usleep(10000);
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    std::string Stderr() const {
        std::ifstream in(m_folder / "stderr");
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path m_folder;
};

TEST_P(Signals, EndTheBatchRunnerInsideAScript) {
    const int status = RunAndSignal("vorlen-batch", {"-n", "5", "--save-table", "never.vln"});
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam());
    EXPECT_NE(Stderr().find("Komunikat: Program otrzymał sygnał zakończenia\n  Funkcja: void OnFrame()\n"), std::string::npos) << Stderr();
    EXPECT_FALSE(fs::exists(m_folder / "never.vln"));
}

TEST_P(Signals, EndTheWorkbenchInsideAScriptWithoutAReport) {
    const int status = RunAndSignal("vorlen", {});
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam());
    EXPECT_EQ(Stderr(), "");
    EXPECT_FALSE(fs::exists(m_folder / "Error.txt"));
    EXPECT_FALSE(fs::exists(m_folder / "vorlen" / "Error.txt"));
}

// OnInit runs on the script worker before the window exists: the signal ends the load.
TEST_P(Signals, EndTheWorkbenchInsideOnInitWithoutAReport) {
    const int status = RunAndSignal("vorlen", {}, "endless-init.vl");
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam());
    EXPECT_EQ(Stderr(), "");
    EXPECT_FALSE(fs::exists(m_folder / "Error.txt"));
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, Signals, testing::Values(SIGTERM, SIGINT));

}  // namespace
