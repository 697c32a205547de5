#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "view/ViewSettings.h"

namespace {

constexpr float Pi = std::numbers::pi_v<float>;
const VectorComponent Default {};

VectorComponent Bool(int field) { return {.Kind = ComponentKind::Bool, .Field = field}; }
VectorComponent Uint(int field, uint32_t low, uint32_t high) {
    return {.Kind = ComponentKind::Uint, .UintMinimum = low, .UintMaximum = high, .Field = field};
}
VectorComponent Float(int field, float low, float high) {
    return {.Kind = ComponentKind::Float, .FloatMinimum = low, .FloatMaximum = high, .Field = field};
}

CellArrow Arrow(VectorForm form, VectorComponent first, VectorComponent second, const Cell& cell) {
    VectorSpec spec;
    spec.Form = form;
    spec.Component1 = first;
    spec.Component2 = second;
    return CellVector(spec, cell, cell, 0);
}

// Where the arrow points on screen (y downwards): counter-clockwise by its angle from right.
void ExpectPointing(const CellArrow& arrow, float x, float y, float length) {
    EXPECT_NEAR(arrow.Length, length, 1e-6f);
    EXPECT_NEAR(std::cos(arrow.Angle), x, 1e-6f);
    EXPECT_NEAR(-std::sin(arrow.Angle), y, 1e-6f);
}

TEST(CellVector, CartesianDirectionsFollowTheRows) {
    Cell cell {};
    ExpectPointing(Arrow(VectorForm::Cartesian, Default, Default, cell), 1, 0, 1);
    // f1 over [0, 1] maps onto x in [-1, 1]; values beyond are not clamped.
    for (auto [f, x] : {std::pair {0.0f, -1.0f}, {1.0f, 1.0f}, {2.0f, 3.0f}}) {
        cell.f1 = f;
        ExpectPointing(Arrow(VectorForm::Cartesian, Float(0, 0, 1), Default, cell), x > 0 ? 1 : -1, 0, std::abs(x));
    }
    cell.f1 = 0.5f;
    EXPECT_EQ(Arrow(VectorForm::Cartesian, Float(0, 0, 1), Default, cell).Length, 0.0f);
    // Bools give +-1; a positive y points down the screen.
    const float d = std::sqrt(0.5f);
    for (auto [b1, b2] : {std::pair<uint8_t, uint8_t> {1, 1}, {0, 1}, {1, 0}, {0, 0}}) {
        cell.b1 = b1;
        cell.b2 = b2;
        ExpectPointing(Arrow(VectorForm::Cartesian, Bool(0), Bool(1), cell), b1 ? d : -d, b2 ? d : -d, std::sqrt(2.0f));
    }
    cell.u1 = 5;
    cell.u2 = 10;
    ExpectPointing(Arrow(VectorForm::Cartesian, Uint(0, 0, 10), Uint(1, 0, 10), cell), 0, 1, 1);
}

TEST(CellVector, PolarLengthsAndAngles) {
    Cell cell {};
    cell.b2 = 1;
    CellArrow up = Arrow(VectorForm::Polar, Bool(0), Bool(1), cell);
    EXPECT_FLOAT_EQ(up.Angle, Pi / 2);
    ExpectPointing(up, 0, -1, 0.5f);  // a false b1 halves the arrow
    cell.b1 = 1;
    cell.b2 = 0;
    CellArrow down = Arrow(VectorForm::Polar, Bool(0), Bool(1), cell);
    EXPECT_FLOAT_EQ(down.Angle, 3 * Pi / 2);
    ExpectPointing(down, 0, 1, 1);
    cell.u3 = 15;
    cell.f4 = 0.25f;
    ExpectPointing(Arrow(VectorForm::Polar, Uint(2, 10, 20), Float(3, 0, 1), cell), 0, -1, 0.5f);
    ExpectPointing(Arrow(VectorForm::Polar, Default, Default, cell), 1, 0, 1);
    // Below its minimum a uint wraps as an unsigned difference: a very long arrow.
    cell.u3 = 9;
    EXPECT_FLOAT_EQ(Arrow(VectorForm::Polar, Uint(2, 10, 20), Default, cell).Length, 4294967295.0f / 10.0f);
}

TEST(CellVector, EmptyRangesAndExtremeValues) {
    Cell cell {};
    cell.u1 = 99;
    cell.f1 = 3.0f;
    // Equal ends give the value at the minimum instead of 0 / 0 or x / 0.
    CellArrow polar = Arrow(VectorForm::Polar, Uint(0, 5, 5), Float(0, 2, 2), cell);
    EXPECT_EQ(polar.Length, 0.0f);
    EXPECT_EQ(polar.Angle, 0.0f);
    ExpectPointing(Arrow(VectorForm::Cartesian, Uint(0, 5, 5), Default, cell), -1, 0, 1);
    cell.f1 = 3e38f;
    EXPECT_TRUE(std::isinf(Arrow(VectorForm::Polar, Float(0, 0, 1e-30f), Default, cell).Length));
    cell.f1 = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(std::isnan(Arrow(VectorForm::Cartesian, Float(0, 0, 1), Default, cell).Length));
}

TEST(CellVector, ColourComesFromTheArrowSpec) {
    VectorSpec spec;
    spec.Color.Mode = ColorMode::UintList;
    spec.Color.List = {1, 0xFF00FF00u};
    Cell cell {};
    cell.u1 = 2;
    EXPECT_EQ(CellVector(spec, cell, cell, 0xFF010203u).Color, 0xFF010203u);  // a miss gives the background
    spec.Color.Mode = ColorMode::BoolDouble;
    spec.Color.ColorB = 0xB;
    spec.Color.ColorC = 0xC;
    Cell previous {};
    cell.b1 = 1;
    EXPECT_EQ(CellVector(spec, cell, previous, 0).Color, 0xBu);
    EXPECT_EQ(CellVector(spec, previous, cell, 0).Color, 0xCu);
}

}  // namespace
