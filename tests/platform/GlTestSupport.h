#pragma once
// A hidden SDL window with an OpenGL device on it (SDL_VIDEODRIVER=offscreen in CTest), and
// helpers that draw and read back pixels.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "platform/Device.h"
#include "platform/gl/GlDevice.h"

namespace platform {

// XYZRHW | DIFFUSE | TEX1: position in pixels, colour, texture coordinates.
struct ScreenVertex {
    float X, Y, Z, Rhw;
    D3DCOLOR Color;
    float U, V;
};
constexpr uint32_t kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr D3DCOLOR kBackground = 0xFF102030;

class GlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_d3d = CreateGlDirect3D();
        ASSERT_TRUE(m_d3d) << SDL_GetError();
        m_window = SDL_CreateWindow("device test", 0, 0, 64, 48, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(m_window, nullptr) << SDL_GetError();
        ASSERT_EQ(CreateDevice(64, 48), D3D_OK);
    }

    void TearDown() override {
        m_device.reset();
        if (m_window) SDL_DestroyWindow(m_window);
        m_d3d.reset();
    }

    Result CreateDevice(uint32_t width, uint32_t height, bool windowed = true) {
        m_device.reset();
        PresentParameters parameters;
        parameters.BackBufferWidth = width;
        parameters.BackBufferHeight = height;
        parameters.Windowed = windowed;
        parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        const Result result = m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window,
                                                  D3DCREATE_HARDWARE_VERTEXPROCESSING, parameters, m_device);
        if (result >= 0) m_width = parameters.BackBufferWidth, m_height = parameters.BackBufferHeight;
        return result;
    }

    std::vector<uint32_t> Pixels() {
        std::vector<uint32_t> pixels;
        uint32_t width = 0, height = 0;
        EXPECT_EQ(ReadBackBuffer(*m_device, pixels, width, height), D3D_OK);
        EXPECT_EQ(width, m_width);
        EXPECT_EQ(height, m_height);
        return pixels;
    }

    // Clears the back buffer to `background`, draws one scene and reads the pixels back.
    std::vector<uint32_t> Frame(const std::function<void()>& draw, D3DCOLOR background = kBackground) {
        EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1.0f, 0), D3D_OK);
        EXPECT_EQ(m_device->BeginScene(), D3D_OK);
        draw();
        EXPECT_EQ(m_device->EndScene(), D3D_OK);
        return Pixels();
    }

    // Untextured, unblended, no culling: what the cells view sets.
    void UseDiffuseOnly() {
        ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        ASSERT_EQ(m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0), D3D_OK);
        ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
        ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE), D3D_OK);
        ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1), D3D_OK);
        ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE), D3D_OK);
        ASSERT_EQ(m_device->SetTexture(0, nullptr), D3D_OK);
    }

    // A pretransformed quad from (x0, y0) to (x1, y1) with u, v from 0 to umax, vmax.
    Result DrawQuad(float x0, float y0, float x1, float y1, D3DCOLOR color, float umax = 1, float vmax = 1) {
        const ScreenVertex vertices[4] = {{x0, y0, 0, 1, color, 0, 0},
                                          {x1, y0, 0, 1, color, umax, 0},
                                          {x0, y1, 0, 1, color, 0, vmax},
                                          {x1, y1, 0, 1, color, umax, vmax}};
        const uint16_t indices[6] = {0, 1, 2, 1, 3, 2};
        Result result = m_device->SetFVF(kScreenVertexFvf);
        if (result < 0) return result;
        return m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, vertices,
                                                sizeof(ScreenVertex));
    }

    // A width x height texture in `pool` with the given texels, rows top first.
    std::unique_ptr<Texture> MakeTexture(uint32_t width, uint32_t height, const std::vector<uint32_t>& texels,
                                         D3DFORMAT format = D3DFMT_A8R8G8B8, D3DPOOL pool = D3DPOOL_MANAGED) {
        std::unique_ptr<Texture> texture;
        EXPECT_EQ(m_device->CreateTexture(width, height, 1, 0, format, pool, texture), D3D_OK);
        if (!texture) return nullptr;
        LockedRect locked;
        EXPECT_EQ(texture->LockRect(0, locked, nullptr, 0), D3D_OK);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                static_cast<uint32_t*>(locked.Bits)[y * (locked.Pitch / 4) + x] = texels[y * width + x];
        EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
        return texture;
    }

    // The pixel at (x, y) and `count` - 1 to its right.
    std::vector<uint32_t> Row(const std::vector<uint32_t>& pixels, uint32_t x, uint32_t y, uint32_t count = 1) const {
        return {pixels.begin() + y * m_width + x, pixels.begin() + y * m_width + x + count};
    }

    // The rectangle of pixels that differ from the background, all of them `color`.
    Rect Painted(const std::vector<uint32_t>& pixels, uint32_t color) const { return Painted(pixels, kBackground, color); }
    Rect Painted(const std::vector<uint32_t>& pixels, uint32_t background, uint32_t color) const {
        Rect r {int32_t(m_width), int32_t(m_height), 0, 0};
        uint32_t count = 0;
        for (uint32_t y = 0; y < m_height; ++y)
            for (uint32_t x = 0; x < m_width; ++x) {
                if (pixels[y * m_width + x] == background) continue;
                EXPECT_EQ(pixels[y * m_width + x], color) << x << ", " << y;
                r = {std::min(r.Left, int32_t(x)), std::min(r.Top, int32_t(y)), std::max(r.Right, int32_t(x + 1)),
                     std::max(r.Bottom, int32_t(y + 1))};
                ++count;
            }
        EXPECT_EQ(count, count ? uint32_t((r.Right - r.Left) * (r.Bottom - r.Top)) : 0u) << "not a filled rectangle";
        return r;
    }

    std::unique_ptr<Direct3D> m_d3d;
    SDL_Window* m_window { nullptr };
    std::unique_ptr<Device> m_device;
    uint32_t m_width { 0 };
    uint32_t m_height { 0 };
};

inline void PrintTo(const Rect& r, std::ostream* out) {
    *out << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

// Channels differ by at most `tolerance` (rounding of 8-bit products).
inline ::testing::AssertionResult NearColor(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = int((actual >> shift) & 0xFF), e = int((expected >> shift) & 0xFF);
        if (a - e > tolerance || e - a > tolerance) {
            char text[64];
            std::snprintf(text, sizeof text, "0x%08X is not near 0x%08X", actual, expected);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace platform
