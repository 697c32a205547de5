#pragma once
// Rectangle outlines, collected in fixed arrays and drawn as line lists, 256 outlines a draw.
//
// A batch is Begin, any number of AddRectOutline, End. Batches of the drawing managers may
// follow each other in a frame but not interleave: each Begin applies its own device state.
// Failures go to the error trail; callers test ErrorRaised.

#include <cstdint>
#include <memory>

#include "cells/VirtualSpace.h"
#include "frame/FrameObject.h"
#include "gfx/Vertex.h"
#include "platform/Device.h"

namespace gfx {

class LineManager : public frame::FrameObject {
public:
    static constexpr uint32_t MaxVertices = 1024;
    static constexpr uint32_t MaxIndices = 2048;

    LineManager() = default;
    LineManager(const LineManager&) = delete;
    LineManager& operator=(const LineManager&) = delete;

    // Records the device state of the batches (colour from the vertices, format 66).
    void RestoreDeviceObjects() override;
    void InvalidateDeviceObjects() override;

    // Empties the batch and applies the recorded state.
    void Begin();
    // The outline of the pixels from (left, top) to (right - 1, bottom - 1).
    void AddRectOutline(const cells::VirtualRect& rect, platform::D3DCOLOR color);
    // Draws what the batch holds.
    void End();
    // Draws the batch and empties it, also when the draw fails; false when it failed.
    bool Flush();

private:
    ColorVertex m_vertices[MaxVertices] {};
    uint16_t m_indices[MaxIndices] {};
    int32_t m_vertexCount { 0 };
    uint32_t m_indexCount { 0 };
    std::unique_ptr<platform::StateBlock> m_stateBlock;
};

// The process-wide line manager.
LineManager& Lines();

}  // namespace gfx
