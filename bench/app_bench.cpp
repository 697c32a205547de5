// The workbench's own frame on the OpenGL device (llvmpipe under SDL's offscreen driver unless
// SDL_VIDEODRIVER says otherwise), the real Application inside the framework.
//
//   Gui/<view>   - what the controls and the status bar cost a frame: frames take turns between
//                  the workbench's RenderFrame (world, black bands, 27 controls, five status
//                  texts, the status line) and the world alone (clear, DrawWorld), each ended by
//                  reading the back buffer back so that the rasteriser's work counts in its own
//                  frame. gui_ms is the difference of their medians, gui_cpu_ms the same in
//                  processor time over all threads. The automaton stands still,
//                  so the status texts stay the same except the frame rate's, which the clock
//                  renews once a second: texts_laid_out is the median number of texts laid out
//                  anew per frame (0: every text came from the cache), cached_texts how many the
//                  cache holds.
//   World/<view> - frames per second of the whole workbench loop for a 1000 x 1000 world, one
//                  iteration per frame with a trivial OnFrame (time step, iteration, frame,
//                  presentation), in the 800 x 600 window: fps is the median over the frames,
//                  frame_ms its reciprocal. CellsAll draws the cells view in a window large
//                  enough (2120 x 2440) for all 1000 x 1000 squares to be inside the view.
// The machine is shared: run it when it is idle, or compare the figures of one run only.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/Application.h"
#include "errors/ErrorTrail.h"
#include "frame/Framework.h"
#include "gfx/FontManager.h"
#include "gfx/LineManager.h"
#include "gfx/RectManager.h"
#include "gfx/SpriteManager.h"
#include "jit/Jit.h"
#include "platform/gl/GlDevice.h"
#include "render/Canvas.h"

