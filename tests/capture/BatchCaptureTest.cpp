// vorlen-batch's --render and --record as a user runs them: a recording's frames against the
// pictures --render gives after the same iterations, every example rendered and recorded, and
// the failures that must leave nothing under the final name.

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "capture/Recorder.h"
#include "CaptureTestSupport.h"

namespace capture::test {
namespace {

// A 20 x 15 torus at zoom 4 whose stripes of red, green and blue move one cell right an
// iteration: the same in every run, and plain enough for lossy codecs.
const std::string Stripes =
    "[Vorlen 1]\nTitle: Paski\nWrap: true\nBuffers: 2\nWidth: 20\nHeight: 15\nView: texture u1 [RGB]\n"
    "Background: black\nZoom: 4\nSpeed: 12\n--CODE--\n"
    "void OnInit() { for (int x = 0; x < 20; x++) for (int y = 0; y < 15; y++)\n"
    "  SetBuffer_u1(x, y, (x / 3 + y / 5) % 3 == 0 ? 0xFF0000 : (x / 3 + y / 5) % 3 == 1 ? 0x00FF00 : 0x0000FF); }\n"
    "void OnFrame() { for (int x = 0; x < 20; x++) for (int y = 0; y < 15; y++)\n"
    "  SetBuffer_u1(x, y, GetBuffer_u1(x - 1, y)); }\n";

class BatchCapture : public ScratchFolder {
protected:
    using Outcome = std::tuple<int, std::string, std::string>;  // exit status, stdout, stderr

