#pragma once
// The composite image of a Photoshop file, decoded by the decoder program itself.

#include <cstdint>
#include <span>

#include "decode/PictureDecoding.h"

namespace decode {

// False when the file is no Photoshop file of a kind it reads, or its data is short.
bool DecodePsd(std::span<const uint8_t> bytes, DecodedPicture& picture);

}  // namespace decode
