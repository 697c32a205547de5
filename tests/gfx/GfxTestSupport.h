#pragma once
// One frame of frame::Run with the four drawing managers registered, on the recording device
// (SDL's offscreen driver, no OpenGL) or on the OpenGL device, with a test's drawing inside
// the scene; and the helpers that read what the recording device drew.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

enum class Backend { Recording, OpenGL };

struct FrameRun {
    Backend Device { Backend::Recording };
    frame::DisplayMode Mode {800, 600, 0, false};
    // Calls of the recording device that fail, by name and occurrence, from its creation on.
    std::vector<std::pair<std::string, uint32_t>> Failures;
    std::function<void(platform::Device&)> Draw;  // inside the scene
    platform::D3DCOLOR Background { 0xFF000000 };

    // After the run: the recording device's calls, the OpenGL back buffer, the trail as the
    // drawing left it (the trail is emptied after it so that the run ends normally) followed
    // by what the run itself left.
    std::shared_ptr<platform::RecordingLog> Log;
    std::vector<uint32_t> Pixels;
    Texts Trail;
    int Code { 0 };

    FrameRun& Go() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        errors::ClearErrors();
        frame::ClearRegistry();
        frame::Register(&gfx::Lines());
        frame::Register(&gfx::Rects());
        frame::Register(&gfx::Sprites());
        frame::Register(&gfx::Fonts());
        frame::RunSeams seams;
        if (Device == Backend::Recording)
            seams.Device = {[this] {
                                auto direct3d = std::make_unique<platform::RecordingDirect3D>();
                                for (const auto& [name, occurrence] : Failures)
                                    direct3d->Log().FailCall(name, occurrence);
                                return direct3d;
                            },
                            false};
        frame::FrameConfig config;
        config.DrawCallback = [this](platform::Device& device) {
            if (auto* recording = dynamic_cast<platform::RecordingDevice*>(&device)) Log = recording->SharedLog();
            device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, Background, 1.0f, 0);
            device.BeginScene();
            if (Draw) Draw(device);
            device.EndScene();
            if (Device == Backend::OpenGL) {
                uint32_t width = 0, height = 0;
                EXPECT_EQ(platform::ReadBackBuffer(device, Pixels, width, height), platform::D3D_OK);
            }
            Trail = errors::ErrorEntries();
            errors::ClearErrors();
            frame::RequestClose();
        };
        Code = frame::Run(config, Mode, seams);
        for (const std::string& entry : errors::ErrorEntries()) Trail.push_back(entry);
        errors::ClearErrors();
        frame::ClearRegistry();
        return *this;
    }

    // The draws of the recording device, in order.
    std::vector<const platform::DrawSnapshot*> Draws(const std::string& name = "DrawIndexedPrimitiveUP") const {
        std::vector<const platform::DrawSnapshot*> draws;
        for (const platform::RecordedCall* call : Log->CallsNamed(name))
            if (call->Draw) draws.push_back(call->Draw.get());
        return draws;
    }
    uint32_t Pixel(int x, int y) const { return Pixels[size_t(y) * Mode.ModeWidth + size_t(x)]; }
};

// A trail entry made by the drawing code, as a regular expression.
inline std::string G(const std::string& message) { return "\\[Gfx,[0-9]+\\] " + message; }
// A device library check's entry made by the drawing code.
inline std::string DeviceEntry(const std::string& name) { return G("\\(Device,[0-9]+\\) " + name + " .*"); }

inline void ExpectTrail(const Texts& entries, const Texts& patterns) {
    std::vector<testing::Matcher<std::string>> matchers;
    for (const std::string& pattern : patterns) matchers.push_back(testing::MatchesRegex(pattern));
    EXPECT_THAT(entries, testing::ElementsAreArray(matchers));
}

}  // namespace gfx
