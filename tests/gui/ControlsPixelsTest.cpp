// The controls as they appear on the screen, read back from the OpenGL device: a button's face
// and icon with their tints and the pushed-in look, a track bar's three ranges, its outline and
// its thumb.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "GfxTestSupport.h"
#include "gui/Controls.h"
#include "gui/GUISystem.h"

namespace gui {
namespace {

using gfx::FrameRun;

// A button sheet of solid frames: the face (frame 0) 0x808080, icon 1 0x800000 (dark red),
// every other frame 0x000080.
std::unique_ptr<platform::Texture> MakeSheet(platform::Device& device) {
    std::unique_ptr<platform::Texture> texture;
    EXPECT_EQ(device.CreateTexture(128, 128, 1, 0, platform::D3DFMT_A8R8G8B8, platform::D3DPOOL_MANAGED, texture),
              platform::D3D_OK);
    platform::LockedRect locked;
    texture->LockRect(0, locked, nullptr, 0);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const int frame = y / 32 * 4 + x / 32;
            static_cast<uint32_t*>(locked.Bits)[y * locked.Pitch / 4 + x] =
                frame == 0 ? 0xFF808080 : frame == 1 ? 0xFF800000 : 0xFF000080;
        }
    texture->UnlockRect(0);
    return texture;
}

// Channels within `tolerance` of each other (rounding of 8-bit products).
bool Near(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = int(actual >> shift & 0xFF), e = int(expected >> shift & 0xFF);
        if (a - e > tolerance || e - a > tolerance) return false;
    }
    return true;
}

// The extent of the pixels of one colour (within a tolerance) inside a window of the screen.
platform::Rect ExtentOf(const FrameRun& run, uint32_t color, platform::Rect within) {
    platform::Rect box {1 << 30, 1 << 30, -1, -1};
    for (int y = within.Top; y < within.Bottom; ++y)
        for (int x = within.Left; x < within.Right; ++x)
            if (Near(run.Pixel(x, y), color, 2))
                box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
    return box;
}

// Draws the window tree of `system` in one frame on the OpenGL device, the buttons from a
// sheet of solid frames.
FrameRun DrawTree(GUISystem& system, ButtonSheet& sheet) {
    FrameRun run;
    run.OpenGL = true;
    run.Draw = [&](platform::Device& device) {
        std::unique_ptr<platform::Texture> texture = MakeSheet(device);
        const gfx::Sprite2 sprite(texture.get(), 32, 32, 4);
        sheet.Sprite = &sprite;
        system.DrawAll();
        sheet.Sprite = nullptr;
    };
    run.Go();
    return run;
}

// Tint 0x7F (0x68 down or pressed, 0x50 disabled) modulates the sheet twice over; the face
// covers the button, the icon the button less 4 units a side, both 1 unit less a side when the
// button is pushed in.
TEST(ControlPixels, ButtonsShowFaceAndIconTintedAndPushedIn) {
    GUISystem system;
    ButtonSheet sheet;
    Window root {system, {0, 0, 800, 600}};
    G_Button normal {root, {100, 100, 124, 124}, nullptr, sheet, 1};
    G_Button down {root, {200, 100, 224, 124}, nullptr, sheet, 1};
    G_Button pressed {root, {300, 100, 324, 124}, nullptr, sheet, 1};
    G_Button disabled {root, {400, 100, 424, 124}, nullptr, sheet, 1};
    G_Button plain {root, {500, 100, 524, 124}, nullptr, sheet, NoIcon};
    down.SetDown(true);
    system.MouseButton(Point {310, 110}, ButtonId::Left, ButtonAction::Down);
    system.SetEnabled(disabled, false);
    const FrameRun run = DrawTree(system, sheet);
    ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);

    auto scaled = [](uint32_t texel, uint32_t tint) {
        uint32_t color = 0xFF000000;
        for (int shift = 0; shift < 24; shift += 8)
            color |= std::min(255u, ((texel >> shift & 0xFF) * tint * 2 + 127) / 255) << shift;
        return color;
    };
    const struct {
        int Left;
        uint32_t Tint;
        int In;  // the push
    } cases[] = {{100, 0x7F, 0}, {200, 0x68, 1}, {300, 0x68, 1}, {400, 0x50, 0}};
    for (const auto& [left, tint, in] : cases) {
        const platform::Rect within {left - 4, 96, left + 28, 128};
        const platform::Rect face = ExtentOf(run, scaled(0xFF808080, tint), within);
        const platform::Rect icon = ExtentOf(run, scaled(0xFF800000, tint), within);
        // The sheet is filtered linearly: the first column and row may blend with the frame
        // beside it, the others are the frame's own colour.
        auto expect = [&](const platform::Rect& box, const platform::Rect& drawn, const char* what) {
            EXPECT_GE(box.Left, drawn.Left) << what << " " << left;
            EXPECT_LE(box.Left, drawn.Left + 1) << what << " " << left;
            EXPECT_GE(box.Top, drawn.Top) << what << " " << left;
            EXPECT_LE(box.Top, drawn.Top + 1) << what << " " << left;
            EXPECT_EQ(box.Right, drawn.Right) << what << " " << left;
            EXPECT_EQ(box.Bottom, drawn.Bottom) << what << " " << left;
        };
        expect(face, {left + in, 100 + in, left + 24 - in, 124 - in}, "face");
        expect(icon, {left + 4 + in, 104 + in, left + 20 - in, 120 - in}, "icon");
        EXPECT_EQ(run.Pixel(left - 1, 110), 0xFF000000u) << left;
    }
    EXPECT_TRUE(Near(run.Pixel(512, 112), scaled(0xFF808080, 0x7F), 2)) << "no icon: the face only";
}

