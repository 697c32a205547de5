#pragma once
// Where the world lies on the screen: zoom, the texture quad, the grid of cell squares, and
// the way back from a point to a cell. Pure functions of the settings and the back-buffer size.

#include "cells/VirtualSpace.h"
#include "view/ViewSettings.h"

namespace view {

// The world is drawn inside this rectangle of the virtual drawing space.
inline constexpr cells::VirtualRect ViewRect { 40, 64, 800, 560 };

// Zoom limited to [0.1, 10] (a NaN becomes 10, as the upper limit is applied first).
float ClampZoom(float zoom);
// Track-bar position of a zoom, (log10(z) + 1) / 2 of the clamped zoom, and back: 10^(2p - 1).
float ZoomToPosition(float zoom);
float PositionToZoom(float position);

// The squares of the cells, vectors and complex views, in back-buffer pixels: CellSize is
// truncate(zoom * the smaller of the pixels a column and a row), at least 2 and at most 2^20
// (so that CellSize * column + origin stays within int); the grid is centred in the rectangle.
struct CellGrid {
    int CellSize { 2 };
    int OriginX { 0 };
    int OriginY { 0 };
};
CellGrid ComputeCellGrid(float zoom, int width, int height, cells::ModeSize mode);

// The texture view's quad in back-buffer pixels and its texture extent.
struct TextureQuad {
    float X0 { 0 }, Y0 { 0 }, X1 { 0 }, Y1 { 0 };
    float UMax { 1 }, VMax { 1 };
};
TextureQuad ComputeTextureQuad(float zoom, bool tiled, int width, int height, cells::ModeSize mode);

// The zoom at which the whole world fills the view rectangle (texture view), 1 otherwise.
float FittingZoom(ViewKind kind, int width, int height, cells::ModeSize mode);

// The cell under a point of the virtual space, if the point lies on the world; column and row
// are written only then. Both edges of the view rectangle belong to it; truncation is toward
// zero, so a point less than a cell left of or above the grid still finds column or row 0.
bool ScreenToCell(cells::VirtualPoint point, ViewKind kind, float zoom, bool tiled, int width, int height,
                  cells::ModeSize mode, int& column, int& row);

}  // namespace view
