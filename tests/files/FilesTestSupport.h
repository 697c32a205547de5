#pragma once
// Shared helpers of the table and picture tests: a scratch directory, whole-file reading
// and writing, and worlds filled with values that differ from cell to cell.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/Cell.h"
#include "errors/ErrorTrail.h"

class ScratchDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        ClearErrors();
        char pattern[] = "/tmp/vl_files_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_directory = pattern;
    }
    void TearDown() override {
        EXPECT_FALSE(ErrorRaised()) << "every command leaves the trail empty";
        ClearErrors();
        const std::string command = "rm -rf '" + m_directory + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::string PathOf(const std::string& name) const { return m_directory + "/" + name; }
    // The names in the scratch directory, hidden ones included, sorted.
    std::vector<std::string> Listing() const;

    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void Spit(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::string m_directory;
};

// `buffers` tables of width x height cells; every field of every cell differs by cell and by
// generation (`seed` + generation index).
std::vector<CellTable> MakeWorld(int width, int height, int buffers, uint32_t seed);
// Fills one table so that every field depends on (x, y) and `seed`.
void Fill(CellTable& table, uint32_t seed);
// The cell Fill puts at (x, y).
Cell Expected(int x, int y, uint32_t seed);
bool SameCell(const Cell& a, const Cell& b);
