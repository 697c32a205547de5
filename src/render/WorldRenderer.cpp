#include "render/WorldRenderer.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "base/Utilities.h"
#include "core/Automaton.h"
#include "core/WorkbenchState.h"
#include "errors/ErrorTrail.h"
#include "render/Canvas.h"
#include "view/ColorKernels.h"
#include "view/ViewGeometry.h"

namespace render {

using cells::CellTable;
using errors::AddError;
using errors::ErrorRaised;
using view::ViewKind;

namespace {

// Quads are left out where they cannot reach the view rectangle; the margin keeps every pixel
// the rasteriser could touch, whatever the clip rectangle's rounding.
constexpr float CullMargin = 2.0f;

// The vectors and complex views mark every cell of the area that can be seen, strip by strip of
// this many columns and row by row within a strip, so that the cells are read as that many
// sequential streams (a column lies contiguous in memory), prefetched some rows ahead; their
// quads are then added row by row over the whole width, in the visiting order.
constexpr int StripColumns = 16;
constexpr int PrefetchRows = 8;

inline void Prefetch([[maybe_unused]] const void* address) {
#if defined(__GNUC__)
    __builtin_prefetch(address);
#endif
}

// The columns and rows whose quads can reach `bounds`: a cell's quad spans from `low` to
// `high` pixels past the cell's corner on each axis.
view::CellRect VisibleCells(const view::CellGrid& grid, int width, int height, const cells::VirtualRect& bounds,
                            double low, double high) {
    view::CellRect area {0, 0, width, height};
    if (!std::isfinite(low) || !std::isfinite(high)) return area;
    const double size = grid.CellSize;
    auto range = [&](double origin, double from, double to, int count, int& first, int& end) {
        const double a = std::ceil((from - high - origin) / size);
        const double b = std::floor((to - low - origin) / size) + 1.0;
        first = static_cast<int>(std::clamp(a, 0.0, static_cast<double>(count)));
        end = static_cast<int>(std::clamp(b, static_cast<double>(first), static_cast<double>(count)));
    };
    range(grid.OriginX, bounds.Left, bounds.Right, width, area.Left, area.Right);
    range(grid.OriginY, bounds.Top, bounds.Bottom, height, area.Top, area.Bottom);
    return area;
}

// How far an arrow reaches from its cell's centre, in pixels: the radius of the circle through
// its corners. The same arithmetic as the arrow's length, but with the ranges' divisions turned
// into multiplications and inlined into the walk, for deciding which arrows can be seen; it
// differs from the exact radius only by rounding, far less than the culling margin.
class ArrowReach {
public:
    ArrowReach(const view::VectorSpec& spec, int cellSize)
        : m_polar(spec.Form == view::VectorForm::Polar), m_first(spec.Component1), m_second(spec.Component2),
          m_halfCell(0.5 * cellSize) {}

    double operator()(const cells::Cell& cell) const {
        double length;
        if (m_polar) {
            switch (m_first.Kind) {
                case view::ComponentKind::Bool: length = cells::BoolField(cell, m_first.Field) != 0 ? 1.0 : 0.5; break;
                case view::ComponentKind::Default: length = 1.0; break;
                default: length = m_first.Ratio(cell); break;
            }
        } else {
            const double x = m_first.Coordinate(cell, 1.0), y = m_second.Coordinate(cell, 0.0);
            length = std::sqrt(x * x + y * y);
        }
        return std::fabs(m_halfCell * length);
    }

private:
    struct Component {
        view::ComponentKind Kind;
        int Field;
        uint32_t UintMinimum;
        double FloatMinimum;
        double Scale;  // 1 / (maximum - minimum); 0 for a range whose ends are equal

        explicit Component(const view::VectorComponent& component)
            : Kind(component.Kind), Field(component.Field), UintMinimum(component.UintMinimum),
              FloatMinimum(component.FloatMinimum), Scale(0.0) {
            const double span = component.Kind == view::ComponentKind::Uint
                                    ? static_cast<double>(component.UintMaximum - component.UintMinimum)
                                    : static_cast<double>(component.FloatMaximum) - FloatMinimum;
            if (span != 0.0) Scale = 1.0 / span;
        }
        double Ratio(const cells::Cell& cell) const {
            if (Kind == view::ComponentKind::Uint)
                return static_cast<double>(cells::UintField(cell, Field) - UintMinimum) * Scale;
            return (static_cast<double>(cells::FloatField(cell, Field)) - FloatMinimum) * Scale;
        }
        double Coordinate(const cells::Cell& cell, double fallback) const {
            switch (Kind) {
                case view::ComponentKind::Bool: return cells::BoolField(cell, Field) != 0 ? 1.0 : -1.0;
                case view::ComponentKind::Default: return fallback;
                default: return 2.0 * Ratio(cell) - 1.0;
            }
        }
    };

