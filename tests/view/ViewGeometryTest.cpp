#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "view/ViewGeometry.h"

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

// At 800 x 600 the view rectangle is 40, 64, 800, 560 in pixels too: 760 x 496, centre (420, 312).
constexpr frame::ModeSize Screen {800, 600};
constexpr frame::ModeSize Double {1600, 1200};

TEST(Zoom, ClampsUpperLimitFirst) {
    struct Case {
        float zoom, stored;
    };
    const Case cases[] = {{20, 10}, {10, 10}, {1, 1}, {0.1f, 0.1f}, {0.05f, 0.1f}, {0, 0.1f},
                          {-5, 0.1f}, {Inf, 10}, {-Inf, 0.1f}, {NaN, 10}};
    for (const Case& c : cases) EXPECT_EQ(ClampZoom(c.zoom), c.stored) << c.zoom;
}

TEST(Zoom, TrackBarPositionsMapLogarithmically) {
    EXPECT_NEAR(ZoomToPosition(0.1f), 0.0f, 1e-6f);
    EXPECT_NEAR(ZoomToPosition(1.0f), 0.5f, 1e-6f);
    EXPECT_NEAR(ZoomToPosition(10.0f), 1.0f, 1e-6f);
    EXPECT_NEAR(ZoomToPosition(100.0f), 1.0f, 1e-6f);  // clamped first
    EXPECT_NEAR(ZoomToPosition(0.0f), 0.0f, 1e-6f);
    EXPECT_NEAR(PositionToZoom(0.0f), 0.1f, 1e-6f);
    EXPECT_NEAR(PositionToZoom(0.5f), 1.0f, 1e-6f);
    EXPECT_NEAR(PositionToZoom(1.0f), 10.0f, 1e-5f);
    for (float position : {0.1f, 0.33f, 0.77f}) EXPECT_NEAR(ZoomToPosition(PositionToZoom(position)), position, 1e-6f);
    // Keys step the position past the ends; the zoom stays within its limits.
    EXPECT_EQ(PositionToZoom(1.01f), 10.0f);
    EXPECT_EQ(PositionToZoom(-0.01f), 0.1f);
    EXPECT_EQ(PositionToZoom(NaN), 10.0f);
}

TEST(CellGrid, SquaresFitTheShorterDirectionAndAreCentred) {
    // 100 x 50: 7.6 pixels a column, 9.92 a row; the smaller gives 7-pixel squares.
    CellGrid grid = ComputeCellGrid(1.0f, 100, 50, Screen);
    EXPECT_EQ(grid.CellSize, 7);
    EXPECT_EQ(grid.OriginX, 70);   // 420 - 700 / 2
    EXPECT_EQ(grid.OriginY, 137);  // 312 - 350 / 2
    grid = ComputeCellGrid(2.0f, 100, 50, Screen);
    EXPECT_EQ(grid.CellSize, 15);
    EXPECT_EQ(grid.OriginX, -330);  // 420 - 1500 / 2: beyond the rectangle, the clip cuts it
    grid = ComputeCellGrid(1.0f, 10, 10, Double);  // 1520 x 992 pixels: 99.2 a cell
    EXPECT_EQ(grid.CellSize, 99);
    EXPECT_EQ(grid.OriginX, 345);
    EXPECT_EQ(grid.OriginY, 129);
}

TEST(CellGrid, SmallSquaresBecomeTwoPixels) {
    struct Case {
        float zoom;
        int width, height, size;
    };
    const Case cases[] = {
        {1.0f, 1000, 1000, 2},   // 0.496 pixels a cell
        {1.0f, 200, 200, 2},     // 2.48
        {1.0f, 160, 160, 3},     // 3.1: 3 stays
        {0.1f, 10, 10, 4},       // 4.96
        {0.1f, 20, 20, 2},       // 2.48
        {10.0f, 1, 1, 4960},
    };
    for (const Case& c : cases) EXPECT_EQ(ComputeCellGrid(c.zoom, c.width, c.height, Screen).CellSize, c.size) << c.zoom;
    CellGrid big = ComputeCellGrid(1.0f, 1000, 1000, Screen);
    EXPECT_EQ(big.OriginX, 420 - 1000);
    EXPECT_EQ(big.OriginY, 312 - 1000);
}

TEST(CellGrid, UnusableZoomsStayDefined) {
    for (float zoom : {NaN, Inf, -Inf, -3.0f, 0.0f, 1e30f}) {
        CellGrid grid = ComputeCellGrid(zoom, 1000, 1000, Screen);
        EXPECT_GE(grid.CellSize, 2) << zoom;
        // The squares' corners, as the renderers compute them, stay within int.
        long long farCorner = static_cast<long long>(grid.CellSize) * 1000 + grid.OriginX;
        EXPECT_LE(farCorner, 2147483647LL) << zoom;
        EXPECT_GE(grid.OriginX, -2147483647LL) << zoom;
    }
}

