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

// Reads the NUL-separated name/pattern pairs up to the empty name that ends the list. A name
// without its pattern (a list cut short) ends the list there.
std::vector<platform::FileFilter> ParseFilters(std::string_view list) {
    std::vector<platform::FileFilter> filters;
    size_t at = 0;
    while (at < list.size()) {
        size_t nameEnd = list.find('\0', at);
        if (nameEnd == std::string_view::npos || nameEnd == at) break;
        size_t patternEnd = list.find('\0', nameEnd + 1);
        if (patternEnd == std::string_view::npos) break;
        filters.push_back({std::string(list.substr(at, nameEnd - at)),
                           std::string(list.substr(nameEnd + 1, patternEnd - nameEnd - 1))});
        at = patternEnd + 1;
    }
    return filters;
}

}  // namespace

void SetFileChooser(platform::FileChooser* chooser) { ChosenChooser() = chooser; }

bool FileDialog(FileDialogKind kind, std::string_view title, std::string_view filters, std::string& fileName,
                int* chosenFilter) {
    platform::FileChooserRequest request;
    request.Save = kind == FileDialogKind::Save;
    request.Title = std::string(title);
    request.Filters = ParseFilters(filters);
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
