#pragma once
// The decoder's first look at a picture file: which format its leading bytes name, and
// whether it holds everything its header promises. Both read only the file's bytes, within
// their bounds, and allocate nothing in proportion to what a header claims.

#include <cstdint>
#include <span>
#include <string_view>

namespace decode {

enum class PictureFormat {
    Unknown,
    // Decoded by gdk-pixbuf.
    Png, Jpeg, Gif, Bmp, Tiff, Pnm, Ico, Tga,
    // Decoded by the decoder itself.
    Psd,
    // Decoded by DevIL.
    Sgi, Pcx, Dcx, Dds, Psp, Ilbm, Lif, Mdl, Pic, Pcd, Raw, Wal, Cut,
};

// The format named by the file's signature. Formats without one (TGA, raw, WAL, CUT) are
// taken only when the lower-cased extension names them and their header is plausible.
// Anything else is Unknown: no decoder guesses at it.
PictureFormat IdentifyPicture(std::span<const uint8_t> bytes, std::string_view extension);

enum class Completeness {
    Complete,    // everything the header promises is there, or the format cannot tell
    Incomplete,  // the file ends before what its header promises
    Damaged,     // the header contradicts itself (a size below 1, beyond the largest side)
};

// What the header and the structure behind it promise, checked against the file's size.
Completeness CheckCompleteness(PictureFormat format, std::span<const uint8_t> bytes);

// A short name of the format, for messages.
std::string_view PictureFormatName(PictureFormat format);

}  // namespace decode
