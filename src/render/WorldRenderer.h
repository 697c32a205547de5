#pragma once
// The world as the workbench shows it: the views a definition's view kind needs (a texture
// view, a cells view, a vectors view, or cells and vectors for the complex view), their device
// objects, and DrawWorld, which walks the shown generation once a frame and feeds them.
//
// Whoever shows the world owns one and passes its frame-object operations on: the workbench's
// application from its own, a program without the framework from wherever it makes and resets
// its device.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cells/VirtualSpace.h"
#include "core/Generations.h"
#include "platform/Device.h"
#include "render/CellsView.h"
#include "render/TextureView.h"
#include "render/VectorsView.h"
#include "view/ViewSettings.h"

namespace core {
class Automaton;
class WorkbenchState;
}  // namespace core

namespace render {

class Canvas;

// What the user changes while the world is shown.
struct ViewOptions {
    float Zoom { 1.0f };  // already limited to [0.1, 10]
    bool Filtered { false };
    bool Tiled { false };
};
// The zoom, Filtered and Tiled of the workbench's controls.
ViewOptions OptionsOf(const core::WorkbenchState& state);

// Where "arrow.tga" is: beside the running program, else in ../share/vorlen/ relative to it
// (an installed program); the first place when it is in neither.
std::string ArrowFilePath();

class WorldRenderer {
public:
    // The views of `settings.Kind` for a width x height world (1 to 1000 cells a side) on the
    // Background colour `background`, without device objects.
    WorldRenderer(const view::ViewSettings& settings, uint32_t background, int width, int height);
    // The same for a loaded automaton's header.
    explicit WorldRenderer(const core::Automaton& automaton);
    WorldRenderer(const WorldRenderer&) = delete;
    WorldRenderer& operator=(const WorldRenderer&) = delete;

    const view::ViewSettings& Settings() const { return m_settings; }
    uint32_t Background() const { return m_background; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The views; null where the kind needs none.
    TextureView* Texture() { return m_texture.get(); }
    CellsView* Cells() { return m_cells.get(); }
    VectorsView* Vectors() { return m_vectors.get(); }

    // The arrow picture CreateDeviceObjects loads; ArrowFilePath() unless set.
    const std::string& ArrowPath() const { return m_arrowPath; }
    void SetArrowPath(std::string path) { m_arrowPath = std::move(path); }

    // --- Device objects, in the order of the frame-object operations ---
    // Loads the arrow texture when there is a vectors view, through the image library, which
    // the owner has started; a failure is in the trail (the owner adds its context).
    void CreateDeviceObjects(platform::Device& device);
    void ReleaseDeviceObjects();
    // Switches culling off, then restores the texture, cells and vectors views in that order,
    // stopping at the first failure; then the views restored so far are released again (the
    // owner adds its context).
    void RestoreDeviceObjects(platform::Device& device);
    // Releases the buffers and textures of the vectors, cells and texture views (the arrow
    // texture stays).
    void InvalidateDeviceObjects();

    // Draws the shown generation inside the view rectangle: clipped to it, every cell whose
    // colour differs from the Background colour (every texel for the texture view), in row
    // order. Squares and arrows that cannot reach the rectangle are not sent to the device.
    // Failures stop the frame's drawing and end with "Nie można odrysować wizualizacji".
    void DrawWorld(Canvas& canvas, const core::Generations& generations, const ViewOptions& options);
    void DrawWorld(Canvas& canvas, const core::Automaton& automaton, const core::WorkbenchState& state);

    // --- Geometry for the controls and the mouse ---
    // The zoom at which the whole world fills the view rectangle (texture view), else 1: the
    // zoom bar's mark 1.
    float FittingZoom(cells::ModeSize mode) const;
    // The cell under a point of the virtual drawing space, when the point lies on one.
    bool ScreenToCell(cells::VirtualPoint point, cells::ModeSize mode, const ViewOptions& options, int& column,
                      int& row) const;

private:
    // What a cell of the vectors or complex view comes to: nothing to draw, a square or an arrow.
    struct CellMark {
        enum : uint8_t { Nothing, Square, Arrow } Kind;
        uint32_t Colour;
        float Length, Angle;
    };

    void DrawTexture(cells::ModeSize mode, const cells::CellTable& shown, const cells::CellTable* previous,
                     const ViewOptions& options);
    void DrawCells(cells::ModeSize mode, const cells::CellTable& shown, const cells::CellTable* previous,
                   const ViewOptions& options);
    // The vectors view, or with `squares` the complex view; both views have begun their batches.
    void DrawMarks(const cells::CellTable& shown, const cells::CellTable* previous, bool squares);
    template <class ArrowColour>
    void MarkArea(const ArrowColour& arrowColour, const cells::CellTable& shown, const cells::CellTable* previous,
                  const view::CellRect& area, const view::CellRect& squareArea, bool squares);

    view::ViewSettings m_settings;
    uint32_t m_background;
    int m_width;
    int m_height;
    std::unique_ptr<TextureView> m_texture;
    std::unique_ptr<CellsView> m_cells;
    std::unique_ptr<VectorsView> m_vectors;
    std::vector<uint32_t> m_colours;  // the square colours of a frame, row by row over the squares' area
    std::vector<CellMark> m_marks;    // the vectors and complex views' cells that can be seen, row by row
    cells::VirtualRect m_bounds;      // the view rectangle in pixels, widened by a margin
    std::string m_arrowPath;
};

}  // namespace render
