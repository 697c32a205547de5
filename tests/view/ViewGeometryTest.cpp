#include <gtest/gtest.h>

#include <array>
#include <iterator>
#include <limits>
#include <utility>

#include "view/ViewGeometry.h"

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();
// At 800 x 600 the view rectangle is 40, 64, 800, 560 in pixels too: 760 x 496, centre (420, 312).
constexpr frame::ModeSize Screen {800, 600};
constexpr frame::ModeSize Double {1600, 1200};

TEST(Zoom, ClampsAndTrackBarPositions) {
    for (auto [zoom, stored] : {std::pair {20.0f, 10.0f}, {1.0f, 1.0f}, {0.05f, 0.1f}, {0.0f, 0.1f}, {-5.0f, 0.1f},
                                {Inf, 10.0f}, {-Inf, 0.1f}, {NaN, 10.0f}})
        EXPECT_EQ(ClampZoom(zoom), stored) << zoom;
    for (auto [zoom, position] : {std::pair {0.1f, 0.0f}, {1.0f, 0.5f}, {10.0f, 1.0f}, {100.0f, 1.0f}, {0.0f, 0.0f}})
        EXPECT_NEAR(ZoomToPosition(zoom), position, 1e-6f) << zoom;
    EXPECT_NEAR(PositionToZoom(0.0f), 0.1f, 1e-6f);
    EXPECT_NEAR(PositionToZoom(0.5f), 1.0f, 1e-6f);
    EXPECT_NEAR(ZoomToPosition(PositionToZoom(0.33f)), 0.33f, 1e-6f);
    // Key steps past the ends keep the zoom within its limits.
    EXPECT_EQ(PositionToZoom(1.01f), 10.0f);
    EXPECT_EQ(PositionToZoom(-0.01f), 0.1f);
}

TEST(CellGrid, SizesAndCentring) {
    struct Case {
        float zoom;
        int width, height;
        frame::ModeSize mode;
        int size, originX, originY;
    };
    const Case cases[] = {
        {1.0f, 100, 50, Screen, 7, 70, 137},         // 7.6 a column, 9.92 a row; 420 - 350, 312 - 175
        {2.0f, 100, 50, Screen, 15, -330, -63},      // beyond the rectangle; the clip cuts it
        {1.0f, 10, 10, Double, 99, 345, 129},        // 99.2 pixels a cell at 1600 x 1200
        {1.0f, 1000, 1000, Screen, 2, -580, -688},   // 0.496: two pixels at least
        {1.0f, 200, 200, Screen, 2, 220, 112},       // 2.48
        {1.0f, 160, 160, Screen, 3, 180, 72},        // 3.1: 3 stays
        {10.0f, 1, 1, Screen, 4960, -2060, -2168},
    };
    for (const Case& c : cases) {
        CellGrid grid = ComputeCellGrid(c.zoom, c.width, c.height, c.mode);
        EXPECT_EQ(grid.CellSize, c.size) << c.width << " at " << c.zoom;
        EXPECT_EQ(grid.OriginX, c.originX) << c.width << " at " << c.zoom;
        EXPECT_EQ(grid.OriginY, c.originY) << c.width << " at " << c.zoom;
    }
    // Zooms no caller should pass still give squares whose corners fit an int.
    for (float zoom : {NaN, Inf, -Inf, -3.0f, 0.0f, 1e30f}) {
        CellGrid grid = ComputeCellGrid(zoom, 1000, 1000, Screen);
        EXPECT_GE(grid.CellSize, 2) << zoom;
        EXPECT_LE(static_cast<long long>(grid.CellSize) * 1000 + grid.OriginX, 2147483647LL) << zoom;
    }
}

TEST(TextureQuad, CentredOrTilingAndTheFittingZoom) {
    TextureQuad quad = ComputeTextureQuad(1.0f, false, 200, 100, Screen);
    EXPECT_EQ((std::array {quad.X0, quad.Y0, quad.X1, quad.Y1, quad.UMax, quad.VMax}),
              (std::array {320.0f, 262.0f, 520.0f, 362.0f, 1.0f, 1.0f}));
    quad = ComputeTextureQuad(2.0f, true, 200, 100, Screen);
    EXPECT_EQ((std::array {quad.X0, quad.Y0, quad.X1, quad.Y1}), (std::array {40.0f, 64.0f, 800.0f, 560.0f}));
    EXPECT_FLOAT_EQ(quad.UMax, 760.0f / 400.0f);
    EXPECT_FLOAT_EQ(quad.VMax, 496.0f / 200.0f);
    quad = ComputeTextureQuad(1.0f, false, 1000, 10, Screen);  // wider than the rectangle
    EXPECT_EQ(quad.X0, -80.0f);
    EXPECT_EQ(quad.X1, 920.0f);

    EXPECT_FLOAT_EQ(FittingZoom(ViewKind::Texture, 200, 100, Screen), 3.8f);  // min(496 / 100, 760 / 200)
    EXPECT_FLOAT_EQ(FittingZoom(ViewKind::Texture, 100, 248, Screen), 2.0f);
    EXPECT_FLOAT_EQ(FittingZoom(ViewKind::Texture, 10, 10, Double), 99.2f);
    for (ViewKind kind : {ViewKind::Cells, ViewKind::Vectors, ViewKind::Complex})
        EXPECT_EQ(FittingZoom(kind, 200, 100, Screen), 1.0f);
}

