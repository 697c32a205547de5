// What the on-screen controls and the status texts cost a frame, on the OpenGL device: the
// black bands, 27 controls (24 buttons as sprites, 3 track bars as rectangles and outlines,
// each control drawing its own batches as the controls do), five status texts and the status
// line.
//   GuiFrame/0/0 - over the cleared screen, the same texts every frame: all from the cache;
//   GuiFrame/1/0 - the iteration counter changes every frame: one text is laid out anew each
//                  frame, and the cache fills up and starts over;
//   GuiFrame/0/1 - over a world drawn first (a quad over the whole screen, as the views draw).
// Frames take turns in one run, with and without the drawing. Each frame ends by reading the
// back buffer back, which waits for the device (llvmpipe) to finish, so the rasteriser's work
// counts in its own frame. Reported, as medians over the frames of each kind:
//   gui_frame_ms, empty_frame_ms - a frame with and without the drawing, clear to read-back;
//   gui_cost_ms                  - their difference: what the drawing costs a frame;
//   calls_ms                     - the time spent inside the managers' calls, and each
//   lines_%, rects_%, sprites_%, fonts_% - manager's share of it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "errors/ErrorTrail.h"
#include "frame/Framework.h"
#include "gfx/Font.h"
#include "gfx/FontManager.h"
#include "gfx/LineManager.h"
#include "gfx/RectManager.h"
#include "gfx/Sprite.h"
#include "gfx/SpriteManager.h"
#include "platform/gl/GlDevice.h"

namespace gfx {
namespace {

using Clock = std::chrono::steady_clock;
using cells::VirtualRect;

enum Part { LinesPart, RectsPart, SpritesPart, FontsPart, PartCount };
using PartTimes = std::array<double, PartCount>;  // milliseconds

// Adds the time from its making to its end to one part's total.
class Timer {
public:
    Timer(PartTimes& times, Part part) : m_total(times[part]), m_start(Clock::now()) {}
    ~Timer() { m_total += std::chrono::duration<double, std::milli>(Clock::now() - m_start).count(); }

private:
    double& m_total;
    Clock::time_point m_start;
};

// The button sheet and the status font, as the application holds them.
class Resources : public frame::FrameObject {
public:
    std::unique_ptr<platform::Texture> Sheet;
    std::unique_ptr<Sprite2> Buttons;
    std::unique_ptr<FontAuto> Status;

