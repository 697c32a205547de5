#include "frame/FileDialog.h"

#include "platform/gtk/DesktopFileChooser.h"
#include "platform/gtk/FileChooser.h"

namespace frame {

namespace {

platform::FileChooser*& ChosenChooser() {
    static platform::FileChooser* chooser = nullptr;
    return chooser;
}

platform::FileChooser& CurrentChooser() {
    static platform::DesktopFileChooser desktop;
    platform::FileChooser* chosen = ChosenChooser();
    return chosen ? *chosen : desktop;
}

}  // namespace

void SetFileChooser(platform::FileChooser* chooser) { ChosenChooser() = chooser; }

bool FileDialog(FileDialogKind kind, std::string_view title, std::span<const base::FileFilter> filters,
                std::string& fileName, int* chosenFilter) {
    platform::FileChooserRequest request;
    request.Save = kind == FileDialogKind::Save;
    request.Title = std::string(title);
    request.Filters.assign(filters.begin(), filters.end());
    request.SelectedFilter = 0;
    request.FileName = fileName;
    std::string path;
    size_t selected = 0;
    if (!CurrentChooser().Choose(request, path, selected)) return false;
    fileName = path;
    if (chosenFilter) *chosenFilter = static_cast<int>(selected) + 1;
    return true;
}

}  // namespace frame
