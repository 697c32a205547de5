#include "render/VectorsView.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "errors/ErrorTrail.h"
#include "platform/DeviceCheck.h"

namespace render {

using errors::AddError;
using errors::ErrorRaised;
using platform::CheckDevice;

namespace {

// XYZRHW | DIFFUSE | TEX1: x, y in back-buffer pixels, z 0, rhw 1, colour, texture coordinates.
struct ArrowVertex {
    float X, Y, Z, Rhw;
    uint32_t Colour;
    float U, V;
};
static_assert(sizeof(ArrowVertex) == 28);

constexpr uint32_t ArrowFvf = platform::D3DFVF_XYZRHW | platform::D3DFVF_DIFFUSE | platform::D3DFVF_TEX1;

// The corners of the arrow's square lie at 3/4 pi, 1/4 pi, 5/4 pi and 7/4 pi from its
// direction on the circle through them: top left, top right, bottom left and bottom right of
// the picture, which stands upright at angle 0. With c and s the cosine and sine of the angle,
// cos(angle + k pi / 4) and sin(angle + k pi / 4) are sums of c and s times sqrt(1/2).
constexpr float HalfSqrt2 = 0.70710678f;

}  // namespace

VectorsView::VectorsView(int width, int height)
    : m_batch(sizeof(ArrowVertex), ArrowFvf), m_width(width), m_height(height) {}

void VectorsView::LoadArrow(platform::Device& device, const std::string& path) {
    platform::Result result = device.CreateTextureFromFile(path, m_arrow);
    if (CheckDevice(result, "Nie można wczytać tekstury strzałki z zasobów") < 0) m_arrow.reset();
}

void VectorsView::ReleaseArrow() { m_arrow.reset(); }

void VectorsView::Restore(platform::Device& device) {
    // Room for one batch: a draw call takes at most MaxQuads arrows, and buffers of an arrow
    // per cell would hold over a hundred megabytes for the largest world only to be refilled
    // from the start for every batch.
    const uint32_t cells = static_cast<uint32_t>(m_width) * static_cast<uint32_t>(m_height);
    m_batch.Create(device, std::min(cells, QuadBatch::MaxQuads));
    if (ErrorRaised()) Release();
}

void VectorsView::Release() { m_batch.Release(); }

bool VectorsView::Begin(cells::ModeSize mode, float zoom) {
    m_grid = view::ComputeCellGrid(zoom, m_width, m_height, mode);
    if (m_batch.Lock()) return true;
    AddError("Nie można rozpocząć aktualizacji wizualizacji wektorów");
    return false;
}

bool VectorsView::Add(int column, int row, uint32_t colour, float length, float angle) {
    if (!m_batch.Locked()) return false;
    if (m_batch.Full()) {
        m_batch.Unlock();
        Draw();
        if (ErrorRaised()) {
            m_batch.Empty();
            return false;
        }
        if (!m_batch.Lock()) return false;
    }
    const float size = static_cast<float>(m_grid.CellSize);
    const float cx = (static_cast<float>(column) + 0.5f) * size + static_cast<float>(m_grid.OriginX);
    const float cy = (static_cast<float>(row) + 0.5f) * size + static_cast<float>(m_grid.OriginY);
    const float radius = size * 0.5f * length;
    // A NaN or infinite field gives no square to draw.
    if (!std::isfinite(radius) || !std::isfinite(angle)) return true;
    const float c = std::cos(angle), s = std::sin(angle);
    const float p = HalfSqrt2 * (c + s) * radius;  // cos(angle + 7 pi / 4) R and sin(angle + pi / 4) R
    const float q = HalfSqrt2 * (c - s) * radius;  // cos(angle + pi / 4) R and sin(angle + 3 pi / 4) R
    const ArrowVertex vertices[4] = {
        {cx - p, cy - q, 0.0f, 1.0f, colour, 0.0f, 0.0f},
        {cx + q, cy - p, 0.0f, 1.0f, colour, 1.0f, 0.0f},
        {cx - q, cy + p, 0.0f, 1.0f, colour, 0.0f, 1.0f},
        {cx + p, cy + q, 0.0f, 1.0f, colour, 1.0f, 1.0f},
    };
    std::memcpy(m_batch.Append(), vertices, sizeof vertices);
    return true;
}

void VectorsView::End() {
    m_batch.Unlock();
    if (m_batch.Count() > 0) Draw();
}

void VectorsView::Abort() {
    m_batch.Unlock();
    m_batch.Empty();
}

void VectorsView::Draw() {
    platform::Device& device = *m_batch.Device();
    device.SetSamplerState(0, platform::D3DSAMP_MINFILTER, platform::D3DTEXF_LINEAR);
    device.SetSamplerState(0, platform::D3DSAMP_MAGFILTER, platform::D3DTEXF_LINEAR);
    // The picture's alpha blends the arrow over what is below; its colour is the vertex colour
    // times the picture's, and the vertex colour's alpha has no effect.
    device.SetRenderState(platform::D3DRS_ALPHABLENDENABLE, 1);
    device.SetRenderState(platform::D3DRS_SRCBLEND, platform::D3DBLEND_SRCALPHA);
    device.SetRenderState(platform::D3DRS_DESTBLEND, platform::D3DBLEND_INVSRCALPHA);
    device.SetTextureStageState(0, platform::D3DTSS_COLOROP, platform::D3DTOP_MODULATE);
    device.SetTextureStageState(0, platform::D3DTSS_COLORARG1, platform::D3DTA_DIFFUSE);
    device.SetTextureStageState(0, platform::D3DTSS_COLORARG2, platform::D3DTA_TEXTURE);
    device.SetTextureStageState(0, platform::D3DTSS_ALPHAOP, platform::D3DTOP_SELECTARG2);
    device.SetTextureStageState(0, platform::D3DTSS_ALPHAARG2, platform::D3DTA_TEXTURE);
    if (CheckDevice(device.SetTexture(0, m_arrow.get()), "Nie można ustawić tekstury") >= 0) m_batch.DrawQuads();
    if (ErrorRaised()) AddError("Nie można odrysować wizualizacji wektorów");
}

}  // namespace render
