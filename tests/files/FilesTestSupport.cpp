#include "FilesTestSupport.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>

std::vector<std::string> ScratchDirectory::Listing() const {
    std::vector<std::string> names;
    if (DIR* directory = opendir(m_directory.c_str())) {
        while (dirent* entry = readdir(directory)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(directory);
    }
    std::sort(names.begin(), names.end());
    return names;
}

Cell Expected(int x, int y, uint32_t seed) {
    const uint32_t key = seed * 1000003u + static_cast<uint32_t>(y) * 7919u + static_cast<uint32_t>(x);
    Cell cell {};
    cell.b1 = key & 1;
    cell.b2 = (key >> 1) & 1;
    cell.b3 = (key >> 2) & 1;
    cell.b4 = (key >> 3) & 1;
    cell.u1 = key;
    cell.u2 = key * 2654435761u;
    cell.u3 = ~key;
    cell.u4 = key ^ 0xA5A5A5A5u;
    cell.f1 = static_cast<float>(x) + 0.25f;
    cell.f2 = static_cast<float>(y) - 0.5f;
    cell.f3 = static_cast<float>(seed) * 1.5f;
    cell.f4 = -static_cast<float>(key % 1000) / 8.0f;
    return cell;
}

void Fill(CellTable& table, uint32_t seed) {
    for (int x = 0; x < table.Width(); ++x)
        for (int y = 0; y < table.Height(); ++y) table.At(x, y) = Expected(x, y, seed);
}

std::vector<CellTable> MakeWorld(int width, int height, int buffers, uint32_t seed) {
    std::vector<CellTable> world;
    for (int i = 0; i < buffers; ++i) {
        world.emplace_back(width, height);
        Fill(world.back(), seed + static_cast<uint32_t>(i));
    }
    return world;
}

bool SameCell(const Cell& a, const Cell& b) { return std::memcmp(&a, &b, sizeof(Cell)) == 0; }