namespace app {
namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Processor milliseconds of the process, every thread counted (llvmpipe's rasteriser threads too).
double ProcessMilliseconds() {
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) * 1e-6;
}

double Milliseconds(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

enum class View { Texture, Cells, Vectors, Complex };

// A world of `size` x `size` cells in the view, every cell drawn (no cell has the Background
// colour), with user buttons 1 to 3 labelled.
std::string WriteDefinition(View view, int size) {
    const char* views[] = {
        "texture u1 [RGB]",
        "cells u1 [RGB]",
        "vectors [white r: f1 [0 .. 1] alfa: f2 [0 .. 1]]",
        "complex [b1 false: cells u1 [RGB] true: vectors [white r: f1 [0 .. 1] alfa: f2 [0 .. 1]]]",
    };
    const std::string path = (std::filesystem::temp_directory_path() / ("vorlen-app-bench-" + std::to_string(getpid()) + ".vl")).string();
    std::ofstream(path) << "[Vorlen 1]\nTitle: Pomiar\nWrap: true\nBuffers: 2\nWidth: " << size << "\nHeight: " << size
                        << "\nView: " << views[int(view)] << "\nBackground: black\nSpeed: 15\nRunning: false\n"
                        << "Buttons: [1: Jeden 2: Dwa 3: Trzy]\n--CODE--\n"
                        << "void OnInit() {\n"
                           "  for (int x = 0; x < GetWidth(); x++) for (int y = 0; y < GetHeight(); y++) {\n"
                           "    SetBuffer_u1(x, y, 0x400000 + rand_u_range(0, 0xBFFFFF));\n"
                           "    SetBuffer_f1(x, y, 0.5f + rand_f() / 2); SetBuffer_f2(x, y, rand_f());\n"
                           "    SetBuffer_b1(x, y, rand_b());\n"
                           "  }\n}\nvoid OnFrame() {}\n";
    return path;
}

struct Workbench {
    gui::GUISystem system;
    std::unique_ptr<Application> application;
    std::string path;

    Workbench(View view, int size) : path(WriteDefinition(view, size)) {
        errors::ClearErrors();
        application = std::make_unique<Application>(path, system);
        application->SetButtonSheetPath(VORLEN_DATA_DIR "/buttons.tga");
        if (application->Renderer()) application->Renderer()->SetArrowPath(VORLEN_DATA_DIR "/arrow.tga");
        frame::ClearRegistry();
        frame::Register(application.get());
        frame::Register(&gfx::Lines()), frame::Register(&gfx::Rects()), frame::Register(&gfx::Sprites());
        frame::Register(&gfx::Fonts());
    }
    ~Workbench() {
        frame::ClearRegistry();
        std::filesystem::remove(path);
    }
};

constexpr const char* ViewNames[] = {"Texture", "Cells", "Vectors", "Complex"};

void Gui(benchmark::State& state) {
    const View view = View(state.range(0));
    constexpr int Frames = 600, Warming = 40;
    std::vector<double> whole, world, wholeCpu, worldCpu, laidOut;
    size_t cached = 0;
    for (auto _ : state) {
        Workbench bench(view, 200);
        if (errors::ErrorRaised()) return state.SkipWithError("the definition did not load");
        Application& application = *bench.application;
        frame::InputDispatcher dispatcher;
        frame::FrameConfig config = WorkbenchConfig(application, dispatcher);
        int drawn = 0;
        std::vector<uint32_t> pixels;
        config.DrawCallback = [&](platform::Device& device) {
            const bool gui = drawn % 2 == 0;
            const size_t textsBefore = gfx::Fonts().CachedTexts();
            const uint32_t quadsBefore = gfx::Fonts().UsedQuads();
            const Clock::time_point start = Clock::now();
            const double startCpu = ProcessMilliseconds();
            if (gui) {
                application.RenderFrame(device);
            } else {
                device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, application.Machine().Background(), 1.0f, 0);
                device.BeginScene();
                render::FrameCanvas canvas(device);
                application.Renderer()->DrawWorld(canvas, application.Machine(), application.State());
                device.EndScene();
            }
            uint32_t width = 0, height = 0;
            platform::ReadBackBuffer(device, pixels, width, height);
            const double elapsed = Milliseconds(start), cpu = ProcessMilliseconds() - startCpu;
            if (drawn >= Warming) {
                (gui ? whole : world).push_back(elapsed);
                (gui ? wholeCpu : worldCpu).push_back(cpu);
                if (gui) {
                    // A text laid out anew adds an entry (or, when the cache started over, fills it again).
                    const size_t texts = gfx::Fonts().CachedTexts();
                    laidOut.push_back(gfx::Fonts().UsedQuads() >= quadsBefore ? double(texts - textsBefore) : double(texts));
                    cached = texts;
                }
            }
            if (++drawn == Frames) frame::RequestClose();
        };
        if (frame::Run(config, WindowedMode) != 0 || errors::ErrorRaised() || drawn != Frames)
            return state.SkipWithError("the run failed");
    }
    state.counters["frame_ms"] = Median(whole);
    state.counters["world_ms"] = Median(world);
    state.counters["gui_ms"] = Median(whole) - Median(world);
    state.counters["gui_cpu_ms"] = Median(wholeCpu) - Median(worldCpu);
    state.counters["texts_laid_out"] = Median(laidOut);
    state.counters["cached_texts"] = double(cached);
    std::printf("Gui/%s: frame %.3f ms, world alone %.3f ms, controls and status bar %.3f ms (processor time %.3f ms)\n",
                ViewNames[int(view)], Median(whole), Median(world), Median(whole) - Median(world),
                Median(wholeCpu) - Median(worldCpu));
}

void World(benchmark::State& state) {
    const View view = View(state.range(0));
    const bool large = state.range(1) != 0;
    constexpr int Frames = 120, Warming = 10;
    std::vector<double> intervals, cpu;
    for (auto _ : state) {
        Workbench bench(view, 1000);
        if (errors::ErrorRaised()) return state.SkipWithError("the definition did not load");
        Application& application = *bench.application;
        frame::InputDispatcher dispatcher;
        frame::FrameConfig config = WorkbenchConfig(application, dispatcher);
        // One iteration per time step, as free running at one iteration a frame.
        config.UpdateCallback = [&](const frame::TimeStep&) {
            if (bench.system.UpdateAll()) application.Machine().ComputeIteration();
        };
        int drawn = 0;
        Clock::time_point last = Clock::now();
        double lastCpu = ProcessMilliseconds();
        config.DrawCallback = [&](platform::Device& device) {
            application.RenderFrame(device);
            if (drawn >= Warming) intervals.push_back(Milliseconds(last)), cpu.push_back(ProcessMilliseconds() - lastCpu);
            last = Clock::now();
            lastCpu = ProcessMilliseconds();
            if (++drawn == Frames) frame::RequestClose();
        };
        const frame::DisplayMode mode = large ? frame::DisplayMode {2120, 2440, 0, false} : WindowedMode;
        if (frame::Run(config, mode) != 0 || errors::ErrorRaised() || drawn != Frames)
            return state.SkipWithError("the run failed");
    }
    const double frameMs = Median(intervals);
    state.counters["frame_ms"] = frameMs;
    state.counters["fps"] = frameMs > 0 ? 1000.0 / frameMs : 0;
    state.counters["cpu_ms"] = Median(cpu);
    std::printf("World/%s%s: %.1f fps (%.2f ms a frame, processor time %.2f ms)\n", ViewNames[int(view)],
                large ? " all squares" : "", frameMs > 0 ? 1000.0 / frameMs : 0.0, frameMs, Median(cpu));
}

BENCHMARK(Gui)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(World)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({3, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace app

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    jit::InstallDefault();  // scripts in machine code, as the workbench runs them
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
