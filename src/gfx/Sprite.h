#pragma once
// Sprites: frames cut out of a texture that the sprite does not own.

#include <cstdint>

#include "platform/Device.h"

namespace gfx {

// Where a frame lies in its texture (texture coordinates) and its size in texels.
struct SpriteFrame {
    float UMin { 0 }, VMin { 0 }, UMax { 0 }, VMax { 0 };
    float Width { 0 }, Height { 0 };
};

// The frame index that stands for the whole texture.
constexpr uint32_t WholeTexture = 0xFFFFFFFF;

class Sprite {
public:
    explicit Sprite(platform::Texture* texture) : m_texture(texture) {}
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;
    virtual ~Sprite() = default;

    // Null when the texture failed to load; such a sprite cannot be drawn.
    platform::Texture* Texture() const { return m_texture; }
    virtual SpriteFrame GetFrame(uint32_t frame) const = 0;

private:
    platform::Texture* m_texture;
};

// A sheet of equal frames, row by row from the top left, FramesPerRow to a row, with gaps of
// GapX and GapY texels between neighbouring frames (none before the first column and row).
class Sprite2 : public Sprite {
public:
    // The texture's size is read from it now (0 x 0 without a texture). Frames per row of 0
    // count as 1.
    Sprite2(platform::Texture* texture, uint32_t frameWidth, uint32_t frameHeight, uint32_t framesPerRow,
            uint32_t gapX = 0, uint32_t gapY = 0);

    SpriteFrame GetFrame(uint32_t frame) const override;

    uint32_t TextureWidth() const { return m_textureWidth; }
    uint32_t TextureHeight() const { return m_textureHeight; }

private:
    uint32_t m_textureWidth { 0 }, m_textureHeight { 0 };  // texels
    uint32_t m_frameWidth, m_frameHeight;                  // texels
    uint32_t m_gapX, m_gapY;                               // texels
    uint32_t m_framesPerRow;
};

}  // namespace gfx
