// What the drawing managers put on the screen, read back from the OpenGL device.

#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "gfx/Font.h"
#include "gfx/Sprite.h"

namespace gfx {
namespace {

// The smallest rectangle holding every pixel inside `within` that is not black, and their count.
std::pair<platform::Rect, int> InkOf(const FrameRun& run, platform::Rect within = {0, 0, 800, 600}) {
    platform::Rect box {1 << 30, 1 << 30, -1, -1};
    int count = 0;
    for (int y = within.Top; y < within.Bottom; ++y)
        for (int x = within.Left; x < within.Right; ++x)
            if (run.Pixel(x, y) != 0xFF000000)
                ++count, box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                                std::max(box.Bottom, y + 1)};
    return {box, count};
}

// A filled rectangle, an outline, and sprites whose colour modulates their texture twice over:
// mid-grey shows the texture as it is, white doubles it, a quarter grey halves it.
TEST(Pixels, RectanglesOutlinesAndSprites) {
    FrameRun run;
    run.OpenGL = true;
    run.Draw = [](platform::Device& device) {
        Rects().Begin(), Rects().AddRect({10, 20, 30, 25}, 0xFF00FF00), Rects().End();
        Lines().Begin(), Lines().AddRectOutline({10, 40, 20, 50}, 0xFFFFFFFF), Lines().End();
        std::unique_ptr<platform::Texture> texture;
        device.CreateTexture(4, 4, 1, 0, platform::D3DFMT_A8R8G8B8, platform::D3DPOOL_MANAGED, texture);
        platform::LockedRect locked;
        texture->LockRect(0, locked, nullptr, 0);
        std::fill_n(static_cast<uint32_t*>(locked.Bits), 16, 0xFF604020u);
        texture->UnlockRect(0);
        const Sprite2 sprite(texture.get(), 4, 4, 1);
        Sprites().Begin(), Sprites().SetSprite(&sprite, false, false);
        for (uint32_t i = 0; i < 3; ++i)
            Sprites().AddSprite(0, {100.0f + 40 * i, 10, 132.0f + 40 * i, 42}, 0xFF000000 | 0x808080u >> i);
        Sprites().End();
    };
    run.Go();
    ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    EXPECT_EQ(InkOf(run, {0, 0, 50, 30}), std::make_pair(platform::Rect {10, 20, 30, 25}, 100));
    EXPECT_EQ(run.Pixel(29, 24), 0xFF00FF00u);
    EXPECT_EQ(InkOf(run, {0, 30, 50, 60}), std::make_pair(platform::Rect {10, 40, 20, 50}, 36)) << "a ring, every pixel once";
    const uint32_t expected[] = {0xFF604020, 0xFF302010, 0xFF181008};  // tints 0x80, 0x40 and 0x20
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(InkOf(run, {95 + 40 * i, 0, 135 + 40 * i, 50}).second, 32 * 32) << i;
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(int(run.Pixel(100 + 40 * i, 10) >> shift & 0xFF), int(expected[i] >> shift & 0xFF), 2) << i;
    }
}

// The status line's way (0x121): at the left edge, centred in the height, one line. A line 16
// high in a rectangle 24 high is 4 below its top: its ink 4 lower than at the top (0x111) and
// 4 higher than at the bottom (0x101). Grey text is grey where the glyphs are solid, and the
// glyphs' clear texels leave most of the box untouched.
TEST(Pixels, TextLiesInsideItsRectangleCentredInItsHeight) {
    const uint32_t flags[] = {TextLeft | TextTop | TextNoWrap, 0x121, TextLeft | TextNoWrap};
    FrameRun run;
    run.OpenGL = true;
    run.Draw = [&](platform::Device&) {
        const FontAuto font("Arial", true, 256, nullptr, '?');
        Fonts().Begin(), Fonts().SetFont(&font, true);
        for (int i = 0; i < 3; ++i)
            Fonts().DrawTextInRect({100.0f + 220 * i, 100, 300.0f + 220 * i, 124}, "Gra w życie: 120 Ąę", 16, 0xFF808080,
                                   flags[i]);
    };
    run.Go();
    ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    const auto [top, inTop] = InkOf(run, {100, 0, 320, 600});
    const auto [middle, inMiddle] = InkOf(run, {320, 0, 540, 600});
    const auto [bottom, inBottom] = InkOf(run, {540, 0, 760, 600});
    EXPECT_GT(inMiddle, 300);
    EXPECT_TRUE(middle.Left >= 320 && middle.Left <= 323 && middle.Right < 520) << "from the left edge";
    EXPECT_TRUE(middle.Top >= 100 && middle.Bottom <= 124);
    EXPECT_EQ(middle.Top - top.Top, 4);
    EXPECT_EQ(bottom.Top - middle.Top, 4);
    EXPECT_EQ(inTop, inMiddle) << "the same line, moved";
    EXPECT_LT(inMiddle, (middle.Right - middle.Left) * (middle.Bottom - middle.Top) / 2);
    uint32_t brightest = 0;
    for (int x = middle.Left; x < middle.Right; ++x) brightest = std::max(brightest, run.Pixel(x, (middle.Top + middle.Bottom) / 2) & 0xFF);
    EXPECT_NEAR(int(brightest), 0x80, 2);
}

}  // namespace
}  // namespace gfx