    bool m_polar;
    Component m_first, m_second;
    double m_halfCell;
};

bool Inside(const view::CellRect& area, int x, int y) {
    return x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom;
}

// Calls `visit` with the arrow colour that the colour spec gives as a function of a cell and the same cell
// of the generation before, the mode chosen once and inlined into the walk.
template <class Visit>
void WithArrowColour(const view::ColorSpec& spec, uint32_t background, Visit&& visit) {
    if (spec.Mode == view::ColorMode::BoolDouble) {
        const view::detail::DoubleColour colours {spec.Field, {spec.ColorA, spec.ColorB, spec.ColorC, spec.ColorD}};
        visit([colours](const cells::Cell& cell, const cells::Cell& previous) { return colours(cell, previous); });
        return;
    }
    view::detail::WithModeColour(spec, background, [&](const auto& colourOf) {
        visit([&colourOf](const cells::Cell& cell, const cells::Cell&) { return colourOf(cell); });
    });
}

}  // namespace

ViewOptions OptionsOf(const core::WorkbenchState& state) { return {state.Zoom(), state.Filtered(), state.Tiled()}; }

std::string ArrowFilePath() { return base::DataFilePath("arrow.tga"); }

WorldRenderer::WorldRenderer(const view::ViewSettings& settings, uint32_t background, int width, int height)
    : m_settings(settings), m_background(background), m_width(width), m_height(height), m_arrowPath(ArrowFilePath()) {
    assert(width >= 1 && height >= 1 && "a world has at least one cell");
    const ViewKind kind = settings.Kind;
    if (kind == ViewKind::Texture) m_texture = std::make_unique<TextureView>(width, height);
    if (kind == ViewKind::Cells || kind == ViewKind::Complex) {
        m_cells = std::make_unique<CellsView>(width, height);
        m_colours.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    }
    if (kind == ViewKind::Vectors || kind == ViewKind::Complex) {
        m_vectors = std::make_unique<VectorsView>(width, height);
        m_marks.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    }
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
        const cells::VirtualRect rect = cells::RectToPixels(view::ViewRect, mode);
        m_bounds = {rect.Left - CullMargin, rect.Top - CullMargin, rect.Right + CullMargin, rect.Bottom + CullMargin};
        switch (m_settings.Kind) {
            case ViewKind::Texture: DrawTexture(mode, shown, previous, options); break;
            case ViewKind::Cells: DrawCells(mode, shown, previous, options); break;
            case ViewKind::Vectors:
                if (m_vectors->Begin(mode, options.Zoom))
                    DrawMarks(shown, previous, false);
                else
                    AddError("Nie można zaktualizować obiektu wizualizacji wektorów");
                break;
            case ViewKind::Complex:
                if (!m_vectors->Begin(mode, options.Zoom)) break;
                if (!m_cells->Begin(mode, options.Zoom)) {
                    m_vectors->Abort();
                    break;
                }
                DrawMarks(shown, previous, true);
                break;
        }
        canvas.PopClipRect();
    }
    if (ErrorRaised()) AddError("Nie można odrysować wizualizacji");
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
    const view::CellGrid& grid = m_cells->Grid();
    const view::CellRect area = VisibleCells(grid, m_width, m_height, m_bounds, 0.0, grid.CellSize - 1);
    const int columns = area.Right - area.Left;
    // The texel fill gives each cell's CellColor (or double colour) row by row, as the squares
    // are visited, and reads the table in the order its memory lies in.
    view::FillTexels(m_settings.Color, shown, previous, m_background, reinterpret_cast<uint8_t*>(m_colours.data()),
                     static_cast<size_t>(columns) * sizeof(uint32_t), area);
    const uint32_t* colour = m_colours.data();
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x, ++colour)
            if (*colour != m_background && !m_cells->Add(x, y, *colour)) {
                m_cells->Abort();
                return;
            }
    m_cells->End();
}

