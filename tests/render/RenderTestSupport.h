#pragma once
// Worlds, view settings, a canvas without the framework and an arrow picture, for the tests of
// the views and DrawWorld on the recording and the OpenGL device.

#include <IL/il.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/NumericCasts.h"
#include "core/Generations.h"
#include "errors/ErrorTrail.h"
#include "render/Canvas.h"
#include "view/ViewSettings.h"

namespace render::test {

constexpr uint32_t Black = 0xFF000000;

// A canvas on a device of its own choosing: the clip rectangle becomes the viewport, rounded
// as the framework rounds it. It notes every push and pop and can be told to fail a push.
class TestCanvas final : public Canvas {
public:
    TestCanvas(platform::Device& device, cells::ModeSize mode) : m_device(device), m_mode(mode) {}

    platform::Device& Device() override { return m_device; }
    cells::ModeSize Mode() const override { return m_mode; }
    void PushClipRect(const cells::VirtualRect& rect) override {
        Journal += "push ";
        if (FailPush) {
            errors::RaiseError("obcinanie zepsute");
            return;
        }
        cells::VirtualRect pixels = cells::RectToPixels(rect, m_mode);
        auto round = [](float value) { return static_cast<uint32_t>(base::TruncateToInt32(value + 0.5f)); };
        m_device.SetViewport({round(pixels.Left), round(pixels.Top), round(pixels.Right - pixels.Left),
                              round(pixels.Bottom - pixels.Top), -999.0f, 999.0f});
    }
    void PopClipRect() override {
        Journal += "pop ";
        m_device.SetViewport({0, 0, static_cast<uint32_t>(m_mode.Width), static_cast<uint32_t>(m_mode.Height), -999.0f, 999.0f});
    }

    std::string Journal;
    bool FailPush { false };

private:
    platform::Device& m_device;
    cells::ModeSize m_mode;
};

// A world of zero cells in `buffers` generations.
inline core::Generations MakeWorld(int width, int height, int buffers = 2) {
    core::Generations world;
    EXPECT_TRUE(world.Allocate(buffers, width, height));
    return world;
}

// Colour mappings and views as the header would give them.
inline view::ColorSpec RgbOf(int field = 0) {
    view::ColorSpec spec;
    spec.Mode = view::ColorMode::Rgb;
    spec.Field = field;
    return spec;
}
inline view::ViewSettings ViewOf(view::ViewKind kind, const view::ColorSpec& colours = RgbOf()) {
    view::ViewSettings settings;
    settings.Kind = kind;
    settings.Color = colours;
    settings.Vector.Color = colours;
    return settings;
}
inline view::VectorComponent Component(view::ComponentKind kind, int field = 0, float minimum = 0, float maximum = 0) {
    view::VectorComponent component;
    component.Kind = kind;
    component.Field = field;
    component.FloatMinimum = minimum;
    component.FloatMaximum = maximum;
    return component;
}

// The messages of the trail, oldest first, without their positions.
inline std::vector<std::string> TrailMessages() {
    std::vector<std::string> messages;
    for (const std::string& entry : errors::ErrorEntries()) {
        size_t end = entry.rfind("] ");
        messages.push_back(entry.front() == '[' && end != std::string::npos ? entry.substr(end + 2) : entry);
    }
    return messages;
}

// An arrow pointing right on a transparent square: a 32 x 32 picture whose alpha is 255 on the
// right half and 0 on the left half, so that what is drawn of an arrow lies on the side it
// points to. Written as an uncompressed 32-bit TGA, top row first.
// The device reads pictures through the image library, which its owner starts.
inline void StartImageLibrary() { [[maybe_unused]] static const bool started = (ilInit(), true); }

inline std::string WriteArrowPicture(const std::string& name) {
    StartImageLibrary();
    std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr);
    if (!file) return {};
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 32, 0, 32, 0x28};
    std::fwrite(header, 1, sizeof header, file);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const uint8_t pixel[4] = {255, 255, 255, static_cast<uint8_t>(x >= 16 ? 255 : 0)};  // B, G, R, A
            std::fwrite(pixel, 1, sizeof pixel, file);
        }
    std::fclose(file);
    return path.string();
}

}  // namespace render::test
