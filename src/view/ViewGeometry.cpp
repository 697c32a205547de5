// Zoom, the texture quad, the grid of cell squares and the mapping from a screen point to a
// cell. Everything is in back-buffer pixels, derived from the view rectangle of the virtual space.

#include "view/ViewGeometry.h"

#include <algorithm>
#include <cmath>

#include "base/NumericCasts.h"

namespace view {

using cells::ModeSize;
using cells::RectToPixels;
using cells::ToPixels;
using cells::VirtualPoint;
using cells::VirtualRect;
using cells::WrapCoordinates;

namespace {

constexpr float MinimumZoom = 0.1f;
constexpr float MaximumZoom = 10.0f;

// The largest square edge the grid uses. A real screen at the largest zoom needs a few
// thousand pixels; the cap keeps CellSize * Width and the squares' corners (CellSize * column
// + origin) within int for any world of up to 1000 cells a side, whatever zoom is passed in.
constexpr int MaximumCellSize = 1 << 20;

}  // namespace

float ClampZoom(float zoom) {
    if (!(zoom <= MaximumZoom)) zoom = MaximumZoom;
    if (zoom < MinimumZoom) zoom = MinimumZoom;
    return zoom;
}

float ZoomToPosition(float zoom) { return (std::log10(ClampZoom(zoom)) + 1.0f) / 2.0f; }

float PositionToZoom(float position) {
    // Positions of the track bar lie in [0, 1], which maps onto [0.1, 10]; the clamp only
    // matters for a position outside that interval.
    return ClampZoom(std::pow(10.0f, 2.0f * position - 1.0f));
}

CellGrid ComputeCellGrid(float zoom, int width, int height, ModeSize mode) {
    VirtualRect rect = RectToPixels(ViewRect, mode);
    float cellWidth = (rect.Right - rect.Left) / static_cast<float>(width);
    float cellHeight = (rect.Bottom - rect.Top) / static_cast<float>(height);
    float size = std::min(cellWidth, cellHeight);
    CellGrid grid;
    int cellSize = base::TruncateToInt32(zoom * size);
    grid.CellSize = cellSize < 3 ? 2 : std::min(cellSize, MaximumCellSize);
    // In double: CellSize * Width exceeds int for a capped size and a wide world.
    double centreX = (static_cast<double>(rect.Left) + static_cast<double>(rect.Right)) / 2.0;
    double centreY = (static_cast<double>(rect.Top) + static_cast<double>(rect.Bottom)) / 2.0;
    grid.OriginX = base::TruncateToInt32(centreX - static_cast<double>(grid.CellSize) * width / 2.0);
    grid.OriginY = base::TruncateToInt32(centreY - static_cast<double>(grid.CellSize) * height / 2.0);
    return grid;
}

TextureQuad ComputeTextureQuad(float zoom, bool tiled, int width, int height, ModeSize mode) {
    VirtualRect rect = RectToPixels(ViewRect, mode);
    float w = static_cast<float>(width) * zoom;
    float h = static_cast<float>(height) * zoom;
    TextureQuad quad;
    if (tiled) {
        quad.X0 = rect.Left;
        quad.Y0 = rect.Top;
        quad.X1 = rect.Right;
        quad.Y1 = rect.Bottom;
        quad.UMax = (rect.Right - rect.Left) / w;
        quad.VMax = (rect.Bottom - rect.Top) / h;
    } else {
        float cx = (rect.Left + rect.Right) / 2.0f;
        float cy = (rect.Top + rect.Bottom) / 2.0f;
        quad.X0 = cx - w / 2.0f;
        quad.X1 = cx + w / 2.0f;
        quad.Y0 = cy - h / 2.0f;
        quad.Y1 = cy + h / 2.0f;
        quad.UMax = 1.0f;
        quad.VMax = 1.0f;
    }
    return quad;
}

float FittingZoom(ViewKind kind, int width, int height, ModeSize mode) {
    if (kind != ViewKind::Texture) return 1.0f;
    VirtualRect rect = RectToPixels(ViewRect, mode);
    return std::min((rect.Bottom - rect.Top) / static_cast<float>(height), (rect.Right - rect.Left) / static_cast<float>(width));
}

bool ScreenToCell(VirtualPoint point, ViewKind kind, float zoom, bool tiled, int width, int height,
                  ModeSize mode, int& column, int& row) {
    if (width < 1 || height < 1) return false;
    // Both edges belong to the rectangle; a NaN coordinate lies nowhere.
    if (!(point.X >= ViewRect.Left && point.X <= ViewRect.Right && point.Y >= ViewRect.Top && point.Y <= ViewRect.Bottom))
        return false;
    VirtualPoint pixel = ToPixels(point, mode);
    int x = 0;
    int y = 0;
    if (kind == ViewKind::Texture) {
        if (tiled) {
            VirtualRect rect = RectToPixels(ViewRect, mode);
            x = base::TruncateToInt32((pixel.X - rect.Left) / zoom);
            y = base::TruncateToInt32((pixel.Y - rect.Top) / zoom);
            WrapCoordinates(x, y, width, height);
            column = x;
            row = y;
            return true;
        }
        TextureQuad quad = ComputeTextureQuad(zoom, false, width, height, mode);
        x = base::TruncateToInt32((pixel.X - quad.X0) / zoom);
        y = base::TruncateToInt32((pixel.Y - quad.Y0) / zoom);
    } else {
        CellGrid grid = ComputeCellGrid(zoom, width, height, mode);
        float scale = 1.0f / static_cast<float>(grid.CellSize);
        x = base::TruncateToInt32((pixel.X - static_cast<float>(grid.OriginX)) * scale);
        y = base::TruncateToInt32((pixel.Y - static_cast<float>(grid.OriginY)) * scale);
    }
    // Truncation is toward zero: less than a cell left of or above the grid still gives 0.
    if (x < 0 || x >= width || y < 0 || y >= height) return false;
    column = x;
    row = y;
    return true;
}

}  // namespace view
