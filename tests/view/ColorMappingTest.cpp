#include <gtest/gtest.h>

#include <limits>

#include "view/ViewSettings.h"

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr uint32_t Red = 0xFFFF0000u, Violet = 0xFF7F00FFu, Black = 0xFF000000u, Background = 0xFF123456u;

template <class T>
Cell With(T Cell::*field, T value) {
    Cell cell {};
    cell.*field = value;
    return cell;
}

ColorSpec Spec(ColorMode mode, int field = 0, uint32_t a = 0, uint32_t b = 0) {
    ColorSpec spec;
    spec.Mode = mode;
    spec.Field = field;
    spec.ColorA = a;
    spec.ColorB = b;
    return spec;
}

ColorSpec Uints(ColorMode mode, uint32_t minimum, uint32_t maximum, uint32_t a = 0, uint32_t b = 0) {
    ColorSpec spec = Spec(mode, 0, a, b);
    spec.UintMinimum = minimum;
    spec.UintMaximum = maximum;
    return spec;
}

ColorSpec Floats(ColorMode mode, float minimum, float maximum, uint32_t a = 0, uint32_t b = 0) {
    ColorSpec spec = Spec(mode, 0, a, b);
    spec.FloatMinimum = minimum;
    spec.FloatMaximum = maximum;
    return spec;
}

TEST(HsvToRgb, SectorsWrapsAndNonNumbers) {
    // Hues whose place in their sector is exact in float.
    const std::pair<float, uint32_t> hues[] = {{0.0f, 0xFF0000u},   {0.125f, 0xFFBF00u}, {0.25f, 0x7FFF00u},
                                               {0.375f, 0x00FF3Fu}, {0.5f, 0x00FFFFu},   {0.625f, 0x003FFFu},
                                               {0.75f, 0x7F00FFu},  {0.875f, 0xFF00BFu}, {1.25f, 0x7FFF00u},
                                               {-0.75f, 0x7FFF00u}, {NaN, 0u},           {Inf, 0u}};
    for (auto [hue, rgb] : hues) EXPECT_EQ(HsvToRgb(hue, 1, 1), rgb) << hue;
    // A hue just below 0 wraps to a hair below 1, which rounds to a full turn: red, not nothing.
    EXPECT_EQ(HsvToRgb(-1e-9f, 1, 1), 0xFF0000u);
    EXPECT_EQ(HsvToRgb(0.3f, 0, 0.5f), 0x7F7F7Fu);
    EXPECT_EQ(HsvToRgb(0, 0.5f, 1), 0xFF7F7Fu);
    EXPECT_EQ(HsvToRgb(0.5f, 1, 0.5f), 0x007F7Fu);
    EXPECT_EQ(HsvToRgb(0.3f, 0, NaN), 0u);
}

TEST(ScriptHelpers, ClampsAndAlpha) {
    EXPECT_EQ(InterpolateColor(0x000000u, 0xFFFFFFu, 0.5f), 0xFF7F7F7Fu);
    EXPECT_EQ(InterpolateColor(0x000000u, 0xFFFFFFu, 2.0f), 0xFFFFFFFFu);
    for (float t : {2.0f, NaN, Inf}) EXPECT_EQ(InterpolateColor(0x00123456u, 0x00ABCDEFu, t), 0xFFABCDEFu) << t;
    for (float t : {-1.0f, -Inf}) EXPECT_EQ(InterpolateColor(0xAA123456u, 0x00ABCDEFu, t), 0xFF123456u) << t;
    EXPECT_EQ(InterpolateColor(0xFF0000u, 0x0000FFu, 0.25f), 0xFFBF003Fu);  // 191.25 and 63.75
    // The raw interpolation keeps the low 8 bits and stays defined for NaN or huge t.
    EXPECT_EQ(Interpolate(0x000000u, 0x0000FFu, 2.0f), 0xFF0000FEu);
    EXPECT_EQ(Interpolate(0x000000u, 0xFFFFFFu, NaN), Black);
    EXPECT_EQ(Interpolate(0x000000u, 0xFFFFFFu, 1e30f) >> 24, 0xFFu);

    const std::pair<float, uint32_t> rainbow[] = {{1.0f, 0x007F00FFu}, {0.0f, 0x00FF0000u}, {5.0f, 0x007F00FFu},
                                                  {NaN, 0x007F00FFu},  {-3.0f, 0x00FF0000u}, {0.5f, 0x0000FF3Fu}};
    for (auto [t, colour] : rainbow) EXPECT_EQ(RainbowColor(t), colour) << t;

    EXPECT_NEAR(Grayscale(0xFFFFFFu), 1.0f, 1e-6f);
    EXPECT_EQ(Grayscale(0x00FFFFFFu), Grayscale(0xFFFFFFFFu));
    EXPECT_EQ(Grayscale(0xFF000000u), 0.0f);
    EXPECT_NEAR(Grayscale(0xFF0000u), 0.3f, 1e-6f);
    EXPECT_NEAR(Grayscale(0x00FF00u), 0.59f, 1e-6f);
    EXPECT_NEAR(Grayscale(0x0000FFu), 0.11f, 1e-6f);
}

