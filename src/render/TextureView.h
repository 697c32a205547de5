#pragma once
// The texture view: the world as one texture of Width x Height texels, one texel per cell,
// drawn as a single quad of back-buffer pixels. The zoom stretches the quad, Filtered chooses
// linear over nearest-texel sampling, and Tiled fills the whole view rectangle with copies of
// the world (wrap addressing) instead of one centred copy.
//
// Every frame: Lock, write every texel, Draw. The texture and the quad's buffer lie in the
// default pool and do not survive a device reset: Restore makes them, Release frees them.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "cells/VirtualSpace.h"
#include "platform/Device.h"

namespace render {

class TextureView {
public:
    // A view of a width x height world (1 to 1000 cells a side), without device objects.
    TextureView(int width, int height);

    // Creates the dynamic A8R8G8B8 texture, then the quad's vertex buffer, on `device`. On
    // failure neither is kept and the trail ends with "Nie można przywrócić tekstury do
    // wizualizacji".
    void Restore(platform::Device& device);
    void Release();
    bool Restored() const { return m_texture != nullptr; }

    // Keeps `filtered` for Draw, rebuilds the quad for the zoom, the tiling and the back-buffer
    // size, and locks the texture. Texel (x, y) is then the 32-bit 0xAARRGGBB value at
    // texels + y * pitch + 4 * x. False, with the error in the trail, when either lock failed.
    bool Lock(cells::ModeSize mode, bool filtered, bool tiled, float zoom, uint8_t*& texels, size_t& pitch);
    // Unlocks the texture and draws the quad; failures end with "Nie można odrysować
    // wizualizacji tekstury".
    void Draw();

    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    platform::Device* m_device { nullptr };  // the device of the objects below
    std::unique_ptr<platform::Texture> m_texture;
    std::unique_ptr<platform::VertexBuffer> m_vertices;  // the quad: 4 vertices, triangle-strip order
    int m_width;
    int m_height;
    bool m_filtered { false };  // Filtered as it was at the last Lock
};

}  // namespace render
