#pragma once
// What the picture importer and its decoder program (vorlen-decode) say to each other.
//
// The importer starts the decoder with the picture file as its standard input and the
// arguments: the most columns and rows it wants, the file name's extension in lower case (only
// formats without a signature need it; "-" for none) and its own process id. The decoder
// limits itself (address space, processor time, no files, no core dump), dies with the
// importer, and answers on its standard output: an AnswerHeader, then Columns x Rows pixels
// of 3 bytes (red, green, blue), the picture's top row first, its left pixel first. Columns
// and Rows are the picture's size cut to what was asked for. Then it exits with 0.
// A decoder that fails writes nothing and exits with one of the DecoderExit codes.

#include <cstdint>

namespace files {

inline constexpr char PictureAnswerMagic[4] = {'V', 'L', 'D', '1'};

// Numbers in the byte order of the machine: both ends run on it.
struct PictureAnswerHeader {
    char Magic[4];
    uint32_t Width;    // of the whole picture
    uint32_t Height;
    uint32_t Columns;  // min(Width, columns asked for)
    uint32_t Rows;     // min(Height, rows asked for)
};
static_assert(sizeof(PictureAnswerHeader) == 20);

enum class DecoderExit : int {
    Decoded = 0,
    BadRequest = 2,     // the arguments or the input were not what the importer sends
    UnknownFormat = 3,  // the leading bytes match no supported format
    Incomplete = 4,     // the file ends before what its header promises
    Undecodable = 5,    // the format's decoder refused the data
};

// The largest picture side either end accepts.
inline constexpr uint32_t MaxPictureSide = 1u << 16;

// Limits of the decoder, set by the decoder itself before it reads any input.
inline constexpr uint64_t DecoderAddressSpace = 1ull << 30;  // bytes
inline constexpr unsigned DecoderProcessorSeconds = 4;
// The importer kills a decoder that has not answered after this many seconds.
inline constexpr double DecoderWallSeconds = 5.0;

}  // namespace files