TEST(CellColor, RgbPairListAndConstant) {
    EXPECT_EQ(CellColor(Spec(ColorMode::Rgb, 2), With(&Cell::u3, 0x80ABCDEFu), Background), 0xFFABCDEFu);
    EXPECT_EQ(CellColor(Spec(ColorMode::Rgb, 1), With(&Cell::u3, 0x80ABCDEFu), Background), Black);
    ColorSpec pair = Spec(ColorMode::BoolPair, 3, 1, 2);
    for (auto [value, colour] : {std::pair<uint8_t, uint32_t> {0, 1}, {1, 2}, {7, 2}})
        EXPECT_EQ(CellColor(pair, With(&Cell::b4, value), Background), colour) << int(value);
    EXPECT_EQ(CellColor(Spec(ColorMode::Constant, 0, 0x00008080u), Cell {}, Background), 0x00008080u);

    ColorSpec list = Spec(ColorMode::UintList, 1);
    list.List = {0, 0xFF000000u, 1, 0xFFFF0000u, 2, 0xFF00FF00u, 1, 0xFF0000FFu};
    const std::pair<uint32_t, uint32_t> lookups[] = {{0, 0xFF000000u}, {1, 0xFFFF0000u}, {2, 0xFF00FF00u}, {3, Background}};
    for (auto [u, colour] : lookups) EXPECT_EQ(CellColor(list, With(&Cell::u2, u), Background), colour) << u;
    list.List.clear();
    EXPECT_EQ(CellColor(list, Cell {}, Background), Background);
}

TEST(CellColor, RangesClampToTheirEnds) {
    ColorSpec rainbow = Uints(ColorMode::UintRainbow, 10, 110);
    const std::pair<uint32_t, uint32_t> uints[] = {{0, Red},       {10, Red},      {60, 0xFF00FF3Fu},
                                                   {110, Violet},  {111, Violet},  {4294967295u, Violet}};
    for (auto [u, colour] : uints) EXPECT_EQ(CellColor(rainbow, With(&Cell::u1, u), Background), colour) << u;
    EXPECT_EQ(CellColor(Uints(ColorMode::UintRainbow, 0, 4294967295u), With(&Cell::u1, 4294967295u), Background), Violet);

    ColorSpec gradient = Uints(ColorMode::UintGradient, 0, 100, 0x00000000u, 0x00C8C8C8u);
    const std::pair<uint32_t, uint32_t> shades[] = {{0, 0xFF000000u}, {50, 0xFF646464u}, {1000, 0xFFC8C8C8u}};
    for (auto [u, colour] : shades) EXPECT_EQ(CellColor(gradient, With(&Cell::u1, u), Background), colour) << u;

    ColorSpec floats = Floats(ColorMode::FloatGradient, -1, 1, 0xFFFF0000u, 0xFF0000FFu);
    const std::pair<float, uint32_t> places[] = {{-Inf, 0xFFFF0000u}, {-0.5f, 0xFFBF003Fu}, {1, 0xFF0000FFu}, {Inf, 0xFF0000FFu}};
    for (auto [f, colour] : places) EXPECT_EQ(CellColor(floats, With(&Cell::f1, f), Background), colour) << f;
    ColorSpec floatRainbow = Floats(ColorMode::FloatRainbow, -1, 1);
    EXPECT_EQ(CellColor(floatRainbow, With(&Cell::f1, -2.0f), Background), Red);
    EXPECT_EQ(CellColor(floatRainbow, With(&Cell::f1, 0.0f), Background), 0xFF00FF3Fu);
    EXPECT_EQ(CellColor(floatRainbow, With(&Cell::f1, Inf), Background), Violet);
}

