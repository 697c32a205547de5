// Frames per second through frame::Run's loop with the OpenGL device:
//   EmptyLoop            - a time step and a frame that only presents;
//   DynamicTexture1000   - each frame fills a 1000 x 1000 dynamic texture (lock with discard,
//                          every texel written, unlock) and draws it as one quad.
// Each run draws a fixed number of frames; the time measured is that of the loop from the
// first frame to the last, without the window and device set-up.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "errors/ErrorTrail.h"
#include "frame/Framework.h"

namespace frame {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t TextureSize = 1000;

// The reset-sensitive dynamic texture of the second benchmark.
class TextureHolder : public frame::FrameObject {
public:
    std::unique_ptr<platform::Texture> Texture;

    void RestoreDeviceObjects() override {
        platform::Result result = frame::GetDevice()->CreateTexture(TextureSize, TextureSize, 1, platform::D3DUSAGE_DYNAMIC,
                                                                    platform::D3DFMT_X8R8G8B8, platform::D3DPOOL_DEFAULT, Texture);
        if (result < 0) errors::RaiseError("no texture");
    }
    void InvalidateDeviceObjects() override { Texture.reset(); }
};

struct Vertex {
    float X, Y, Z, Rhw, U, V;
};

void DrawTextureFrame(platform::Device& device, TextureHolder& holder, uint32_t frame) {
    platform::LockedRect locked;
    if (holder.Texture->LockRect(0, locked, nullptr, platform::D3DLOCK_DISCARD) < 0) {
        errors::RaiseError("lock failed");
        return;
    }
    for (uint32_t y = 0; y < TextureSize; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.Bits) + static_cast<size_t>(y) * locked.Pitch);
        for (uint32_t x = 0; x < TextureSize; ++x) row[x] = 0xFF000000u | ((x + frame) & 0xFF) << 16 | ((y + frame) & 0xFF) << 8;
    }
    holder.Texture->UnlockRect(0);
    device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    device.BeginScene();
    device.SetTexture(0, holder.Texture.get());
    device.SetFVF(platform::D3DFVF_XYZRHW | platform::D3DFVF_TEX1);
    const float w = static_cast<float>(frame::GetDisplayMode().ModeWidth);
    const float h = static_cast<float>(frame::GetDisplayMode().ModeHeight);
    const Vertex quad[4] = {{0, 0, 0, 1, 0, 0}, {w, 0, 0, 1, 1, 0}, {0, h, 0, 1, 0, 1}, {w, h, 0, 1, 1, 1}};
    const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    device.DrawIndexedPrimitiveUP(platform::D3DPT_TRIANGLELIST, 0, 4, 2, indices, platform::D3DFMT_INDEX16, quad,
                                  sizeof(Vertex));
    device.EndScene();
}

// Runs the loop for `frames` frames and reports their rate.
void RunFrames(benchmark::State& state, bool withTexture) {
    const int frames = static_cast<int>(state.range(0));
    double measured = 0, reported = 0;
    for (auto _ : state) {
        errors::ClearErrors();
        frame::ClearRegistry();
        TextureHolder holder;
        if (withTexture) frame::Register(&holder);
        int drawn = 0;
        float framesPerSecond = 0;  // the framework's own figure at the last frame
        Clock::time_point first, last;
        frame::FrameConfig config;
        config.Title = "frame_bench";
        config.DrawCallback = [&](platform::Device& device) {
            if (drawn == 0) first = Clock::now();
            if (withTexture) DrawTextureFrame(device, holder, static_cast<uint32_t>(drawn));
            if (++drawn == frames) {
                last = Clock::now();
                framesPerSecond = frame::GetFPS();
                frame::RequestClose();
            }
        };
        int code = frame::Run(config, {800, 600, 100, false});
        if (code != 0 || errors::ErrorRaised() || drawn != frames) {
            state.SkipWithError("the run failed");
            break;
        }
        double seconds = std::chrono::duration<double>(last - first).count();
        state.SetIterationTime(seconds);
        measured += (frames - 1) / seconds;
        reported += framesPerSecond;
    }
    // Means over the runs: frames per second as measured here, and as frame::GetFPS had it.
    state.counters["FPS"] = benchmark::Counter(measured, benchmark::Counter::kAvgIterations);
    state.counters["framework_FPS"] = benchmark::Counter(reported, benchmark::Counter::kAvgIterations);
}

void EmptyLoop(benchmark::State& state) { RunFrames(state, false); }
void DynamicTexture1000(benchmark::State& state) { RunFrames(state, true); }

BENCHMARK(EmptyLoop)->Arg(2000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(DynamicTexture1000)->Arg(200)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

}  // namespace frame

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
