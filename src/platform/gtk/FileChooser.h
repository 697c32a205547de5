#pragma once
// A modal file chooser: what the open and save dialogs need of the desktop. Tests replace it
// with a scripted one.

#include <cstddef>
#include <string>
#include <vector>

#include "base/FileFilter.h"

namespace platform {

struct FileChooserRequest {
    bool Save { false };         // save: asks before overwriting; open: the file must exist
    std::string Title;           // UTF-8
    std::vector<base::FileFilter> Filters;
    size_t SelectedFilter { 0 }; // 0-based, the filter shown first
    std::string FileName;        // proposed name, may be empty
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Shows the chooser. True when the user chose a file: `path` is its full path and
    // `selectedFilter` the 0-based filter that was selected when the chooser closed. False when
    // the user cancelled or the chooser could not be shown; the outputs are then untouched.
    virtual bool Choose(const FileChooserRequest& request, std::string& path, size_t& selectedFilter) = 0;
};

}  // namespace platform
