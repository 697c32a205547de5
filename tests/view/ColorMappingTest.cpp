#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "view/ViewSettings.h"

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

constexpr uint32_t Red = 0xFFFF0000u;
constexpr uint32_t Violet = 0xFF7F00FFu;  // rainbow(1): R 127, G 0, B 255
constexpr uint32_t OpaqueBlack = 0xFF000000u;
constexpr uint32_t Background = 0xFF123456u;

Cell Blank() {
    Cell cell;
    std::memset(&cell, 0, sizeof cell);
    return cell;
}

Cell WithUint(int field, uint32_t value) {
    Cell cell = Blank();
    (field == 0 ? cell.u1 : field == 1 ? cell.u2 : field == 2 ? cell.u3 : cell.u4) = value;
    return cell;
}

Cell WithFloat(int field, float value) {
    Cell cell = Blank();
    (field == 0 ? cell.f1 : field == 1 ? cell.f2 : field == 2 ? cell.f3 : cell.f4) = value;
    return cell;
}

Cell WithBool(int field, uint8_t value) {
    Cell cell = Blank();
    (field == 0 ? cell.b1 : field == 1 ? cell.b2 : field == 2 ? cell.b3 : cell.b4) = value;
    return cell;
}

ColorSpec UintRange(ColorMode mode, uint32_t minimum, uint32_t maximum, int field = 0) {
    ColorSpec spec;
    spec.Mode = mode;
    spec.Field = field;
    spec.UintMinimum = minimum;
    spec.UintMaximum = maximum;
    return spec;
}

ColorSpec FloatRange(ColorMode mode, float minimum, float maximum, int field = 0) {
    ColorSpec spec;
    spec.Mode = mode;
    spec.Field = field;
    spec.FloatMinimum = minimum;
    spec.FloatMaximum = maximum;
    return spec;
}

TEST(HsvToRgb, SectorsAtExactHues) {
    struct Case {
        float hue;
        uint32_t rgb;
    };
    // Hues whose sector position is exact in float, one or two per sector.
    const Case cases[] = {
        {0.0f, 0xFF0000u},   {0.125f, 0xFFBF00u}, {0.25f, 0x7FFF00u}, {0.375f, 0x00FF3Fu},
        {0.5f, 0x00FFFFu},   {0.625f, 0x003FFFu}, {0.75f, 0x7F00FFu}, {0.875f, 0xFF00BFu},
    };
    for (const Case& c : cases) EXPECT_EQ(HsvToRgb(c.hue, 1, 1), c.rgb) << "hue " << c.hue;
}

TEST(HsvToRgb, HueWrapsAndNonNumbersGiveBlack) {
    EXPECT_EQ(HsvToRgb(1.25f, 1, 1), HsvToRgb(0.25f, 1, 1));
    EXPECT_EQ(HsvToRgb(-0.75f, 1, 1), HsvToRgb(0.25f, 1, 1));
    EXPECT_EQ(HsvToRgb(7.5f, 1, 1), HsvToRgb(0.5f, 1, 1));
    // A hue just below zero wraps to a hair below 1, which rounds to a full turn: red again.
    EXPECT_EQ(HsvToRgb(-1e-9f, 1, 1), 0xFF0000u);
    EXPECT_EQ(HsvToRgb(NaN, 1, 1), 0u);
    EXPECT_EQ(HsvToRgb(Inf, 1, 1), 0u);
    EXPECT_EQ(HsvToRgb(-Inf, 1, 1), 0u);
}

TEST(HsvToRgb, SaturationAndValue) {
    EXPECT_EQ(HsvToRgb(0.3f, 0, 0.5f), 0x7F7F7Fu);  // grey: truncate(0.5 * 255) = 127
    EXPECT_EQ(HsvToRgb(0.3f, 0, 1), 0xFFFFFFu);
    EXPECT_EQ(HsvToRgb(0.3f, 0, NaN), 0u);
    EXPECT_EQ(HsvToRgb(0, 0.5f, 1), 0xFF7F7Fu);  // p = t = 0.5
    EXPECT_EQ(HsvToRgb(0.5f, 1, 0.5f), 0x007F7Fu);
    EXPECT_EQ(HsvToRgb(NaN, 0.5f, NaN) >> 24, 0u);  // never an alpha byte
}

