#pragma once
// Shared helpers of the stream, table and picture tests: a new scratch directory per test,
// whole files as strings, a lowered file size limit, zlib's one-call functions, and tables
// whose cells all differ.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/resource.h>
#include <zlib.h>

#include "cells/Cell.h"
#include "errors/ErrorTrail.h"

class ScratchDirectory : public ::testing::Test {
protected:
    ~ScratchDirectory() override { std::filesystem::remove_all(m_directory); }
    void TearDown() override {
        EXPECT_FALSE(errors::ErrorRaised()) << "every operation under test leaves the trail empty";
        errors::ClearErrors();
    }
    std::string PathOf(const std::string& name) const { return m_directory + "/" + name; }
    // The names in the scratch directory, hidden ones included.
    std::set<std::string> Listing() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_directory)) names.insert(entry.path().filename());
        return names;
    }
    // The bytes of a regular file; empty for anything else.
    static std::string Slurp(const std::string& path) {
        std::ifstream in(std::filesystem::is_regular_file(path) ? path : "", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void Spit(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

    const std::string m_directory = [] {
        char pattern[] = "/tmp/vl_files_XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/nonexistent");
    }();
};

// Runs `action` with the file size limit lowered to `bytes`: a write beyond it stops short.
template <class Action> void WithFileSizeLimit(rlim_t bytes, Action action) {
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited { bytes, old.rlim_max };
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    action();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
}

inline std::string Deflated(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size());
    return out.substr(0, size);
}

// The content of a complete zlib stream of at most `size` bytes; empty when it is not one.
inline std::string Inflated(const std::string& packed, size_t size) {
    std::string out(size, '\0');
    uLongf outSize = size;
    const int result = uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize, reinterpret_cast<const Bytef*>(packed.data()), packed.size());
    return out.substr(0, result == Z_OK ? outSize : 0);
}

// The cell at (x, y) of the table of `seed`: every field differs from cell to cell and from
// seed to seed.
inline cells::Cell Expected(int x, int y, uint32_t seed) {
    const uint32_t key = seed * 1000003u + static_cast<uint32_t>(y) * 7919u + static_cast<uint32_t>(x);
    return cells::Cell {static_cast<uint8_t>(key & 1), static_cast<uint8_t>(key >> 1 & 1), static_cast<uint8_t>(key >> 2 & 1),
                 static_cast<uint8_t>(key >> 3 & 1), key, key * 2654435761u, ~key, key ^ 0xA5A5A5A5u,
                 static_cast<float>(x) + 0.25f, static_cast<float>(y) - 0.5f, static_cast<float>(seed) * 1.5f,
                 -static_cast<float>(key % 1000) / 8.0f};
}

inline cells::CellTable MakeTable(int width, int height, uint32_t seed) {
    cells::CellTable table(width, height);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) table.At(x, y) = Expected(x, y, seed);
    return table;
}

// How many cells of `table` differ from those of `seed`, not counting u1 of the cells in the
// top-left `columns` x `rows`.
inline int ChangedCells(const cells::CellTable& table, uint32_t seed, int columns = 0, int rows = 0) {
    int changed = 0;
    for (int x = 0; x < table.Width(); ++x)
        for (int y = 0; y < table.Height(); ++y) {
            cells::Cell cell = table.At(x, y), want = Expected(x, y, seed);
            if (x < columns && y < rows) cell.u1 = want.u1;
            changed += std::memcmp(&cell, &want, sizeof(cells::Cell)) != 0;
        }
    return changed;
}
