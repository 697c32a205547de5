// The OpenGL device's viewport, transforms, culling, depth, state blocks and reset.

#include "GlTestSupport.h"

namespace platform {
namespace {

constexpr D3DCOLOR kBackground = 0xFF202020;

// Position, colour: what the line and rectangle batches draw through the projection.
struct ColorVertex {
    float X, Y, Z;
    D3DCOLOR Color;
};

class GlStateTest : public GlDeviceTest {
protected:
    // The framework's default view: the 800 x 600 virtual space over the whole back buffer.
    void UseVirtualSpace() {
        ASSERT_EQ(m_device->SetTransform(D3DTS_PROJECTION, MatrixOrthoOffCenterLH(0, 800, 600, 0, -999, 999)), D3D_OK);
    }

    Result DrawVirtualRect(float left, float top, float right, float bottom, D3DCOLOR color) {
        const ColorVertex vertices[4] = {
            {left, top, 0, color}, {right, top, 0, color}, {right, bottom, 0, color}, {left, bottom, 0, color}};
        const uint16_t indices[6] = {0, 1, 3, 1, 3, 2};
        Result result = m_device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        if (result < 0) return result;
        return m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, vertices,
                                                sizeof(ColorVertex));
    }

    // The rectangle of pixels that differ from the background: left, top, right, bottom.
    Rect Painted(uint32_t color) {
        const std::vector<uint32_t> pixels = Pixels();
        Rect r {int32_t(m_width), int32_t(m_height), 0, 0};
        uint32_t count = 0;
        for (uint32_t y = 0; y < m_height; ++y)
            for (uint32_t x = 0; x < m_width; ++x) {
                if (pixels[y * m_width + x] == kBackground) continue;
                EXPECT_EQ(pixels[y * m_width + x], color) << x << ", " << y;
                r = {std::min(r.Left, int32_t(x)), std::min(r.Top, int32_t(y)), std::max(r.Right, int32_t(x + 1)),
                     std::max(r.Bottom, int32_t(y + 1))};
                ++count;
            }
        EXPECT_EQ(count, count ? uint32_t((r.Right - r.Left) * (r.Bottom - r.Top)) : 0u) << "not a filled rectangle";
        return r;
    }
};


// Transformed vertices go through world, view and projection and the viewport: on an 80 x 60
// back buffer the virtual rectangle (100, 100, 200, 300) is exactly pixels (10, 10)-(20, 30).
// With lighting on and no lights they come out black.
TEST_F(GlStateTest, TransformedVerticesFollowTheOrthographicProjection) {
    ASSERT_EQ(CreateDevice(80, 60), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    UseDiffuseOnly();
    UseVirtualSpace();
    ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    ASSERT_EQ(DrawVirtualRect(100, 100, 200, 300, 0xFFFF8000), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(Painted(0xFFFF8000), (Rect {10, 10, 20, 30}));

    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, 1), D3D_OK);
    ASSERT_EQ(DrawVirtualRect(100, 100, 200, 300, 0xFFFF8000), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(Painted(0xFF000000), (Rect {10, 10, 20, 30}));
}

// A viewport cuts pretransformed and transformed drawing at its edges; the projection of a
// viewport rectangle keeps virtual coordinates meaning the same place inside it.
TEST_F(GlStateTest, ViewportClipsDrawing) {
    ASSERT_EQ(CreateDevice(80, 60), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    UseDiffuseOnly();
    ASSERT_EQ(m_device->SetViewport({5, 6, 20, 10, -999, 999}), D3D_OK);
    ASSERT_EQ(DrawQuad(0, 0, 80, 60, 0xFF00FF00), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(Painted(0xFF00FF00), (Rect {5, 6, 25, 16}));

    // The clip rectangle (50, 50, 100, 100) of the virtual space, drawn into as the framework
    // does: projection of that rectangle, a rectangle reaching beyond it on every side.
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->SetViewport({0, 0, 80, 60, -999, 999}), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    ASSERT_EQ(m_device->SetViewport({5, 5, 5, 5, -999, 999}), D3D_OK);
    ASSERT_EQ(m_device->SetTransform(D3DTS_PROJECTION, MatrixOrthoOffCenterLH(50, 100, 100, 50, -999, 999)), D3D_OK);
    ASSERT_EQ(DrawVirtualRect(0, 0, 70, 70, 0xFF0000FF), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(Painted(0xFF0000FF), (Rect {5, 5, 7, 7}));
}

// Counter-clockwise triangles (on the screen) are removed by default, clockwise ones by
// D3DCULL_CW, neither by D3DCULL_NONE.
TEST_F(GlStateTest, CullModeRemovesTrianglesByWinding) {
    const ColorVertex clockwise[3] = {{0, 0, 0, 0xFFFFFFFF}, {10, 0, 0, 0xFFFFFFFF}, {0, 10, 0, 0xFFFFFFFF}};
    const ColorVertex counter[3] = {{0, 0, 0, 0xFFFFFFFF}, {0, 10, 0, 0xFFFFFFFF}, {10, 0, 0, 0xFFFFFFFF}};
    const uint16_t indices[3] = {0, 1, 2};
    struct Case {
        uint32_t Cull;
        bool ClockwiseDrawn, CounterDrawn;
    };
    for (const Case& c : {Case {D3DCULL_CCW, true, false}, Case {D3DCULL_CW, false, true}, Case {D3DCULL_NONE, true, true}}) {
        SCOPED_TRACE(c.Cull);
        ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_device->BeginScene(), D3D_OK);
        UseDiffuseOnly();
        ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
        ASSERT_EQ(m_device->SetTransform(D3DTS_PROJECTION, MatrixOrthoOffCenterLH(0, 64, 48, 0, -1, 1)), D3D_OK);
        ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, c.Cull), D3D_OK);
        ASSERT_EQ(m_device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE), D3D_OK);
        ASSERT_EQ(m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, indices, D3DFMT_INDEX16, clockwise,
                                                   sizeof(ColorVertex)),
                  D3D_OK);
        ASSERT_EQ(m_device->SetTransform(D3DTS_WORLD, [] {
            Matrix m = MatrixIdentity();
            m.M[3][0] = 20;  // moved 20 to the right
            return m;
        }()), D3D_OK);
        ASSERT_EQ(m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, indices, D3DFMT_INDEX16, counter,
                                                   sizeof(ColorVertex)),
                  D3D_OK);
        ASSERT_EQ(m_device->SetTransform(D3DTS_WORLD, MatrixIdentity()), D3D_OK);
        ASSERT_EQ(m_device->EndScene(), D3D_OK);
        const std::vector<uint32_t> pixels = Pixels();
        EXPECT_EQ(pixels[1 * m_width + 1] != kBackground, c.ClockwiseDrawn);
        EXPECT_EQ(pixels[1 * m_width + 21] != kBackground, c.CounterDrawn);
    }
}

