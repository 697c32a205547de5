// The workbench's whole frame inside the framework on the OpenGL device, read back: the black
// bands around the world, the controls with the faces and icons of "buttons.tga", the user
// buttons of the definition only, and the status texts inside their anchor rectangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include <IL/il.h>

#include <filesystem>

#include "CoreTestSupport.h"
#include "capture/WorldArea.h"
#include "app/Application.h"
#include "errors/ErrorTrail.h"
#include "frame/Framework.h"
#include "gfx/FontManager.h"
#include "gfx/LineManager.h"
#include "gfx/RectManager.h"
#include "gfx/SpriteManager.h"
#include "platform/gl/GlDevice.h"

namespace app {
namespace {

constexpr uint32_t Black = 0xFF000000, Blue = 0xFF0000FF;

struct Frame {
    std::vector<uint32_t> Pixels;
    std::vector<std::string> Trail;
    uint32_t At(int x, int y) const { return Pixels[size_t(y) * 800 + size_t(x)]; }
    // The box of the pixels inside `within` that are not `background`.
    struct Box {
        int Left { 1 << 30 }, Top { 1 << 30 }, Right { -1 }, Bottom { -1 }, Count { 0 };
    };
    Box InkIn(int left, int top, int right, int bottom, uint32_t background = Black) const {
        Box box;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (At(x, y) != background)
                    box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                           std::max(box.Bottom, y + 1), box.Count + 1};
        return box;
    }
};

// Runs the workbench on `definition` for `frames` frames and reads the last one back;
// `eachFrame` is told the number of every frame drawn (from 1), before it is read.
Frame RunWorkbench(const std::string& definition, int frames = 3,
                   const std::function<void(Application&, int)>& eachFrame = {}) {
    errors::ClearErrors();
    gui::GUISystem system;
    Application application(core::WriteFile(definition), system);
    EXPECT_FALSE(errors::ErrorRaised());
    application.SetButtonSheetPath(VORLEN_DATA_DIR "/buttons.tga");
    if (application.Renderer()) application.Renderer()->SetArrowPath(VORLEN_DATA_DIR "/arrow.tga");
    frame::ClearRegistry();
    frame::Register(&application);
    frame::Register(&gfx::Lines()), frame::Register(&gfx::Rects()), frame::Register(&gfx::Sprites());
    frame::Register(&gfx::Fonts());
    frame::InputDispatcher dispatcher;
    frame::FrameConfig config = WorkbenchConfig(application, dispatcher);
    Frame frame;
    int drawn = 0;
    config.DrawCallback = [&](platform::Device& device) {
        application.RenderFrame(device);
        if (eachFrame) eachFrame(application, drawn + 1);
        if (++drawn < frames) return;
        uint32_t width = 0, height = 0;
        EXPECT_EQ(platform::ReadBackBuffer(device, frame.Pixels, width, height), platform::D3D_OK);
        frame::RequestClose();
    };
    EXPECT_EQ(frame::Run(config, WindowedMode), 0);
    frame.Trail = errors::ErrorEntries();
    errors::ClearErrors();
    frame::ClearRegistry();
    return frame;
}

const std::string Definition =
    core::Replaced(core::Definition("void OnInit() { Debug(7, 8); }\nvoid OnFrame() {}\n", "Buttons: [2: Dwa]\nZoom: 2", 200, 100),
                   "Background: black", "Background: blue");

TEST(FramePixels, BandsControlsAndStatusTexts) {
    const Frame frame = RunWorkbench(Definition);
    ASSERT_TRUE(frame.Trail.empty()) << testing::PrintToString(frame.Trail);
    ASSERT_EQ(frame.Pixels.size(), 800u * 600u);

    // The bands are black where nothing stands on them; the world's rectangle shows the
    // Background colour around the world.
    for (auto [x, y] : {std::pair {300, 58}, {700, 597}, {36, 300}, {2, 590}, {799, 0}})
        EXPECT_EQ(frame.At(x, y), Black) << x << "," << y;
    for (auto [x, y] : {std::pair {40, 64}, {799, 559}, {45, 300}, {700, 70}})
        EXPECT_EQ(frame.At(x, y), Blue) << x << "," << y;

    // Every fixed control draws in its rectangle; of the user buttons only the labelled one.
    const int buttons[][4] = {{112, 8, 136, 32}, {136, 8, 160, 32}, {160, 8, 184, 32}, {524, 8, 548, 32},
                              {548, 8, 572, 32}, {768, 8, 792, 32}, {8, 568, 32, 592}, {32, 568, 56, 592},
                              {56, 568, 80, 592}, {620, 568, 644, 592}, {8, 72, 32, 96}, {8, 96, 32, 120},
                              {8, 128, 32, 152}, {8, 152, 32, 176}, {8, 232, 32, 256}};
    // (Neighbouring buttons touch: each is looked at inside its own rectangle.)
    for (const auto& [l, t, r, b] : buttons) EXPECT_GT(frame.InkIn(l, t, r, b).Count, 300) << l << "," << t;
    EXPECT_EQ(frame.InkIn(4, 60, 36, 70).Count, 0) << "nothing above the table buttons";
    EXPECT_EQ(frame.InkIn(4, 204, 36, 230).Count, 0) << "user button 1 has no label";
    EXPECT_EQ(frame.InkIn(4, 260, 36, 460).Count, 0) << "nor have 3 to 10";
    for (const auto& [l, t, r, b] : {std::array {192, 8, 412, 32}, {88, 568, 280, 592}, {356, 568, 612, 592}}) {
        const Frame::Box ink = frame.InkIn(l - 2, t - 2, r + 2, b + 2);
        EXPECT_EQ(ink.Left, l);
        EXPECT_EQ(ink.Top, t);
        EXPECT_EQ(ink.Right, r);
        EXPECT_EQ(ink.Bottom, b);
    }

    // The texts start at their anchor's left and are centred between its top and bottom; the
    // status line starts at (8, 40).
    const struct {
        int Left, Top, Right, Bottom;  // where to look
        int AnchorLeft, AnchorTop, AnchorBottom;
    } texts[] = {
        {4, 2, 100, 40, 8, 8, 32},        // FPS
        {414, 2, 520, 40, 420, 8, 32},    // IPS
        {574, 2, 700, 40, 580, 8, 32},    // counter
        {282, 562, 350, 600, 288, 568, 592},  // zoom
    };
    for (const auto& [left, top, right, bottom, anchorLeft, anchorTop, anchorBottom] : texts) {
        const Frame::Box ink = frame.InkIn(left, top, right, bottom);
        EXPECT_GT(ink.Count, 20) << anchorLeft;
        EXPECT_GE(ink.Left, anchorLeft) << anchorLeft;
        EXPECT_LE(ink.Left, anchorLeft + 3) << anchorLeft;
        EXPECT_GE(ink.Top, anchorTop) << anchorLeft;
        EXPECT_LE(ink.Bottom, anchorBottom) << anchorLeft;
        EXPECT_NEAR((ink.Top + ink.Bottom) / 2.0, (anchorTop + anchorBottom) / 2.0, 3.0) << anchorLeft;
    }
    const Frame::Box line = frame.InkIn(2, 36, 100, 62);
    EXPECT_GT(line.Count, 10);
    EXPECT_GE(line.Left, 8);
    EXPECT_GE(line.Top, 40);
    EXPECT_LE(line.Bottom, 58);
}

// F12 saves the world area of a drawn frame as a picture; F9 records the frames to a movie
// while the status line says so, and F9 again finishes it.
TEST(FramePixels, F12SavesTheWorldAreaAndF9RecordsIt) {
    const std::filesystem::path folder = core::TempFolder() / "pictures";
    std::filesystem::create_directories(folder);
    std::vector<std::string> lines;
    bool recording = false;
    const Frame frame = RunWorkbench(Definition, 8, [&](Application& application, int number) {
        application.Capture().SetFolder(folder.string());
        if (number == 1) application.KeyDown(123);                 // F12: the picture of frame 2
        if (number == 3 || number == 7) application.KeyDown(120);  // F9: frames 4 to 7
        const Application::StatusTexts status = application.Status();
        lines.push_back(status.Line);
        if (number == 5) {
            recording = application.Capture().Recording();
            // The status line says so, unless a warning (the driver falling behind) shows first.
            if (status.LineColor == core::StatusInfoColor) {
                EXPECT_EQ(status.Line, application.Capture().RecordingText());
            }
        }
    });
    ASSERT_TRUE(frame.Trail.empty()) << testing::PrintToString(frame.Trail);
    EXPECT_EQ(lines[1].rfind("Obrazek został zapisany: " + folder.string() + "/definition", 0), 0u) << lines[1];
    EXPECT_TRUE(recording);
    EXPECT_EQ(lines[6].rfind("Nagranie zostało zapisane: ", 0), 0u) << lines[6];

    // The picture is the world area of the frame: the world does not change, so the last
    // frame's world area is the same.
    std::string pictureFile, movieFile;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        (entry.path().extension() == ".png" ? pictureFile : movieFile) = entry.path().string();
    ASSERT_NE(pictureFile, "");
    EXPECT_GT(std::filesystem::file_size(movieFile), 0u);
    const capture::Image area = capture::Crop(frame.Pixels, {800, 600}, capture::WorldArea({800, 600}));
    ilInit();
    const ILuint name = ilGenImage();
    ilBindImage(name);
    ASSERT_TRUE(ilLoadImage(pictureFile.c_str()));
    ASSERT_EQ(ilGetInteger(IL_IMAGE_WIDTH), area.Width);
    ASSERT_EQ(ilGetInteger(IL_IMAGE_HEIGHT), area.Height);
    std::vector<uint8_t> rgb(static_cast<size_t>(area.Width) * area.Height * 3);
    ilCopyPixels(0, 0, 0, area.Width, area.Height, 1, IL_RGB, IL_UNSIGNED_BYTE, rgb.data());
    const bool bottomUp = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;
    ilDeleteImage(name);
    int different = 0;
    for (int y = 0; y < area.Height; ++y)
        for (int x = 0; x < area.Width; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(bottomUp ? area.Height - 1 - y : y) * area.Width + x) * 3];
            different += (area.At(x, y) & 0xFFFFFF) != (uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
        }
    EXPECT_EQ(different, 0);
}

}  // namespace
}  // namespace app
