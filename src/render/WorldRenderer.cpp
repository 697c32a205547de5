#include "render/WorldRenderer.h"

#include <cassert>

#include "base/Utilities.h"
#include "core/Automaton.h"
#include "core/WorkbenchState.h"
#include "errors/ErrorTrail.h"
#include "render/Canvas.h"
#include "view/ViewGeometry.h"

namespace render {

using cells::CellTable;
using errors::AddError;
using errors::ErrorRaised;
using view::ViewKind;

ViewOptions OptionsOf(const core::WorkbenchState& state) { return {state.Zoom(), state.Filtered(), state.Tiled()}; }

std::string ArrowFilePath() {
    const std::string name = "arrow.tga";
    const std::string directory = base::ModuleDirectory();
    std::string beside = directory + name;
    if (base::FileExists(beside)) return beside;
    std::string installed = base::JoinPath(directory, "../share/vorlen/" + name);
    if (base::FileExists(installed)) return installed;
    return beside;
}

WorldRenderer::WorldRenderer(const view::ViewSettings& settings, uint32_t background, int width, int height)
    : m_settings(settings), m_background(background), m_width(width), m_height(height), m_arrowPath(ArrowFilePath()) {
    assert(width >= 1 && height >= 1 && "a world has at least one cell");
    const ViewKind kind = settings.Kind;
    if (kind == ViewKind::Texture) m_texture = std::make_unique<TextureView>(width, height);
    if (kind == ViewKind::Cells || kind == ViewKind::Complex) {
        m_cells = std::make_unique<CellsView>(width, height);
        m_colours.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    }
    if (kind == ViewKind::Vectors || kind == ViewKind::Complex) m_vectors = std::make_unique<VectorsView>(width, height);
}

WorldRenderer::WorldRenderer(const core::Automaton& automaton)
    : WorldRenderer(automaton.View(), automaton.Background(), automaton.Width(), automaton.Height()) {}

// --- Device objects ---

void WorldRenderer::CreateDeviceObjects(platform::Device& device) {
    if (m_vectors) m_vectors->LoadArrow(device, m_arrowPath);
}

void WorldRenderer::ReleaseDeviceObjects() {
    if (m_vectors) m_vectors->ReleaseArrow();
}

void WorldRenderer::RestoreDeviceObjects(platform::Device& device) {
    // The squares and arrows are two triangles of opposite turns each: no culling.
    device.SetRenderState(platform::D3DRS_CULLMODE, platform::D3DCULL_NONE);
    if (m_texture) m_texture->Restore(device);
    if (m_cells && !ErrorRaised()) m_cells->Restore(device);
    if (m_vectors && !ErrorRaised()) {
        m_vectors->Restore(device);
        if (ErrorRaised()) AddError("Nie można przywrócić wektorów do wizualizacji");
    }
    if (ErrorRaised()) InvalidateDeviceObjects();
}

void WorldRenderer::InvalidateDeviceObjects() {
    if (m_vectors) m_vectors->Release();
    if (m_cells) m_cells->Release();
    if (m_texture) m_texture->Release();
}

// --- Drawing ---

void WorldRenderer::DrawWorld(Canvas& canvas, const core::Automaton& automaton, const core::WorkbenchState& state) {
    DrawWorld(canvas, automaton.Cells(), OptionsOf(state));
}

void WorldRenderer::DrawWorld(Canvas& canvas, const core::Generations& generations, const ViewOptions& options) {
    const bool sameWorld = generations.Allocated() && generations.Width() == m_width && generations.Height() == m_height;
    assert(sameWorld && "the generations are those of the world the renderer was made for");
    if (!sameWorld) return;

    canvas.PushClipRect(view::ViewRect);
    if (!ErrorRaised()) {
        // The last completed generation (generation 0 itself with one buffer), and the one
        // before it for the colour mapping that compares two generations.
        const CellTable& shown = generations.Shown();
        const CellTable* previous = generations.Buffers() >= 3 ? &generations.Table(2) : nullptr;
        const cells::ModeSize mode = canvas.Mode();
        switch (m_settings.Kind) {
            case ViewKind::Texture: DrawTexture(mode, shown, previous, options); break;
            case ViewKind::Cells: DrawCells(mode, shown, previous, options); break;
            case ViewKind::Vectors: DrawVectors(mode, shown, previous, options); break;
            case ViewKind::Complex: DrawComplex(mode, shown, previous, options); break;
        }
        canvas.PopClipRect();
    }
    if (ErrorRaised()) AddError("Nie można odrysować wizualizacji");
}

void WorldRenderer::MapSquareColours(const CellTable& shown, const CellTable* previous) {
    // The texel fill gives each cell's CellColor (or double colour) row by row, as the squares
    // are visited, and walks the table in the order its memory lies in.
    view::FillTexels(m_settings.Color, shown, previous, m_background, reinterpret_cast<uint8_t*>(m_colours.data()),
                     static_cast<size_t>(m_width) * sizeof(uint32_t));
}

void WorldRenderer::DrawTexture(cells::ModeSize mode, const CellTable& shown, const CellTable* previous,
                                const ViewOptions& options) {
    uint8_t* texels = nullptr;
    size_t pitch = 0;
    if (m_texture->Lock(mode, options.Filtered, options.Tiled, options.Zoom, texels, pitch)) {
        view::FillTexels(m_settings.Color, shown, previous, m_background, texels, pitch);
        m_texture->Draw();
    }
    if (ErrorRaised()) AddError("Nie można odrysować tekstury");
}

void WorldRenderer::DrawCells(cells::ModeSize mode, const CellTable& shown, const CellTable* previous,
                              const ViewOptions& options) {
    if (!m_cells->Begin(mode, options.Zoom)) {
        AddError("Nie można odrysować wizualizacji komórek");
        return;
    }
    MapSquareColours(shown, previous);
    const uint32_t* colour = m_colours.data();
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x, ++colour)
            if (*colour != m_background && !m_cells->Add(x, y, *colour)) {
                m_cells->Abort();
                return;
            }
    m_cells->End();
}

