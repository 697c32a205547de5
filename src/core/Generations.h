#pragma once
// The generation buffers of the world and the rules for reading, writing and copying them.
//
// Generation 0 is the one the script writes; generation 1 is the previous one, read by the
// script and shown (generation 0 itself when there is only one buffer); generation 2 is the
// one before it, read only by the colour mapping that compares two generations.

#include <array>
#include <cstdint>

#include "cells/Cell.h"

namespace core {

class Generations {
public:
    static constexpr int MaxBuffers = 3;

    // Allocates `buffers` (1..3) tables of width x height zero cells. False when memory runs
    // out; nothing is allocated then. Called once: the tables are never resized.
    bool Allocate(int buffers, int width, int height);
    bool Allocated() const { return m_buffers > 0; }

    // What a read outside the world gives: the torus (wrap) or the default cell.
    void SetEdges(bool wrap, const cells::Cell& defaultCell);

    int Buffers() const { return m_buffers; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Wrap() const { return m_wrap; }
    const cells::Cell& DefaultCell() const { return m_defaultCell; }

    cells::CellTable& Table(int index) { return m_tables[static_cast<size_t>(index)]; }
    const cells::CellTable& Table(int index) const { return m_tables[static_cast<size_t>(index)]; }
    // The generation that the script reads and the views show: 1, or 0 with one buffer.
    cells::CellTable& Shown() { return m_tables[m_buffers > 1 ? 1 : 0]; }
    const cells::CellTable& Shown() const { return m_tables[m_buffers > 1 ? 1 : 0]; }

    bool Inside(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(m_width) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(m_height);
    }

    // The cell the reading host functions see: inside the world the shown generation's cell,
    // outside it the wrapped cell or the default cell. Called once per field read by the
    // script, so the inside case is one test and one load.
    const cells::Cell& ReadCell(int x, int y) const {
        if (Inside(x, y)) return m_read[static_cast<size_t>(x) * static_cast<size_t>(m_height) + static_cast<size_t>(y)];
        return ReadOutside(x, y);
    }

    // The cell of generation 0 that a writing host function stores into; nullptr outside the
    // world, whatever Wrap says (writes never wrap).
    cells::Cell* WriteCell(int x, int y) {
        if (!Inside(x, y)) return nullptr;
        return m_write + static_cast<size_t>(x) * static_cast<size_t>(m_height) + static_cast<size_t>(y);
    }

    // Where ReadCell and WriteCell find what they test and address, for code that inlines
    // them (the script's machine-code compiler). The places stay; their values change only
    // when the generations are allocated.
    struct Places {
        const int* Width;
        const int* Height;
        const cells::Cell* const* Read;
        cells::Cell* const* Write;
    };
    Places CellPlaces() const { return {&m_width, &m_height, &m_read, &m_write}; }

    // Copies generation `from` over generation `to` (both must exist).
    void CopyGeneration(int from, int to);

    // The copies at the automaton's events.
    // After OnInit and after a picture was read into the world: 0 -> 1 and 0 -> 2.
    void CopyToOlder();
    // After an iteration and after a successful OnSaveImage: 1 -> 2, then 0 -> 1.
    void Rotate();
    // After a button or mouse callback and after a table was read into generation 0: 0 -> 1.
    void CopyToPrevious();

private:
    const cells::Cell& ReadOutside(int x, int y) const;

    std::array<cells::CellTable, MaxBuffers> m_tables;
    int m_buffers { 0 };
    int m_width { 0 };
    int m_height { 0 };
    bool m_wrap { false };
    cells::Cell m_defaultCell {};
    const cells::Cell* m_read { nullptr };  // first cell of the shown generation
    cells::Cell* m_write { nullptr };       // first cell of generation 0
};

}  // namespace core
