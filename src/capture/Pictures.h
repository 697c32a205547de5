#pragma once
// Pictures of the world: saving one, and where the workbench puts the pictures and movies
// its keys make (the user's pictures folder, under names numbered after the definition's).

#include <string>

#include "capture/Image.h"

namespace capture {

// Saves the image in the format of the path's extension (".png", ".bmp", ".tga", ".jpg",
// ...), through a temporary file beside it. The image library must be started. False, with
// the reason on the trail, on failure.
bool SaveImage(const Image& image, const std::string& path);

// The user's pictures folder: what `xdg-user-dir PICTURES` prints when that is an existing
// folder, else the home folder. Ends in '/'.
std::string PicturesFolder();
// The same decision from the command's answer (its output, or empty when it could not run)
// and the home folder.
std::string PicturesFolderFrom(const std::string& answer, const std::string& home);

// The first name in `folder` that no file has yet: the definition's file name without its
// extension, "-", a number of at least four digits from 1 up, and `extension` (".png",
// ".mp4"): "life-0001.png". Empty when a million names are taken.
std::string NextNumberedPath(const std::string& folder, const std::string& definitionPath, const std::string& extension);

}  // namespace capture
