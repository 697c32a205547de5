#pragma once
// Textured rectangles, each one frame of a sprite, collected in fixed arrays and drawn as
// triangle lists, 1024 sprites a draw. A batch is Begin, SetSprite, AddSprite..., End.
//
// The colour of a sprite modulates its texture twice over: a vertex colour with red, green and
// blue of 128 shows the texture's colours nearly unchanged, white doubles them.

#include <cstdint>
#include <memory>

#include "cells/VirtualSpace.h"
#include "frame/FrameObject.h"
#include "gfx/Sprite.h"
#include "gfx/Vertex.h"
#include "platform/Device.h"

namespace gfx {

class SpriteManager : public frame::FrameObject {
public:
    static constexpr uint32_t MaxSprites = 1024;

    SpriteManager() = default;
    SpriteManager(const SpriteManager&) = delete;
    SpriteManager& operator=(const SpriteManager&) = delete;

    // Records the device state of the batches (no culling, alpha blending, texture times
    // vertex colour twice over, format 0x142).
    void RestoreDeviceObjects() override;
    void InvalidateDeviceObjects() override;

    // Applies the recorded state.
    void Begin();
    // Binds the sprite's texture with point or linear filtering, wrapped or mirrored, and
    // empties the batch. A sprite without a texture is refused and nothing changes.
    void SetSprite(const Sprite* sprite, bool filtered, bool mirrored);
    // Frame `frame` of the current sprite stretched over the rectangle. Without a current
    // sprite (none was set since the last End) nothing is added.
    void AddSprite(uint32_t frame, const cells::VirtualRect& rect, platform::D3DCOLOR color);
    // Draws what the batch holds, then unbinds the texture and forgets the sprite; returns
    // the result of unbinding.
    platform::Result End();
    // Draws the batch and empties it, also when the draw fails; false when it failed.
    bool Flush();

private:
    std::unique_ptr<platform::StateBlock> m_stateBlock;
    TexturedVertex m_vertices[4 * MaxSprites] {};
    uint16_t m_indices[6 * MaxSprites] {};
    uint32_t m_count { 0 };  // sprites in the batch
    const Sprite* m_sprite { nullptr };
    bool m_filtered { false };
};

// The process-wide sprite manager.
SpriteManager& Sprites();

}  // namespace gfx