TEST(TextureQuad, CentredOrTilingTheRectangle) {
    TextureQuad quad = ComputeTextureQuad(1.0f, false, 200, 100, Screen);
    EXPECT_EQ(quad.X0, 320.0f);
    EXPECT_EQ(quad.X1, 520.0f);
    EXPECT_EQ(quad.Y0, 262.0f);
    EXPECT_EQ(quad.Y1, 362.0f);
    EXPECT_EQ(quad.UMax, 1.0f);
    EXPECT_EQ(quad.VMax, 1.0f);

    quad = ComputeTextureQuad(2.0f, true, 200, 100, Screen);
    EXPECT_EQ(quad.X0, 40.0f);
    EXPECT_EQ(quad.Y0, 64.0f);
    EXPECT_EQ(quad.X1, 800.0f);
    EXPECT_EQ(quad.Y1, 560.0f);
    EXPECT_FLOAT_EQ(quad.UMax, 760.0f / 400.0f);
    EXPECT_FLOAT_EQ(quad.VMax, 496.0f / 200.0f);

    // Wider than the rectangle: the quad reaches beyond it on both sides.
    quad = ComputeTextureQuad(1.0f, false, 1000, 10, Screen);
    EXPECT_EQ(quad.X0, -80.0f);
    EXPECT_EQ(quad.X1, 920.0f);
}

TEST(FittingZoom, TextureFillsTheRectangleOthersUseOne) {
    EXPECT_FLOAT_EQ(FittingZoom(ViewKind::Texture, 200, 100, Screen), 3.8f);   // min(496 / 100, 760 / 200)
    EXPECT_FLOAT_EQ(FittingZoom(ViewKind::Texture, 100, 248, Screen), 2.0f);   // the height decides
    EXPECT_FLOAT_EQ(FittingZoom(ViewKind::Texture, 1000, 1000, Screen), 0.496f);
    EXPECT_FLOAT_EQ(FittingZoom(ViewKind::Texture, 10, 10, Double), 99.2f);  // the marker clamps it later
    for (ViewKind kind : {ViewKind::Cells, ViewKind::Vectors, ViewKind::Complex})
        EXPECT_EQ(FittingZoom(kind, 200, 100, Screen), 1.0f);
}

struct Hit {
    bool onWorld;
    int column, row;
};

Hit Locate(frame::VirtualPoint point, ViewKind kind, float zoom, bool tiled, int width, int height,
           frame::ModeSize mode = Screen) {
    Hit hit {false, -99, -99};
    hit.onWorld = ScreenToCell(point, kind, zoom, tiled, width, height, mode, hit.column, hit.row);
    return hit;
}

TEST(ScreenToCell, SquareViewsUseTheGrid) {
    // 100 x 50 at zoom 1: squares of 7 from (70, 137); the grid ends at x = 770, y = 487.
    struct Case {
        float x, y;
        bool onWorld;
        int column, row;
    };
    const Case cases[] = {
        {73.5f, 140.5f, true, 0, 0},
        {80.0f, 150.0f, true, 1, 1},
        {769.5f, 486.5f, true, 99, 49},
        {69.0f, 140.0f, true, 0, 0},     // less than a cell left of the grid truncates to 0
        {63.5f, 130.5f, true, 0, 0},     // -0.93 cells both ways
        {62.0f, 140.0f, false, 0, 0},    // -1.14 cells
        {770.5f, 140.0f, false, 0, 0},   // column 100
        {100.0f, 487.0f, false, 0, 0},   // row 50
        {800.0f, 140.0f, false, 0, 0},   // right edge of the rectangle, beyond the grid
    };
    for (ViewKind kind : {ViewKind::Cells, ViewKind::Vectors, ViewKind::Complex})
        for (const Case& c : cases) {
            Hit hit = Locate({c.x, c.y}, kind, 1.0f, false, 100, 50);
            EXPECT_EQ(hit.onWorld, c.onWorld) << c.x << "," << c.y;
            if (c.onWorld && hit.onWorld) {
                EXPECT_EQ(hit.column, c.column) << c.x << "," << c.y;
                EXPECT_EQ(hit.row, c.row) << c.x << "," << c.y;
            }
        }
}

