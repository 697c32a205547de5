// Frames of a 1000 x 1000 world in each view on the OpenGL device: clear, DrawWorld, present.
// Reports frames per second, the milliseconds of DrawWorld itself (colour mapping, buffer
// filling and the device calls; the rasteriser may finish its work later, inside the frame),
// and the processor time of a frame over all threads (the rasteriser's included): on a machine
// shared with other work the frame rate drops, the processor time much less.
//
//   Texture   - "texture b1 [false: black, true: lime]" over a random world (as Life);
//   Cells     - "cells u1 [RGB]" with every cell a colour other than the background;
//   Vectors   - "vectors [white r: f1 [0 .. 1] alfa: f2 [0 .. 1]]" with random lengths and angles;
//   Complex   - b1 chooses, at random: squares as Cells, arrows as Vectors.
// The back buffer is 800 x 600 (the workbench's window), where the view rectangle shows a part
// of the 2-pixel grid of the cells views; CellsAllVisible draws on a back buffer large enough
// for the whole grid of 2000 x 2000 pixels to lie inside it. Each benchmark runs five times
// after one frame that is not measured; the medians are printed last.

#include <IL/il.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include "errors/ErrorTrail.h"
#include "platform/gl/GlDevice.h"
#include "render/Canvas.h"
#include "render/WorldRenderer.h"

namespace render {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int Size = 1000;

// Processor seconds of the process, every thread counted.
double ProcessSeconds() {
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The canvas of a device without the framework: the clip rectangle is the viewport.
class BenchCanvas final : public Canvas {
public:
    BenchCanvas(platform::Device& device, cells::ModeSize mode) : m_device(device), m_mode(mode) {}
    platform::Device& Device() override { return m_device; }
    cells::ModeSize Mode() const override { return m_mode; }
    void PushClipRect(const cells::VirtualRect& rect) override {
        cells::VirtualRect p = cells::RectToPixels(rect, m_mode);
        m_device.SetViewport({uint32_t(p.Left + 0.5f), uint32_t(p.Top + 0.5f), uint32_t(p.Right - p.Left + 0.5f),
                              uint32_t(p.Bottom - p.Top + 0.5f), -999.0f, 999.0f});
    }
    void PopClipRect() override { m_device.SetViewport({0, 0, uint32_t(m_mode.Width), uint32_t(m_mode.Height), -999.0f, 999.0f}); }

private:
    platform::Device& m_device;
    cells::ModeSize m_mode;
};

// A 32 x 32 arrow pointing right: opaque where |y - 16| < the distance to the tip.
std::string ArrowPicture() {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "vorlen-bench-arrow.tga";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 32, 0, 32, 0x28};
        std::fwrite(header, 1, sizeof header, file);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const bool opaque = std::abs(2 * y - 31) < 32 - x;
                const uint8_t pixel[4] = {255, 255, 255, uint8_t(opaque ? 255 : 0)};
                std::fwrite(pixel, 1, sizeof pixel, file);
            }
        std::fclose(file);
    }
    return path.string();
}

view::ViewSettings Settings(view::ViewKind kind) {
    view::ViewSettings settings;
    settings.Kind = kind;
    if (kind == view::ViewKind::Texture) {
        settings.Color.Mode = view::ColorMode::BoolPair;
        settings.Color.ColorA = 0xFF000000;
        settings.Color.ColorB = 0xFF00FF00;
    } else {
        settings.Color.Mode = view::ColorMode::Rgb;
    }
    settings.Vector.Form = view::VectorForm::Polar;
    settings.Vector.Color.Mode = view::ColorMode::Constant;
    settings.Vector.Color.ColorA = 0xFFFFFFFF;
    for (auto* component : {&settings.Vector.Component1, &settings.Vector.Component2}) {
        component->Kind = view::ComponentKind::Float;
        component->FloatMinimum = 0;
        component->FloatMaximum = 1;
    }
    settings.Vector.Component2.Field = 1;
    settings.ComplexField = 0;
    settings.ComplexValue = 1;
    return settings;
}

