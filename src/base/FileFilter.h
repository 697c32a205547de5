#pragma once
// One entry of an open or save dialog's filter list. The same type travels from the lists the
// commands keep, through the dialog, to the desktop's file chooser.

#include <string>

namespace base {

struct FileFilter {
    std::string Name;              // as the dialog shows it (UTF-8)
    std::string Pattern;           // patterns separated by ';' ("*.jpg;*.jpeg"); "*.*" is every file
    std::string DefaultExtension;  // what a saved name without extension receives; may be empty
};

}  // namespace base
