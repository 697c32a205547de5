#include "render/CellsView.h"

#include <cstring>

#include "errors/ErrorTrail.h"

namespace render {

using errors::AddError;
using errors::ErrorRaised;

namespace {

// XYZRHW | DIFFUSE: x, y in back-buffer pixels, z 0, rhw 1, colour 0xAARRGGBB.
struct SquareVertex {
    float X, Y, Z, Rhw;
    uint32_t Colour;
};
static_assert(sizeof(SquareVertex) == 20);

constexpr uint32_t SquareFvf = platform::D3DFVF_XYZRHW | platform::D3DFVF_DIFFUSE;

}  // namespace

CellsView::CellsView(int width, int height)
    : m_batch(sizeof(SquareVertex), SquareFvf), m_width(width), m_height(height) {}

void CellsView::Restore(platform::Device& device) {
    m_batch.Create(device, QuadBatch::MaxQuads);
    if (ErrorRaised()) {
        Release();
        AddError("Nie można przywrócić komórek do wizualizacji");
    }
}

void CellsView::Release() { m_batch.Release(); }

bool CellsView::Begin(cells::ModeSize mode, float zoom) {
    m_grid = view::ComputeCellGrid(zoom, m_width, m_height, mode);
    m_edge = m_grid.CellSize - 1;
    if (m_batch.Lock()) return true;
    AddError("Nie można rozpocząć rysowania wizualizacji komórek");
    return false;
}

bool CellsView::Add(int column, int row, uint32_t colour) {
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
    const float x = static_cast<float>(m_grid.CellSize * column + m_grid.OriginX);
    const float y = static_cast<float>(m_grid.CellSize * row + m_grid.OriginY);
    const float x1 = x + static_cast<float>(m_edge);
    const float y1 = y + static_cast<float>(m_edge);
    const SquareVertex vertices[4] = {
        {x, y, 0.0f, 1.0f, colour},
        {x1, y, 0.0f, 1.0f, colour},
        {x, y1, 0.0f, 1.0f, colour},
        {x1, y1, 0.0f, 1.0f, colour},
    };
    std::memcpy(m_batch.Append(), vertices, sizeof vertices);
    return true;
}

void CellsView::End() {
    m_batch.Unlock();
    if (m_batch.Count() > 0) Draw();
}

void CellsView::Abort() {
    m_batch.Unlock();
    m_batch.Empty();
}

void CellsView::Draw() {
    platform::Device& device = *m_batch.Device();
    // Flat colour from the vertices: no texture, no blending.
    device.SetRenderState(platform::D3DRS_ALPHABLENDENABLE, 0);
    device.SetTextureStageState(0, platform::D3DTSS_COLOROP, platform::D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, platform::D3DTSS_COLORARG1, platform::D3DTA_DIFFUSE);
    device.SetTextureStageState(0, platform::D3DTSS_ALPHAOP, platform::D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, platform::D3DTSS_ALPHAARG1, platform::D3DTA_DIFFUSE);
    device.SetTexture(0, nullptr);
    m_batch.DrawQuads();
    if (ErrorRaised()) AddError("Nie można odrysować wizualizacji komórek");
}

}  // namespace render
