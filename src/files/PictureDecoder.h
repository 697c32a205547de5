#pragma once
// Pictures are decoded in a child process, the decoder program vorlen-decode: a file that
// crashes, hangs or exhausts a decoder ends only that process. The importer checks every size
// the child sends against what it asked for and hands out pixels only when the whole answer
// has arrived (files/PictureProtocol.h). A child that does not answer in DecoderWallSeconds is
// killed; every child is waited for.
//
// The decoder is looked up beside the running program, else in ../libexec/vorlen/ relative to
// it; SetPictureDecoder names another one.

#include <cstdint>
#include <string>
#include <vector>

namespace files {

// The top-left part of a picture, as much as was asked for.
struct PicturePart {
    uint32_t Width { 0 };    // of the whole picture
    uint32_t Height { 0 };
    uint32_t Columns { 0 };  // of the part: min(Width, columns asked)
    uint32_t Rows { 0 };
    std::vector<uint8_t> Rgb;  // Columns x Rows pixels, red, green, blue, top row first
};

// Decodes the picture file at `path`, asking for at most `columns` x `rows` pixels (each 1 to
// MaxPictureSide). False, with the reason on the trail, when the file cannot be opened or is
// no regular file, no decoder can be started, or the decoder refuses the picture, dies, does
// not answer in time or answers anything but a complete, consistent picture.
bool DecodePictureFile(const std::string& path, int columns, int rows, PicturePart& part);

// The decoder program to start; empty: the default look-up.
void SetPictureDecoder(std::string program);
// The program that would be started now; empty when none is found.
std::string PictureDecoderProgram();

}  // namespace files
