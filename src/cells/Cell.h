#pragma once
// The cells of the world and the generation buffers that hold them.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace cells {

// One cell: four booleans (one byte each, 0 or 1), four unsigned and four float fields, with
// no gaps. Table files store cells in exactly this layout.
struct Cell {
    uint8_t b1, b2, b3, b4;
    uint32_t u1, u2, u3, u4;
    float f1, f2, f3, f4;
};
static_assert(sizeof(Cell) == 36, "a cell is 36 bytes without padding");
static_assert(offsetof(Cell, b1) == 0 && offsetof(Cell, b4) == 3);
static_assert(offsetof(Cell, u1) == 4 && offsetof(Cell, u4) == 16);
static_assert(offsetof(Cell, f1) == 20 && offsetof(Cell, f4) == 32);

// Field accessors by index 0..3, as the colour mapping selects them. They read the cell's
// bytes at the field's offset: indexing past a named member, (&cell.u1)[i], would be formally
// out of bounds, while a copy from the object representation is defined and compiles to the
// same single load.
inline uint8_t BoolField(const Cell& cell, int index) {
    assert(index >= 0 && index < 4 && "bool field index out of range");
    return reinterpret_cast<const uint8_t*>(&cell)[offsetof(Cell, b1) + static_cast<size_t>(index)];
}
inline uint32_t UintField(const Cell& cell, int index) {
    assert(index >= 0 && index < 4 && "uint field index out of range");
    uint32_t value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&cell) + offsetof(Cell, u1) + 4 * static_cast<size_t>(index),
                sizeof value);
    return value;
}
inline float FloatField(const Cell& cell, int index) {
    assert(index >= 0 && index < 4 && "float field index out of range");
    float value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&cell) + offsetof(Cell, f1) + 4 * static_cast<size_t>(index),
                sizeof value);
    return value;
}
// The same fields written by index: the header's Default list and the table reader name them so.
inline void SetBoolField(Cell& cell, int index, uint8_t value) {
    assert(index >= 0 && index < 4 && "bool field index out of range");
    reinterpret_cast<uint8_t*>(&cell)[offsetof(Cell, b1) + static_cast<size_t>(index)] = value;
}
inline void SetUintField(Cell& cell, int index, uint32_t value) {
    assert(index >= 0 && index < 4 && "uint field index out of range");
    std::memcpy(reinterpret_cast<unsigned char*>(&cell) + offsetof(Cell, u1) + 4 * static_cast<size_t>(index), &value,
                sizeof value);
}
inline void SetFloatField(Cell& cell, int index, float value) {
    assert(index >= 0 && index < 4 && "float field index out of range");
    std::memcpy(reinterpret_cast<unsigned char*>(&cell) + offsetof(Cell, f1) + 4 * static_cast<size_t>(index), &value,
                sizeof value);
}

// One generation: Width columns of Height cells. Cell (x, y) is element y of column x; the
// columns lie one after another in a single block, so a column is contiguous and the whole
// table can be copied at once.
class CellTable {
public:
    CellTable() = default;
    // All cells zero. The block comes from calloc so untouched pages cost nothing.
    CellTable(int width, int height)
        : m_width(width), m_height(height),
          m_cells(static_cast<Cell*>(std::calloc(static_cast<size_t>(width) * static_cast<size_t>(height), sizeof(Cell)))) {}

    bool Valid() const { return m_cells != nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    size_t CellCount() const { return static_cast<size_t>(m_width) * static_cast<size_t>(m_height); }

    Cell* Column(int x) { return m_cells.get() + static_cast<size_t>(x) * static_cast<size_t>(m_height); }
    const Cell* Column(int x) const { return m_cells.get() + static_cast<size_t>(x) * static_cast<size_t>(m_height); }
    Cell& At(int x, int y) { return Column(x)[y]; }
    const Cell& At(int x, int y) const { return Column(x)[y]; }
    Cell* Data() { return m_cells.get(); }
    const Cell* Data() const { return m_cells.get(); }

    // Copies every cell of `from`, which must have the same size.
    void CopyFrom(const CellTable& from) { std::memcpy(m_cells.get(), from.m_cells.get(), CellCount() * sizeof(Cell)); }

private:
    struct Free {
        void operator()(Cell* cells) const { std::free(cells); }
    };
    int m_width { 0 };
    int m_height { 0 };
    std::unique_ptr<Cell, Free> m_cells;
};

// Wraps (x, y) onto a width x height torus: x = -1 becomes width - 1, x = width becomes 0.
inline void WrapCoordinates(int& x, int& y, int width, int height) {
    x %= width;
    if (x < 0) x += width;
    y %= height;
    if (y < 0) y += height;
}

}  // namespace cells
