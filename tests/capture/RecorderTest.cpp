// Recordings read back: movies through FFmpeg's decoders (frames, size, pictures within the
// codec's tolerance, GIF exactly), numbered pictures exactly; failures that leave nothing
// under a final name; the names of patterns; palettes.

#include <fstream>
#include <random>

#include "capture/Palette.h"
#include "capture/Pictures.h"
#include "capture/Recorder.h"
#include "CaptureTestSupport.h"

namespace capture::test {
namespace {

// Blocks of 8 x 8 pixels in a few colours, shifted by `step` blocks: what an automaton at zoom
// looks like, and few enough colours for a palette of its own.
Image Blocks(int width, int height, int step) {
    static const uint32_t colours[] = {0xFF000000, 0xFF00FF00, 0xFFFF0000, 0xFF2040C0, 0xFFFFFFFF, 0xFF808000};
    Image image {width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.Pixels.push_back(colours[(x / 8 + 2 * (y / 8) + step) % 6]);
    return image;
}

// Every pixel a colour of its own from a generator: what no codec compresses much.
Image Noise(int width, int height, std::mt19937& random) {
    Image image {width, height, {}};
    for (int i = 0; i < width * height; ++i) image.Pixels.push_back(0xFF000000u | (random() & 0xFFFFFF));
    return image;
}

Image CropTo(const Image& image, int width, int height) {
    Image cropped {width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) cropped.Pixels.push_back(image.At(x, y));
    return cropped;
}

using Recordings = ScratchFolder;

TEST_F(Recordings, MoviesHoldEveryFrameAtTheirSize) {
    struct Case {
        const char* Name;
        const char* Codec;     // as the decoder names it
        int Width, Height;     // of the frames given
        int MovieWidth, MovieHeight;
        double Tolerance;      // mean difference of a channel
    };
    const Case cases[] = {
        {"a.mp4", "h264", 64, 48, 64, 48, 6},   {"b.mkv", "h264", 64, 48, 64, 48, 6},
        {"c.webm", "vp9", 64, 48, 64, 48, 8},   {"d.gif", "gif", 64, 48, 64, 48, 0},
        {"e.MP4", "h264", 61, 45, 62, 46, 6},   {"f.gif", "gif", 61, 45, 61, 45, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Recorder recorder;
        ASSERT_TRUE(recorder.Open(PathOf(c.Name), c.Width, c.Height, 15)) << ::testing::PrintToString(errors::ErrorEntries());
        for (int k = 0; k < 10; ++k) ASSERT_TRUE(recorder.AddFrame(Blocks(c.Width, c.Height, k)));
        EXPECT_EQ(recorder.FramesWritten(), 10);
        ASSERT_TRUE(recorder.Finish()) << ::testing::PrintToString(errors::ErrorEntries());
        const Movie movie = ReadMovie(PathOf(c.Name));
        EXPECT_EQ(movie.Codec, c.Codec);
        EXPECT_EQ(std::make_pair(movie.Width, movie.Height), std::make_pair(c.MovieWidth, c.MovieHeight));
        ASSERT_EQ(movie.Frames.size(), 10u);
        for (int k : {0, 9}) {
            const Image shown = CropTo(movie.Frames[static_cast<size_t>(k)], c.Width, c.Height);
            if (c.Tolerance == 0)
                EXPECT_EQ(DifferentPixels(shown, Blocks(c.Width, c.Height, k)), 0) << k;
            else
                EXPECT_LT(MeanDifference(shown, Blocks(c.Width, c.Height, k)), c.Tolerance) << k;
        }
        if (c.MovieWidth > c.Width) {  // the added column repeats the edge
            EXPECT_LT(std::abs(int(movie.Frames[0].At(c.Width, 0) & 0xFF) - int(movie.Frames[0].At(c.Width - 1, 0) & 0xFF)), 24);
        }
    }
    EXPECT_EQ(Listing(), (std::set<std::string> {"a.mp4", "b.mkv", "c.webm", "d.gif", "e.MP4", "f.gif"}));
    EXPECT_FALSE(errors::ErrorRaised());
}

TEST_F(Recordings, NumberedPicturesAreExact) {
    for (const char* pattern : {"f-%03d.png", "g%d.bmp", "h-%%-%05d.tga"}) {
        SCOPED_TRACE(pattern);
        Recorder recorder;
        ASSERT_TRUE(recorder.Open(PathOf(pattern), 40, 30, 15));
        for (int k = 0; k < 10; ++k) ASSERT_TRUE(recorder.AddFrame(Blocks(40, 30, k)));
        ASSERT_TRUE(recorder.Finish()) << ::testing::PrintToString(errors::ErrorEntries());
        for (int k = 0; k < 10; ++k)
            EXPECT_EQ(DifferentPixels(ReadPicture(PathOf(NumberedName(pattern, k + 1))), Blocks(40, 30, k)), 0) << k;
    }
    EXPECT_EQ(Listing().size(), 30u);
    EXPECT_TRUE(Listing().contains("f-010.png") && Listing().contains("g10.bmp") && Listing().contains("h-%-00001.tga"));
}

// A recording that cannot be written reports why and leaves no file under its final name
// (nor a temporary one); a file that was there before stays as it was.
TEST_F(Recordings, FailuresLeaveNothingUnderTheFinalName) {
    std::ofstream(PathOf("kept.mp4")) << "before";
    std::ofstream(PathOf("plik")) << "a file, not a folder";
    for (const char* name : {"missing/a.mp4", "plik/b.gif", "missing/c-%d.png", "d.avi", "e-%s.png", "f-%d.xyz", "g-%d-%d.png"}) {
        SCOPED_TRACE(name);
        Recorder recorder;
        EXPECT_FALSE(recorder.Open(PathOf(name), 64, 48, 15));
        EXPECT_FALSE(recorder.IsOpen());
        EXPECT_TRUE(errors::ErrorRaised());
        errors::ClearErrors();
    }

    // A full disk: the limit lies inside the movie, inside the first picture.
    std::mt19937 random(7);
    for (const char* name : {"kept.mp4", "h.mkv", "i.gif", "j-%02d.png", "k-%02d.bmp"}) {
        SCOPED_TRACE(name);
        WithFileSizeLimit(20000, [&] {
            Recorder recorder;
            bool written = recorder.Open(PathOf(name), 128, 96, 15);
            for (int k = 0; k < 30 && written; ++k) written = recorder.AddFrame(Noise(128, 96, random));
            if (written) written = recorder.Finish();
            EXPECT_FALSE(written);
            EXPECT_FALSE(recorder.IsOpen());
        });
        EXPECT_TRUE(errors::ErrorRaised());
        errors::ClearErrors();
    }

    // Given up half-way.
    Recorder recorder;
    ASSERT_TRUE(recorder.Open(PathOf("l-%d.png"), 8, 8, 15));
    ASSERT_TRUE(recorder.AddFrame(Blocks(8, 8, 0)));
    EXPECT_FALSE(recorder.AddFrame(Blocks(9, 8, 0))) << "a frame of another size";
    errors::ClearErrors();
    ASSERT_TRUE(recorder.Open(PathOf("m.gif"), 8, 8, 15));
    ASSERT_TRUE(recorder.AddFrame(Blocks(8, 8, 0)));
    recorder.Abort();

    EXPECT_EQ(Listing(), (std::set<std::string> {"kept.mp4", "plik"}));
    std::ifstream kept(PathOf("kept.mp4"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "before");
}

TEST(RecordingNames, KindsAndNumbers) {
    const std::pair<const char*, RecordingKind> kinds[] = {
        {"a.mp4", RecordingKind::Movie},          {"dir/a.WebM", RecordingKind::Movie},
        {"a.mkv", RecordingKind::Movie},          {"a.gif", RecordingKind::Movie},
        {"f/life-%05d.png", RecordingKind::Pictures}, {"%d.bmp", RecordingKind::Pictures},
        {"x%3d.jpg", RecordingKind::Pictures},    {"a.avi", RecordingKind::None},
        {"a", RecordingKind::None},               {"a.png", RecordingKind::None},
        {"a-%d.avi", RecordingKind::None},        {"a-%s.png", RecordingKind::None},
        {"a-%n.png", RecordingKind::None},        {"a-%d%d.png", RecordingKind::None},
        {"a-%%.mp4", RecordingKind::None},        {"d%d/a-%d.png", RecordingKind::None},
        {"a-%10d.png", RecordingKind::None},      {"a-%-5d.png", RecordingKind::None},
    };
    for (const auto& [path, kind] : kinds) {
        std::string reason;
        EXPECT_EQ(RecordingKindOf(path, &reason), kind) << path;
        EXPECT_EQ(reason.empty(), kind != RecordingKind::None) << path;
    }
    const std::tuple<const char*, int, const char*> numbers[] = {
        {"f/life-%05d.png", 7, "f/life-00007.png"}, {"%d.bmp", 123, "123.bmp"},
        {"x%3d.jpg", 5, "x  5.jpg"},                {"a%%b-%02d.png", 100, "a%b-100.png"},
    };
    for (const auto& [pattern, number, name] : numbers) EXPECT_EQ(NumberedName(pattern, number), name);
}

// The workbench's keys save to the pictures folder xdg-user-dir names, else the home folder.
TEST_F(Recordings, PicturesFolderAndNumberedNames) {
    const std::pair<std::string, std::string> answers[] = {
        {m_folder + "\n", m_folder + "/"},      {m_folder + "/", m_folder + "/"},
        {"", "/home/u/"},                        {"relative/path\n", "/home/u/"},
        {m_folder + "/missing\n", "/home/u/"},  {m_folder + "\n/tmp\n", "/home/u/"},
    };
    for (const auto& [answer, folder] : answers) EXPECT_EQ(PicturesFolderFrom(answer, "/home/u"), folder) << answer;
    EXPECT_EQ(PicturesFolder().back(), '/');

    EXPECT_EQ(NextNumberedPath(m_folder, "examples/life.vl", ".png"), PathOf("life-0001.png"));
    std::ofstream(PathOf("life-0001.png")) << "taken";
    std::ofstream(PathOf("life-0002.mp4")) << "another kind";
    EXPECT_EQ(NextNumberedPath(m_folder + "/", "/a/b/life.vl", ".png"), PathOf("life-0002.png"));
    EXPECT_EQ(NextNumberedPath(m_folder, "life.vl", ".mp4"), PathOf("life-0001.mp4"));
    EXPECT_EQ(NextNumberedPath(m_folder, "dir/.vl", ".png"), PathOf("vorlen-0001.png"));
}

// Few colours keep their exact values; many are reduced to 256 that stay close to them.
TEST(Palettes, ExactForFewColoursCloseForMany) {
    const Image few = Blocks(64, 48, 3);
    const IndexedImage exact = ToIndexed(few);
    EXPECT_EQ(exact.Palette.size(), 6u);
    for (size_t i = 0; i < few.Pixels.size(); ++i) ASSERT_EQ(exact.Palette[exact.Indices[i]], few.Pixels[i]);

    Image many {128, 128, {}};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) many.Pixels.push_back(0xFF000000u | uint32_t(x * 2) << 16 | uint32_t(y * 2) << 8 | 0x40);
    const IndexedImage reduced = ToIndexed(many);
    EXPECT_LE(reduced.Palette.size(), 256u);
    EXPECT_GE(reduced.Palette.size(), 200u);
    Image shown {128, 128, {}};
    int worst = 0;
    for (size_t i = 0; i < many.Pixels.size(); ++i) {
        shown.Pixels.push_back(reduced.Palette[reduced.Indices[i]]);
        for (int shift : {0, 8, 16})
            worst = std::max(worst, std::abs(int(many.Pixels[i] >> shift & 0xFF) - int(shown.Pixels[i] >> shift & 0xFF)));
    }
    EXPECT_LT(MeanDifference(many, shown), 6);
    EXPECT_LE(worst, 24);
}

}  // namespace
}  // namespace capture::test