// A bar of 200 units of span with its marks at 0.25 and 0.75: green, olive and red ranges up to
// one unit short of the right and bottom edges, a white outline on the edge pixels, and the
// thumb's outline 2 units in from the left edge at position 0.
TEST(ControlPixels, TrackBarRangesOutlineAndThumb) {
    GUISystem system;
    ButtonSheet sheet;
    Window root {system, {0, 0, 800, 600}};
    G_TrackBar bar {root, {100, 100, 301, 124}, nullptr};
    G_TrackBar full {root, {100, 200, 301, 224}, nullptr};
    bar.SetMark1(0.25f), bar.SetMark2(0.75f);
    full.SetPosition(1.0f);
    const FrameRun run = DrawTree(system, sheet);
    ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);

    const platform::Rect within {96, 96, 310, 130};
    const platform::Rect green = ExtentOf(run, 0xFF009000, within), olive = ExtentOf(run, 0xFF909000, within),
                         red = ExtentOf(run, 0xFF900000, within);
    EXPECT_EQ(green.Right, 150);
    EXPECT_EQ(olive.Left, 150);
    EXPECT_EQ(olive.Right, 250);
    EXPECT_EQ(red.Left, 250);
    EXPECT_EQ(red.Right, 300);
    EXPECT_EQ(red.Bottom, 123);
    for (int x : {100, 180, 300}) EXPECT_EQ(run.Pixel(x, 100), 0xFFFFFFFFu) << x;
    for (int y : {100, 110, 123}) EXPECT_EQ(run.Pixel(300, y), 0xFFFFFFFFu) << y;
    EXPECT_EQ(run.Pixel(200, 123), 0xFFFFFFFFu);
    // The thumb at position 0: its outline from (102, 102) to (109, 121).
    for (int y : {102, 112, 121}) {
        EXPECT_EQ(run.Pixel(102, y), 0xFFFFFFFFu) << y;
        EXPECT_EQ(run.Pixel(109, y), 0xFFFFFFFFu) << y;
        EXPECT_EQ(run.Pixel(101, y), 0xFF009000u) << y;
        EXPECT_EQ(run.Pixel(110, y), 0xFF009000u) << y;
    }
    EXPECT_EQ(run.Pixel(105, 112), 0xFF009000u) << "the thumb is an outline";
    // Marks at 1 (their start): all green; the thumb at position 1 ends 2 units short of the right edge.
    EXPECT_EQ(ExtentOf(run, 0xFF009000, {96, 196, 310, 230}).Right, 300);
    EXPECT_EQ(run.Pixel(100 + 189 + 2, 210), 0xFFFFFFFFu);
    EXPECT_EQ(run.Pixel(100 + 189 + 9, 210), 0xFFFFFFFFu);
    EXPECT_EQ(run.Pixel(100 + 189 + 10, 210), 0xFF009000u);
}

}  // namespace
}  // namespace gui
