// Frame rates of the OpenGL device on an 800 x 600 back buffer: an empty frame, and a frame
// that fills a 1000 x 1000 dynamic texture (the texture view of the largest world) and draws
// it as one quad. Runs under SDL's offscreen driver unless SDL_VIDEODRIVER says otherwise.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "platform/gl/GlDevice.h"

namespace platform {
namespace {

struct Setup {
    std::unique_ptr<Direct3D> D3d;
    SDL_Window* Window { nullptr };
    std::unique_ptr<platform::Device> Graphics;

    explicit Setup(benchmark::State& state) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        D3d = CreateGlDirect3D();
        if (D3d) Window = SDL_CreateWindow("bench", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        PresentParameters parameters;
        parameters.BackBufferWidth = 800;
        parameters.BackBufferHeight = 600;
        parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        if (!Window || D3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Window,
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING, parameters, Graphics) < 0)
            state.SkipWithError("no OpenGL device");
    }
    ~Setup() {
        Graphics.reset();
        if (Window) SDL_DestroyWindow(Window);
        D3d.reset();
    }
};

void Frames(benchmark::State& state) { state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate); }

void BM_EmptyFrame(benchmark::State& state) {
    Setup setup(state);
    if (!setup.Graphics) return;
    Device& device = *setup.Graphics;
    for (auto _ : state) {
        device.Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device.BeginScene();
        device.EndScene();
        if (device.Present() < 0) state.SkipWithError("Present failed");
    }
    Frames(state);
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextureUploadFrame(benchmark::State& state) {
    Setup setup(state);
    if (!setup.Graphics) return;
    Device& device = *setup.Graphics;
    constexpr uint32_t size = 1000;
    std::unique_ptr<Texture> texture;
    std::unique_ptr<VertexBuffer> quad;
    if (device.CreateTexture(size, size, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture) < 0 ||
        device.CreateVertexBuffer(96, D3DUSAGE_DYNAMIC, D3DFVF_XYZRHW | D3DFVF_TEX1, D3DPOOL_DEFAULT, quad) < 0) {
        state.SkipWithError("no texture");
        return;
    }
    struct Vertex {
        float X, Y, Z, Rhw, U, V;
    };
    const Vertex vertices[4] = {{-100, -200, 0, 1, 0, 0}, {900, -200, 0, 1, 1, 0}, {-100, 800, 0, 1, 0, 1}, {900, 800, 0, 1, 1, 1}};
    uint32_t frame = 0;
    for (auto _ : state) {
        void* memory = nullptr;
        quad->Lock(0, 0, memory, D3DLOCK_DISCARD);
        std::memcpy(memory, vertices, sizeof vertices);
        quad->Unlock();
        LockedRect locked;
        if (texture->LockRect(0, locked, nullptr, D3DLOCK_DISCARD) < 0) state.SkipWithError("lock failed");
        for (uint32_t y = 0; y < size; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.Bits) + size_t(y) * locked.Pitch);
            for (uint32_t x = 0; x < size; ++x) row[x] = 0xFF000000u | ((x + frame) & 0xFF) << 16 | (y & 0xFF) << 8;
        }
        ++frame;
        texture->UnlockRect(0);
        device.Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device.BeginScene();
        device.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device.SetTexture(0, texture.get());
        device.SetStreamSource(0, quad.get(), 0, sizeof(Vertex));
        device.SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
        if (device.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2) < 0) state.SkipWithError("draw failed");
        device.EndScene();
        if (device.Present() < 0) state.SkipWithError("Present failed");
    }
    Frames(state);
}
BENCHMARK(BM_TextureUploadFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

}  // namespace platform

BENCHMARK_MAIN();