struct Probe {
    float x, y;
    bool onWorld;
    int column, row;
};

void ExpectCells(const Probe* probes, size_t count, ViewKind kind, float zoom, bool tiled, int width, int height,
                 frame::ModeSize mode = Screen) {
    for (size_t i = 0; i < count; ++i) {
        const Probe& p = probes[i];
        int column = -99, row = -99;
        bool onWorld = ScreenToCell({p.x, p.y}, kind, zoom, tiled, width, height, mode, column, row);
        EXPECT_EQ(onWorld, p.onWorld) << p.x << "," << p.y;
        if (onWorld && p.onWorld) {
            EXPECT_EQ((std::pair {column, row}), (std::pair {p.column, p.row})) << p.x << "," << p.y;
        }
    }
}

TEST(ScreenToCell, SquareViewsUseTheGrid) {
    // 100 x 50 at zoom 1: squares of 7 from (70, 137) to (770, 487).
    const Probe probes[] = {
        {73.5f, 140.5f, true, 0, 0},   {80, 150, true, 1, 1},      {769.5f, 486.5f, true, 99, 49},
        {69, 140, true, 0, 0},         {63.5f, 130.5f, true, 0, 0},  // less than a cell outside truncates to 0
        {62, 140, false, 0, 0},        {770.5f, 140, false, 0, 0},  {100, 487, false, 0, 0},
        {800, 140, false, 0, 0},       // on the rectangle's right edge but beyond the grid
    };
    for (ViewKind kind : {ViewKind::Cells, ViewKind::Vectors, ViewKind::Complex})
        ExpectCells(probes, std::size(probes), kind, 1.0f, false, 100, 50);
    // 1000 x 1000: two-pixel squares from (-580, -688) cover the rectangle, edges included.
    const Probe edges[] = {
        {800, 560, true, 690, 624},  {40, 64, true, 310, 376},  {800, 300, true, 690, 494},
        {39.99f, 300, false, 0, 0},  {800.01f, 300, false, 0, 0}, {400, 63.99f, false, 0, 0},
        {400, 560.01f, false, 0, 0}, {NaN, 300, false, 0, 0},     {400, NaN, false, 0, 0},
    };
    ExpectCells(edges, std::size(edges), ViewKind::Cells, 1.0f, false, 1000, 1000);
}

TEST(ScreenToCell, TextureQuadCentredOrTiled) {
    // 200 x 100 at zoom 2, untiled: the quad spans 220..620 by 212..412, two pixels a texel.
    const Probe centred[] = {
        {220.5f, 212.5f, true, 0, 0}, {223, 215, true, 1, 1},    {619.5f, 411.5f, true, 199, 99},
        {219, 300, true, 0, 44},      {217, 300, false, 0, 0},   {620, 300, false, 0, 0},  {400, 412, false, 0, 0},
    };
    ExpectCells(centred, std::size(centred), ViewKind::Texture, 2.0f, false, 200, 100);
    // Texels stay zoom pixels on a larger back buffer: there the quad is 320..520 virtual units wide.
    const Probe larger[] = {{321, 263, true, 1, 1}, {223, 215, false, 0, 0}};
    ExpectCells(larger, std::size(larger), ViewKind::Texture, 2.0f, false, 200, 100, Double);
    // 30 x 20 at zoom 2, tiled from the rectangle's top-left corner and wrapped.
    const Probe tiled[] = {
        {40, 64, true, 0, 0},     {41.9f, 65.9f, true, 0, 0}, {42, 66, true, 1, 1},   {99, 103, true, 29, 19},
        {100, 104, true, 0, 0},   {800, 560, true, 20, 8},    {39, 100, false, 0, 0},
    };
    ExpectCells(tiled, std::size(tiled), ViewKind::Texture, 2.0f, true, 30, 20);
}

TEST(ScreenToCell, DegenerateZoomsAndSizesStayDefined) {
    for (float zoom : {0.0f, NaN, Inf, -1.0f, 1e-30f})
        for (bool tiled : {false, true})
            for (ViewKind kind : {ViewKind::Texture, ViewKind::Cells}) {
                int column = -1, row = -1;
                if (ScreenToCell({400, 300}, kind, zoom, tiled, 50, 50, Screen, column, row)) {
                    EXPECT_TRUE(column >= 0 && column < 50 && row >= 0 && row < 50) << zoom;
                }
            }
    int column = 0, row = 0;
    EXPECT_FALSE(ScreenToCell({400, 300}, ViewKind::Texture, 1.0f, true, 0, 10, Screen, column, row));
}

}  // namespace