void WorldRenderer::DrawVectors(cells::ModeSize mode, const CellTable& shown, const CellTable* previous,
                                const ViewOptions& options) {
    if (!m_vectors->Begin(mode, options.Zoom)) {
        AddError("Nie można zaktualizować obiektu wizualizacji wektorów");
        return;
    }
    const CellTable& before = previous ? *previous : shown;
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            view::CellArrow arrow = view::CellVector(m_settings.Vector, shown.At(x, y), before.At(x, y), m_background);
            if (arrow.Color != m_background && !m_vectors->Add(x, y, arrow.Color, arrow.Length, arrow.Angle)) {
                m_vectors->Abort();
                return;
            }
        }
    m_vectors->End();
}

void WorldRenderer::DrawComplex(cells::ModeSize mode, const CellTable& shown, const CellTable* previous,
                                const ViewOptions& options) {
    if (!m_vectors->Begin(mode, options.Zoom)) return;
    if (!m_cells->Begin(mode, options.Zoom)) {
        m_vectors->Abort();
        return;
    }
    MapSquareColours(shown, previous);
    const CellTable& before = previous ? *previous : shown;
    const int selector = m_settings.ComplexField;
    const uint32_t squareValue = static_cast<uint32_t>(m_settings.ComplexValue);
    const uint32_t* colour = m_colours.data();
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x, ++colour) {
            const cells::Cell& cell = shown.At(x, y);
            bool going = true;
            if (cells::BoolField(cell, selector) == squareValue) {
                if (*colour != m_background) going = m_cells->Add(x, y, *colour);
            } else {
                view::CellArrow arrow = view::CellVector(m_settings.Vector, cell, before.At(x, y), m_background);
                if (arrow.Color != m_background) going = m_vectors->Add(x, y, arrow.Color, arrow.Length, arrow.Angle);
            }
            if (!going) {
                m_cells->Abort();
                m_vectors->Abort();
                return;
            }
        }
    m_cells->End();
    m_vectors->End();
}

// --- Geometry ---

float WorldRenderer::FittingZoom(cells::ModeSize mode) const {
    return view::FittingZoom(m_settings.Kind, m_width, m_height, mode);
}

bool WorldRenderer::ScreenToCell(cells::VirtualPoint point, cells::ModeSize mode, const ViewOptions& options,
                                 int& column, int& row) const {
    return view::ScreenToCell(point, m_settings.Kind, options.Zoom, options.Tiled, m_width, m_height, mode, column, row);
}

}  // namespace render