// With a depth buffer, nearer pixels stay in front when D3DRS_ZENABLE is on.
TEST_F(GlStateTest, DepthTestKeepsNearerPixels) {
    ASSERT_EQ(CreateDevice(64, 48, D3DFMT_D24S8), D3D_OK);
    uint32_t zenable = 0;
    ASSERT_EQ(m_device->GetRenderState(D3DRS_ZENABLE, zenable), D3D_OK);
    EXPECT_EQ(zenable, D3DZB_TRUE);
    for (uint32_t z : {D3DZB_TRUE, D3DZB_FALSE}) {
        ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, kBackground, 1.0f, 0),
                  D3D_OK);
        ASSERT_EQ(m_device->BeginScene(), D3D_OK);
        UseDiffuseOnly();
        ASSERT_EQ(m_device->SetRenderState(D3DRS_ZENABLE, z), D3D_OK);
        const ScreenVertex near[4] = {{0, 0, 0.2f, 1, 0xFFFF0000, 0, 0}, {8, 0, 0.2f, 1, 0xFFFF0000, 0, 0},
                                      {0, 8, 0.2f, 1, 0xFFFF0000, 0, 0}, {8, 8, 0.2f, 1, 0xFFFF0000, 0, 0}};
        ScreenVertex far[4];
        for (int i = 0; i < 4; ++i) far[i] = {near[i].X, near[i].Y, 0.8f, 1, 0xFF00FF00, 0, 0};
        const uint16_t indices[6] = {0, 1, 2, 1, 3, 2};
        ASSERT_EQ(m_device->SetFVF(kScreenVertexFvf), D3D_OK);
        const ScreenVertex* quads[2] = {near, far};
        for (const ScreenVertex* quad : quads)
            ASSERT_EQ(m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, quad,
                                                       sizeof(ScreenVertex)),
                      D3D_OK);
        ASSERT_EQ(m_device->EndScene(), D3D_OK);
        EXPECT_EQ(Pixels()[4 * m_width + 4], z == D3DZB_TRUE ? 0xFFFF0000u : 0xFF00FF00u);
    }
}

