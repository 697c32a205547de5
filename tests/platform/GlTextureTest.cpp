// Textured drawing on the OpenGL device: sampling, addressing, stage operations, blending.

#include <cstring>

#include "GlTestSupport.h"

namespace platform {
namespace {

class GlTextureTest : public GlDeviceTest {
protected:
    // The stage and sampler settings of the texture view: the texel shown unchanged.
    void UseTexture(Texture* texture, D3DTEXTUREFILTERTYPE filter, D3DTEXTUREADDRESS address) {
        ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        for (D3DSAMPLERSTATETYPE type : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER})
            ASSERT_EQ(m_device->SetSamplerState(0, type, filter), D3D_OK);
        for (D3DSAMPLERSTATETYPE type : {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV})
            ASSERT_EQ(m_device->SetSamplerState(0, type, address), D3D_OK);
        for (D3DTEXTURESTAGESTATETYPE type : {D3DTSS_COLOROP, D3DTSS_ALPHAOP})
            ASSERT_EQ(m_device->SetTextureStageState(0, type, D3DTOP_SELECTARG1), D3D_OK);
        for (D3DTEXTURESTAGESTATETYPE type : {D3DTSS_COLORARG1, D3DTSS_ALPHAARG1})
            ASSERT_EQ(m_device->SetTextureStageState(0, type, D3DTA_TEXTURE), D3D_OK);
        ASSERT_EQ(m_device->SetTexture(0, texture), D3D_OK);
    }

    // Draws `texture` as the texture view does (a dynamic quad buffer, a triangle strip) with
    // its top-left corner at pixel (x0, y0), each texel zoom x zoom pixels.
    std::vector<uint32_t> DrawTextureView(Texture* texture, uint32_t width, uint32_t height, float x0, float y0,
                                          float zoom) {
        struct Vertex {
            float X, Y, Z, Rhw, U, V;
        };
        std::unique_ptr<VertexBuffer> quad;
        EXPECT_EQ(m_device->CreateVertexBuffer(96, D3DUSAGE_DYNAMIC, D3DFVF_XYZRHW | D3DFVF_TEX1, D3DPOOL_DEFAULT, quad),
                  D3D_OK);
        void* memory = nullptr;
        EXPECT_EQ(quad->Lock(0, 0, memory, D3DLOCK_DISCARD), D3D_OK);
        const float x1 = x0 + float(width) * zoom, y1 = y0 + float(height) * zoom;
        const Vertex vertices[4] = {{x0, y0, 0, 1, 0, 0}, {x1, y0, 0, 1, 1, 0}, {x0, y1, 0, 1, 0, 1}, {x1, y1, 0, 1, 1, 1}};
        std::memcpy(memory, vertices, sizeof vertices);
        EXPECT_EQ(quad->Unlock(), D3D_OK);
        return Frame([&] {
            UseTexture(texture, D3DTEXF_POINT, D3DTADDRESS_WRAP);
            ASSERT_EQ(m_device->SetStreamSource(0, quad.get(), 0, sizeof(Vertex)), D3D_OK);
            ASSERT_EQ(m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1), D3D_OK);
            ASSERT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
        });
    }
};

