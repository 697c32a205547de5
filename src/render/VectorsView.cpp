#include "render/VectorsView.h"

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

// The corners of the arrow's square, as angles from its direction on the circle through them,
// with the texture coordinates they take: the picture stands upright at angle 0.
struct Corner {
    float Offset;
    float U, V;
};
constexpr Corner Corners[4] = {
    {2.3561945f, 0.0f, 0.0f},  // 3 pi / 4: top left
    {0.7853982f, 1.0f, 0.0f},  // pi / 4: top right
    {3.926991f, 0.0f, 1.0f},   // 5 pi / 4: bottom left
    {5.4977875f, 1.0f, 1.0f},  // 7 pi / 4: bottom right
};

}  // namespace

VectorsView::VectorsView(int width, int height)
    : m_batch(sizeof(ArrowVertex), ArrowFvf), m_width(width), m_height(height) {}

void VectorsView::LoadArrow(platform::Device& device, const std::string& path) {
    platform::Result result = device.CreateTextureFromFile(path, m_arrow);
    if (CheckDevice(result, "Nie można wczytać tekstury strzałki z zasobów") < 0) m_arrow.reset();
}

void VectorsView::ReleaseArrow() { m_arrow.reset(); }

void VectorsView::Restore(platform::Device& device) {
    // Room for an arrow per cell, although a draw call takes at most MaxQuads of them.
    m_batch.Create(device, static_cast<uint32_t>(m_width) * static_cast<uint32_t>(m_height));
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
    ArrowVertex vertices[4];
    for (int i = 0; i < 4; ++i) {
        const float a = angle + Corners[i].Offset;
        vertices[i] = {cx + std::cos(a) * radius, cy - std::sin(a) * radius, 0.0f, 1.0f, colour, Corners[i].U, Corners[i].V};
    }
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
