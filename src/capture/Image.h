#pragma once
// A picture of the world as it was drawn: pixels 0xAARRGGBB (alpha as the device left it),
// the top row first.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace capture {

struct Image {
    int Width { 0 };   // in pixels
    int Height { 0 };  // in pixels
    std::vector<uint32_t> Pixels;

    uint32_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)]; }
    // Red, green and blue bytes, 3 a pixel, the top row first (what picture writers take).
    std::vector<uint8_t> Rgb() const;
};

}  // namespace capture