// Texel (i, j) of a point-filtered quad at zoom z fills exactly the pixels from
// (x0 + z i, y0 + z j): no half-texel shift at any zoom.
TEST_F(GlTextureTest, PointFilteredTexelsFillTheirPixels) {
    const uint32_t width = 11, height = 7, x0 = 5, y0 = 3;
    std::vector<uint32_t> texels(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            texels[y * width + x] = 0xFF000000u | (x * 20 + 5) << 16 | (y * 20 + 5) << 8 | 0x99;
    auto texture = MakeTexture(width, height, texels);
    for (uint32_t zoom : {1u, 2u, 3u}) {
        const std::vector<uint32_t> pixels =
            DrawTextureView(texture.get(), width, height, float(x0), float(y0), float(zoom));
        for (uint32_t y = 0; y < m_height; ++y)
            for (uint32_t x = 0; x < m_width; ++x) {
                const bool inside = x >= x0 && x < x0 + width * zoom && y >= y0 && y < y0 + height * zoom;
                const uint32_t expected = inside ? texels[(y - y0) / zoom * width + (x - x0) / zoom] : kBackground;
                ASSERT_EQ(pixels[y * m_width + x], expected) << "pixel " << x << ", " << y << " at zoom " << zoom;
            }
    }
}

// A dynamic texture, as the texture view fills it every frame: refilled whole with discard, then
// in part without, it shows every byte of every texel (alpha included, blending being off),
// with no channel swapped or rounded, after each upload.
TEST_F(GlTextureTest, RefilledDynamicTexelsReachThePixelsUnchanged) {
    const uint32_t width = 9, height = 5;
    std::unique_ptr<Texture> texture;
    ASSERT_EQ(m_device->CreateTexture(width, height, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture),
              D3D_OK);
    std::vector<uint32_t> texels(size_t(width) * height);
    auto fill = [&](uint32_t seed, const Rect* part) {
        LockedRect locked;
        ASSERT_EQ(texture->LockRect(0, locked, part, part ? 0 : D3DLOCK_DISCARD), D3D_OK);
        const Rect r = part ? *part : Rect {0, 0, int32_t(width), int32_t(height)};
        for (int32_t y = r.Top; y < r.Bottom; ++y)
            for (int32_t x = r.Left; x < r.Right; ++x) {
                const uint32_t i = uint32_t(y) * width + uint32_t(x);
                texels[i] = (seed + i * 0x01030507u) * 2654435761u;  // four unrelated bytes
                static_cast<uint32_t*>(locked.Bits)[(y - r.Top) * (locked.Pitch / 4) + (x - r.Left)] = texels[i];
            }
        ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    };
    const Rect part {2, 1, 6, 4};
    for (const Rect* refill : {static_cast<const Rect*>(nullptr), static_cast<const Rect*>(nullptr), &part}) {
        fill(refill ? 99u : uint32_t(texels[0] + 1), refill);
        const std::vector<uint32_t> pixels = DrawTextureView(texture.get(), width, height, 0.0f, 0.0f, 1.0f);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                ASSERT_EQ(pixels[y * m_width + x], texels[y * width + x]) << "texel " << x << ", " << y;
    }
}

// Linear filtering samples at the pixel centre: at zoom 2 the pixel between a black and a
// white texel shows their mid value; clamping keeps the outer pixels pure. Beyond 0..1, wrap
// repeats the texture and mirror reflects every other copy.
TEST_F(GlTextureTest, FilteringAndAddressing) {
    auto greys = MakeTexture(2, 1, {0xFF000000, 0xFFFFFFFF});
    const uint32_t a = 0xFFFF0000, b = 0xFF00FF00;
    auto pair = MakeTexture(2, 1, {a, b});
    const std::vector<uint32_t> pixels = Frame([&] {
        UseTexture(greys.get(), D3DTEXF_LINEAR, D3DTADDRESS_CLAMP);
        ASSERT_EQ(DrawQuad(10, 10, 14, 12, 0xFFFFFFFF), D3D_OK);
        UseTexture(greys.get(), D3DTEXF_POINT, D3DTADDRESS_CLAMP);
        ASSERT_EQ(DrawQuad(10, 20, 14, 22, 0xFFFFFFFF), D3D_OK);
        UseTexture(pair.get(), D3DTEXF_POINT, D3DTADDRESS_WRAP);
        ASSERT_EQ(DrawQuad(0, 0, 8, 1, 0xFFFFFFFF, 4, 1), D3D_OK);
        UseTexture(pair.get(), D3DTEXF_POINT, D3DTADDRESS_MIRROR);
        ASSERT_EQ(DrawQuad(0, 2, 8, 3, 0xFFFFFFFF, 4, 1), D3D_OK);
    });
    const std::vector<uint32_t> linear = Row(pixels, 10, 10, 4);
    EXPECT_EQ(linear[0], 0xFF000000u);
    EXPECT_TRUE(NearColor(linear[2], 0xFF808080, 3));
    EXPECT_EQ(linear[3], 0xFFFFFFFFu);
    EXPECT_EQ(Row(pixels, 10, 20, 4), (std::vector<uint32_t> {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(Row(pixels, 0, 0, 8), (std::vector<uint32_t> {a, b, a, b, a, b, a, b}));
    EXPECT_EQ(Row(pixels, 0, 2, 8), (std::vector<uint32_t> {a, b, b, a, a, b, b, a}));
}

// Source-alpha blending mixes the drawn colour over the background by its alpha; the alpha
// channel blends the same way. X8R8G8B8 ignores the stored alpha byte, A8R8G8B8 keeps it.
TEST_F(GlTextureTest, AlphaBlendingMixesBySourceAlpha) {
    auto opaque = MakeTexture(1, 1, {0x00FF0000}, D3DFMT_X8R8G8B8);
    auto transparent = MakeTexture(1, 1, {0x00FF0000}, D3DFMT_A8R8G8B8);
    const std::vector<uint32_t> pixels = Frame([&] {
        UseDiffuseOnly();
        ASSERT_EQ(DrawQuad(0, 0, 4, 4, 0x40FF0000), D3D_OK);  // blending off: replaces
        ASSERT_EQ(m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1), D3D_OK);
        ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
        ASSERT_EQ(m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), D3D_OK);
        ASSERT_EQ(DrawQuad(10, 0, 14, 4, 0x40FF0000), D3D_OK);
        ASSERT_EQ(DrawQuad(20, 0, 24, 4, 0xC0FF0000), D3D_OK);
        UseTexture(opaque.get(), D3DTEXF_POINT, D3DTADDRESS_WRAP);
        ASSERT_EQ(DrawQuad(0, 10, 4, 14, 0xFFFFFFFF), D3D_OK);
        UseTexture(transparent.get(), D3DTEXF_POINT, D3DTADDRESS_WRAP);
        ASSERT_EQ(DrawQuad(10, 10, 14, 14, 0xFFFFFFFF), D3D_OK);
    }, 0xFF0000FF);
    EXPECT_EQ(Row(pixels, 1, 1)[0], 0x40FF0000u);
    EXPECT_TRUE(NearColor(Row(pixels, 11, 1)[0], 0xD04000BF, 1));  // 0x40 / 255 of red over blue
    EXPECT_TRUE(NearColor(Row(pixels, 21, 1)[0], 0xD0C0003F, 1));
    EXPECT_EQ(Row(pixels, 1, 11)[0], 0xFFFF0000u);
    EXPECT_EQ(Row(pixels, 11, 11)[0], 0xFF0000FFu);
}

// Modulate multiplies texel and diffuse colour; modulate 2x doubles that, saturated, so a
// diffuse grey of 128 shows the texel nearly unchanged. Selecting the texture's alpha ignores
// the vertex alpha.
TEST_F(GlTextureTest, ModulateMultipliesTexelAndDiffuse) {
    auto texture = MakeTexture(1, 1, {0xFFFF8040});
    const std::vector<uint32_t> pixels = Frame([&] {
        UseTexture(texture.get(), D3DTEXF_POINT, D3DTADDRESS_WRAP);
        for (D3DTEXTUREOP op : {D3DTOP_MODULATE, D3DTOP_MODULATE2X}) {
            ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLOROP, op), D3D_OK);
            ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE), D3D_OK);
            ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE), D3D_OK);
            ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE), D3D_OK);
            const float x = op == D3DTOP_MODULATE ? 0.0f : 10.0f;
            ASSERT_EQ(DrawQuad(x, 0, x + 4, 4, 0x8080FF80), D3D_OK);
            ASSERT_EQ(DrawQuad(x, 10, x + 4, 14, 0xFF808080), D3D_OK);
        }
        ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2), D3D_OK);
        ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE), D3D_OK);
        ASSERT_EQ(DrawQuad(20, 0, 24, 4, 0x00FFFFFF), D3D_OK);
    });
    EXPECT_TRUE(NearColor(Row(pixels, 1, 1)[0], 0x80808020, 1));
    EXPECT_TRUE(NearColor(Row(pixels, 11, 1)[0], 0x80FFFF40, 1));
    EXPECT_TRUE(NearColor(Row(pixels, 11, 11)[0], 0xFFFF8040, 1));
    EXPECT_EQ(Row(pixels, 21, 1)[0] >> 24, 0xFFu);
}

}  // namespace
}  // namespace platform