// A recorded block changes nothing until applied; applied, it draws as recorded.
TEST_F(GlStateTest, RecordedStateBlockAppliesItsStates) {
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    UseDiffuseOnly();
    ASSERT_EQ(m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE), D3D_OK);
    std::unique_ptr<StateBlock> block;
    ASSERT_EQ(m_device->EndStateBlock(block), D3D_OK);
    uint32_t blending = 1;
    ASSERT_EQ(m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, blending), D3D_OK);
    EXPECT_EQ(blending, 0u);

    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    UseDiffuseOnly();
    ASSERT_EQ(DrawQuad(0, 0, 4, 4, 0xFFFFFFFF), D3D_OK);  // drawn: blending is off
    ASSERT_EQ(block->Apply(), D3D_OK);
    ASSERT_EQ(DrawQuad(10, 0, 14, 4, 0xFFFFFFFF), D3D_OK);  // zero x source + destination: invisible
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    const std::vector<uint32_t> pixels = Pixels();
    EXPECT_EQ(pixels[1 * m_width + 1], 0xFFFFFFFFu);
    EXPECT_EQ(pixels[1 * m_width + 11], kBackground);
}

// Reset refuses while default-pool objects or state blocks live and leaves the device waiting
// for a reset; once they are released it takes the new size, keeps managed textures and
// returns every state to its default.
TEST_F(GlStateTest, ResetNeedsDefaultPoolReleasedAndTakesTheNewSize) {
    auto managed = MakeTexture(1, 1, {0xFF00FF00});
    std::unique_ptr<Texture> dynamic;
    ASSERT_EQ(m_device->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, dynamic), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);

    PresentParameters parameters;
    parameters.BackBufferWidth = 100;
    parameters.BackBufferHeight = 50;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    EXPECT_EQ(m_device->Reset(parameters), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(m_device->Present(), D3DERR_DEVICELOST);

    dynamic.reset();
    ASSERT_EQ(m_device->Reset(parameters), D3D_OK);
    m_width = 100;
    m_height = 50;
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
    uint32_t cull = 0;
    ASSERT_EQ(m_device->GetRenderState(D3DRS_CULLMODE, cull), D3D_OK);
    EXPECT_EQ(cull, D3DCULL_CCW);
    Viewport viewport;
    ASSERT_EQ(m_device->GetViewport(viewport), D3D_OK);
    EXPECT_EQ(viewport, (Viewport {0, 0, 100, 50, 0.0f, 1.0f}));

    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
    ASSERT_EQ(m_device->SetTexture(0, managed.get()), D3D_OK);
    ASSERT_EQ(DrawQuad(90, 40, 100, 50, 0xFFFFFFFF), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(Painted(0xFF00FF00), (Rect {90, 40, 100, 50}));
    EXPECT_EQ(m_device->Present(), D3D_OK);
}

}  // namespace
}  // namespace platform
