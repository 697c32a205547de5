#pragma once
// Decoding a picture whose format is known, in the decoder program: gdk-pixbuf for the formats
// it knows (it reads BMP files of every header version, 16-bit PNM and the orientation tags
// of TIFF and JPEG), an own reader for Photoshop files of every depth, DevIL for the rest.
// They run only here, in a process that may die.

#include <cstdint>
#include <span>
#include <vector>

#include "decode/PictureFormats.h"

namespace decode {

struct DecodedPicture {
    uint32_t Width { 0 };
    uint32_t Height { 0 };
    std::vector<uint8_t> Rgb;  // Width x Height pixels, red, green, blue, top row first
};

// False when the format's decoder refuses the bytes or gives a picture of no pixels.
bool DecodePicture(PictureFormat format, std::span<const uint8_t> bytes, DecodedPicture& picture);

}  // namespace decode
