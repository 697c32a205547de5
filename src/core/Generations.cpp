#include "core/Generations.h"

#include <cassert>

namespace core {

bool Generations::Allocate(int buffers, int width, int height) {
    assert(!Allocated() && "the generations are allocated once");
    assert(buffers >= 1 && buffers <= MaxBuffers && width >= 1 && height >= 1);
    std::array<cells::CellTable, MaxBuffers> tables;
    for (int i = 0; i < buffers; ++i) {
        tables[static_cast<size_t>(i)] = cells::CellTable(width, height);
        if (!tables[static_cast<size_t>(i)].Valid()) return false;
    }
    m_tables = std::move(tables);
    m_buffers = buffers;
    m_width = width;
    m_height = height;
    m_read = Shown().Data();
    m_write = m_tables[0].Data();
    return true;
}

void Generations::SetEdges(bool wrap, const cells::Cell& defaultCell) {
    m_wrap = wrap;
    m_defaultCell = defaultCell;
}

const cells::Cell& Generations::ReadOutside(int x, int y) const {
    if (!m_wrap || !Allocated()) return m_defaultCell;
    cells::WrapCoordinates(x, y, m_width, m_height);
    return m_read[static_cast<size_t>(x) * static_cast<size_t>(m_height) + static_cast<size_t>(y)];
}

void Generations::CopyGeneration(int from, int to) {
    assert(from >= 0 && from < m_buffers && to >= 0 && to < m_buffers);
    if (from == to) return;
    // The columns of a table lie one after another, so copying every column is one copy.
    m_tables[static_cast<size_t>(to)].CopyFrom(m_tables[static_cast<size_t>(from)]);
}

void Generations::CopyToOlder() {
    if (m_buffers > 1) CopyGeneration(0, 1);
    if (m_buffers > 2) CopyGeneration(0, 2);
}

void Generations::Rotate() {
    if (m_buffers == 3) CopyGeneration(1, 2);
    if (m_buffers > 1) CopyGeneration(0, 1);
}

void Generations::CopyToPrevious() {
    if (m_buffers > 1) CopyGeneration(0, 1);
}

}  // namespace core
