#pragma once
// The filter lists of the table and picture dialogs, in the order the dialogs show them.
// A dialog shows each entry as its name followed by its pattern in parentheses and reports
// the chosen entry as a 1-based index.

#include <array>
#include <span>
#include <string_view>

#include "base/FileFilter.h"

namespace files {

inline const std::array<base::FileFilter, 4> LoadTableFilters { {
    {"Wszystkie formaty", "*.vls;*.vln", ""},
    {"Tablica skompresowana", "*.vls", ""},
    {"Tablica nieskompresowana", "*.vln", ""},
    {"Wszystkie pliki", "*.*", ""},
} };

// Index 1 saves compressed, any other index uncompressed.
inline const std::array<base::FileFilter, 3> SaveTableFilters { {
    {"Tablica skompresowana", "*.vls", ".vls"},
    {"Tablica nieskompresowana", "*.vln", ".vln"},
    {"Wszystkie pliki", "*.*", ""},
} };

inline const std::array<base::FileFilter, 26> LoadImageFilters { {
    {"Wszystkie formaty",
     "*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.tga;*.tif;*.tiff;*.pcx;*.psp;*.psd;*.ico;*.dds;*.cut;*.dxc;"
     "*.lbm;*.lif;*.mdl;*.pcd;*.pic;*.pnm;*.raw;*.sgi;*.wal;*.act;*.pal",
     ""},
    {"Format BMP", "*.bmp", ""},
    {"Format JPG", "*.jpg;*.jpeg", ""},
    {"Format GIF", "*.gif", ""},
    {"Format PNG", "*.png", ""},
    {"Format TGA", "*.tga", ""},
    {"Format TIF", "*.tif;*.tiff", ""},
    {"Format PCX", "*.pcx", ""},
    {"Format PSP", "*.psp", ""},
    {"Format PSD", "*.psd", ""},
    {"Format ICO", "*.ico", ""},
    {"Format DDS", "*.dds", ""},
    {"Format CUT", "*.cut", ""},
    {"Format DXC", "*.dxc", ""},
    {"Format LBM", "*.lbm", ""},
    {"Format LIF", "*.lif", ""},
    {"Format MDL", "*.mdl", ""},
    {"Format PCD", "*.pcd", ""},
    {"Format PIC", "*.pic", ""},
    {"Format PNM", "*.pnm", ""},
    {"Format RAW", "*.raw", ""},
    {"Format SGI", "*.sgi", ""},
    {"Format WAL", "*.wal", ""},
    {"Format ACT", "*.act", ""},
    {"Format PAL", "*.pal", ""},
    {"Wszystkie pliki", "*.*", ""},
} };

// Indices 1..11 give a name without extension their default extension; 12 gives none.
inline const std::array<base::FileFilter, 12> SaveImageFilters { {
    {"Format BMP", "*.bmp", ".bmp"},
    {"Format JPG", "*.jpg;*.jpeg", ".jpg"},
    {"Format PNG", "*.png", ".png"},
    {"Format TGA", "*.tga", ".tga"},
    {"Format TIF", "*.tif;*.tiff", ".tif"},
    {"Format PCX", "*.pcx", ".pcx"},
    {"Format DDS", "*.dds", ".dds"},
    {"Format PNM", "*.pnm", ".pnm"},
    {"Format RAW", "*.raw", ".raw"},
    {"Format SGI", "*.sgi", ".sgi"},
    {"Format PAL", "*.pal", ".pal"},
    {"Wszystkie pliki", "*.*", ""},
} };

// The 1-based index of the first entry of `filters` but the last whose pattern names the
// lower-cased extension of `path`; the last (all-files) entry's index when none does.
int FilterIndexFor(std::span<const base::FileFilter> filters, std::string_view path);

}  // namespace files
