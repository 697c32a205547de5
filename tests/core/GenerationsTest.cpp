#include <gtest/gtest.h>

#include "core/Generations.h"

namespace {

// Marks every cell of generation `index` with u1 = x * 100 + y + base.
void Mark(Generations& cells, int index, uint32_t base) {
    for (int x = 0; x < cells.Width(); ++x)
        for (int y = 0; y < cells.Height(); ++y) cells.Table(index).At(x, y).u1 = static_cast<uint32_t>(x * 100 + y) + base;
}

TEST(Generations, WrappedReadsLandOnTheTorus) {
    Generations cells;
    ASSERT_TRUE(cells.Allocate(2, 5, 3));
    cells.SetEdges(true, Cell {});
    Mark(cells, 1, 0);
    struct Case { int x, y, column, row; };
    for (Case c : {Case {-1, 0, 4, 0}, Case {5, 1, 0, 1}, Case {-6, 2, 4, 2}, Case {12, 0, 2, 0}, Case {-5, -1, 0, 2},
                   Case {INT32_MIN, INT32_MAX, 2, 1}}) {
        EXPECT_EQ(cells.ReadCell(c.x, c.y).u1, static_cast<uint32_t>(c.column * 100 + c.row)) << c.x << "," << c.y;
    }
}

TEST(Generations, ReadsOutsideAnUnwrappedWorldGiveTheDefaultCell) {
    Generations cells;
    ASSERT_TRUE(cells.Allocate(1, 3, 3));
    Cell edge {};
    edge.b2 = 1;
    edge.u3 = 7;
    edge.f4 = 2.5f;
    cells.SetEdges(false, edge);
    Mark(cells, 0, 1);
    for (auto [x, y] : {std::pair {-1, 0}, std::pair {3, 1}, std::pair {0, -1}, std::pair {2, 3}, std::pair {INT32_MIN, 0}}) {
        const Cell& cell = cells.ReadCell(x, y);
        EXPECT_EQ(cell.b2, 1);
        EXPECT_EQ(cell.u3, 7u);
        EXPECT_EQ(cell.f4, 2.5f);
        EXPECT_EQ(cell.u1, 0u);
    }
    EXPECT_EQ(cells.ReadCell(2, 2).u1, 203u);
}

TEST(Generations, WritesNeverWrapAndGoToGenerationZero) {
    Generations cells;
    ASSERT_TRUE(cells.Allocate(2, 4, 4));
    cells.SetEdges(true, Cell {});
    EXPECT_EQ(cells.WriteCell(4, 0), nullptr);
    EXPECT_EQ(cells.WriteCell(-1, 3), nullptr);
    EXPECT_EQ(cells.WriteCell(0, 4), nullptr);
    ASSERT_NE(cells.WriteCell(3, 3), nullptr);
    cells.WriteCell(3, 3)->u1 = 9;
    EXPECT_EQ(cells.Table(0).At(3, 3).u1, 9u);
    EXPECT_EQ(cells.ReadCell(3, 3).u1, 0u);  // reads see generation 1 until the copy
    cells.CopyToPrevious();
    EXPECT_EQ(cells.ReadCell(3, 3).u1, 9u);
}

TEST(Generations, OneBufferReadsItsOwnWrites) {
    Generations cells;
    ASSERT_TRUE(cells.Allocate(1, 2, 2));
    cells.WriteCell(1, 1)->f2 = 4.0f;
    EXPECT_EQ(cells.ReadCell(1, 1).f2, 4.0f);
    cells.Rotate();  // nothing to copy with one buffer
    cells.CopyToOlder();
    EXPECT_EQ(&cells.Shown(), &cells.Table(0));
}

// The copies at each event, for two and three buffers: which generations end up equal.
TEST(Generations, EventsCopyTheRightGenerations) {
    Generations three;
    ASSERT_TRUE(three.Allocate(3, 3, 2));
    Mark(three, 0, 1000);
    Mark(three, 1, 2000);
    Mark(three, 2, 3000);
    three.Rotate();  // 1 -> 2, then 0 -> 1
    EXPECT_EQ(three.Table(2).At(2, 1).u1, 2201u);
    EXPECT_EQ(three.Table(1).At(2, 1).u1, 1201u);
    Mark(three, 0, 4000);
    three.CopyToPrevious();
    EXPECT_EQ(three.Table(1).At(1, 0).u1, 4100u);
    EXPECT_EQ(three.Table(2).At(1, 0).u1, 2100u);  // left alone
    Mark(three, 0, 5000);
    three.CopyToOlder();
    EXPECT_EQ(three.Table(1).At(0, 1).u1, 5001u);
    EXPECT_EQ(three.Table(2).At(0, 1).u1, 5001u);

    Generations two;
    ASSERT_TRUE(two.Allocate(2, 2, 2));
    Mark(two, 0, 10);
    two.Rotate();
    EXPECT_EQ(two.Table(1).At(1, 1).u1, 111u);
}

}  // namespace
