#pragma once
// The filter list of the open and save dialogs, in the dialog filter format: for each entry a
// display name, a NUL, a pattern, a NUL. Every command builds its own list before its dialog.

#include <string>
#include <string_view>

namespace frame {

class FilterList {
public:
    // Empties the list.
    void ClearFilters() { m_text.clear(); }
    // Appends an entry: the name (followed by " (" + pattern + ")" when `showPattern`), a NUL,
    // the pattern, a NUL.
    void AddFilter(std::string_view name, std::string_view pattern, bool showPattern);
    // The list to hand to FileDialog: with `allFiles`, first appends "Wszystkie pliki" for
    // "*.*", so that entry is always the last; then returns a copy with one more NUL at its
    // end, so it ends in two NULs.
    std::string FinishFilters(bool allFiles);

    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

}  // namespace frame
