#pragma once
// Picture import and export through the image library. The world exchanges pictures through
// field u1 of generation 0, a colour 0x00RRGGBB per cell; the script's OnLoadImage and
// OnSaveImage turn colours into state and back. Pictures are upright in the world: the
// picture's top row is row 0, whatever order its file stores the rows in.
//
// The image library must be initialised (ImageLibrary) while these run.

#include <functional>
#include <span>
#include <string>

#include "core/Cell.h"
#include "files/FileStatus.h"

// Sets u1 of generation 0 for the cells the picture covers (its top-left min(width, Width) x
// min(height, Height) pixels); nothing else changes. Only that part of the picture is copied
// out of the library. False, with the reason on the trail and no cell changed, on failure.
bool ImportImage(CellTable& generation0, const std::string& path);

// Saves u1 of generation 0 (bits 24..31 ignored) as a picture whose format follows the
// path's extension. A path without extension receives the default extension of the save
// filter `filterIndex` (1..11; 12, all files, gives none and so fails). The picture is
// written beside the path and renamed over it when complete. Ends with the trail empty;
// the status is "Obrazek został zapisany" or "Błąd - nie można zapisać obrazka".
FileStatus ExportImage(const CellTable& generation0, std::string path, int filterIndex);

// A script callback as the picture commands run it: failures go to the trail. An empty
// function stands for a script that does not define the callback.
using ScriptCallback = std::function<void()>;

// The load-picture command after its dialog: imports the picture, makes every generation
// equal to generation 0, runs OnLoadImage and, when it succeeds, makes them equal again.
// Ends with the trail empty.
FileStatus LoadImageIntoWorld(std::span<CellTable> generations, const std::string& path, const ScriptCallback& onLoadImage);

// The save-picture command after its dialog: runs OnSaveImage and, when it succeeds, rotates
// the generations as after an iteration, then exports generation 0. When OnSaveImage fails
// no file is written. Ends with the trail empty.
FileStatus SaveWorldAsImage(std::span<CellTable> generations, const std::string& path, int filterIndex,
                            const ScriptCallback& onSaveImage);
