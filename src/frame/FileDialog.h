#pragma once
// The modal open and save dialogs. Callers bracket them with frame::Pause and frame::Resume,
// so that no time steps or frames happen while a dialog is open.

#include <span>
#include <string>
#include <string_view>

#include "base/FileFilter.h"

namespace platform {
class FileChooser;
}

namespace frame {

enum class FileDialogKind { Open, Save };

// Shows the dialog with `title` and the entries of `filters` (a list made by
// FilterList::FinishFilters), the first entry selected. An open needs an existing file; a
// save asks before overwriting one. True when the user chose a file: `fileName` becomes its
// path and `chosenFilter` (when given) the 1-based index of the entry that was selected.
// False when the dialog was cancelled or could not be shown; nothing changes and nothing is
// recorded in the error trail.
bool FileDialog(FileDialogKind kind, std::string_view title, std::span<const base::FileFilter> filters,
                std::string& fileName, int* chosenFilter = nullptr);

// The chooser FileDialog shows from now on; nullptr restores the desktop's (GTK) chooser.
// The chooser stays the caller's.
void SetFileChooser(platform::FileChooser* chooser);

}  // namespace frame
