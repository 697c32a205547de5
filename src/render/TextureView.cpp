#include "render/TextureView.h"

#include <cstring>

#include "errors/ErrorTrail.h"
#include "platform/DeviceCheck.h"
#include "view/ViewGeometry.h"

namespace render {

using errors::AddError;
using errors::ErrorRaised;
using platform::CheckDevice;

namespace {

// XYZRHW | TEX1: x, y in back-buffer pixels, z 0, rhw 1, texture coordinates.
struct QuadVertex {
    float X, Y, Z, Rhw, U, V;
};
static_assert(sizeof(QuadVertex) == 24);

constexpr uint32_t QuadFvf = platform::D3DFVF_XYZRHW | platform::D3DFVF_TEX1;
constexpr uint32_t QuadBytes = 4 * sizeof(QuadVertex);

}  // namespace

TextureView::TextureView(int width, int height) : m_width(width), m_height(height) {}

void TextureView::Restore(platform::Device& device) {
    m_device = &device;
    platform::Result result =
        device.CreateTexture(static_cast<uint32_t>(m_width), static_cast<uint32_t>(m_height), 1, platform::D3DUSAGE_DYNAMIC,
                             platform::D3DFMT_A8R8G8B8, platform::D3DPOOL_DEFAULT, m_texture);
    if (CheckDevice(result, "Nie można utworzyć tekstury") < 0) m_texture.reset();
    if (!ErrorRaised()) {
        result = device.CreateVertexBuffer(QuadBytes, platform::D3DUSAGE_DYNAMIC, QuadFvf, platform::D3DPOOL_DEFAULT,
                                           m_vertices);
        if (CheckDevice(result, "Nie można utworzyć bufora wierzchołków") < 0) m_vertices.reset();
    }
    if (ErrorRaised()) {
        Release();
        AddError("Nie można przywrócić tekstury do wizualizacji");
    }
}

void TextureView::Release() {
    m_vertices.reset();
    m_texture.reset();
    m_device = nullptr;
}

bool TextureView::Lock(cells::ModeSize mode, bool filtered, bool tiled, float zoom, uint8_t*& texels, size_t& pitch) {
    texels = nullptr;
    pitch = 0;
    m_filtered = filtered;

    // Without device objects (a failed restore) the locks fail as a lock of nothing does.
    void* memory = nullptr;
    platform::Result result = m_vertices ? m_vertices->Lock(0, 0, memory, platform::D3DLOCK_DISCARD)
                                         : platform::D3DERR_INVALIDCALL;
    if (CheckDevice(result, "Nie można zablokować bufora wierzchołków tekstury wizualizacji") < 0) return false;
    view::TextureQuad quad = view::ComputeTextureQuad(zoom, tiled, m_width, m_height, mode);
    const QuadVertex vertices[4] = {
        {quad.X0, quad.Y0, 0.0f, 1.0f, 0.0f, 0.0f},
        {quad.X1, quad.Y0, 0.0f, 1.0f, quad.UMax, 0.0f},
        {quad.X0, quad.Y1, 0.0f, 1.0f, 0.0f, quad.VMax},
        {quad.X1, quad.Y1, 0.0f, 1.0f, quad.UMax, quad.VMax},
    };
    std::memcpy(memory, vertices, sizeof vertices);
    m_vertices->Unlock();

    platform::LockedRect locked;
    result = m_texture ? m_texture->LockRect(0, locked, nullptr, platform::D3DLOCK_DISCARD) : platform::D3DERR_INVALIDCALL;
    if (CheckDevice(result, "Nie można zablokować tekstury") < 0) return false;
    texels = static_cast<uint8_t*>(locked.Bits);
    pitch = static_cast<size_t>(locked.Pitch);
    return true;
}

void TextureView::Draw() {
    // Only after a successful Lock, which needs the device objects.
    if (!m_device || !m_texture) return;
    platform::Device& device = *m_device;
    m_texture->UnlockRect(0);

    const uint32_t filter = m_filtered ? platform::D3DTEXF_LINEAR : platform::D3DTEXF_POINT;
    device.SetSamplerState(0, platform::D3DSAMP_MINFILTER, filter);
    device.SetSamplerState(0, platform::D3DSAMP_MAGFILTER, filter);
    device.SetSamplerState(0, platform::D3DSAMP_ADDRESSU, platform::D3DTADDRESS_WRAP);
    device.SetSamplerState(0, platform::D3DSAMP_ADDRESSV, platform::D3DTADDRESS_WRAP);
    // The texel is shown unchanged: no blending, colour and alpha straight from the texture.
    device.SetRenderState(platform::D3DRS_ALPHABLENDENABLE, 0);
    device.SetTextureStageState(0, platform::D3DTSS_TEXCOORDINDEX, 0);
    device.SetTextureStageState(0, platform::D3DTSS_COLOROP, platform::D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, platform::D3DTSS_COLORARG1, platform::D3DTA_TEXTURE);
    device.SetTextureStageState(0, platform::D3DTSS_ALPHAOP, platform::D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, platform::D3DTSS_ALPHAARG1, platform::D3DTA_TEXTURE);

    if (CheckDevice(device.SetTexture(0, m_texture.get()), "Nie można ustawić tekstury") >= 0 &&
        CheckDevice(device.SetStreamSource(0, m_vertices.get(), 0, sizeof(QuadVertex)),
                    "Nie można ustawić bufora wierzchołków") >= 0 &&
        CheckDevice(device.SetFVF(QuadFvf), "Nie można ustawić formatu wierzchołków") >= 0)
        CheckDevice(device.DrawPrimitive(platform::D3DPT_TRIANGLESTRIP, 0, 2), "Nie można odrysować quada");
    if (ErrorRaised()) AddError("Nie można odrysować wizualizacji tekstury");
}

}  // namespace render