TEST(ScriptHelpers, InterpolateColorClampsT) {
    EXPECT_EQ(InterpolateColor(0x000000u, 0xFFFFFFu, 0.5f), 0xFF7F7F7Fu);
    EXPECT_EQ(InterpolateColor(0x000000u, 0xFFFFFFu, 2.0f), 0xFFFFFFFFu);
    EXPECT_EQ(InterpolateColor(0x00123456u, 0x00ABCDEFu, 2.0f), 0xFFABCDEFu);  // alpha always 0xFF
    EXPECT_EQ(InterpolateColor(0x00123456u, 0x00ABCDEFu, NaN), 0xFFABCDEFu);   // NaN counts as 1
    EXPECT_EQ(InterpolateColor(0x00123456u, 0x00ABCDEFu, Inf), 0xFFABCDEFu);
    EXPECT_EQ(InterpolateColor(0xAA123456u, 0x00ABCDEFu, -1.0f), 0xFF123456u);
    EXPECT_EQ(InterpolateColor(0xAA123456u, 0x00ABCDEFu, -Inf), 0xFF123456u);
    // Channels fall as well as rise: 255 - 255 * 0.25 = 191.25, 255 * 0.25 = 63.75.
    EXPECT_EQ(InterpolateColor(0xFF0000u, 0x0000FFu, 0.25f), 0xFFBF003Fu);
}

TEST(ScriptHelpers, InterpolateOutsideTheUnitRangeIsDefined) {
    // Not reachable from the script (which clamps), but the raw interpolation keeps the low
    // 8 bits of each channel and must not misbehave on NaN or huge t.
    EXPECT_EQ(Interpolate(0x000000u, 0x0000FFu, 2.0f), 0xFF0000FEu);  // 510 & 0xFF
    EXPECT_EQ(Interpolate(0x000000u, 0xFFFFFFu, NaN), OpaqueBlack);
    EXPECT_EQ(Interpolate(0x000000u, 0xFFFFFFu, 1e30f) >> 24, 0xFFu);
}

TEST(ScriptHelpers, RainbowColorHasNoAlpha) {
    EXPECT_EQ(RainbowColor(1.0f), 0x007F00FFu);
    EXPECT_EQ(RainbowColor(0.0f), 0x00FF0000u);
    EXPECT_EQ(RainbowColor(5.0f), 0x007F00FFu);
    EXPECT_EQ(RainbowColor(NaN), 0x007F00FFu);
    EXPECT_EQ(RainbowColor(-3.0f), 0x00FF0000u);
    EXPECT_EQ(RainbowColor(0.5f), 0x0000FF3Fu);  // hue 0.375
}

TEST(ScriptHelpers, GrayscaleWeighsChannelsAndIgnoresAlpha) {
    EXPECT_NEAR(Grayscale(0xFFFFFFu), 1.0f, 1e-6f);
    EXPECT_EQ(Grayscale(0x00FFFFFFu), Grayscale(0xFFFFFFFFu));
    EXPECT_EQ(Grayscale(0xFF000000u), 0.0f);
    EXPECT_NEAR(Grayscale(0xFF0000u), 0.3f, 1e-6f);
    EXPECT_NEAR(Grayscale(0x00FF00u), 0.59f, 1e-6f);
    EXPECT_NEAR(Grayscale(0x0000FFu), 0.11f, 1e-6f);
}

TEST(CellColor, RgbForcesOpaqueAlpha) {
    ColorSpec spec;
    spec.Mode = ColorMode::Rgb;
    spec.Field = 2;
    EXPECT_EQ(CellColor(spec, WithUint(2, 0x00123456u), Background), 0xFF123456u);
    EXPECT_EQ(CellColor(spec, WithUint(2, 0x80ABCDEFu), Background), 0xFFABCDEFu);
    EXPECT_EQ(CellColor(spec, WithUint(1, 0x00123456u), Background), OpaqueBlack);  // another field
}

TEST(CellColor, BoolPairAndConstant) {
    ColorSpec spec;
    spec.Mode = ColorMode::BoolPair;
    spec.Field = 3;
    spec.ColorA = 0x00000001u;
    spec.ColorB = 0x00000002u;
    EXPECT_EQ(CellColor(spec, WithBool(3, 0), Background), 1u);
    EXPECT_EQ(CellColor(spec, WithBool(3, 1), Background), 2u);
    EXPECT_EQ(CellColor(spec, WithBool(3, 7), Background), 2u);  // any non-zero byte is true
    spec.Mode = ColorMode::Constant;
    spec.ColorA = 0x00008080u;  // a hex colour keeps alpha 0
    EXPECT_EQ(CellColor(spec, WithBool(3, 1), Background), 0x00008080u);
}

