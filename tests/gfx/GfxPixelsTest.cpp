// What the drawing managers put on the screen: pixels read back from the OpenGL device.

#include <gtest/gtest.h>

#include <cstdio>

#include "GfxTestSupport.h"
#include "gfx/Font.h"
#include "gfx/Sprite.h"

namespace gfx {
namespace {

constexpr uint32_t Black = 0xFF000000;

// The smallest rectangle holding every pixel that is not black, and how many there are.
struct Ink {
    platform::Rect Box {1 << 30, 1 << 30, -1, -1};
    int Count { 0 };
};

Ink InkOf(const FrameRun& run, platform::Rect within = {0, 0, 1 << 30, 1 << 30}) {
    Ink ink;
    for (int y = std::max(0, within.Top); y < std::min<int>(run.Mode.ModeHeight, within.Bottom); ++y)
        for (int x = std::max(0, within.Left); x < std::min<int>(run.Mode.ModeWidth, within.Right); ++x) {
            if (run.Pixel(x, y) == Black) continue;
            ++ink.Count;
            ink.Box = {std::min(ink.Box.Left, x), std::min(ink.Box.Top, y), std::max(ink.Box.Right, x + 1),
                       std::max(ink.Box.Bottom, y + 1)};
        }
    return ink;
}

testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 2) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = int(actual >> shift & 0xFF), e = int(expected >> shift & 0xFF);
        if (a - e > tolerance || e - a > tolerance) {
            char text[64];
            std::snprintf(text, sizeof text, "0x%08X is not near 0x%08X", actual, expected);
            return testing::AssertionFailure() << text;
        }
    }
    return testing::AssertionSuccess();
}

FrameRun OnOpenGL() {
    FrameRun run;
    run.Device = Backend::OpenGL;
    run.Background = Black;
    return run;
}

TEST(Pixels, AFilledRectangleCoversItsPixels) {
    FrameRun run = OnOpenGL();
    run.Draw = [](platform::Device&) {
        Rects().Begin();
        Rects().AddRect({10, 20, 30, 25}, 0xFF00FF00);
        Rects().End();
    };
    run.Go();
    ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    const Ink green = InkOf(run);
    EXPECT_EQ(green.Box, (platform::Rect {10, 20, 30, 25}));
    EXPECT_EQ(green.Count, 20 * 5);
    EXPECT_EQ(run.Pixel(10, 20), 0xFF00FF00u);
    EXPECT_EQ(run.Pixel(29, 24), 0xFF00FF00u);
}

TEST(Pixels, AnOutlineIsTheRingOfPixelsInsideItsRectangle) {
    FrameRun run = OnOpenGL();
    run.Draw = [](platform::Device&) {
        Lines().Begin();
        Lines().AddRectOutline({10, 10, 20, 20}, 0xFFFFFFFF);
        Lines().End();
    };
    run.Go();
    ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    const Ink ring = InkOf(run);
    EXPECT_EQ(ring.Box, (platform::Rect {10, 10, 20, 20}));
    EXPECT_EQ(ring.Count, 36) << "the 10 x 10 square's border, every pixel once";
    for (int i = 10; i < 20; ++i) {
        EXPECT_EQ(run.Pixel(i, 10), 0xFFFFFFFFu) << i;
        EXPECT_EQ(run.Pixel(19, i), 0xFFFFFFFFu) << i;
    }
    EXPECT_EQ(InkOf(run, {11, 11, 19, 19}).Count, 0) << "inside stays empty";
}

// Modulate 2x: a mid-grey vertex colour shows the texture as it is, white doubles it,
// a quarter grey halves it; the texture's alpha blends.
TEST(Pixels, SpritesShowTheirTextureModulatedTwiceOverByTheirColour) {
    const std::pair<uint32_t, uint32_t> tints[] = {
        {0xFF808080, 0xFF604020}, {0xFFFFFFFF, 0xFFC08040}, {0xFF404040, 0xFF302010}};
    FrameRun run = OnOpenGL();
    run.Draw = [&](platform::Device& device) {
        std::unique_ptr<platform::Texture> texture;
        ASSERT_EQ(device.CreateTexture(8, 4, 1, 0, platform::D3DFMT_A8R8G8B8, platform::D3DPOOL_MANAGED, texture), 0);
        platform::LockedRect locked;
        ASSERT_EQ(texture->LockRect(0, locked, nullptr, 0), 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)  // left frame opaque, right frame half transparent white
                static_cast<uint32_t*>(locked.Bits)[y * locked.Pitch / 4 + x] = x < 4 ? 0xFF604020 : 0x80FFFFFF;
        texture->UnlockRect(0);
        const Sprite2 sprite(texture.get(), 4, 4, 2);
        Sprites().Begin();
        Sprites().SetSprite(&sprite, false, false);
        for (size_t i = 0; i < std::size(tints); ++i)
            Sprites().AddSprite(0, {10.0f + 40 * i, 10, 42.0f + 40 * i, 42}, tints[i].first);
        Sprites().AddSprite(1, {10, 60, 42, 92}, 0xFF808080);
        Sprites().End();
    };
    run.Go();
    ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    for (size_t i = 0; i < std::size(tints); ++i) {
        EXPECT_TRUE(Near(run.Pixel(10 + 40 * int(i), 10), tints[i].second)) << i;
        EXPECT_TRUE(Near(run.Pixel(41 + 40 * int(i), 41), tints[i].second)) << i;
    }
    EXPECT_EQ(InkOf(run, {0, 0, 200, 50}).Count, 3 * 32 * 32) << "each sprite exactly on its rectangle";
    EXPECT_TRUE(Near(run.Pixel(20, 70) | 0xFF000000, 0xFF808080u, 3)) << "white at half alpha over black";
}

