#pragma once
// A palette of at most 256 colours for a picture, for formats that store indices (GIF): the
// picture's own colours when it has no more than 256, else 256 colours chosen by median cut
// over a histogram of 5 bits a channel, each pixel then mapped to the nearest of them.

#include <cstdint>
#include <vector>

#include "capture/Image.h"

namespace capture {

struct IndexedImage {
    std::vector<uint32_t> Palette;  // 0xFFRRGGBB, 1 to 256 entries
    std::vector<uint8_t> Indices;   // one per pixel, the top row first
};

IndexedImage ToIndexed(const Image& image);

}  // namespace capture
