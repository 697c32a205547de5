#include "frame/FilterList.h"

namespace frame {

void FilterList::AddFilter(std::string_view name, std::string_view pattern, bool showPattern) {
    m_text += name;
    if (showPattern) {
        m_text += " (";
        m_text += pattern;
        m_text += ')';
    }
    m_text += '\0';
    m_text += pattern;
    m_text += '\0';
}

std::string FilterList::FinishFilters(bool allFiles) {
    if (allFiles) AddFilter("Wszystkie pliki", "*.*", true);
    std::string finished = m_text;
    finished += '\0';
    return finished;
}

}  // namespace frame
