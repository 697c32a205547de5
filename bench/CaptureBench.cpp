// The cost of pictures and recordings of the world, all in one run on the OpenGL device
// (llvmpipe under SDL's offscreen driver unless SDL_VIDEODRIVER says otherwise):
//
//   per frame, at the default back buffer of 800 x 600 (a world area of 760 x 496): drawing
//   and reading back a 1000 x 1000 world in the texture view, a 200 x 200 world in the cells
//   view and a world of Life's size and zoom; encoding that frame (every cell a colour of its
//   own, the worst case for GIF's palette) to H.264 (MP4), GIF and PNG pictures;
//   the Life example at its default size (200 x 125) computed with and without a recording of
//   every iteration to MP4: the extra run time, whose target is under 25 %.
//
// Figures are medians of the repetitions; the machine's load (uptime) is printed before and
// after.
//
//   build/bench/capture_bench [REPETITIONS]   (5 by default)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "capture/OffscreenRenderer.h"
#include "capture/Recorder.h"
#include "core/Automaton.h"
#include "core/WorkbenchState.h"
#include "errors/ErrorTrail.h"
#include "files/ImageLibrary.h"
#include "jit/Jit.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Load() {
    std::fflush(stdout);
    if (std::system("uptime") != 0) std::printf("(uptime not available)\n");
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s failed:\n", what);
    for (const std::string& entry : errors::ErrorEntries()) std::fprintf(stderr, "  %s\n", entry.c_str());
    std::exit(1);
}

// The median seconds of one call of `frame`, over `repetitions` runs of `frames` calls.
double PerFrame(int repetitions, int frames, const std::function<void()>& frame) {
    std::vector<double> times;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = Clock::now();
        for (int f = 0; f < frames; ++f) frame();
        times.push_back(Seconds(start) / frames);
    }
    return Median(times);
}

view::ViewSettings ViewOf(view::ViewKind kind) {
    view::ViewSettings settings;
    settings.Kind = kind;
    settings.Color.Mode = view::ColorMode::Rgb;
    return settings;
}

core::Generations MakeWorld(int width, int height) {
    core::Generations world;
    world.Allocate(2, width, height);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) world.Shown().At(x, y).u1 = (x * 2654435761u ^ y * 40503u) & 0xFFFFFF;
    return world;
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    jit::InstallDefault();
    files::ImageLibrary images;
    const cells::ModeSize mode {800, 600};
    const std::string folder = "/tmp/vorlen-capture-bench-" + std::to_string(getpid());
    if (std::system(("mkdir -p " + folder).c_str()) != 0) return 1;
    std::printf("Load before:\n");
    Load();

    std::printf("\nPer frame at 800 x 600 (world area 760 x 496), medians of %d runs:\n", repetitions);
    struct World {
        const char* Name;
        view::ViewKind Kind;
        int Width, Height;
        float Zoom;
    };
    capture::Image frame;
    for (const World& w : {World {"texture view, 1000 x 1000", view::ViewKind::Texture, 1000, 1000, 0.496f},
                           World {"cells view, 200 x 200", view::ViewKind::Cells, 200, 200, 1.0f},
                           World {"texture, 200 x 125 zoom 3 (Life)", view::ViewKind::Texture, 200, 125, 3.0f}}) {
        capture::OffscreenRenderer renderer;
        if (!renderer.Open(ViewOf(w.Kind), 0xFF000000, w.Width, w.Height, mode, VORLEN_ARROW)) Fail("Open");
        const core::Generations world = MakeWorld(w.Width, w.Height);
        const render::ViewOptions options {w.Zoom, false, false};
        const double render = PerFrame(repetitions, 20, [&] {
            if (!renderer.Render(world, options, frame)) Fail("Render");
        });
        std::printf("  %-33s draw and read back %7.2f ms\n", w.Name, render * 1e3);
        for (const char* name : {"frame.mp4", "frame.gif", "frame-%04d.png"}) {
            std::vector<double> times;
            for (int r = 0; r < repetitions; ++r) {
                capture::Recorder recorder;
                if (!recorder.Open(folder + "/" + name, frame.Width, frame.Height, 15)) Fail("Recorder::Open");
                const auto start = Clock::now();
                for (int f = 0; f < 20; ++f)
                    if (!recorder.AddFrame(frame)) Fail("AddFrame");
                if (!recorder.Finish()) Fail("Finish");
                times.push_back(Seconds(start) / 20);
            }
            std::printf("  %-33s %-22s %7.2f ms\n", "", (std::string("encode ") + name).c_str(), Median(times) * 1e3);
        }
    }

    // Life at its default size: iterations alone, then with a frame drawn and encoded after each.
    const int iterations = 300;
    std::vector<double> plain, recorded;
    std::string codec;
    for (int r = 0; r < repetitions; ++r) {
        for (bool record : {false, true}) {
            core::WorkbenchState state;
            core::Automaton life;
            life.SetScriptControls(state);
            if (!life.LoadDefinition(std::string(VORLEN_EXAMPLES_DIR) + "/life.vl")) Fail("LoadDefinition");
            state.Configure(life);
            capture::OffscreenRenderer renderer;
            capture::Recorder recorder;
            if (record && (!renderer.Open(life, mode) || !recorder.Open(folder + "/life.mp4", 760, 496, 15))) Fail("Open");
            const auto start = Clock::now();
            const bool ran = life.RunCountedIterations(iterations, [&](int32_t) {
                return !record || (renderer.Render(life.Cells(), render::OptionsOf(state), frame) && recorder.AddFrame(frame));
            });
            if (!ran || (record && !recorder.Finish())) Fail("Life");
            (record ? recorded : plain).push_back(Seconds(start));
            codec = record ? recorder.Codec() : codec;
        }
    }
    const double a = Median(plain), b = Median(recorded);
    std::printf("\nLife 200 x 125, %d iterations (medians of %d runs):\n", iterations, repetitions);
    std::printf("  without recording      %8.1f ms  (%.3f ms an iteration)\n", a * 1e3, a * 1e3 / iterations);
    std::printf("  recording each to MP4  %8.1f ms  (%.3f ms an iteration, %s)\n", b * 1e3, b * 1e3 / iterations, codec.c_str());
    std::printf("  extra run time         %8.1f %%   (target: under 25 %%)\n", (b / a - 1) * 100);
    std::printf("\nLoad after:\n");
    Load();
    if (std::system(("rm -rf " + folder).c_str()) != 0) return 1;
    return 0;
}
