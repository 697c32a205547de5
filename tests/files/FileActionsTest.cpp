#include <gtest/gtest.h>

#include <sys/wait.h>
#include <tuple>

#include "FilesTestSupport.h"

namespace files {
namespace {

const std::string TableLoaded = "Tablica została wczytana\n", TableSaved = "Tablica została zapisana\n";
const std::string ImageLoaded = "Obrazek został wczytany\n", ImageSaved = "Obrazek został zapisany\n";

// A 6 x 4 torus with two buffers whose state is u3, each cell following its neighbours, so that
// a lost copy or a picture upside down shows in every later state. Pictures carry the state:
// by default OnSaveImage turns it into colours and OnLoadImage takes it back.
std::string Definition(const std::string& pictureCallbacks = "") {
    const std::string each = "for (int x = 0; x < 6; x++) for (int y = 0; y < 4; y++) ";
    return "[Vorlen 1]\nTitle: Test\nWrap: true\nBuffers: 2\nWidth: 6\nHeight: 4\nView: texture u1 [RGB]\nBackground: black\n"
           "--CODE--\nvoid OnInit() { " + each + "SetBuffer_u3(x, y, x * 40 + y * 1000); }\n"
           "void OnFrame() { " + each + "SetBuffer_u3(x, y, (GetBuffer_u3(x, y) * 3 + GetBuffer_u3(x + 1, y) + GetBuffer_u3(x, y - 1) + 1) & 0xFFFFFF); }\n" +
           (!pictureCallbacks.empty() ? pictureCallbacks
                                      : "void OnSaveImage() { " + each + "SetBuffer_u1(x, y, GetBuffer_u3(x, y)); }\n"
                                        "void OnLoadImage() { " + each + "SetBuffer_u3(x, y, GetBuffer_u1(x, y)); }\n");
}

// Callbacks that fail: each writes outside the world.
const std::string Failing = "void OnSaveImage() { SetBuffer_u1(6, 0, 1); }\nvoid OnLoadImage() { SetBuffer_u1(-1, 0, 1); }\n";

class FileActions : public ScratchDirectory {
protected:
    using Outcome = std::tuple<int, std::string, std::string>;  // exit status, stdout, stderr

    // vorlen-batch on `definition` with `actions`, run in the scratch directory.
    Outcome Run(const std::string& definition, const std::vector<std::string>& actions) const {
        Spit(PathOf("test.vl"), definition);
        std::string command = "cd '" + m_directory + "' && '" VORLEN_BATCH "' test.vl";
        for (const std::string& action : actions) command += " '" + action + "'";
        const int status = std::system((command + " >out.txt 2>err.txt").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(PathOf("out.txt")), Slurp(PathOf("err.txt"))};
    }
};

TEST_F(FileActions, ATableSavedMidRunContinuesInAFreshRun) {
    EXPECT_EQ(Run(Definition(), {"-n", "3", "--save-table", "three.vls", "-n", "2", "--save-table", "five"}),
              Outcome(0, TableSaved + TableSaved, ""));
    EXPECT_EQ(Slurp(PathOf("three.vls")).substr(0, 4), "VLS1");
    EXPECT_EQ(Slurp(PathOf("five.vln")).substr(0, 4), "VLN1");
    EXPECT_EQ(Run(Definition(), {"--load-table", "three.vls", "-n", "2", "--save-table", "again.vln"}),
              Outcome(0, TableLoaded + TableSaved, ""));
    EXPECT_EQ(Slurp(PathOf("again.vln")), Slurp(PathOf("five.vln")));
}

TEST_F(FileActions, APictureOfTheStateLoadsBackAsTheSameState) {
    EXPECT_EQ(Run(Definition(), {"-n", "2", "--save-image", "state.png", "--save-table", "saved.vln"}),
              Outcome(0, ImageSaved + TableSaved, ""));
    EXPECT_EQ(Run(Definition(), {"--load-image", "state.png", "--save-table", "loaded.vln"}), Outcome(0, ImageLoaded + TableSaved, ""));
    EXPECT_EQ(Slurp(PathOf("loaded.vln")), Slurp(PathOf("saved.vln")));
}

// An 8 x 6 Quake 2 texture: the image library's reader of the format dies on it, and with it
// the decoder program, not the run.
std::string DecoderKiller() {
    std::string wal = std::string("killer").append(26, '\0');
    auto le = [](uint32_t v) { return std::string {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)}; };
    wal += le(8) + le(6) + le(100) + le(148) + le(160) + le(163) + std::string(44, '\0');
    return wal + std::string(8 * 6 + 4 * 3 + 2 * 1 + 1, '\x11');
}

TEST_F(FileActions, AFailedActionEndsTheRunWithItsStatusOnStderr) {
    ASSERT_EQ(std::get<0>(Run(Definition(), {"--save-image", "good.png"})), 0);
    Spit(PathOf("killer.wal"), DecoderKiller());
    const std::tuple<std::string, std::vector<std::string>, std::string, std::string> cases[] = {  // definition, actions, out, err
        {Definition(), {"--save-table", "t.vln", "--load-table", "missing.vls", "--save-table", "never.vln"}, TableSaved,
         "Błąd - nie można wczytać tablicy\n"},
        {Definition(), {"--save-table", "missing/t.vls"}, "", "Błąd - nie można zapisać tablicy\n"},
        {Definition(), {"--load-image", "t.vln"}, "", "Błąd - nie można wczytać obrazka\n"},
        {Definition(), {"--load-image", "killer.wal", "--save-table", "never.vln"}, "", "Błąd - nie można wczytać obrazka\n"},
        {Definition(), {"--save-image", "no-extension"}, "", "Błąd - nie można zapisać obrazka\n"},
        {Definition(Failing), {"--load-image", "good.png"}, "", "Nie można wykonać funkcji OnLoadImage()\n"},
        {Definition(Failing), {"--save-image", "never.png"}, "", "Nie można wykonać funkcji OnSaveImage()\n"},
    };
    for (const auto& [definition, actions, out, err] : cases) EXPECT_EQ(Run(definition, actions), Outcome(1, out, err));
    EXPECT_EQ(Listing(), (std::set<std::string> {"err.txt", "good.png", "killer.wal", "out.txt", "t.vln", "test.vl"}));
}

}  // namespace
}  // namespace files
