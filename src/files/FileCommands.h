#pragma once
// The table and picture commands as the workbench carries them out after its file dialog and
// vorlen-batch from its command line: the file work, the automaton's copies and script
// callbacks around it, and the outcome as the status line shows it. Each ends with the error
// trail empty.
//
// The picture commands need the image library (an ImageLibrary object) while they run.

#include <string>

#include "files/FileStatus.h"

namespace core {
class Automaton;
class BatchRunner;
}  // namespace core

namespace files {

// Reads a table file into generation 0; once cell records were read (even when a later read
// failed) generation 0 is copied into 1.
FileStatus LoadTableCommand(core::Automaton& automaton, const std::string& path);
// Saves the last completed generation; `filterIndex` is the save dialog's entry
// (SaveTableFilters): 1 saves compressed, any other uncompressed.
FileStatus SaveTableCommand(core::Automaton& automaton, const std::string& path, int filterIndex);
// Puts the picture into u1 of generation 0, then the copies and OnLoadImage.
FileStatus LoadImageCommand(core::Automaton& automaton, const std::string& path);
// OnSaveImage and the copies of an iteration, then u1 of generation 0 as a picture;
// `filterIndex` is the save dialog's entry (SaveImageFilters). When OnSaveImage fails no file
// is written.
FileStatus SaveImageCommand(core::Automaton& automaton, const std::string& path, int filterIndex);

// --load-table, --save-table, --load-image and --save-image PATH: the commands above, with the
// save entry that the path's extension names. Each prints its status text, on the runner's
// Out() when it succeeds and on its Err() when it fails.
void AddFileActions(core::BatchRunner& runner);

}  // namespace files