    // vorlen-batch on `definition` (a file in the scratch folder, or a path) with `actions`,
    // run in the scratch folder after `shell` (commands of the shell, such as a file limit).
    Outcome Run(const std::string& definition, const std::vector<std::string>& actions, const std::string& shell = "") const {
        std::string file = definition;
        if (definition.starts_with("[Vorlen")) {
            file = PathOf("test.vl");
            std::ofstream(file) << definition;
        }
        std::string command = "cd '" + m_folder + "' && " + shell + " '" VORLEN_BATCH "' '" + file + "'";
        for (const std::string& action : actions) command += " '" + action + "'";
        const int status = std::system((command + " >../" + Name() + ".out 2>../" + Name() + ".err").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(Name() + ".out"), Slurp(Name() + ".err")};
    }
    std::string Name() const { return std::filesystem::path(m_folder).filename().string(); }
    std::string Slurp(const std::string& name) const {
        const std::string path = std::filesystem::path(m_folder).parent_path() / name;
        std::ifstream in(path, std::ios::binary);
        std::string text {std::istreambuf_iterator<char>(in), {}};
        std::filesystem::remove(path);
        return text;
    }
    // The scratch folder's names without the definition.
    std::set<std::string> Made() const {
        std::set<std::string> names = Listing();
        names.erase("test.vl");
        return names;
    }
};

TEST_F(BatchCapture, RecordedFramesMatchTheRenderedPictures) {
    const std::vector<std::string> size = {"--render-size", "160x120"};
    auto with = [&](std::vector<std::string> actions) {
        actions.insert(actions.begin(), size.begin(), size.end());
        return actions;
    };
    ASSERT_EQ(std::get<0>(Run(Stripes, with({"-n", "1", "--render", "first.png", "-n", "2", "--render", "third.bmp", "-n", "6",
                                             "--render", "ninth.png", "-n", "1", "--render", "tenth.png"}))),
              0);
    const Image first = ReadPicture(PathOf("first.png")), third = ReadPicture(PathOf("third.bmp"));
    const Image ninth = ReadPicture(PathOf("ninth.png")), tenth = ReadPicture(PathOf("tenth.png"));
    ASSERT_EQ(std::make_pair(first.Width, first.Height), std::make_pair(152, 99));  // 8 to 160 by 12.8 to 112
    EXPECT_GT(DifferentPixels(first, tenth), 0);

    struct Case {
        const char* Path;
        std::vector<std::string> Options;
        int Frames;
        const Image *First, *Last;
        double Tolerance;  // mean difference of a channel; 0 for equal pictures
    };
    const Case cases[] = {
        {"run.mp4", {}, 10, &first, &tenth, 6},
        {"run.webm", {"--fps", "25"}, 10, &first, &tenth, 8},
        {"run.gif", {}, 10, &first, &tenth, 0},
        {"frames-%02d.png", {}, 10, &first, &tenth, 0},
        {"every-%d.png", {"--every", "3"}, 3, &third, &ninth, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        std::vector<std::string> actions = with(c.Options);
        for (const char* action : {"--record", c.Path, "-n", "10"}) actions.push_back(action);
        const Outcome outcome = Run(Stripes, actions);
        EXPECT_EQ(std::get<0>(outcome), 0) << std::get<2>(outcome);
        EXPECT_EQ(std::get<2>(outcome), "") << "no progress line when stderr is no terminal";
        EXPECT_NE(std::get<1>(outcome).find("(klatki: " + std::to_string(c.Frames) + ", "), std::string::npos) << std::get<1>(outcome);
        std::vector<Image> frames;
        if (std::string(c.Path).find('%') == std::string::npos) {
            frames = ReadMovie(PathOf(c.Path)).Frames;
        } else {
            for (int k = 1; std::filesystem::exists(PathOf(NumberedName(c.Path, k))); ++k)
                frames.push_back(ReadPicture(PathOf(NumberedName(c.Path, k))));
        }
        ASSERT_EQ(frames.size(), static_cast<size_t>(c.Frames));
        for (Image* frame : {&frames.front(), &frames.back()}) {
            // H.264 and VP9 take even sizes only: one row more.
            EXPECT_EQ(frame->Width, 152);
            EXPECT_EQ(frame->Height, c.Tolerance > 0 ? 100 : 99);
            Image cropped {first.Width, first.Height, {}};
            for (int y = 0; y < first.Height; ++y)
                for (int x = 0; x < first.Width; ++x) cropped.Pixels.push_back(frame->At(x, y));
            *frame = cropped;
        }
        if (c.Tolerance == 0) {
            EXPECT_EQ(DifferentPixels(frames.front(), *c.First), 0);
            EXPECT_EQ(DifferentPixels(frames.back(), *c.Last), 0);
        } else {
            EXPECT_LT(MeanDifference(frames.front(), *c.First), c.Tolerance);
            EXPECT_LT(MeanDifference(frames.back(), *c.Last), c.Tolerance);
        }
    }
}

// What a user would try first: each example drawn and recorded without a display.
TEST_F(BatchCapture, EveryExampleRendersAndRecords) {
    int examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VORLEN_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".vl") continue;
        SCOPED_TRACE(entry.path().string());
        ++examples;
        const Outcome outcome = Run(entry.path().string(), {"--render-size", "200x150", "-n", "2", "--render", "picture.png",
                                                            "--record", "movie.gif", "--every", "2", "-n", "6"});
        EXPECT_EQ(std::get<0>(outcome), 0) << std::get<2>(outcome);
        const Image picture = ReadPicture(PathOf("picture.png"));
        EXPECT_EQ(std::make_pair(picture.Width, picture.Height), std::make_pair(190, 124));
        const Movie movie = ReadMovie(PathOf("movie.gif"));
        EXPECT_EQ(movie.Frames.size(), 3u);
        EXPECT_EQ(std::make_pair(movie.Width, movie.Height), std::make_pair(190, 124));
    }
    EXPECT_GE(examples, 5);
}

TEST_F(BatchCapture, FailuresExitWithAReasonAndLeaveNothing) {
    std::filesystem::create_directory(PathOf("folder"));
    const std::tuple<std::vector<std::string>, int, std::string, std::string> cases[] = {
        {{"--record", "missing/a.mp4", "-n", "3"}, 1, "Nie można nagrać do \"missing/a.mp4\"", ""},
        {{"--record", "folder", "-n", "3"}, 64, "błędny argument \"folder\" akcji \"--record\"", ""},
        {{"--record", "a.avi", "-n", "3"}, 64, "błędny argument \"a.avi\" akcji \"--record\"", ""},
        {{"--record", "a-%s.png", "-n", "3"}, 64, "akcji \"--record\"", ""},
        {{"--render", "a.xyz"}, 64, "błędny argument \"a.xyz\" akcji \"--render\"", ""},
        {{"--render", "missing/a.png"}, 1, "Nie można zapisać obrazka do pliku \"missing/a.png\"", ""},
        {{"--record", "a.mp4"}, 64, "po akcji \"--record\" brakuje akcji \"--iterations\"", ""},
        {{"--record", "a.mp4", "--record", "b.mp4", "-n", "2"}, 64, "po akcji \"--record\" brakuje", ""},
        {{"--render-size", "8x8", "--render", "a.png"}, 64, "akcji \"--render-size\"", ""},
        {{"--fps", "0", "--record", "a.mp4", "-n", "2"}, 64, "akcji \"--fps\"", ""},
        {{"--every", "0", "--record", "a.mp4", "-n", "2"}, 64, "błędna liczba \"0\" akcji \"--every\"", ""},
        {{"--every", "20", "--record", "a.mp4", "-n", "10"}, 1, "Nagranie nie ma żadnej klatki", ""},
        // A full disk, simulated by a limit on the size of a file.
        {{"--record", "full.mp4", "-n", "40"}, 1, "Nie można", "trap '' XFSZ; ulimit -f 8;"},
        {{"--record", "full-%d.bmp", "-n", "40"}, 1, "Nie można", "trap '' XFSZ; ulimit -f 8;"},
    };
    for (const auto& [actions, status, message, shell] : cases) {
        SCOPED_TRACE(::testing::PrintToString(actions));
        const Outcome outcome = Run(Stripes, actions, shell);
        EXPECT_EQ(std::get<0>(outcome), status);
        EXPECT_NE(std::get<2>(outcome).find(message), std::string::npos) << std::get<2>(outcome);
        EXPECT_EQ(Made(), (std::set<std::string> {"folder"}));
    }
}

}  // namespace
}  // namespace capture::test
