// frame::Run with the OpenGL device in an offscreen SDL window: frames reach the back buffer,
// and a resized window gets a back buffer of its new size.
#include <gtest/gtest.h>

#include <SDL.h>
#include <vector>

#include "errors/ErrorTrail.h"
#include "frame/Framework.h"
#include "platform/gl/GlDevice.h"

namespace {

struct BackBuffer {
    uint32_t Width { 0 }, Height { 0 };
    std::vector<uint32_t> Pixels;
    bool Uniform(uint32_t colour) const {
        for (uint32_t pixel : Pixels)
            if (pixel != colour) return false;
        return !Pixels.empty();
    }
};

TEST(FrameworkOnOpenGL, FramesAreDrawnAndAResizedWindowGetsItsBackBuffer) {
    ClearErrors();
    frame::ClearRegistry();
    frame::SetDeviceBackend({});
    int frames = 0;
    BackBuffer before, after;
    frame::FrameConfig config;
    config.Title = "Test";
    config.DrawCallback = [&] {
        ++frames;
        platform::Device* device = frame::GetDevice();
        uint32_t colour = frames < 4 ? 0xFF336699u : 0xFF00FF00u;
        device->Clear(0, nullptr, platform::D3DCLEAR_TARGET, colour, 1.0f, 0);
        device->BeginScene();
        device->EndScene();
        if (frames == 3) platform::ReadBackBuffer(*device, before.Pixels, before.Width, before.Height);
        if (frames == 3) SDL_SetWindowSize(frame::GetWindow(), 1000, 700);
        if (frames == 6) {
            platform::ReadBackBuffer(*device, after.Pixels, after.Width, after.Height);
            frame::RequestClose();
        }
    };
    EXPECT_EQ(frame::Run(config, {800, 600, 100, false}), 0);
    EXPECT_FALSE(ErrorRaised()) << testing::PrintToString(ErrorEntries());
    EXPECT_EQ(before.Width, 800u);
    EXPECT_EQ(before.Height, 600u);
    EXPECT_TRUE(before.Uniform(0xFF336699u));
    EXPECT_EQ(after.Width, 1000u);
    EXPECT_EQ(after.Height, 700u);
    EXPECT_TRUE(after.Uniform(0xFF00FF00u));
}

}  // namespace

namespace {

TEST(FrameworkOnOpenGL, FullScreenInAnOfferedModeAndBackKeepsDrawing) {
    ClearErrors();
    frame::ClearRegistry();
    frame::SetDeviceBackend({});
    int frames = 0;
    frame::DisplayMode chosen;
    BackBuffer inFullScreen, back;
    frame::FrameConfig config;
    config.Title = "Test";
    config.DrawCallback = [&] {
        ++frames;
        platform::Device* device = frame::GetDevice();
        device->Clear(0, nullptr, platform::D3DCLEAR_TARGET, 0xFF102030u, 1.0f, 0);
        if (frames == 2) {
            // The offscreen driver may offer no modes; the device then takes the size asked for.
            frame::BeginModeEnumeration();
            if (!frame::NextDisplayMode(chosen)) chosen = {1024, 768, 60, true};
            frame::ChangeDisplayMode(chosen);
        } else if (frames == 4) {
            platform::ReadBackBuffer(*device, inFullScreen.Pixels, inFullScreen.Width, inFullScreen.Height);
            frame::ChangeDisplayMode({800, 600, 100, false});
        } else if (frames == 6) {
            platform::ReadBackBuffer(*device, back.Pixels, back.Width, back.Height);
            frame::RequestClose();
        }
    };
    EXPECT_EQ(frame::Run(config, {800, 600, 100, false}), 0);
    EXPECT_FALSE(ErrorRaised()) << testing::PrintToString(ErrorEntries());
    EXPECT_EQ(inFullScreen.Width, chosen.ModeWidth);
    EXPECT_EQ(inFullScreen.Height, chosen.ModeHeight);
    EXPECT_TRUE(inFullScreen.Uniform(0xFF102030u));
    EXPECT_EQ(back.Width, 800u);
    EXPECT_EQ(back.Height, 600u);
    EXPECT_TRUE(back.Uniform(0xFF102030u));
}

}  // namespace