TEST(CellColor, ReversedAndEmptyRangesGiveTheColourAtTheMinimum) {
    for (uint32_t u : {0u, 5u, 50u, 100u, 4294967295u}) {
        EXPECT_EQ(CellColor(Uints(ColorMode::UintRainbow, 100, 0), With(&Cell::u1, u), Background), Red) << u;
        EXPECT_EQ(CellColor(Uints(ColorMode::UintRainbow, 7, 7), With(&Cell::u1, u), Background), Red) << u;
        EXPECT_EQ(CellColor(Uints(ColorMode::UintGradient, 7, 7, 0x102030u, 0xFFFFFFu), With(&Cell::u1, u), Background),
                  0xFF102030u) << u;
    }
    for (float f : {-1e30f, -1.0f, 0.5f, 3.0f, Inf}) {
        EXPECT_EQ(CellColor(Floats(ColorMode::FloatRainbow, 1, -1), With(&Cell::f1, f), Background), Red) << f;
        EXPECT_EQ(CellColor(Floats(ColorMode::FloatRainbow, 2, 2), With(&Cell::f1, f), Background), Red) << f;
        EXPECT_EQ(CellColor(Floats(ColorMode::FloatGradient, 1, -1, 0x102030u, 0xFFFFFFu), With(&Cell::f1, f), Background),
                  0xFF102030u) << f;
    }
}

TEST(CellColor, NonNumbersAndExtremeEndsAreBlackOrDefined) {
    // A NaN field has no place in its range: the rainbow of a non-number hue, black.
    EXPECT_EQ(CellColor(Floats(ColorMode::FloatRainbow, -1, 1), With(&Cell::f1, NaN), Background), Black);
    EXPECT_EQ(CellColor(Floats(ColorMode::FloatGradient, -1, 1, ~0u, ~0u), With(&Cell::f1, NaN), Background), Black);
    EXPECT_EQ(CellColor(Floats(ColorMode::FloatRainbow, -Inf, Inf), With(&Cell::f1, 0.0f), Background), Black);
    EXPECT_EQ(CellColor(Floats(ColorMode::FloatRainbow, -3e38f, 3e38f), With(&Cell::f1, 3e38f), Background), Violet);
}

TEST(DoubleColor, PreviousAndCurrentSelectOneOfFour) {
    ColorSpec spec = Spec(ColorMode::BoolDouble, 1, 0xA, 0xB);
    spec.ColorC = 0xC;
    spec.ColorD = 0xD;
    struct Case {
        uint8_t previous, current;
        uint32_t colour;
    };
    for (Case c : {Case {0, 0, 0xA}, {0, 1, 0xB}, {1, 0, 0xC}, {1, 1, 0xD}, {0, 2, 0xD}, {2, 0, 0xD}})
        EXPECT_EQ(DoubleColor(spec, With(&Cell::b2, c.current), With(&Cell::b2, c.previous)), c.colour)
            << int(c.previous) << " then " << int(c.current);
}

TEST(RequiresTripleBuffering, AnyShownSpecThatComparesGenerations) {
    struct Case {
        ViewKind kind;
        bool squares, arrows, needed;
    };
    for (Case c : {Case {ViewKind::Texture, true, false, true}, {ViewKind::Texture, false, true, false},
                   {ViewKind::Cells, true, false, true}, {ViewKind::Cells, false, true, false},
                   {ViewKind::Vectors, true, false, false}, {ViewKind::Vectors, false, true, true},
                   {ViewKind::Complex, true, false, true}, {ViewKind::Complex, false, true, true},
                   {ViewKind::Complex, false, false, false}}) {
        ViewSettings settings;
        settings.Kind = c.kind;
        settings.Color.Mode = c.squares ? ColorMode::BoolDouble : ColorMode::Rgb;
        settings.Vector.Color.Mode = c.arrows ? ColorMode::BoolDouble : ColorMode::Constant;
        EXPECT_EQ(RequiresTripleBuffering(settings), c.needed) << static_cast<int>(c.kind);
    }
}

}  // namespace
