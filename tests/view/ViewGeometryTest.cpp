#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>

#include "view/ViewGeometry.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // fields left out of a designated initializer are zero

namespace view {
namespace {

using enum ViewKind;
using enum VectorForm;
using enum ComponentKind;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();
// At 800 x 600 the view rectangle is 40, 64, 800, 560 in pixels too: 760 x 496, centre (420, 312).
constexpr cells::ModeSize Screen {800, 600}, Double {1600, 1200};

TEST(Zoom, ClampsAndTrackBarPositions) {
    for (auto [zoom, stored] : {std::pair {20.f, 10.f}, {1.f, 1.f}, {.05f, .1f}, {-5.f, .1f}, {-Inf, .1f}, {NaN, 10.f}})
        EXPECT_EQ(ClampZoom(zoom), stored) << zoom;
    for (auto [zoom, position] : {std::pair {0.1f, 0.0f}, {1.0f, 0.5f}, {10.0f, 1.0f}, {100.0f, 1.0f}, {0.0f, 0.0f}}) {
        EXPECT_NEAR(ZoomToPosition(zoom), position, 1e-6f) << zoom;
        EXPECT_NEAR(PositionToZoom(position), ClampZoom(zoom), 1e-6f) << position;
    }
    EXPECT_EQ(PositionToZoom(1.01f), 10.0f);  // key steps past the ends keep the zoom within its limits
    EXPECT_EQ(PositionToZoom(-0.01f), 0.1f);
}

TEST(Geometry, CellGridTextureQuadAndFittingZoom) {
    const struct { float zoom; int width, height; cells::ModeSize mode; int size, originX, originY; } grids[] = {
        {2.0f, 100, 50, Screen, 15, -330, -63},    // 7.6 pixels a column at zoom 1; beyond the rectangle, which clips it
        {1.0f, 10, 10, Double, 99, 345, 129},      // 99.2 pixels a cell at 1600 x 1200
        {1.0f, 160, 160, Screen, 3, 180, 72},      // 3.1: 3 stays; below 3 it would be 2
        {10.0f, 1, 1, Screen, 4960, -2060, -2168}};
    for (const auto& g : grids) {
        const CellGrid grid = ComputeCellGrid(g.zoom, g.width, g.height, g.mode);
        EXPECT_EQ(std::tuple(grid.CellSize, grid.OriginX, grid.OriginY), std::tuple(g.size, g.originX, g.originY)) << g.width;
    }
    for (float zoom : {NaN, Inf, -3.0f, 1e30f}) {  // zooms no caller should pass give squares whose corners fit an int
        const CellGrid grid = ComputeCellGrid(zoom, 1000, 1000, Screen);
        EXPECT_TRUE(grid.CellSize >= 2 && grid.CellSize * 1000LL + grid.OriginX <= INT32_MAX) << zoom;
    }
    auto corners = [](const TextureQuad& q) { return std::array {q.X0, q.Y0, q.X1, q.Y1, q.UMax, q.VMax}; };
    EXPECT_EQ(corners(ComputeTextureQuad(1, false, 1000, 10, Screen)), (std::array {-80.f, 307.f, 920.f, 317.f, 1.f, 1.f}));
    EXPECT_EQ(corners(ComputeTextureQuad(2.0f, true, 200, 100, Screen)),
              (std::array {40.0f, 64.0f, 800.0f, 560.0f, 760.0f / 400.0f, 496.0f / 200.0f}));
    EXPECT_FLOAT_EQ(FittingZoom(Texture, 200, 100, Screen), 3.8f);  // min(496 / 100, 760 / 200)
    EXPECT_FLOAT_EQ(FittingZoom(Texture, 100, 248, Screen), 2.0f);
    EXPECT_FLOAT_EQ(FittingZoom(Texture, 10, 10, Double), 99.2f);
    for (ViewKind kind : {Cells, Vectors, Complex}) EXPECT_EQ(FittingZoom(kind, 200, 100, Screen), 1.0f);
}

struct Probe { float x, y; bool onWorld = false; int column = -99, row = -99; };  // column and row: only on the world

void ExpectCells(std::initializer_list<Probe> probes, ViewKind kind, float zoom, bool tiled, int width, int height,
                 cells::ModeSize mode = Screen) {
    for (const Probe& p : probes) {
        int column = -99, row = -99;
        const bool onWorld = ScreenToCell({p.x, p.y}, kind, zoom, tiled, width, height, mode, column, row);
        EXPECT_EQ(std::tuple(onWorld, column, row), std::tuple(p.onWorld, p.column, p.row)) << p.x << "," << p.y;
    }
}

TEST(ScreenToCell, SquaresOfTheGridAndBothEdgesOfTheRectangle) {
    // 100 x 50 at zoom 1: squares of 7 from (70, 137) to (770, 487); less than a cell outside truncates to 0.
    for (ViewKind kind : {Cells, Vectors, Complex})
        ExpectCells({{73.5f, 140.5f, true, 0, 0}, {80, 150, true, 1, 1}, {769.5f, 486.5f, true, 99, 49}, {69, 140, true, 0, 0},
                     {63.5f, 130.5f, true, 0, 0}, {62, 140}, {770.5f, 140}, {100, 487}, {800, 140}},
                    kind, 1.0f, false, 100, 50);
    // 1000 x 1000: two-pixel squares from (-580, -688) cover the rectangle, edges included.
    ExpectCells({{800, 560, true, 690, 624}, {40, 64, true, 310, 376}, {800, 300, true, 690, 494}, {39.99f, 300}, {800.01f, 300},
                 {400, 63.99f}, {400, 560.01f}, {NaN, 300}, {400, NaN}},
                Cells, 1.0f, false, 1000, 1000);
}

TEST(ScreenToCell, TexelsOfTheCentredOrTiledQuad) {
    // 200 x 100 at zoom 2, untiled: the quad spans 220..620 by 212..412, two pixels a texel.
    ExpectCells({{220.5f, 212.5f, true, 0, 0}, {223, 215, true, 1, 1}, {619.5f, 411.5f, true, 199, 99}, {219, 300, true, 0, 44},
                 {217, 300}, {620, 300}, {400, 412}}, Texture, 2.0f, false, 200, 100);
    // Texels stay zoom pixels on a larger back buffer: there the quad is 320..520 virtual units wide.
    ExpectCells({{321, 263, true, 1, 1}, {223, 215}}, Texture, 2.0f, false, 200, 100, Double);
    // 30 x 20 at zoom 2, tiled from the rectangle's top-left corner and wrapped.
    ExpectCells({{40, 64, true, 0, 0}, {41.9f, 65.9f, true, 0, 0}, {42, 66, true, 1, 1}, {99, 103, true, 29, 19},
                 {100, 104, true, 0, 0}, {800, 560, true, 20, 8}, {39, 100}}, Texture, 2.0f, true, 30, 20);
}

// Arrow components: B, U and F read a bool, uint or float field; D is the default.
const VectorComponent D {};
VectorComponent B(int i) { return {.Kind = Bool, .Field = i}; }
VectorComponent U(int i, uint32_t lo, uint32_t hi) { return {.Kind = Uint, .UintMinimum = lo, .UintMaximum = hi, .Field = i}; }
VectorComponent F(int i, float lo, float hi) { return {.Kind = Float, .FloatMinimum = lo, .FloatMaximum = hi, .Field = i}; }
CellArrow Arrow(VectorForm form, VectorComponent first, VectorComponent second, const cells::Cell& cell) {
    return CellVector({.Form = form, .Component1 = first, .Component2 = second}, cell, cell, 0);
}

TEST(CellVector, ArrowsPointAlongTheirComponentsWithRowsDownwardsInTheirSpecsColour) {
    const float d = std::sqrt(0.5f), sqrt2 = std::sqrt(2.0f);
    const struct { VectorForm form; VectorComponent first, second; cells::Cell cell; float x, y, length; } cases[] = {
        {Cartesian, D, D, {}, 1, 0, 1},
        {Cartesian, F(0, 0, 1), D, {.f1 = 0}, -1, 0, 1},  // f1 over [0, 1] maps onto x in [-1, 1], unclamped
        {Cartesian, F(0, 0, 1), D, {.f1 = 2}, 1, 0, 3},
        {Cartesian, B(0), B(1), {.b1 = 1, .b2 = 1}, d, d, sqrt2},  // bools give +-1; a positive y points down
        {Cartesian, B(0), B(1), {.b1 = 0, .b2 = 1}, -d, d, sqrt2},
        {Cartesian, B(0), B(1), {}, -d, -d, sqrt2},
        {Cartesian, U(0, 0, 10), U(1, 0, 10), {.u1 = 5, .u2 = 10}, 0, 1, 1},
        {Cartesian, U(0, 5, 5), D, {.u1 = 99}, -1, 0, 1},  // equal ends: the value at the minimum
        {Polar, B(0), B(1), {.b2 = 1}, 0, -1, 0.5f},        // a false b1 halves the arrow, a true b2 points up
        {Polar, B(0), B(1), {.b1 = 1}, 0, 1, 1},
        {Polar, U(2, 10, 20), F(3, 0, 1), {.u3 = 15, .f4 = 0.25f}, 0, -1, 0.5f},
        {Polar, U(0, 5, 5), F(0, 2, 2), {.u1 = 99, .f1 = 3}, 1, 0, 0},
        {Polar, D, D, {.u3 = 15}, 1, 0, 1}};
    for (const auto& c : cases) {
        const CellArrow arrow = Arrow(c.form, c.first, c.second, c.cell);
        EXPECT_NEAR(arrow.Length, c.length, 1e-6f) << "case " << &c - cases;
        // Only bools and defaults bound the length; a range does not.
        const VectorSpec spec {.Form = c.form, .Component1 = c.first, .Component2 = c.second};
        const bool ranged = c.first.Kind == Uint || c.first.Kind == Float ||
                            (c.form == Cartesian && (c.second.Kind == Uint || c.second.Kind == Float));
        EXPECT_EQ(std::isinf(MaximumVectorLength(spec)), ranged) << "case " << &c - cases;
        EXPECT_LE(arrow.Length, MaximumVectorLength(spec)) << "case " << &c - cases;
        EXPECT_NEAR(std::cos(arrow.Angle), c.x, 1e-6f) << "case " << &c - cases;
        EXPECT_NEAR(-std::sin(arrow.Angle), c.y, 1e-6f) << "case " << &c - cases;
    }
    EXPECT_EQ(Arrow(Cartesian, F(0, 0, 1), D, {.f1 = 0.5f}).Length, 0.0f);
    // Below its minimum a uint wraps as an unsigned difference; extreme floats give infinity or NaN.
    EXPECT_FLOAT_EQ(Arrow(Polar, U(2, 10, 20), D, {.u3 = 9}).Length, 4294967295.0f / 10.0f);
    EXPECT_TRUE(std::isinf(Arrow(Polar, F(0, 0, 1e-30f), D, {.f1 = 3e38f}).Length));
    EXPECT_TRUE(std::isnan(Arrow(Cartesian, F(0, 0, 1), D, {.f1 = NaN}).Length));
    // The arrow takes its colour from the VectorSpec's own ColorSpec.
    VectorSpec spec {.Color = {.Mode = ColorMode::UintList, .List = {1, 0xFF00FF00u}}};
    EXPECT_EQ(CellVector(spec, {.u1 = 2}, {}, 0xFF010203u).Color, 0xFF010203u);  // a miss gives the background
    spec.Color = {.Mode = ColorMode::BoolDouble, .ColorB = 0xB, .ColorC = 0xC};
    EXPECT_EQ(CellVector(spec, {.b1 = 1}, {}, 0).Color, 0xBu);
    EXPECT_EQ(CellVector(spec, {}, {.b1 = 1}, 0).Color, 0xCu);
}

}  // namespace
}  // namespace view
