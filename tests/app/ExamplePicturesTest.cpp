// Every example as a user runs it with vorlen-batch: after a few iterations its picture is the
// world in the colours it promises, with life in it; that picture loads back into the same
// world; and a picture from elsewhere, light on the left and dark on the right, becomes a
// world that is light on the left and dark on the right.
#include <gmock/gmock.h>

#include <cstdlib>
#include <set>

#include "ProgramRun.h"

namespace programs {
namespace {

struct Example {
    const char* File;
    bool (*Allowed)(uint32_t);  // whether a pixel (0xRRGGBB) is one of the example's colours
    size_t Colours;             // the fewest different colours a picture after five iterations has
    uint32_t Light;             // what a white pixel of a loaded picture comes back as
};

void PrintTo(const Example& example, std::ostream* out) { *out << example.File; }

template <uint32_t... Colour> bool OneOf(uint32_t pixel) { return ((pixel == Colour) || ...); }
bool BlackToYellow(uint32_t pixel) { return (pixel >> 16) == (pixel >> 8 & 0xFF) && (pixel & 0xFF) == 0; }
bool AnyColour(uint32_t) { return true; }

const Example Examples[] = {
    {"life.vl", OneOf<0x000000, 0xFFFFFF>, 2, 0xFFFFFF},
    {"day-and-night.vl", OneOf<0x000000, 0x00FF00, 0xFF0000, 0xFFFFFF>, 4, 0xFFFFFF},
    {"heat.vl", BlackToYellow, 10, 0xFFFF00},
    {"langton-ant.vl", OneOf<0x000000, 0xFFFFFF, 0xFF0000>, 3, 0xFFFFFF},
    {"brians-brain.vl", OneOf<0x000000, 0xFFFFFF, 0x4070FF>, 3, 0xFFFFFF},
    {"vortex.vl", AnyColour, 100, 0xFFFFFF},
};

// A header item's number, as the example's header writes it ("Width: 200").
int HeaderNumber(const std::string& definition, const std::string& item) {
    const size_t at = definition.find("\n" + item + ":");
    return at == std::string::npos ? -1 : std::atoi(definition.c_str() + at + item.size() + 2);
}

std::string Batch(const std::string& example, const std::string& actions) {
    return Quoted(VORLEN_BATCH) + " " + Quoted(fs::path(VORLEN_EXAMPLES_DIR) / example) + " " + actions;
}

const std::string Saved = "Obrazek został zapisany\n", Loaded = "Obrazek został wczytany\n";

class ExamplePictures : public testing::TestWithParam<Example> {
protected:
    Scratch m_scratch;
};

TEST_P(ExamplePictures, AfterAFewIterationsShowTheWorldInItsColoursAndLoadBackUnchanged) {
    const Example& example = GetParam();
    const std::string definition = Slurp(fs::path(VORLEN_EXAMPLES_DIR) / example.File);
    const Outcome run = m_scratch.Run(Batch(example.File, "-n 5 --save-image first.png --load-image first.png "
                                                          "--save-image again.png"));
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, Saved + Loaded + Saved);

    const Picture first = ReadPicture(m_scratch, "first.png");
    EXPECT_EQ(first.Width, HeaderNumber(definition, "Width"));
    EXPECT_EQ(first.Height, HeaderNumber(definition, "Height"));
    std::set<uint32_t> colours(first.Pixels.begin(), first.Pixels.end());
    EXPECT_GE(colours.size(), example.Colours);
    for (uint32_t colour : colours) EXPECT_TRUE(example.Allowed(colour)) << std::hex << colour;
    EXPECT_EQ(ReadPicture(m_scratch, "again.png").Pixels, first.Pixels);
}

TEST_P(ExamplePictures, APictureFromElsewhereSetsTheWorldFromItsBrightness) {
    const Example& example = GetParam();
    const std::string definition = Slurp(fs::path(VORLEN_EXAMPLES_DIR) / example.File);
    const int width = HeaderNumber(definition, "Width"), height = HeaderNumber(definition, "Height");
    const auto size = [&](int columns) { return "-size " + std::to_string(columns) + "x" + std::to_string(height); };
    ASSERT_EQ(m_scratch.Run("convert " + size(width / 2) + " xc:white " + size(width - width / 2) +
                            " xc:black +append split.png").Status, 0);

    const Outcome run = m_scratch.Run(Batch(example.File, "--load-image split.png --save-image back.png"));
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, Loaded + Saved);
    const Picture back = ReadPicture(m_scratch, "back.png");
    ASSERT_EQ(back.Pixels.size(), size_t(width) * size_t(height));
    int lightOnTheLeft = 0, lightOnTheRight = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool light = back.At(x, y) == example.Light;
            (x < width / 2 ? lightOnTheLeft : lightOnTheRight) += light;
            EXPECT_TRUE(example.Allowed(back.At(x, y))) << x << "," << y;
        }
    EXPECT_EQ(lightOnTheLeft, width / 2 * height);
    EXPECT_EQ(lightOnTheRight, 0);
}

INSTANTIATE_TEST_SUITE_P(Each, ExamplePictures, testing::ValuesIn(Examples), [](const auto& info) {
    std::string name = fs::path(info.param.File).stem();
    std::erase(name, '-');
    return name;
});

// A new example needs its line above: what its pictures look like.
TEST(ExamplePictureList, NamesEveryExample) {
    std::set<std::string> files, listed;
    for (const auto& entry : fs::directory_iterator(VORLEN_EXAMPLES_DIR))
        if (entry.path().extension() == ".vl") files.insert(entry.path().filename());
    for (const Example& example : Examples) listed.insert(example.File);
    EXPECT_EQ(files, listed);
}

}  // namespace
}  // namespace programs