TEST(CellColor, ListTakesTheFirstMatchAndMissesToBackground) {
    ColorSpec spec;
    spec.Mode = ColorMode::UintList;
    spec.Field = 1;
    spec.List = {0, 0xFF000000u, 1, 0xFFFF0000u, 2, 0xFF00FF00u, 1, 0xFF0000FFu};
    EXPECT_EQ(CellColor(spec, WithUint(1, 0), Background), 0xFF000000u);
    EXPECT_EQ(CellColor(spec, WithUint(1, 1), Background), 0xFFFF0000u);  // not the later pair
    EXPECT_EQ(CellColor(spec, WithUint(1, 2), Background), 0xFF00FF00u);
    EXPECT_EQ(CellColor(spec, WithUint(1, 3), Background), Background);
    spec.List.clear();
    EXPECT_EQ(CellColor(spec, WithUint(1, 0), Background), Background);
}

TEST(CellColor, UintRainbowClampsToItsEnds) {
    ColorSpec spec = UintRange(ColorMode::UintRainbow, 10, 110);
    struct Case {
        uint32_t u;
        uint32_t colour;
    };
    const Case cases[] = {
        {0, Red}, {9, Red}, {10, Red}, {60, 0xFF00FF3Fu}, {110, Violet}, {111, Violet}, {4294967295u, Violet},
    };
    for (const Case& c : cases) EXPECT_EQ(CellColor(spec, WithUint(0, c.u), Background), c.colour) << "u " << c.u;
    // The full unsigned range does not overflow.
    spec = UintRange(ColorMode::UintRainbow, 0, 4294967295u);
    EXPECT_EQ(CellColor(spec, WithUint(0, 4294967295u), Background), Violet);
    EXPECT_EQ(CellColor(spec, WithUint(0, 0), Background), Red);
}

TEST(CellColor, DegenerateRangesGiveTheColourAtTheMinimum) {
    // Reversed ends clamp every value to the minimum; equal ends would divide 0 by 0 and are
    // taken as the minimum's colour.
    for (uint32_t u : {0u, 5u, 50u, 100u, 4294967295u}) {
        EXPECT_EQ(CellColor(UintRange(ColorMode::UintRainbow, 100, 0), WithUint(0, u), Background), Red) << u;
        EXPECT_EQ(CellColor(UintRange(ColorMode::UintRainbow, 7, 7), WithUint(0, u), Background), Red) << u;
        ColorSpec gradient = UintRange(ColorMode::UintGradient, 7, 7);
        gradient.ColorA = 0x00102030u;
        gradient.ColorB = 0x00FFFFFFu;
        EXPECT_EQ(CellColor(gradient, WithUint(0, u), Background), 0xFF102030u) << u;
    }
    for (float f : {-1e30f, -1.0f, 0.0f, 0.5f, 3.0f, Inf}) {
        EXPECT_EQ(CellColor(FloatRange(ColorMode::FloatRainbow, 1, -1), WithFloat(0, f), Background), Red) << f;
        EXPECT_EQ(CellColor(FloatRange(ColorMode::FloatRainbow, 2, 2), WithFloat(0, f), Background), Red) << f;
        ColorSpec gradient = FloatRange(ColorMode::FloatGradient, 1, -1);
        gradient.ColorA = 0x00102030u;
        gradient.ColorB = 0x00FFFFFFu;
        EXPECT_EQ(CellColor(gradient, WithFloat(0, f), Background), 0xFF102030u) << f;
    }
}

