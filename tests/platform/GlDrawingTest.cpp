// The OpenGL device's clear, rasterisation, buffers, transforms, viewport, culling, depth,
// state blocks, reset and creation, read back from its back buffer.

#include <algorithm>
#include <cstring>

#include "GlTestSupport.h"

namespace platform {
namespace {

// Position, colour: what the line and rectangle batches draw through the projection.
struct ColorVertex {
    float X, Y, Z;
    D3DCOLOR Color;
};

struct DiffuseVertex {
    float X, Y, Z, Rhw;
    D3DCOLOR Color;
};
constexpr uint32_t kDiffuseFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

class GlDrawingTest : public GlDeviceTest {
protected:
    Result DrawVirtualRect(float left, float top, float right, float bottom, D3DCOLOR color) {
        const ColorVertex vertices[4] = {
            {left, top, 0, color}, {right, top, 0, color}, {right, bottom, 0, color}, {left, bottom, 0, color}};
        const uint16_t indices[6] = {0, 1, 3, 1, 3, 2};
        Result result = m_device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        if (result < 0) return result;
        return m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, vertices,
                                                sizeof(ColorVertex));
    }
};

// A batch of squares as the cells view draws them: integer corners, one pixel per unit, from
// a dynamic vertex and index buffer with one indexed draw. Each covers exactly its pixels.
TEST_F(GlDrawingTest, SquaresCoverExactlyTheirPixels) {
    struct Square {
        int X, Y, Edge;
        D3DCOLOR Color;
    };
    std::vector<Square> squares = {{0, 0, 2, 0xFFFF0000}, {5, 30, 5, 0xFF00FF00}, {40, 10, 9, 0xFFFFFF00},
                                   {59, 43, 5, 0xFF0000FF},     // at the bottom-right corner of the target
                                   {-3, 20, 5, 0xFF00FFFF}};  // reaching beyond the left edge
    for (int i = 0; i < 20; ++i) squares.push_back({(i * 3) % 61, (i * 7) % 45, 1, 0xFF000000u + uint32_t(i + 1)});
    const uint32_t count = uint32_t(squares.size());
    std::unique_ptr<VertexBuffer> vertices;
    std::unique_ptr<IndexBuffer> indices;
    ASSERT_EQ(m_device->CreateVertexBuffer(count * 4 * sizeof(DiffuseVertex), D3DUSAGE_DYNAMIC, kDiffuseFvf,
                                           D3DPOOL_DEFAULT, vertices), D3D_OK);
    ASSERT_EQ(m_device->CreateIndexBuffer(count * 12, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16, D3DPOOL_DEFAULT, indices), D3D_OK);
    void *vertexMemory = nullptr, *indexMemory = nullptr;
    ASSERT_EQ(vertices->Lock(0, 0, vertexMemory, D3DLOCK_DISCARD), D3D_OK);
    ASSERT_EQ(indices->Lock(0, 0, indexMemory, D3DLOCK_DISCARD), D3D_OK);
    std::vector<uint32_t> expected(size_t(m_width) * m_height, kBackground);
    for (uint32_t k = 0; k < count; ++k) {
        const Square& s = squares[k];
        for (uint32_t corner = 0; corner < 4; ++corner)
            static_cast<DiffuseVertex*>(vertexMemory)[4 * k + corner] = {
                float(s.X + int(corner & 1) * s.Edge), float(s.Y + int(corner >> 1) * s.Edge), 0, 1, s.Color};
        for (uint32_t i = 0; i < 6; ++i)
            static_cast<uint16_t*>(indexMemory)[6 * k + i] = uint16_t(4 * k + (i < 3 ? i : i - 2));
        for (int y = s.Y; y < s.Y + s.Edge && y < int(m_height); ++y)
            for (int x = std::max(s.X, 0); x < s.X + s.Edge && x < int(m_width); ++x) expected[y * m_width + x] = s.Color;
    }
    ASSERT_EQ(indices->Unlock(), D3D_OK);
    ASSERT_EQ(vertices->Unlock(), D3D_OK);
    const std::vector<uint32_t> pixels = Frame([&] {
        UseDiffuseOnly();
        ASSERT_EQ(m_device->SetStreamSource(0, vertices.get(), 0, sizeof(DiffuseVertex)), D3D_OK);
        ASSERT_EQ(m_device->SetIndices(indices.get()), D3D_OK);
        ASSERT_EQ(m_device->SetFVF(kDiffuseFvf), D3D_OK);
        ASSERT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, count * 4, 0, count * 2), D3D_OK);
    });
    for (size_t i = 0; i < pixels.size(); ++i)
        ASSERT_EQ(pixels[i], expected[i]) << "pixel " << i % m_width << ", " << i / m_width;
}

