#pragma once
// The filter list of the open and save dialogs. Every command builds its own list before its
// dialog: each entry is shown as its name followed by its pattern in parentheses, and the
// all-files entry is the last one.

#include <string_view>
#include <vector>

#include "base/FileFilter.h"

namespace frame {

class FilterList {
public:
    // Empties the list.
    void ClearFilters() { m_filters.clear(); }
    // Appends an entry for `pattern` named `name`, followed by " (" + pattern + ")" when
    // `showPattern`.
    void AddFilter(std::string_view name, std::string_view pattern, bool showPattern);
    // The list to hand to FileDialog: with `allFiles`, "Wszystkie pliki" for "*.*" is appended
    // first, so that entry is always the last.
    std::vector<base::FileFilter> FinishFilters(bool allFiles);

    const std::vector<base::FileFilter>& Filters() const { return m_filters; }

private:
    std::vector<base::FileFilter> m_filters;
};

}  // namespace frame
