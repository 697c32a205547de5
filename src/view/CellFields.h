#pragma once
// Reads a cell field by its index 0..3 through the cell's bytes. Indexing past a named
// member (&cell.u1)[i] is formally out of bounds; a copy from the object representation at the
// field's offset is defined and compiles to the same single load.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/Cell.h"

namespace view_detail {

inline uint8_t ReadBool(const Cell& cell, int index) {
    assert(index >= 0 && index < 4 && "bool field index out of range");
    return reinterpret_cast<const uint8_t*>(&cell)[offsetof(Cell, b1) + static_cast<size_t>(index)];
}

inline uint32_t ReadUint(const Cell& cell, int index) {
    assert(index >= 0 && index < 4 && "uint field index out of range");
    uint32_t value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&cell) + offsetof(Cell, u1) + 4 * static_cast<size_t>(index),
                sizeof value);
    return value;
}

inline float ReadFloat(const Cell& cell, int index) {
    assert(index >= 0 && index < 4 && "float field index out of range");
    float value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&cell) + offsetof(Cell, f1) + 4 * static_cast<size_t>(index),
                sizeof value);
    return value;
}

}  // namespace view_detail