// Written bytes reach the drawing however the buffer was locked: a large buffer filled with
// discard, then a partial rewrite without it, drawn from a region far from its start.
TEST_F(GlDrawingTest, BufferContentsFollowEveryLock) {
    constexpr uint32_t kVertices = 20000;  // 400 000 bytes: several upload pages
    std::unique_ptr<VertexBuffer> buffer;
    ASSERT_EQ(m_device->CreateVertexBuffer(kVertices * sizeof(DiffuseVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                           kDiffuseFvf, D3DPOOL_DEFAULT, buffer), D3D_OK);
    auto fill = [&](uint32_t first, D3DCOLOR color, uint32_t flags) {
        void* memory = nullptr;
        ASSERT_EQ(buffer->Lock(first * sizeof(DiffuseVertex), 4 * sizeof(DiffuseVertex), memory, flags), D3D_OK);
        const DiffuseVertex quad[4] = {
            {4, 4, 0, 1, color}, {12, 4, 0, 1, color}, {4, 12, 0, 1, color}, {12, 12, 0, 1, color}};
        std::memcpy(memory, quad, sizeof quad);
        ASSERT_EQ(buffer->Unlock(), D3D_OK);
    };
    auto draw = [&](uint32_t first) {
        return Row(Frame([&] {
                       UseDiffuseOnly();
                       ASSERT_EQ(m_device->SetStreamSource(0, buffer.get(), 0, sizeof(DiffuseVertex)), D3D_OK);
                       ASSERT_EQ(m_device->SetFVF(kDiffuseFvf), D3D_OK);
                       ASSERT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, first, 2), D3D_OK);
                   }),
                   8, 8)[0];
    };
    fill(0, 0xFFFF0000, D3DLOCK_DISCARD);
    fill(15000, 0xFF00FF00, D3DLOCK_DISCARD);
    EXPECT_EQ(draw(15000), 0xFF00FF00u);
    EXPECT_EQ(draw(0), 0xFFFF0000u) << "the first discard's bytes are still in the copy";
    fill(15000, 0xFF0000FF, 0);
    EXPECT_EQ(draw(15000), 0xFF0000FFu);
}

// Transformed vertices go through world, view and projection and the viewport: on an 80 x 60
// back buffer the virtual rectangle (100, 100, 200, 300) is exactly pixels (10, 10)-(20, 30).
// With lighting on and no lights they come out black.
TEST_F(GlDrawingTest, TransformedVerticesFollowTheOrthographicProjection) {
    ASSERT_EQ(CreateDevice(80, 60), D3D_OK);
    for (uint32_t lighting : {0u, 1u}) {
        const std::vector<uint32_t> pixels = Frame([&] {
            UseDiffuseOnly();
            ASSERT_EQ(m_device->SetTransform(D3DTS_PROJECTION, MatrixOrthoOffCenterLH(0, 800, 600, 0, -999, 999)), D3D_OK);
            ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, lighting), D3D_OK);
            ASSERT_EQ(DrawVirtualRect(100, 100, 200, 300, 0xFFFF8000), D3D_OK);
        });
        EXPECT_EQ(Painted(pixels, lighting ? 0xFF000000 : 0xFFFF8000), (Rect {10, 10, 20, 30}));
    }
}