TEST(CellColor, GradientsInterpolateWithOpaqueAlpha) {
    ColorSpec spec = UintRange(ColorMode::UintGradient, 0, 100, 3);
    spec.ColorA = 0x00000000u;
    spec.ColorB = 0x00C8C8C8u;  // 200 per channel
    EXPECT_EQ(CellColor(spec, WithUint(3, 0), Background), 0xFF000000u);
    EXPECT_EQ(CellColor(spec, WithUint(3, 50), Background), 0xFF646464u);
    EXPECT_EQ(CellColor(spec, WithUint(3, 100), Background), 0xFFC8C8C8u);
    EXPECT_EQ(CellColor(spec, WithUint(3, 1000), Background), 0xFFC8C8C8u);

    ColorSpec floats = FloatRange(ColorMode::FloatGradient, -1, 1, 2);
    floats.ColorA = 0xFFFF0000u;
    floats.ColorB = 0xFF0000FFu;
    EXPECT_EQ(CellColor(floats, WithFloat(2, -1), Background), 0xFFFF0000u);
    EXPECT_EQ(CellColor(floats, WithFloat(2, -0.5f), Background), 0xFFBF003Fu);
    EXPECT_EQ(CellColor(floats, WithFloat(2, 1), Background), 0xFF0000FFu);
    EXPECT_EQ(CellColor(floats, WithFloat(2, -Inf), Background), 0xFFFF0000u);
    EXPECT_EQ(CellColor(floats, WithFloat(2, Inf), Background), 0xFF0000FFu);
}

TEST(CellColor, FloatRainbowAndNonNumbers) {
    ColorSpec spec = FloatRange(ColorMode::FloatRainbow, -1, 1, 1);
    EXPECT_EQ(CellColor(spec, WithFloat(1, -2), Background), Red);
    EXPECT_EQ(CellColor(spec, WithFloat(1, 0), Background), 0xFF00FF3Fu);
    EXPECT_EQ(CellColor(spec, WithFloat(1, 1), Background), Violet);
    EXPECT_EQ(CellColor(spec, WithFloat(1, Inf), Background), Violet);
    // A NaN field has no place in the range: the rainbow of a non-number hue, black.
    EXPECT_EQ(CellColor(spec, WithFloat(1, NaN), Background), OpaqueBlack);
    ColorSpec gradient = FloatRange(ColorMode::FloatGradient, -1, 1, 1);
    gradient.ColorA = 0xFFFFFFFFu;
    gradient.ColorB = 0xFFFFFFFFu;
    EXPECT_EQ(CellColor(gradient, WithFloat(1, NaN), Background), OpaqueBlack);
    // Ends beyond any finite value: defined results, no fault.
    ColorSpec wide = FloatRange(ColorMode::FloatRainbow, -Inf, Inf, 1);
    EXPECT_EQ(CellColor(wide, WithFloat(1, 0), Background), OpaqueBlack);
    ColorSpec huge = FloatRange(ColorMode::FloatRainbow, -3e38f, 3e38f, 1);
    EXPECT_EQ(CellColor(huge, WithFloat(1, 3e38f), Background), Violet);
}

TEST(DoubleColor, PreviousAndCurrentSelectOneOfFour) {
    ColorSpec spec;
    spec.Mode = ColorMode::BoolDouble;
    spec.Field = 1;
    spec.ColorA = 0xA;
    spec.ColorB = 0xB;
    spec.ColorC = 0xC;
    spec.ColorD = 0xD;
    struct Case {
        uint8_t previous, current;
        uint32_t colour;
    };
    const Case cases[] = {{0, 0, 0xA}, {0, 1, 0xB}, {1, 0, 0xC}, {1, 1, 0xD}, {0, 2, 0xD}, {2, 0, 0xD}};
    for (const Case& c : cases)
        EXPECT_EQ(DoubleColor(spec, WithBool(1, c.current), WithBool(1, c.previous)), c.colour)
            << int(c.previous) << " then " << int(c.current);
}

TEST(RequiresTripleBuffering, AnyShownSpecThatComparesGenerations) {
    struct Case {
        ViewKind kind;
        bool squaresDouble, arrowsDouble, needed;
    };
    const Case cases[] = {
        {ViewKind::Texture, true, false, true},  {ViewKind::Texture, false, true, false},
        {ViewKind::Cells, true, false, true},    {ViewKind::Cells, false, true, false},
        {ViewKind::Vectors, true, false, false}, {ViewKind::Vectors, false, true, true},
        {ViewKind::Complex, true, false, true},  {ViewKind::Complex, false, true, true},
        {ViewKind::Complex, false, false, false},
    };
    for (const Case& c : cases) {
        ViewSettings settings;
        settings.Kind = c.kind;
        settings.Color.Mode = c.squaresDouble ? ColorMode::BoolDouble : ColorMode::Rgb;
        settings.Vector.Color.Mode = c.arrowsDouble ? ColorMode::BoolDouble : ColorMode::Constant;
        EXPECT_EQ(RequiresTripleBuffering(settings), c.needed) << static_cast<int>(c.kind);
    }
}

}  // namespace
