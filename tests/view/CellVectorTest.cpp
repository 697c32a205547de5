#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "view/ViewSettings.h"

namespace {

constexpr float Pi = std::numbers::pi_v<float>;

Cell Blank() {
    Cell cell;
    std::memset(&cell, 0, sizeof cell);
    return cell;
}

VectorComponent Default() { return {}; }

VectorComponent BoolComponent(int field) {
    VectorComponent c;
    c.Kind = ComponentKind::Bool;
    c.Field = field;
    return c;
}

VectorComponent UintComponent(int field, uint32_t minimum, uint32_t maximum) {
    VectorComponent c;
    c.Kind = ComponentKind::Uint;
    c.Field = field;
    c.UintMinimum = minimum;
    c.UintMaximum = maximum;
    return c;
}

VectorComponent FloatComponent(int field, float minimum, float maximum) {
    VectorComponent c;
    c.Kind = ComponentKind::Float;
    c.Field = field;
    c.FloatMinimum = minimum;
    c.FloatMaximum = maximum;
    return c;
}

VectorSpec Spec(VectorForm form, VectorComponent first, VectorComponent second) {
    VectorSpec spec;
    spec.Form = form;
    spec.Color.Mode = ColorMode::Constant;
    spec.Color.ColorA = 0xFFFFFFFFu;
    spec.Component1 = first;
    spec.Component2 = second;
    return spec;
}

// Where the arrow points on screen (y downwards): counter-clockwise by the angle from right.
void ExpectDirection(const CellArrow& arrow, float screenX, float screenY, const char* what) {
    EXPECT_NEAR(std::cos(arrow.Angle), screenX, 1e-6f) << what;
    EXPECT_NEAR(-std::sin(arrow.Angle), screenY, 1e-6f) << what;
}

TEST(CellVector, CartesianDefaultsPointRightWithLengthOne) {
    CellArrow arrow = CellVector(Spec(VectorForm::Cartesian, Default(), Default()), Blank(), Blank(), 0);
    EXPECT_FLOAT_EQ(arrow.Length, 1.0f);
    ExpectDirection(arrow, 1, 0, "default");
}

TEST(CellVector, CartesianFloatMapsTheRangeOntoMinusOneToOne) {
    VectorSpec spec = Spec(VectorForm::Cartesian, FloatComponent(0, 0, 1), Default());
    Cell cell = Blank();
    cell.f1 = 0.0f;
    CellArrow left = CellVector(spec, cell, cell, 0);
    EXPECT_FLOAT_EQ(left.Length, 1.0f);
    ExpectDirection(left, -1, 0, "f1 = 0");
    cell.f1 = 0.5f;
    EXPECT_FLOAT_EQ(CellVector(spec, cell, cell, 0).Length, 0.0f);
    cell.f1 = 1.0f;
    CellArrow right = CellVector(spec, cell, cell, 0);
    EXPECT_FLOAT_EQ(right.Length, 1.0f);
    ExpectDirection(right, 1, 0, "f1 = 1");
    cell.f1 = 2.0f;  // not clamped
    EXPECT_FLOAT_EQ(CellVector(spec, cell, cell, 0).Length, 3.0f);
}

TEST(CellVector, CartesianYCountsDownwardsLikeTheRows) {
    VectorSpec spec = Spec(VectorForm::Cartesian, BoolComponent(0), BoolComponent(1));
    struct Case {
        uint8_t x, y;
        float screenX, screenY;
    };
    const float d = std::sqrt(0.5f);
    const Case cases[] = {{1, 1, d, d}, {0, 1, -d, d}, {1, 0, d, -d}, {0, 0, -d, -d}};
    for (const Case& c : cases) {
        Cell cell = Blank();
        cell.b1 = c.x;
        cell.b2 = c.y;
        CellArrow arrow = CellVector(spec, cell, cell, 0);
        EXPECT_FLOAT_EQ(arrow.Length, std::sqrt(2.0f));
        ExpectDirection(arrow, c.screenX, c.screenY, "bools");
    }
    // A uint y at the top of its range points straight down.
    spec = Spec(VectorForm::Cartesian, UintComponent(0, 0, 10), UintComponent(1, 0, 10));
    Cell cell = Blank();
    cell.u1 = 5;
    cell.u2 = 10;
    CellArrow down = CellVector(spec, cell, cell, 0);
    EXPECT_FLOAT_EQ(down.Length, 1.0f);
    ExpectDirection(down, 0, 1, "uint down");
}

TEST(CellVector, PolarBoolsHalveAndTurn) {
    VectorSpec spec = Spec(VectorForm::Polar, BoolComponent(0), BoolComponent(1));
    Cell cell = Blank();
    cell.b1 = 0;
    cell.b2 = 1;
    CellArrow up = CellVector(spec, cell, cell, 0);
    EXPECT_FLOAT_EQ(up.Length, 0.5f);
    EXPECT_FLOAT_EQ(up.Angle, Pi / 2);
    ExpectDirection(up, 0, -1, "true b2 points up");
    cell.b1 = 1;
    cell.b2 = 0;
    CellArrow down = CellVector(spec, cell, cell, 0);
    EXPECT_FLOAT_EQ(down.Length, 1.0f);
    EXPECT_FLOAT_EQ(down.Angle, 3 * Pi / 2);
    ExpectDirection(down, 0, 1, "false b2 points down");
}

TEST(CellVector, PolarRangesAndDefaults) {
    VectorSpec spec = Spec(VectorForm::Polar, UintComponent(2, 10, 20), FloatComponent(3, 0, 1));
    Cell cell = Blank();
    cell.u3 = 15;
    cell.f4 = 0.25f;
    CellArrow arrow = CellVector(spec, cell, cell, 0);
    EXPECT_FLOAT_EQ(arrow.Length, 0.5f);
    EXPECT_FLOAT_EQ(arrow.Angle, Pi / 2);
    // Below the minimum the unsigned difference wraps: a very long arrow, as specified.
    cell.u3 = 9;
    EXPECT_FLOAT_EQ(CellVector(spec, cell, cell, 0).Length, 4294967295.0f / 10.0f);
    CellArrow defaults = CellVector(Spec(VectorForm::Polar, Default(), Default()), cell, cell, 0);
    EXPECT_FLOAT_EQ(defaults.Length, 1.0f);
    EXPECT_FLOAT_EQ(defaults.Angle, 0.0f);
}

TEST(CellVector, RangesWithEqualEndsGiveTheValueAtTheMinimum) {
    Cell cell = Blank();
    cell.u1 = 99;
    cell.f1 = 3.0f;
    CellArrow polar = CellVector(Spec(VectorForm::Polar, UintComponent(0, 5, 5), FloatComponent(0, 2, 2)), cell, cell, 0);
    EXPECT_EQ(polar.Length, 0.0f);
    EXPECT_EQ(polar.Angle, 0.0f);
    CellArrow cartesian = CellVector(Spec(VectorForm::Cartesian, UintComponent(0, 5, 5), Default()), cell, cell, 0);
    EXPECT_FLOAT_EQ(cartesian.Length, 1.0f);  // x = -1
    ExpectDirection(cartesian, -1, 0, "x at the minimum");
}

TEST(CellVector, ExtremeFloatsGiveInfiniteOrNaNValuesWithoutFault) {
    Cell cell = Blank();
    cell.f1 = 3e38f;
    CellArrow arrow = CellVector(Spec(VectorForm::Polar, FloatComponent(0, 0, 1e-30f), Default()), cell, cell, 0);
    EXPECT_TRUE(std::isinf(arrow.Length));
    cell.f1 = std::numeric_limits<float>::quiet_NaN();
    arrow = CellVector(Spec(VectorForm::Cartesian, FloatComponent(0, 0, 1), Default()), cell, cell, 0);
    EXPECT_TRUE(std::isnan(arrow.Length));
}

TEST(CellVector, ColourComesFromTheArrowColourSpec) {
    VectorSpec spec = Spec(VectorForm::Cartesian, Default(), Default());
    spec.Color.Mode = ColorMode::UintList;
    spec.Color.List = {1, 0xFF00FF00u};
    Cell cell = Blank();
    cell.u1 = 2;
    EXPECT_EQ(CellVector(spec, cell, cell, 0xFF010203u).Color, 0xFF010203u);  // a miss gives the background
    spec.Color.Mode = ColorMode::BoolDouble;
    spec.Color.ColorB = 0xB;
    spec.Color.ColorC = 0xC;
    Cell previous = Blank();
    cell.b1 = 1;
    EXPECT_EQ(CellVector(spec, cell, previous, 0).Color, 0xBu);
    EXPECT_EQ(CellVector(spec, previous, cell, 0).Color, 0xCu);
}

}  // namespace