// Clear and drawing stop at the viewport's edges, pretransformed or transformed; the projection
// of a viewport rectangle keeps virtual coordinates meaning the same place inside it.
TEST_F(GlDrawingTest, ViewportClipsClearAndDrawing) {
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->SetViewport({10, 5, 20, 7, 0.0f, 1.0f}), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80FFFFFF, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Painted(Pixels(), 0xFF336699, 0x80FFFFFF), (Rect {10, 5, 30, 12}));

    ASSERT_EQ(CreateDevice(80, 60), D3D_OK);
    std::vector<uint32_t> pixels = Frame([&] {
        UseDiffuseOnly();
        ASSERT_EQ(m_device->SetViewport({5, 6, 20, 10, -999, 999}), D3D_OK);
        ASSERT_EQ(DrawQuad(0, 0, 80, 60, 0xFF00FF00), D3D_OK);
    });
    EXPECT_EQ(Painted(pixels, 0xFF00FF00), (Rect {5, 6, 25, 16}));

    // The clip rectangle (50, 50, 100, 100) of the virtual space as the framework sets it,
    // and a rectangle reaching beyond it on every side.
    ASSERT_EQ(m_device->SetViewport({0, 0, 80, 60, -999, 999}), D3D_OK);
    pixels = Frame([&] {
        ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
        ASSERT_EQ(m_device->SetViewport({5, 5, 5, 5, -999, 999}), D3D_OK);
        ASSERT_EQ(m_device->SetTransform(D3DTS_PROJECTION, MatrixOrthoOffCenterLH(50, 100, 100, 50, -999, 999)), D3D_OK);
        ASSERT_EQ(DrawVirtualRect(0, 0, 70, 70, 0xFF0000FF), D3D_OK);
    });
    EXPECT_EQ(Painted(pixels, 0xFF0000FF), (Rect {5, 5, 7, 7}));
}

// Counter-clockwise triangles (on the screen) are removed by default, clockwise ones by
// D3DCULL_CW, neither by D3DCULL_NONE.
TEST_F(GlDrawingTest, CullModeRemovesTrianglesByWinding) {
    const ColorVertex clockwise[3] = {{0, 0, 0, 0xFFFFFFFF}, {10, 0, 0, 0xFFFFFFFF}, {0, 10, 0, 0xFFFFFFFF}};
    const ColorVertex counter[3] = {{0, 0, 0, 0xFFFFFFFF}, {0, 10, 0, 0xFFFFFFFF}, {10, 0, 0, 0xFFFFFFFF}};
    const uint16_t indices[3] = {0, 1, 2};
    struct Case {
        uint32_t Cull;
        bool ClockwiseDrawn, CounterDrawn;
    };
    for (const Case& c :
         {Case {D3DCULL_CCW, true, false}, Case {D3DCULL_CW, false, true}, Case {D3DCULL_NONE, true, true}}) {
        const std::vector<uint32_t> pixels = Frame([&] {
            UseDiffuseOnly();
            ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
            ASSERT_EQ(m_device->SetTransform(D3DTS_PROJECTION, MatrixOrthoOffCenterLH(0, 64, 48, 0, -1, 1)), D3D_OK);
            ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, c.Cull), D3D_OK);
            ASSERT_EQ(m_device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE), D3D_OK);
            Matrix world = MatrixIdentity();
            for (const ColorVertex* triangle : {clockwise, counter}) {
                ASSERT_EQ(m_device->SetTransform(D3DTS_WORLD, world), D3D_OK);
                ASSERT_EQ(m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, indices, D3DFMT_INDEX16, triangle,
                                                           sizeof(ColorVertex)), D3D_OK);
                world.M[3][0] = 20;  // the second triangle 20 to the right, through the world transform
            }
        });
        EXPECT_EQ(Row(pixels, 1, 1)[0] != kBackground, c.ClockwiseDrawn) << c.Cull;
        EXPECT_EQ(Row(pixels, 21, 1)[0] != kBackground, c.CounterDrawn) << c.Cull;
    }
}