    void CreateDeviceObjects() override {
        platform::Device& device = *frame::GetDevice();
        if (device.CreateTexture(128, 128, 1, 0, platform::D3DFMT_A8R8G8B8, platform::D3DPOOL_MANAGED, Sheet) < 0)
            return errors::RaiseError("no button sheet");
        platform::LockedRect locked;
        Sheet->LockRect(0, locked, nullptr, 0);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                static_cast<uint32_t*>(locked.Bits)[y * locked.Pitch / 4 + x] = (x + y) % 7 ? 0xFFB0B0B0 : 0x80303030;
        Sheet->UnlockRect(0);
        Buttons = std::make_unique<Sprite2>(Sheet.get(), 32, 32, 4);
        Status = std::make_unique<FontAuto>("Arial", true, 256, nullptr, '?');
    }
    void ReleaseDeviceObjects() override {
        Status.reset();
        Buttons.reset();
        Sheet.reset();
    }
};

// The workbench's controls: buttons (rectangle, icon) and track bars, where they stand.
struct Button {
    VirtualRect Rect;
    uint32_t Icon;
};
constexpr float T = 64, B = 560;
const std::array<Button, 24> Buttons = [] {
    std::array<Button, 24> buttons {{
        {{112, 8, 136, 32}, 3},        {{136, 8, 160, 32}, 5},       {{160, 8, 184, 32}, 4},
        {{524, 8, 548, 32}, 1},        {{548, 8, 572, 32}, 2},       {{768, 8, 792, 32}, 10},
        {{8, B + 8, 32, B + 32}, 6},   {{32, B + 8, 56, B + 32}, 7}, {{56, B + 8, 80, B + 32}, 8},
        {{620, B + 8, 644, B + 32}, 9}, {{8, T + 8, 32, T + 32}, 12}, {{8, T + 32, 32, T + 56}, 11},
        {{8, T + 64, 32, T + 88}, 12}, {{8, T + 88, 32, T + 112}, 11},
    }};
    for (int k = 0; k < 10; ++k) buttons[14 + k] = {{8, T + 144 + 24.0f * k, 32, T + 168 + 24.0f * k}, 16};
    return buttons;
}();
const std::array<VirtualRect, 3> TrackBars {{{192, 8, 412, 32}, {88, B + 8, 280, B + 32}, {356, B + 8, 612, B + 32}}};

void DrawButton(const Button& button, const Sprite& sprite, bool pushed, PartTimes& times) {
    Timer timer(times, SpritesPart);
    const float in = pushed ? 1.0f : 0.0f;
    const VirtualRect& r = button.Rect;
    const platform::D3DCOLOR tint = pushed ? 0xFF686868 : 0xFF7F7F7F;
    Sprites().Begin();
    Sprites().SetSprite(&sprite, true, false);
    Sprites().AddSprite(0, {r.Left + in, r.Top + in, r.Right - in, r.Bottom - in}, tint);
    if (button.Icon != 16)
        Sprites().AddSprite(button.Icon, {r.Left + 4 + in, r.Top + 4 + in, r.Right - 4 - in, r.Bottom - 4 - in}, tint);
    Sprites().End();
}

void DrawTrackBar(const VirtualRect& r, float position, PartTimes& times) {
    const float right = r.Right - 1, bottom = r.Bottom - 1, span = right - r.Left;
    const float m1 = r.Left + span * 0.6f, m2 = r.Left + span * 0.8f;
    {
        Timer timer(times, RectsPart);
        Rects().Begin();
        Rects().AddRect({r.Left, r.Top, m1, bottom}, 0xFF009000);
        Rects().AddRect({m1, r.Top, m2, bottom}, 0xFF909000);
        Rects().AddRect({m2, r.Top, right, bottom}, 0xFF900000);
        Rects().End();
    }
    Timer timer(times, LinesPart);
    const float p = r.Left + (r.Right - r.Left - 12) * position;
    Lines().Begin();
    Lines().AddRectOutline(r, 0xFFFFFFFF);
    Lines().AddRectOutline({p + 2, r.Top + 2, p + 10, r.Bottom - 2}, 0xFFFFFFFF);
    Lines().End();
}

void DrawGui(const Resources& resources, int frame, bool counting, PartTimes& times) {
    {
        Timer timer(times, RectsPart);
        Rects().Begin();
        for (const VirtualRect& band :
             {VirtualRect {0, 0, 800, 64}, VirtualRect {0, 560, 800, 600}, VirtualRect {0, 64, 40, 560}})
            Rects().AddRect(band, 0xFF000000);
        Rects().End();
    }
    {
        Timer timer(times, FontsPart);
        char counter[32];
        std::snprintf(counter, sizeof counter, "Iteracja: %d", counting ? 120000 + frame : 120000);
        Fonts().Begin();
        Fonts().SetFont(resources.Status.get(), true);
        Fonts().DrawTextAt({420, 10}, "FPS: 60.0", 16, 0xFFFFFFFF);
        Fonts().DrawTextAt({420, 26}, "IPS: 15.0", 16, 0xFFFFFFFF);
        Fonts().DrawTextAt({580, 10}, counter, 16, 0xFFFFFFFF);
        Fonts().DrawTextAt({290, B + 10}, "Zoom: 1.00", 16, 0xFFFFFFFF);
        Fonts().DrawTextAt({660, B + 10}, "800 x 600", 16, 0xFFFFFFFF);
        Fonts().DrawTextInRect({8, 36, 792, 60}, "Wczytano tabelę: gra w życie.vls", 16, 0xFF00FF00,
                               TextLeft | TextMiddle | TextNoWrap);
    }
    for (size_t i = 0; i < Buttons.size(); ++i) DrawButton(Buttons[i], *resources.Buttons, i == 2, times);
    for (size_t i = 0; i < TrackBars.size(); ++i) DrawTrackBar(TrackBars[i], 0.3f * float(i), times);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

void GuiFrame(benchmark::State& state) {
    const bool counting = state.range(0) != 0, world = state.range(1) != 0;
    constexpr int Frames = 800, Warming = 40;
    std::vector<double> withGui, withoutGui, calls;
    std::array<std::vector<double>, PartCount> parts;
    for (auto _ : state) {
        errors::ClearErrors();
        frame::ClearRegistry();
        Resources resources;
        frame::Register(&resources);
        frame::Register(&Lines());
        frame::Register(&Rects());
        frame::Register(&Sprites());
        frame::Register(&Fonts());
        int drawn = 0;
        std::vector<uint32_t> pixels;
        frame::FrameConfig config;
        config.Title = "gfx_bench";
        config.DrawCallback = [&](platform::Device& device) {
            const bool gui = drawn % 2 == 0;
            PartTimes times {};
            const Clock::time_point start = Clock::now();
            device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0);
            device.BeginScene();
            if (world) {
                Rects().Begin();
                Rects().AddRect({0, 0, 800, 600}, 0xFF305070);
                Rects().End();
            }
            if (gui) DrawGui(resources, drawn, counting, times);
            device.EndScene();
            uint32_t width = 0, height = 0;
            platform::ReadBackBuffer(device, pixels, width, height);
            const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (drawn >= Warming) {  // the first frames warm the driver and the text cache up
                (gui ? withGui : withoutGui).push_back(elapsed);
                if (gui) {
                    calls.push_back(times[0] + times[1] + times[2] + times[3]);
                    for (int part = 0; part < PartCount; ++part) parts[part].push_back(times[part]);
                }
            }
            if (++drawn == Frames) frame::RequestClose();
        };
        const int code = frame::Run(config, {800, 600, 100, false});
        if (code != 0 || errors::ErrorRaised() || drawn != Frames) {
            state.SkipWithError("the run failed");
            break;
        }
    }
    const double gui = Median(withGui), inCalls = Median(calls);
    state.counters["gui_frame_ms"] = gui;
    state.counters["empty_frame_ms"] = Median(withoutGui);
    state.counters["gui_cost_ms"] = gui - Median(withoutGui);
    state.counters["calls_ms"] = inCalls;
    const char* names[PartCount] = {"lines_%", "rects_%", "sprites_%", "fonts_%"};
    for (int part = 0; part < PartCount; ++part)
        state.counters[names[part]] = inCalls > 0 ? 100 * Median(parts[part]) / inCalls : 0;
}

BENCHMARK(GuiFrame)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace gfx

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
