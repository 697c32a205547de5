#pragma once
// Filled, alpha-blended rectangles, collected in fixed arrays and drawn as triangle lists,
// 1024 rectangles a draw. Used as LineManager is: Begin, AddRect..., End.

#include <cstdint>
#include <memory>

#include "cells/VirtualSpace.h"
#include "frame/FrameObject.h"
#include "gfx/Vertex.h"
#include "platform/Device.h"

namespace gfx {

class RectManager : public frame::FrameObject {
public:
    static constexpr uint32_t MaxRects = 1024;

    RectManager() = default;
    RectManager(const RectManager&) = delete;
    RectManager& operator=(const RectManager&) = delete;

    // Records the device state of the batches (no culling, alpha blending, colour from the
    // vertices, format 66).
    void RestoreDeviceObjects() override;
    void InvalidateDeviceObjects() override;

    // Applies the recorded state and empties the batch.
    void Begin();
    void AddRect(const cells::VirtualRect& rect, platform::D3DCOLOR color);
    void End();
    // Draws the batch and empties it, also when the draw fails; false when it failed.
    bool Flush();

private:
    std::unique_ptr<platform::StateBlock> m_stateBlock;
    ColorVertex m_vertices[4 * MaxRects] {};
    uint16_t m_indices[6 * MaxRects] {};
    uint32_t m_count { 0 };  // rectangles in the batch
};

// The process-wide rectangle manager.
RectManager& Rects();

}  // namespace gfx
