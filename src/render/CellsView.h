#pragma once
// The cells view: cells as flat-coloured squares of CellSize pixels with a one-pixel gap on
// the right and bottom of each, through which the cleared background shows, so that the grid
// is visible. Squares are collected in batches of at most 10000 and drawn as indexed triangle
// lists; a full batch is drawn and the buffers refilled within the frame.
//
// Every frame: Begin, Add for each square in row order, End. Between Begin and End both buffers
// stay locked except while a full batch is drawn. The buffers lie in the default pool: Restore
// makes them, Release frees them.

#include <cstdint>

#include "cells/VirtualSpace.h"
#include "platform/Device.h"
#include "render/QuadBatch.h"
#include "view/ViewGeometry.h"

namespace render {

class CellsView {
public:
    // A view of a width x height world, without device objects.
    CellsView(int width, int height);

    // Creates the vertex buffer (10000 squares of 4 vertices of 20 bytes) and the index buffer
    // (6 16-bit indices a square). On failure neither is kept and the trail ends with "Nie
    // można przywrócić komórek do wizualizacji".
    void Restore(platform::Device& device);
    void Release();
    bool Restored() const { return m_batch.Created(); }

    // Computes CellSize and the grid's origin for the zoom and the back-buffer size, empties the
    // batch and locks the buffers. False, with the trail ending "Nie można rozpocząć rysowania
    // wizualizacji komórek", when a lock failed.
    bool Begin(cells::ModeSize mode, float zoom);
    // Appends the square of cell (column, row), drawing the batch first when it is full. False
    // when the view takes no more squares this frame (the refill's lock or the draw failed;
    // the error is in the trail).
    bool Add(int column, int row, uint32_t colour);
    // Unlocks the buffers and draws what the batch holds.
    void End();
    // Unlocks the buffers and forgets the batch without drawing it: the frame stopped at an error.
    void Abort();

    // The grid of the last Begin.
    const view::CellGrid& Grid() const { return m_grid; }

private:
    void Draw();

    QuadBatch m_batch;
    int m_width;
    int m_height;
    view::CellGrid m_grid;  // CellSize and origin in back-buffer pixels
    int m_edge { 1 };       // CellSize - 1: the square's extent
};

}  // namespace render
