#include "files/FileFilters.h"

#include <string>

#include "base/Utilities.h"

namespace files {

int FilterIndexFor(std::span<const base::FileFilter> filters, std::string_view path) {
    const std::string extension = base::ToLower(base::ExtensionOf(path));
    for (size_t i = 0; !extension.empty() && i + 1 < filters.size(); ++i) {
        std::string_view patterns = filters[i].Pattern;
        while (!patterns.empty()) {
            const size_t end = patterns.find(';');
            const std::string_view pattern = patterns.substr(0, end);
            patterns = end == std::string_view::npos ? std::string_view() : patterns.substr(end + 1);
            if (pattern.size() == extension.size() + 1 && pattern.substr(1) == extension)
                return static_cast<int>(i + 1);
        }
    }
    return static_cast<int>(filters.size());
}

}  // namespace files