struct Setup {
    std::unique_ptr<platform::Direct3D> D3d;
    SDL_Window* Window { nullptr };
    std::unique_ptr<platform::Device> Graphics;
    core::Generations World;

    Setup(benchmark::State& state, uint32_t width, uint32_t height) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        D3d = platform::CreateGlDirect3D();
        if (D3d) Window = SDL_CreateWindow("bench", 0, 0, int(width), int(height), SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        platform::PresentParameters parameters;
        parameters.BackBufferWidth = width;
        parameters.BackBufferHeight = height;
        parameters.PresentationInterval = platform::D3DPRESENT_INTERVAL_IMMEDIATE;
        if (!Window || D3d->CreateDevice(platform::D3DADAPTER_DEFAULT, platform::D3DDEVTYPE_HAL, Window,
                                         platform::D3DCREATE_HARDWARE_VERTEXPROCESSING, parameters, Graphics) < 0)
            state.SkipWithError("no OpenGL device");
        World.Allocate(2, Size, Size);
        std::mt19937 random(7);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (int x = 0; x < Size; ++x)
            for (int y = 0; y < Size; ++y) {
                cells::Cell& cell = World.Shown().At(x, y);
                cell.b1 = random() & 1;
                cell.u1 = 1 + random() % 0xFFFFFE;  // never black, the background
                cell.f1 = unit(random);
                cell.f2 = unit(random);
            }
    }
    ~Setup() {
        Graphics.reset();
        if (Window) SDL_DestroyWindow(Window);
        D3d.reset();
    }
};

void Frames(benchmark::State& state, view::ViewKind kind, uint32_t width = 800, uint32_t height = 600) {
    Setup setup(state, width, height);
    if (!setup.Graphics) return;
    [[maybe_unused]] static const bool imageLibrary = (ilInit(), true);
    platform::Device& device = *setup.Graphics;
    WorldRenderer renderer(Settings(kind), 0xFF000000, Size, Size);
    renderer.SetArrowPath(ArrowPicture());
    renderer.CreateDeviceObjects(device);
    renderer.RestoreDeviceObjects(device);
    if (errors::ErrorRaised()) {
        state.SkipWithError(errors::ErrorEntries().back().c_str());
        return;
    }
    BenchCanvas canvas(device, {int(width), int(height)});
    auto frame = [&](double& drawSeconds) {
        device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device.BeginScene();
        const Clock::time_point start = Clock::now();
        renderer.DrawWorld(canvas, setup.World, {});
        drawSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        device.EndScene();
        return device.Present() >= 0 && !errors::ErrorRaised();
    };
    // The first frame compiles the rasteriser's shaders for the view's state: not measured, as
    // on a busy machine a repetition may hold only a few frames.
    double drawSeconds = 0;
    if (!frame(drawSeconds)) state.SkipWithError("the frame failed");
    drawSeconds = 0;
    const double processStart = ProcessSeconds();
    for (auto _ : state)
        if (!frame(drawSeconds)) state.SkipWithError("the frame failed");
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["DrawWorld_ms"] = 1000.0 * drawSeconds / double(state.iterations());
    state.counters["cpu_ms"] = 1000.0 * (ProcessSeconds() - processStart) / double(state.iterations());
}

void BM_Texture(benchmark::State& state) { Frames(state, view::ViewKind::Texture); }
void BM_Cells(benchmark::State& state) { Frames(state, view::ViewKind::Cells); }
void BM_Vectors(benchmark::State& state) { Frames(state, view::ViewKind::Vectors); }
void BM_Complex(benchmark::State& state) { Frames(state, view::ViewKind::Complex); }
void BM_CellsAllVisible(benchmark::State& state) { Frames(state, view::ViewKind::Cells, 2112, 2432); }

#define VORLEN_RENDER_BENCH(name) \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true)
VORLEN_RENDER_BENCH(BM_Texture);
VORLEN_RENDER_BENCH(BM_Cells);
VORLEN_RENDER_BENCH(BM_Vectors);
VORLEN_RENDER_BENCH(BM_Complex);
VORLEN_RENDER_BENCH(BM_CellsAllVisible);

}  // namespace
}  // namespace render

BENCHMARK_MAIN();