template <class ArrowColour>
void WorldRenderer::MarkArea(const ArrowColour& arrowColour, const CellTable& shown, const CellTable* previous,
                             const view::CellRect& area, const view::CellRect& squareArea, bool squares) {
    const view::VectorSpec& spec = m_settings.Vector;
    const view::CellGrid& grid = m_vectors->Grid();
    const double size = grid.CellSize;
    const size_t columns = static_cast<size_t>(area.Right - area.Left);
    const size_t squareColumns = static_cast<size_t>(squareArea.Right - squareArea.Left);
    const int selector = m_settings.ComplexField;
    const uint32_t squareValue = static_cast<uint32_t>(m_settings.ComplexValue);
    const ArrowReach reach(spec, grid.CellSize);
    const CellTable& before = previous ? *previous : shown;
    for (int x0 = area.Left; x0 < area.Right; x0 += StripColumns) {
        const int x1 = std::min(area.Right, x0 + StripColumns);
        for (int y = area.Top; y < area.Bottom; ++y) {
            if (y + PrefetchRows < area.Bottom)
                for (int x = x0; x < x1; ++x) Prefetch(shown.Column(x) + y + PrefetchRows);
            const double cy = (y + 0.5) * size + grid.OriginY;
            const double outsideY = std::max({m_bounds.Top - cy, cy - m_bounds.Bottom, 0.0});
            CellMark* mark = m_marks.data() + static_cast<size_t>(y - area.Top) * columns + static_cast<size_t>(x0 - area.Left);
            for (int x = x0; x < x1; ++x, ++mark) {
                mark->Kind = CellMark::Nothing;
                const cells::Cell& cell = shown.At(x, y);
                if (squares && cells::BoolField(cell, selector) == squareValue) {
                    if (!Inside(squareArea, x, y)) continue;
                    const uint32_t colour = m_colours[static_cast<size_t>(y - squareArea.Top) * squareColumns +
                                                      static_cast<size_t>(x - squareArea.Left)];
                    if (colour != m_background) *mark = {CellMark::Square, colour, 0.0f, 0.0f};
                    continue;
                }
                // An arrow whose centre lies outside the view rectangle is seen only when it
                // reaches into it (NaN reaches nowhere).
                const double cx = (x + 0.5) * size + grid.OriginX;
                const double outside = std::max({outsideY, m_bounds.Left - cx, cx - m_bounds.Right});
                if (outside > 0.0 && !(reach(cell) >= outside)) continue;
                const uint32_t colour = arrowColour(cell, before.At(x, y));
                if (colour != m_background)
                    *mark = {CellMark::Arrow, colour, view::VectorLength(spec, cell), view::VectorAngle(spec, cell)};
            }
        }
    }
}

void WorldRenderer::DrawMarks(const CellTable& shown, const CellTable* previous, bool squares) {
    const view::CellGrid& grid = m_vectors->Grid();
    const double reach = grid.CellSize * 0.5 * static_cast<double>(view::MaximumVectorLength(m_settings.Vector));
    const view::CellRect area =
        VisibleCells(grid, m_width, m_height, m_bounds, grid.CellSize * 0.5 - reach, grid.CellSize * 0.5 + reach);
    view::CellRect squareArea {};
    if (squares) {
        squareArea = VisibleCells(m_cells->Grid(), m_width, m_height, m_bounds, 0.0, m_cells->Grid().CellSize - 1);
        view::FillTexels(m_settings.Color, shown, previous, m_background, reinterpret_cast<uint8_t*>(m_colours.data()),
                         static_cast<size_t>(squareArea.Right - squareArea.Left) * sizeof(uint32_t), squareArea);
    }
    // Squares lie inside their cells, so the arrows' area (a reach of at least half a cell)
    // holds the squares' area: one walk over it marks both, then they are added row by row.
    WithArrowColour(m_settings.Vector.Color, m_background,
                    [&](const auto& arrowColour) { MarkArea(arrowColour, shown, previous, area, squareArea, squares); });
    const CellMark* mark = m_marks.data();
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x, ++mark) {
            bool going = true;
            if (mark->Kind == CellMark::Square)
                going = m_cells->Add(x, y, mark->Colour);
            else if (mark->Kind == CellMark::Arrow)
                going = m_vectors->Add(x, y, mark->Colour, mark->Length, mark->Angle);
            if (!going) {
                if (squares) m_cells->Abort();
                m_vectors->Abort();
                return;
            }
        }
    if (squares) m_cells->End();
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
