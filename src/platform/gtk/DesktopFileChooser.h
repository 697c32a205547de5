#pragma once
// The file chooser on GTK 3. GTK is started on first use (keeping the C locale, so number
// formatting never changes); without a display the chooser cannot be shown and Choose fails.

#include "platform/gtk/FileChooser.h"

namespace platform {

class DesktopFileChooser final : public FileChooser {
public:
    bool Choose(const FileChooserRequest& request, std::string& path, size_t& selectedFilter) override;
};

// Whether a file name matches a filter pattern as the dialogs read it: ';'-separated
// patterns, letters matched regardless of case, "*.*" and "*" matching every name.
bool MatchesFilterPattern(const std::string& fileName, const std::string& pattern);

}  // namespace platform