TEST(ScreenToCell, EdgesOfTheRectangleBelongToIt) {
    // 1000 x 1000 at zoom 1: 2-pixel squares from (-580, -688) cover the whole rectangle.
    EXPECT_TRUE(Locate({800.0f, 300.0f}, ViewKind::Cells, 1.0f, false, 1000, 1000).onWorld);
    EXPECT_TRUE(Locate({400.0f, 560.0f}, ViewKind::Cells, 1.0f, false, 1000, 1000).onWorld);
    Hit corner = Locate({800.0f, 560.0f}, ViewKind::Cells, 1.0f, false, 1000, 1000);
    EXPECT_TRUE(corner.onWorld);
    EXPECT_EQ(corner.column, 690);  // (800 + 580) / 2
    EXPECT_EQ(corner.row, 624);     // (560 + 688) / 2
    Hit topLeft = Locate({40.0f, 64.0f}, ViewKind::Cells, 1.0f, false, 1000, 1000);
    EXPECT_TRUE(topLeft.onWorld);
    EXPECT_EQ(topLeft.column, 310);
    EXPECT_EQ(topLeft.row, 376);
    // Just outside, even where the grid goes on.
    for (frame::VirtualPoint outside : {frame::VirtualPoint {39.99f, 300.0f}, frame::VirtualPoint {800.01f, 300.0f},
                                        frame::VirtualPoint {400.0f, 63.99f}, frame::VirtualPoint {400.0f, 560.01f},
                                        frame::VirtualPoint {NaN, 300.0f}, frame::VirtualPoint {400.0f, NaN}})
        EXPECT_FALSE(Locate(outside, ViewKind::Cells, 1.0f, false, 1000, 1000).onWorld) << outside.X << "," << outside.Y;
}

TEST(ScreenToCell, UntiledTextureUsesTheCentredQuad) {
    // 200 x 100 at zoom 2: the quad spans 220..620 by 212..412, two pixels a texel.
    struct Case {
        float x, y;
        bool onWorld;
        int column, row;
    };
    const Case cases[] = {
        {220.5f, 212.5f, true, 0, 0}, {223.0f, 215.0f, true, 1, 1}, {619.5f, 411.5f, true, 199, 99},
        {219.0f, 300.0f, true, 0, 44},  // half a texel left of the quad
        {217.0f, 300.0f, false, 0, 0},  // one and a half texels left
        {620.0f, 300.0f, false, 0, 0},  {400.0f, 412.0f, false, 0, 0},
    };
    for (const Case& c : cases) {
        Hit hit = Locate({c.x, c.y}, ViewKind::Texture, 2.0f, false, 200, 100);
        EXPECT_EQ(hit.onWorld, c.onWorld) << c.x << "," << c.y;
        if (c.onWorld && hit.onWorld) {
            EXPECT_EQ(hit.column, c.column) << c.x << "," << c.y;
            EXPECT_EQ(hit.row, c.row) << c.x << "," << c.y;
        }
    }
    // Texels are zoom back-buffer pixels whatever the back buffer's size: at 1600 x 1200 the
    // quad spans 640..1040 by 524..724 pixels, which is 320..520 by 262..362 virtual units.
    Hit scaled = Locate({321.0f, 263.0f}, ViewKind::Texture, 2.0f, false, 200, 100, Double);
    EXPECT_TRUE(scaled.onWorld);
    EXPECT_EQ(scaled.column, 1);
    EXPECT_EQ(scaled.row, 1);
    EXPECT_FALSE(Locate({223.0f, 215.0f}, ViewKind::Texture, 2.0f, false, 200, 100, Double).onWorld);
}

TEST(ScreenToCell, TiledTextureWrapsFromTheTopLeftCorner) {
    struct Case {
        float x, y;
        int column, row;
    };
    // 30 x 20 at zoom 2, tiles from (40, 64).
    const Case cases[] = {
        {40.0f, 64.0f, 0, 0},   {41.9f, 65.9f, 0, 0},   {42.0f, 66.0f, 1, 1},   {99.0f, 103.0f, 29, 19},
        {100.0f, 104.0f, 0, 0}, {800.0f, 560.0f, 20, 8},  // 380 -> 380 % 30, 248 -> 248 % 20
    };
    for (const Case& c : cases) {
        Hit hit = Locate({c.x, c.y}, ViewKind::Texture, 2.0f, true, 30, 20);
        EXPECT_TRUE(hit.onWorld) << c.x << "," << c.y;
        EXPECT_EQ(hit.column, c.column) << c.x << "," << c.y;
        EXPECT_EQ(hit.row, c.row) << c.x << "," << c.y;
    }
    EXPECT_FALSE(Locate({39.0f, 100.0f}, ViewKind::Texture, 2.0f, true, 30, 20).onWorld);
}

TEST(ScreenToCell, DegenerateZoomsAndSizesStayDefined) {
    for (float zoom : {0.0f, NaN, Inf, -1.0f, 1e-30f})
        for (bool tiled : {false, true})
            for (ViewKind kind : {ViewKind::Texture, ViewKind::Cells}) {
                Hit hit = Locate({400.0f, 300.0f}, kind, zoom, tiled, 50, 50);
                if (hit.onWorld) {
                    EXPECT_GE(hit.column, 0);
                    EXPECT_LT(hit.column, 50);
                    EXPECT_GE(hit.row, 0);
                    EXPECT_LT(hit.row, 50);
                }
            }
    EXPECT_FALSE(Locate({400.0f, 300.0f}, ViewKind::Texture, 1.0f, true, 0, 10).onWorld);
}

}  // namespace
