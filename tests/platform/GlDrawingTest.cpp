// Pixels drawn by the OpenGL device, read back from its back buffer.

#include <algorithm>
#include <cstring>

#include "GlTestSupport.h"

namespace platform {
namespace {

constexpr D3DCOLOR kBackground = 0xFF102030;

TEST_F(GlDeviceTest, ClearFillsTheViewportOnly) {
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0), D3D_OK);
    for (uint32_t pixel : Pixels()) ASSERT_EQ(pixel, 0xFF336699u);

    ASSERT_EQ(m_device->SetViewport({10, 5, 20, 7, 0.0f, 1.0f}), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80FFFFFF, 1.0f, 0), D3D_OK);
    const std::vector<uint32_t> pixels = Pixels();
    for (uint32_t y = 0; y < m_height; ++y)
        for (uint32_t x = 0; x < m_width; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 5 && y < 12;
            ASSERT_EQ(pixels[y * m_width + x], inside ? 0x80FFFFFFu : 0xFF336699u) << x << ", " << y;
        }
}

// A batch of squares as the cells view draws them: integer corners, one pixel per unit.
TEST_F(GlDeviceTest, SquaresCoverExactlyTheirPixels) {
    struct Square {
        int X, Y, Edge;
        D3DCOLOR Color;
    };
    std::vector<Square> squares;
    for (int i = 0; i < 20; ++i) squares.push_back({(i * 3) % 61, (i * 7) % 45, 1, 0xFF000000u + uint32_t(i + 1)});
    squares.push_back({0, 0, 2, 0xFFFF0000});
    squares.push_back({5, 30, 5, 0xFF00FF00});
    squares.push_back({59, 43, 5, 0xFF0000FF});  // at the bottom-right corner of the target
    squares.push_back({40, 10, 9, 0xFFFFFF00});
    squares.push_back({-3, 20, 5, 0xFF00FFFF});  // reaching beyond the left edge

    struct Vertex {
        float X, Y, Z, Rhw;
        D3DCOLOR Color;
    };
    std::unique_ptr<VertexBuffer> vertices;
    std::unique_ptr<IndexBuffer> indices;
    ASSERT_EQ(m_device->CreateVertexBuffer(uint32_t(squares.size() * 4 * sizeof(Vertex)), D3DUSAGE_DYNAMIC,
                                           D3DFVF_XYZRHW | D3DFVF_DIFFUSE, D3DPOOL_DEFAULT, vertices),
              D3D_OK);
    ASSERT_EQ(m_device->CreateIndexBuffer(uint32_t(squares.size() * 12), D3DUSAGE_DYNAMIC, D3DFMT_INDEX16,
                                          D3DPOOL_DEFAULT, indices),
              D3D_OK);
    void* vertexMemory = nullptr;
    void* indexMemory = nullptr;
    ASSERT_EQ(vertices->Lock(0, 0, vertexMemory, D3DLOCK_DISCARD), D3D_OK);
    ASSERT_EQ(indices->Lock(0, 0, indexMemory, D3DLOCK_DISCARD), D3D_OK);
    auto* v = static_cast<Vertex*>(vertexMemory);
    auto* index = static_cast<uint16_t*>(indexMemory);
    std::vector<uint32_t> expected(size_t(m_width) * m_height, kBackground);
    for (size_t k = 0; k < squares.size(); ++k) {
        const Square& s = squares[k];
        const float x0 = float(s.X), y0 = float(s.Y), x1 = float(s.X + s.Edge), y1 = float(s.Y + s.Edge);
        v[4 * k + 0] = {x0, y0, 0, 1, s.Color};
        v[4 * k + 1] = {x1, y0, 0, 1, s.Color};
        v[4 * k + 2] = {x0, y1, 0, 1, s.Color};
        v[4 * k + 3] = {x1, y1, 0, 1, s.Color};
        const uint16_t base = uint16_t(4 * k);
        const uint16_t quad[6] = {base, uint16_t(base + 1), uint16_t(base + 2), uint16_t(base + 1),
                                  uint16_t(base + 2), uint16_t(base + 3)};
        std::memcpy(index + 6 * k, quad, sizeof quad);
        for (int y = s.Y; y < s.Y + s.Edge && y < int(m_height); ++y)
            for (int x = std::max(s.X, 0); x < s.X + s.Edge && x < int(m_width); ++x) expected[y * m_width + x] = s.Color;
    }
    ASSERT_EQ(indices->Unlock(), D3D_OK);
    ASSERT_EQ(vertices->Unlock(), D3D_OK);

    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    UseDiffuseOnly();
    ASSERT_EQ(m_device->SetStreamSource(0, vertices.get(), 0, sizeof(Vertex)), D3D_OK);
    ASSERT_EQ(m_device->SetIndices(indices.get()), D3D_OK);
    ASSERT_EQ(m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE), D3D_OK);
    const uint32_t count = uint32_t(squares.size());
    ASSERT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, count * 4, 0, count * 2), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);

    const std::vector<uint32_t> pixels = Pixels();
    for (uint32_t y = 0; y < m_height; ++y)
        for (uint32_t x = 0; x < m_width; ++x)
            ASSERT_EQ(pixels[y * m_width + x], expected[y * m_width + x]) << "pixel " << x << ", " << y;
}

// Pixel centres lie on integer coordinates: a square from (10.5, 20.5) to (12.5, 22.5) holds
// the centres of pixels 11 and 12 in each direction.
TEST_F(GlDeviceTest, PixelCentresLieOnIntegerCoordinates) {
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    UseDiffuseOnly();
    ASSERT_EQ(DrawQuad(10.5f, 20.5f, 12.5f, 22.5f, 0xFFFFFFFF), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    const std::vector<uint32_t> pixels = Pixels();
    for (uint32_t y = 18; y < 26; ++y)
        for (uint32_t x = 8; x < 16; ++x) {
            const bool inside = x >= 11 && x <= 12 && y >= 21 && y <= 22;
            EXPECT_EQ(pixels[y * m_width + x], inside ? 0xFFFFFFFFu : kBackground) << x << ", " << y;
        }
}

}  // namespace
}  // namespace platform
