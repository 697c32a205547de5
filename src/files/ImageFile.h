#pragma once
// Picture import and export. The world exchanges pictures through field u1 of generation 0, a
// colour 0x00RRGGBB per cell. Pictures are upright in the world: the picture's top row is row
// 0, whatever order its file stores the rows in.
//
// Pictures are decoded by the decoder program in a process of its own (PictureDecoder.h);
// they are saved through the image library, which must be initialised (ImageLibrary) while
// ExportImage runs: it only encodes the world's own pixels.

#include <cstdint>
#include <string>

#include "cells/Cell.h"
#include "files/FileStatus.h"

namespace files {

// Sets u1 of generation 0 for the cells the picture covers (its top-left min(width, Width) x
// min(height, Height) pixels); nothing else changes. Only that part of the picture comes from
// the decoder. False, with the reason on the trail and no cell changed, on failure: the file
// is no picture of a supported format, is incomplete, or kills or stalls its decoder.
bool ImportImage(cells::CellTable& generation0, const std::string& path);

// Saves u1 of generation 0 (bits 24..31 ignored) as a picture whose format follows the
// path's extension. A path without extension receives the default extension of the save
// filter `filterIndex` (1..11; 12, all files, gives none and so fails). The picture is
// written beside the path and renamed over it when complete. Ends with the trail empty;
// the status is "Obrazek został zapisany" or "Błąd - nie można zapisać obrazka".
FileStatus ExportImage(const cells::CellTable& generation0, std::string path, int filterIndex);

// Saves a width x height picture of 3 bytes a pixel (red, green, blue; the top row first) in
// the format the path's extension names, through a temporary file beside the path that
// replaces it only when complete. False, with the reason on the trail, on failure.
bool SavePicture(const uint8_t* rgb, int width, int height, const std::string& path);
// Whether the path's extension names a format SavePicture writes.
bool IsPictureName(const std::string& path);

}  // namespace files
