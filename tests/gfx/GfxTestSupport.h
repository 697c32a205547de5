#pragma once
// One frame of frame::Run with the four drawing managers registered, on the recording device
// (SDL's offscreen driver, no OpenGL) or on the OpenGL device, with a test's drawing inside
// the scene.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "errors/ErrorTrail.h"
#include "frame/Framework.h"
#include "gfx/FontManager.h"
#include "gfx/LineManager.h"
#include "gfx/RectManager.h"
#include "gfx/SpriteManager.h"
#include "platform/gl/GlDevice.h"
#include "platform/recording/RecordingDevice.h"

namespace gfx {

using Texts = std::vector<std::string>;

struct FrameRun {
    bool OpenGL { false };
    frame::DisplayMode Mode {800, 600, 0, false};
    std::string FailFromStart;  // a call of the recording device that fails once, from its creation on
    uint32_t FailOccurrence { 1 };
    std::function<void(platform::Device&)> Draw;

    // After the run: the recording device's calls, the OpenGL back buffer (0xAARRGGBB, black
    // where nothing was drawn), and the trail the drawing left followed by the run's own.
    std::shared_ptr<platform::RecordingLog> Log;
    std::vector<uint32_t> Pixels;
    Texts Trail;

    FrameRun& Go() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        errors::ClearErrors();
        frame::ClearRegistry();
        frame::Register(&Lines()), frame::Register(&Rects()), frame::Register(&Sprites()), frame::Register(&Fonts());
        frame::RunSeams seams;
        if (!OpenGL) {
            seams.Device.OpenGLWindow = false;
            seams.Device.CreateDirect3D = [this] {
                auto direct3d = std::make_unique<platform::RecordingDirect3D>();
                if (!FailFromStart.empty()) direct3d->Log().FailCall(FailFromStart, FailOccurrence);
                return direct3d;
            };
        }
        frame::FrameConfig config;
        config.DrawCallback = [this](platform::Device& device) {
            if (auto* recording = dynamic_cast<platform::RecordingDevice*>(&device)) Log = recording->SharedLog();
            device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
            device.BeginScene();
            if (Draw) Draw(device);
            device.EndScene();
            uint32_t width = 0, height = 0;
            if (OpenGL && platform::ReadBackBuffer(device, Pixels, width, height) < 0) ADD_FAILURE() << "no read-back";
            Trail = errors::ErrorEntries();
            errors::ClearErrors();
            frame::RequestClose();
        };
        frame::Run(config, Mode, seams);
        for (const std::string& entry : errors::ErrorEntries()) Trail.push_back(entry);
        errors::ClearErrors();
        frame::ClearRegistry();
        return *this;
    }

    std::vector<const platform::DrawSnapshot*> Draws(const std::string& name = "DrawIndexedPrimitiveUP") const {
        std::vector<const platform::DrawSnapshot*> draws;
        for (const platform::RecordedCall* call : Log->CallsNamed(name))
            if (call->Draw) draws.push_back(call->Draw.get());
        return draws;
    }
    uint32_t Pixel(int x, int y) const { return Pixels[size_t(y) * Mode.ModeWidth + size_t(x)]; }
};

// A trail entry made by the drawing code, as a regular expression; a device check's entry.
inline std::string G(const std::string& message) { return "\\[Gfx,[0-9]+\\] " + message; }
inline const std::string Invalid = G("\\(Device,[0-9]+\\) D3DERR_INVALIDCALL .*");

inline void ExpectTrail(const Texts& entries, const Texts& patterns) {
    std::vector<testing::Matcher<std::string>> matchers;
    for (const std::string& pattern : patterns) matchers.push_back(testing::MatchesRegex(pattern));
    EXPECT_THAT(entries, testing::ElementsAreArray(matchers));
}

}  // namespace gfx
