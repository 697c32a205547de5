#include <gtest/gtest.h>

#include "core/Generations.h"

namespace {

// Marks every cell of generation `index` with u1 = x * 100 + y + base.
void Mark(Generations& cells, int index, uint32_t base) {
    for (int x = 0; x < cells.Width(); ++x)
        for (int y = 0; y < cells.Height(); ++y) cells.Table(index).At(x, y).u1 = static_cast<uint32_t>(x * 100 + y) + base;
}

TEST(Generations, ReadsOutsideTheWorldWrapOrGiveTheDefaultCell) {
    Generations torus;
    ASSERT_TRUE(torus.Allocate(2, 5, 3));
    torus.SetEdges(true, Cell {});
    Mark(torus, 1, 0);
    struct Case { int x, y, column, row; };
    for (Case c : {Case {-1, 0, 4, 0}, Case {5, 1, 0, 1}, Case {-6, 2, 4, 2}, Case {12, 0, 2, 0}, Case {-5, -1, 0, 2},
                   Case {INT32_MIN, INT32_MAX, 2, 1}})
        EXPECT_EQ(torus.ReadCell(c.x, c.y).u1, static_cast<uint32_t>(c.column * 100 + c.row)) << c.x << "," << c.y;

    Generations flat;
    ASSERT_TRUE(flat.Allocate(1, 3, 3));
    Cell edge {};
    edge.u3 = 7;
    flat.SetEdges(false, edge);
    Mark(flat, 0, 1);
    for (auto [x, y] : {std::pair {-1, 0}, std::pair {3, 1}, std::pair {0, -1}, std::pair {2, 3}})
        EXPECT_EQ(flat.ReadCell(x, y).u3, 7u) << x << "," << y;
    EXPECT_EQ(flat.WriteCell(3, 0), nullptr);  // writes never wrap
    flat.WriteCell(2, 2)->u1 = 5;
    EXPECT_EQ(flat.ReadCell(2, 2).u1, 5u);  // one buffer: a read sees the write at once
}

// The copies at each event: which generations end up equal.
TEST(Generations, EventsCopyTheRightGenerations) {
    Generations three;
    ASSERT_TRUE(three.Allocate(3, 3, 2));
    Mark(three, 0, 1000);
    Mark(three, 1, 2000);
    three.Rotate();  // 1 -> 2, then 0 -> 1
    EXPECT_EQ(three.Table(2).At(2, 1).u1, 2201u);
    EXPECT_EQ(three.Table(1).At(2, 1).u1, 1201u);
    Mark(three, 0, 4000);
    three.CopyToPrevious();
    EXPECT_EQ(three.Table(1).At(1, 0).u1, 4100u);
    EXPECT_EQ(three.Table(2).At(1, 0).u1, 2100u);
    three.CopyToOlder();
    EXPECT_EQ(three.Table(2).At(0, 1).u1, 4001u);

    Generations one;
    ASSERT_TRUE(one.Allocate(1, 2, 2));
    one.Rotate();  // nothing to copy, nothing to break
    one.CopyToOlder();
    EXPECT_EQ(&one.Shown(), &one.Table(0));
}

}  // namespace