// A recorded block changes nothing until applied; applied, it draws as recorded.
TEST_F(GlDrawingTest, RecordedStateBlockAppliesItsStates) {
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    UseDiffuseOnly();
    ASSERT_EQ(m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE), D3D_OK);
    std::unique_ptr<StateBlock> block;
    ASSERT_EQ(m_device->EndStateBlock(block), D3D_OK);
    const std::vector<uint32_t> pixels = Frame([&] {
        UseDiffuseOnly();
        ASSERT_EQ(DrawQuad(0, 0, 4, 4, 0xFFFFFFFF), D3D_OK);  // drawn: blending is off
        ASSERT_EQ(block->Apply(), D3D_OK);
        ASSERT_EQ(DrawQuad(10, 0, 14, 4, 0xFFFFFFFF), D3D_OK);  // zero x source + destination: invisible
    });
    EXPECT_EQ(Row(pixels, 1, 1)[0], 0xFFFFFFFFu);
    EXPECT_EQ(Row(pixels, 11, 1)[0], kBackground);
}

// A reset (its refusals are the rules every device keeps) gives the new size, keeps managed
// textures and returns every state to its default.
TEST_F(GlDrawingTest, ResetTakesTheNewSizeAndKeepsManagedTextures) {
    auto managed = MakeTexture(1, 1, {0xFF00FF00});
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    PresentParameters parameters;
    parameters.BackBufferWidth = 100;
    parameters.BackBufferHeight = 50;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(m_device->Reset(parameters), D3D_OK);
    m_width = 100, m_height = 50;
    uint32_t cull = 0;
    ASSERT_EQ(m_device->GetRenderState(D3DRS_CULLMODE, cull), D3D_OK);
    EXPECT_EQ(cull, D3DCULL_CCW);
    Viewport viewport;
    ASSERT_EQ(m_device->GetViewport(viewport), D3D_OK);
    EXPECT_EQ(viewport, (Viewport {0, 0, 100, 50, 0.0f, 1.0f}));
    const std::vector<uint32_t> pixels = Frame([&] {
        ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
        ASSERT_EQ(m_device->SetTexture(0, managed.get()), D3D_OK);
        ASSERT_EQ(DrawQuad(90, 40, 100, 50, 0xFFFFFFFF), D3D_OK);
    });
    EXPECT_EQ(Painted(pixels, 0xFF00FF00), (Rect {90, 40, 100, 50}));
    EXPECT_EQ(m_device->Present(), D3D_OK);
}

// A device needs an OpenGL window. Adapter modes are the display's, in X8R8G8B8 only; a
// full-screen device takes one of them, and a reset brings it back into a window.
TEST_F(GlDrawingTest, CreationNeedsAnOpenGLWindowAndFullScreenTakesAnAdapterMode) {
    SDL_Window* plain = SDL_CreateWindow("plain", 0, 0, 32, 32, SDL_WINDOW_HIDDEN);
    ASSERT_NE(plain, nullptr);
    PresentParameters parameters;
    std::unique_ptr<Device> device;
    EXPECT_EQ(m_d3d->CreateDevice(0, D3DDEVTYPE_HAL, plain, D3DCREATE_HARDWARE_VERTEXPROCESSING, parameters, device),
              D3DERR_INVALIDCALL);
    EXPECT_FALSE(device);
    SDL_DestroyWindow(plain);

    EXPECT_EQ(m_d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_A8R8G8B8), 0u);
    const uint32_t count = m_d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    DisplayMode mode {1024, 768, 60, D3DFMT_X8R8G8B8};  // the offscreen driver offers no list
    EXPECT_EQ(m_d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, count, mode), D3DERR_INVALIDCALL);
    if (count > 0) {
        ASSERT_EQ(m_d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, 0, mode), D3D_OK);
    }
    ASSERT_EQ(CreateDevice(mode.Width, mode.Height, false), D3D_OK);
    EXPECT_EQ(Row(Frame([] {}), mode.Width - 1, mode.Height - 1)[0], kBackground);
    parameters.BackBufferWidth = 64;
    parameters.BackBufferHeight = 48;
    ASSERT_EQ(m_device->Reset(parameters), D3D_OK);
    m_width = 64, m_height = 48;
    EXPECT_EQ(Row(Frame([] {}), 63, 47)[0], kBackground);
}

}  // namespace
}  // namespace platform