// The status line's way (0x121): left at the rectangle's left edge, centred in its height, one
// line. A line 16 high in a rectangle 24 high is 4 below its top and 4 above its bottom: its ink
// lies 4 lower than at the top (0x111) and 4 higher than at the bottom (0x101).
TEST(Pixels, TextLiesInsideItsRectangleCentredInItsHeight) {
    const uint32_t flags[] = {TextLeft | TextTop | TextNoWrap, TextLeft | TextMiddle | TextNoWrap,
                              TextLeft | TextNoWrap};
    FrameRun run = OnOpenGL();
    run.Draw = [&](platform::Device&) {
        const FontAuto font("Arial", true, 256, nullptr, '?');
        Fonts().Begin();
        Fonts().SetFont(&font, true);
        for (int i = 0; i < 3; ++i)
            Fonts().DrawTextInRect({100.0f + 220 * i, 100, 300.0f + 220 * i, 124}, "Gra w życie: 120 Ąę", 16,
                                   0xFFFFFFFF, flags[i]);
    };
    run.Go();
    ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    std::vector<Ink> inks;
    for (int i = 0; i < 3; ++i) inks.push_back(InkOf(run, {100 + 220 * i, 0, 320 + 220 * i, 600}));
    const Ink& centred = inks[1];
    ASSERT_GT(centred.Count, 300);
    EXPECT_GE(centred.Box.Left, 320);
    EXPECT_LE(centred.Box.Left, 323) << "the first letter starts at the left edge";
    EXPECT_LT(centred.Box.Right, 520);
    EXPECT_GE(centred.Box.Top, 100);
    EXPECT_LE(centred.Box.Bottom, 124);
    EXPECT_EQ(centred.Box.Top - inks[0].Box.Top, 4);
    EXPECT_EQ(inks[2].Box.Top - centred.Box.Top, 4);
    EXPECT_EQ(centred.Count, inks[0].Count) << "the same line, moved";
    bool white = false;
    for (int y = centred.Box.Top; y < centred.Box.Bottom; ++y)
        for (int x = centred.Box.Left; x < centred.Box.Right; ++x) white |= run.Pixel(x, y) == 0xFFFFFFFF;
    EXPECT_TRUE(white) << "glyph cores are fully covered";
}

// A clip rectangle that starts beyond the screen's left and top edges is cut there: what is
// drawn inside it lands where it would without the clip, at one pixel per unit and at
// fractions of one.
TEST(Pixels, AClipStartingBeyondTheScreenCutsOnlyWhatLiesOutsideIt) {
    for (const frame::DisplayMode mode :
         {frame::DisplayMode {800, 600, 0, false}, frame::DisplayMode {1366, 768, 0, false}}) {
        std::vector<uint32_t> clipped, plain;
        for (bool clip : {true, false}) {
            FrameRun run = OnOpenGL();
            run.Mode = mode;
            run.Draw = [clip](platform::Device&) {
                if (clip) frame::PushClipRect({-50, -20, 100, 100});
                Rects().Begin();
                Rects().AddRect({0, 0, 60, 40}, 0xFF00FF00);
                Rects().AddRect({90, 95, 140, 140}, 0xFFFF0000);
                Rects().End();
                if (clip) frame::PopClipRect();
            };
            run.Go();
            ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
            (clip ? clipped : plain) = run.Pixels;
            if (!clip) continue;
            const platform::Rect edge {0, 0, int(100 * mode.ModeWidth / 800.0f + 0.5f),
                                       int(100 * mode.ModeHeight / 600.0f + 0.5f)};
            EXPECT_EQ(InkOf(run).Box, edge) << mode.ModeWidth << ": the red rectangle is cut at the clip";
        }
        const auto width = mode.ModeWidth;
        for (uint32_t y = 0; y < 40 * mode.ModeHeight / 600; ++y)
            for (uint32_t x = 0; x < 60 * width / 800; ++x)
                ASSERT_EQ(clipped[y * width + x], plain[y * width + x]) << mode.ModeWidth << ": " << x << ", " << y;
    }
}

}  // namespace
}  // namespace gfx
