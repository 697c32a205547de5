// vorlen-batch's --render and --record as a user runs them: a recording's frames against the
// pictures --render gives after the same iterations, every example rendered and recorded, and
// the failures that must leave nothing under the final name.

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "capture/Recorder.h"
#include "capture/WorldArea.h"
#include "CaptureTestSupport.h"

namespace capture::test {
namespace {

// A 20 x 15 torus at zoom 4 on white, whose stripes of red, green and blue move one cell right
// an iteration: the same in every run, and plain enough for lossy codecs.
const std::string Stripes =
    "[Vorlen 1]\nTitle: Paski\nWrap: true\nBuffers: 2\nWidth: 20\nHeight: 15\nView: texture u1 [RGB]\n"
    "Background: white\nZoom: 4\nSpeed: 12\n--CODE--\n"
    "void OnInit() { for (int x = 0; x < 20; x++) for (int y = 0; y < 15; y++)\n"
    "  SetBuffer_u1(x, y, (x / 3 + y / 5) % 3 == 0 ? 0xFF0000 : (x / 3 + y / 5) % 3 == 1 ? 0x00FF00 : 0x0000FF); }\n"
    "void OnFrame() { for (int x = 0; x < 20; x++) for (int y = 0; y < 15; y++)\n"
    "  SetBuffer_u1(x, y, GetBuffer_u1(x - 1, y)); }\n";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class BatchCapture : public ScratchFolder {
protected:
    using Outcome = std::tuple<int, std::string, std::string>;  // exit status, stdout, stderr

    // vorlen-batch on `definition` (the text of one, or a path) with `actions`, run in the
    // scratch folder after `shell` (commands of the shell, such as a file size limit).
    Outcome Run(std::string definition, const std::vector<std::string>& actions, const std::string& shell = "") const {
        if (definition.starts_with("[Vorlen")) {
            std::ofstream(PathOf("test.vl")) << definition;
            definition = PathOf("test.vl");
        }
        const std::string out = m_folder + ".out", err = m_folder + ".err";
        std::string command = "cd '" + m_folder + "' && " + shell + " '" VORLEN_BATCH "' '" + definition + "'";
        for (const std::string& action : actions) command += " '" + action + "'";
        const int status = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
        Outcome outcome {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
        std::filesystem::remove(out), std::filesystem::remove(err);
        return outcome;
    }
};

// Movies in each container and numbered pictures in several formats, every K-th iteration
// included. A back buffer of 161 x 120 has a world area of 153 x 99 (8 to 161 by 12.8 to 112):
// H.264 and VP9 take even sides only, and the column and row they add repeat the edge.
TEST_F(BatchCapture, RecordedFramesMatchTheRenderedPictures) {
    const std::vector<std::string> size = {"--render-size", "161x120"};
    auto with = [&](std::vector<std::string> actions) {
        actions.insert(actions.begin(), size.begin(), size.end());
        return actions;
    };
    ASSERT_EQ(std::get<0>(Run(Stripes, with({"-n", "1", "--render", "first.png", "-n", "2", "--render", "third.bmp", "-n", "6",
                                             "--render", "ninth.png", "-n", "1", "--render", "tenth.png"}))),
              0);
    const Image first = ReadPicture(PathOf("first.png")), third = ReadPicture(PathOf("third.bmp"));
    const Image ninth = ReadPicture(PathOf("ninth.png")), tenth = ReadPicture(PathOf("tenth.png"));
    ASSERT_EQ(std::make_pair(first.Width, first.Height), std::make_pair(153, 99));
    EXPECT_GT(MeanDifference(first, tenth), 12) << "well above what the codecs lose";

    struct Case {
        const char* Path;
        std::vector<std::string> Options;
        int Frames;
        const Image *First, *Last;
        double Tolerance;  // mean difference of a channel; 0 for equal pictures
    };
    const Case cases[] = {
        {"run.mp4", {}, 10, &first, &tenth, 8},
        {"run.MKV", {}, 10, &first, &tenth, 8},
        {"run.webm", {"--fps", "25"}, 10, &first, &tenth, 8},
        {"run.gif", {}, 10, &first, &tenth, 0},
        {"frames-%%-%02d.tga", {}, 10, &first, &tenth, 0},
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
        const cells::ModeSize padded = c.Tolerance > 0 ? cells::ModeSize {154, 100} : cells::ModeSize {153, 99};
        for (Image* frame : {&frames.front(), &frames.back()}) {
            ASSERT_EQ(std::make_pair(frame->Width, frame->Height), std::make_pair(padded.Width, padded.Height));
            if (c.Tolerance > 0) {
                EXPECT_LT(MeanDifference(Crop(frame->Pixels, padded, {153, 0, 1, 100}), Crop(frame->Pixels, padded, {152, 0, 1, 100})), 24);
                EXPECT_LT(MeanDifference(Crop(frame->Pixels, padded, {0, 99, 154, 1}), Crop(frame->Pixels, padded, {0, 98, 154, 1})), 24);
            }
            *frame = Crop(frame->Pixels, padded, {0, 0, 153, 99});
        }
        EXPECT_LE(MeanDifference(frames.front(), *c.First), c.Tolerance);
        EXPECT_LE(MeanDifference(frames.back(), *c.Last), c.Tolerance);
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
        EXPECT_EQ(std::make_tuple(movie.Frames.size(), movie.Width, movie.Height), std::make_tuple(3u, 190, 124));
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
        EXPECT_EQ(Listing(), (std::set<std::string> {"folder", "test.vl"}));
    }
}

}  // namespace
}  // namespace capture::test
