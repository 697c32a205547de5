#pragma once
// The vectors view: one arrow per cell, a square textured with the arrow picture, centred on
// the cell, turned to the cell's angle, scaled by its length and tinted with its colour (the
// picture's alpha gives the arrow's shape). Arrows are batched like the squares of the cells
// view, at most 10000 per draw call.
//
// The arrow texture lies in the managed pool and lives from the device's creation to its
// release (LoadArrow, ReleaseArrow); the buffers lie in the default pool (Restore, Release).
// Every frame: Begin, Add for each arrow in row order, End.

#include <cstdint>
#include <memory>
#include <string>

#include "cells/VirtualSpace.h"
#include "platform/Device.h"
#include "render/QuadBatch.h"
#include "view/ViewGeometry.h"

namespace render {

class VectorsView {
public:
    // A view of a width x height world, without device objects.
    VectorsView(int width, int height);

    // Loads the arrow picture at `path` as a managed texture; on failure the trail ends with
    // "Nie można wczytać tekstury strzałki z zasobów" and there is no arrow texture.
    void LoadArrow(platform::Device& device, const std::string& path);
    void ReleaseArrow();
    bool HasArrow() const { return m_arrow != nullptr; }

    // Creates the vertex buffer (4 vertices of 28 bytes an arrow) and the index buffer (6 16-bit
    // indices an arrow) for a batch: 10000 arrows, or one per cell of a smaller world. On
    // failure neither is kept; the caller adds its context message.
    void Restore(platform::Device& device);
    void Release();
    bool Restored() const { return m_batch.Created(); }

    // Computes CellSize and the grid's origin, empties the batch and locks the buffers. False,
    // with the trail ending "Nie można rozpocząć aktualizacji wizualizacji wektorów", when a
    // lock failed.
    bool Begin(cells::ModeSize mode, float zoom);
    // Appends the arrow of cell (column, row): `length` 1 puts its corners on the circle
    // inscribed in the cell, `angle` (radians) turns it counter-clockwise on the screen from
    // pointing right. An arrow whose size or angle is not a finite number is left out. Draws
    // the batch first when it is full; false when the view takes no more arrows this frame.
    bool Add(int column, int row, uint32_t colour, float length, float angle);
    // Unlocks the buffers and draws what the batch holds.
    void End();
    // Unlocks the buffers and forgets the batch without drawing it: the frame stopped at an error.
    void Abort();

    const view::CellGrid& Grid() const { return m_grid; }

private:
    void Draw();

    std::unique_ptr<platform::Texture> m_arrow;
    QuadBatch m_batch;
    int m_width;
    int m_height;
    view::CellGrid m_grid;  // CellSize and origin in back-buffer pixels
};

}  // namespace render
