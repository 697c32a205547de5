#include "frame/FilterList.h"

#include <string>

namespace frame {

void FilterList::AddFilter(std::string_view name, std::string_view pattern, bool showPattern) {
    std::string shown(name);
    if (showPattern) shown += " (" + std::string(pattern) + ")";
    m_filters.push_back({std::move(shown), std::string(pattern), ""});
}

std::vector<base::FileFilter> FilterList::FinishFilters(bool allFiles) {
    if (allFiles) AddFilter("Wszystkie pliki", "*.*", true);
    return m_filters;
}

}  // namespace frame
