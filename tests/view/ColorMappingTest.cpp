#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "view/ViewSettings.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // fields left out of a designated initializer are zero

namespace view {
namespace {

using enum ColorMode;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr uint32_t Red = 0xFFFF0000u, Lime = 0xFF00FF00u, Blue = 0xFF0000FFu, Violet = 0xFF7F00FFu, Black = 0xFF000000u;
constexpr uint32_t Middle = 0xFF00FF3Fu, Background = 0xFF123456u;  // the rainbow halfway, a colour no mode gives

ColorSpec Uints(ColorMode mode, uint32_t low, uint32_t high, uint32_t a = 0, uint32_t b = 0) {
    return {.Mode = mode, .ColorA = a, .ColorB = b, .UintMinimum = low, .UintMaximum = high};
}
ColorSpec Floats(ColorMode mode, float low, float high, uint32_t a = 0, uint32_t b = 0) {
    return {.Mode = mode, .ColorA = a, .ColorB = b, .FloatMinimum = low, .FloatMaximum = high};
}
cells::Cell U(uint32_t u) { return {.u1 = u}; }
cells::Cell F(float f) { return {.f1 = f}; }

TEST(HsvToRgb, SectorsWrapsAndNonNumbers) {
    const struct { float hue, saturation, value; uint32_t rgb; } cases[] = {  // -1e-9 wraps to a hair below 1: red
        {0.0f, 1, 1, 0xFF0000u}, {0.125f, 1, 1, 0xFFBF00u}, {0.25f, 1, 1, 0x7FFF00u}, {0.375f, 1, 1, 0x00FF3Fu},
        {0.5f, 1, 1, 0x00FFFFu}, {0.625f, 1, 1, 0x003FFFu}, {0.75f, 1, 1, 0x7F00FFu}, {0.875f, 1, 1, 0xFF00BFu},
        {1.25f, 1, 1, 0x7FFF00u}, {-0.75f, 1, 1, 0x7FFF00u}, {-1e-9f, 1, 1, 0xFF0000u}, {NaN, 1, 1, 0u}, {Inf, 1, 1, 0u},
        {0.3f, 0, 0.5f, 0x7F7F7Fu}, {0.5f, 1, 0.5f, 0x007F7Fu}};
    for (const auto& c : cases) EXPECT_EQ(HsvToRgb(c.hue, c.saturation, c.value), c.rgb) << &c - cases;
}

TEST(ScriptHelpers, ClampTheirArgumentsAndSetAlpha) {
    EXPECT_EQ(InterpolateColor(0x000000u, 0xFFFFFFu, 0.5f), 0xFF7F7F7Fu);
    EXPECT_EQ(InterpolateColor(0xFF0000u, 0x0000FFu, 0.25f), 0xFFBF003Fu);  // 191.25 and 63.75
    for (float t : {2.0f, NaN, Inf}) EXPECT_EQ(InterpolateColor(0x00123456u, 0x00ABCDEFu, t), 0xFFABCDEFu) << t;
    for (float t : {-1.0f, -Inf}) EXPECT_EQ(InterpolateColor(0xAA123456u, 0x00ABCDEFu, t), 0xFF123456u) << t;
    const std::pair<float, uint32_t> rainbow[] = {{1.0f, 0x007F00FFu}, {0.0f, 0x00FF0000u}, {5.0f, 0x007F00FFu},
                                                  {NaN, 0x007F00FFu},  {-3.0f, 0x00FF0000u}, {0.5f, 0x0000FF3Fu}};
    for (auto [t, colour] : rainbow) EXPECT_EQ(RainbowColor(t), colour) << t;
    const std::pair<uint32_t, float> greys[] = {  // alpha is ignored
        {0xFFFFFFu, 1}, {0xFF000000u, 0}, {0xFF0000u, .3f}, {0x00FF00u, .59f}, {0x0000FFu, .11f}};
    for (auto [colour, grey] : greys) EXPECT_NEAR(Grayscale(colour), grey, 1e-6f) << colour;
}

TEST(CellColor, EveryModeWithItsClampsAndDegenerateRanges) {
    const ColorSpec list = {.Mode = UintList, .Field = 1, .List = {0, Black, 1, Red, 2, Lime, 1, Blue}};
    const struct { ColorSpec spec; std::vector<std::pair<cells::Cell, uint32_t>> colours; } cases[] = {
        {{.Mode = Rgb, .Field = 2}, {{{.u3 = 0x80ABCDEFu}, 0xFFABCDEFu}, {{.u2 = 0x80ABCDEFu}, Black}}},
        {{.Mode = BoolPair, .Field = 3, .ColorA = 1, .ColorB = 2}, {{{.b4 = 0}, 1}, {{.b4 = 1}, 2}, {{.b4 = 7}, 2}}},
        {{.Mode = Constant, .ColorA = 0x00008080u}, {{{}, 0x00008080u}}},
        // The first matching pair wins; a miss, or an empty list, gives the background.
        {list, {{{.u2 = 0}, Black}, {{.u2 = 1}, Red}, {{.u2 = 2}, Lime}, {{.u2 = 3}, Background}}},
        {{.Mode = UintList}, {{{}, Background}}},
        {Uints(UintRainbow, 10, 110), {{U(0), Red}, {U(10), Red}, {U(60), Middle}, {U(110), Violet}, {U(~0u), Violet}}},
        {Uints(UintRainbow, 0, ~0u), {{U(~0u), Violet}}}, {Floats(FloatRainbow, -3e38f, 3e38f), {{F(3e38f), Violet}}},
        {Uints(UintGradient, 0, 100, 0, 0xC8C8C8u), {{U(0), Black}, {U(50), 0xFF646464u}, {U(1000), 0xFFC8C8C8u}}},
        {Floats(FloatRainbow, -1, 1), {{F(-2), Red}, {F(0), Middle}, {F(Inf), Violet}, {F(NaN), Black}}},
        {Floats(FloatGradient, -1, 1, Red, Blue), {{F(-Inf), Red}, {F(-0.5f), 0xFFBF003Fu}, {F(Inf), Blue}, {F(NaN), Black}}},
        // Reversed ranges and ranges with equal ends give the colour at the minimum.
        {Uints(UintRainbow, 100, 0), {{U(0), Red}, {U(50), Red}, {U(~0u), Red}}},
        {Uints(UintRainbow, 7, 7), {{U(0), Red}, {U(8), Red}}},
        {Uints(UintGradient, 7, 7, 0x102030u, ~0u), {{U(0), 0xFF102030u}, {U(9), 0xFF102030u}}},
        {Floats(FloatRainbow, 1, -1), {{F(-1e30f), Red}, {F(0.5f), Red}, {F(Inf), Red}}},
        {Floats(FloatRainbow, 2, 2), {{F(2), Red}, {F(3), Red}}},
        {Floats(FloatGradient, 1, -1, 0x102030u, ~0u), {{F(0.5f), 0xFF102030u}, {F(3), 0xFF102030u}}},
        {Floats(FloatRainbow, -Inf, Inf), {{F(0), Black}}},  // infinite ends leave no place in the range
    };
    for (const auto& c : cases)
        for (const auto& [cell, colour] : c.colours) EXPECT_EQ(CellColor(c.spec, cell, Background), colour) << &c - cases;
}

TEST(DoubleColor, PreviousAndCurrentSelectOneOfFour) {
    const ColorSpec spec {.Mode = BoolDouble, .Field = 1, .ColorA = 0xA, .ColorB = 0xB, .ColorC = 0xC, .ColorD = 0xD};
    const uint8_t cases[][3] = {{0, 0, 0xA}, {0, 1, 0xB}, {1, 0, 0xC}, {1, 1, 0xD}, {0, 2, 0xD}, {2, 0, 0xD}};
    for (auto [previous, current, colour] : cases)
        EXPECT_EQ(DoubleColor(spec, {.b2 = current}, {.b2 = previous}), colour) << int(previous) << " then " << int(current);
}

// Field values at, inside and beyond the ranges below, NaN, infinities, denormals and the
// extremes of the types, mixed with arbitrary ones.
cells::CellTable MixedWorld(int width, int height, uint32_t seed) {
    const float floats[] = {0, -0.0f, 1, -1, 0.5f, 1e-40f, 3e38f, -3e38f, Inf, -Inf, NaN, 2};
    const uint32_t uints[] = {0, 9, 10, 11, 55, 100, 101, 110, 0x80000000u, 0xFFFFFFFFu};
    cells::CellTable table(width, height);
    std::mt19937 next(seed);
    for (cells::Cell* cell = table.Data(); cell < table.Data() + width * height; ++cell) {
        *cell = {.b1 = static_cast<uint8_t>(next() % 2), .b2 = static_cast<uint8_t>(next() % 3)};
        cell->u1 = next() % 2 ? uints[next() % std::size(uints)] : next();
        cell->f1 = next() % 2 ? floats[next() % std::size(floats)] : static_cast<float>(static_cast<int32_t>(next())) * 1e-9f;
    }
    return table;
}

// Every texel must be what CellColor or DoubleColor gives its cell, for every mode and odd value, and the row
// padding must stay untouched. The sizes leave remainders after strips of 16 columns and groups of 4.
TEST(FillTexels, EqualsTheColourOfEveryCell) {
    std::vector<ColorSpec> specs = {
        {.Mode = Rgb}, {.Mode = BoolPair, .ColorA = Red, .ColorB = 0x00123456u}, {.Mode = Constant, .ColorA = Lime},
        {.Mode = BoolDouble, .Field = 1, .ColorA = 1, .ColorB = 2, .ColorC = 3, .ColorD = 4},
        {.Mode = UintList, .List = {55, Lime, 0, Blue, 55, Red, 110, 1u}}};
    for (ColorMode mode : {UintRainbow, UintGradient})
        for (auto [low, high] : {std::pair {10u, 100u}, {0u, ~0u}, {100u, 10u}, {55u, 55u}})
            specs.push_back(Uints(mode, low, high, 0x00FF8040u, 0xFF10E0A0u));
    for (ColorMode mode : {FloatRainbow, FloatGradient})
        for (auto [low, high] : {std::pair {-1.f, 1.f}, {0.f, 1e-30f}, {1.f, -1.f}, {.5f, .5f}, {-Inf, Inf}, {-3e38f, 3e38f}})
            specs.push_back(Floats(mode, low, high, 0x00FF8040u, 0xFF10E0A0u));
    for (auto [width, height] : {std::pair {37, 23}, {1, 1}, {16, 5}, {3, 40}, {64, 9}}) {
        const cells::CellTable shown = MixedWorld(width, height, 7u + width), previous = MixedWorld(width, height, 99u + height);
        const size_t pitch = 4 * static_cast<size_t>(width) + 12;
        for (const ColorSpec& spec : specs) {
            std::vector<uint8_t> surface(pitch * static_cast<size_t>(height), 0xEE);
            FillTexels(spec, shown, &previous, Background, surface.data(), pitch);
            for (int y = 0; y < height; ++y) {
                const uint8_t* row = surface.data() + static_cast<size_t>(y) * pitch;
                for (int x = 0; x < width; ++x) {
                    uint32_t texel;
                    std::memcpy(&texel, row + 4 * x, 4);
                    ASSERT_EQ(texel, spec.Mode == BoolDouble ? DoubleColor(spec, shown.At(x, y), previous.At(x, y))
                                                             : CellColor(spec, shown.At(x, y), Background))
                        << "mode " << static_cast<int>(spec.Mode) << " cell " << x << "," << y;
                }
                for (size_t pad = 4 * static_cast<size_t>(width); pad < pitch; ++pad) ASSERT_EQ(row[pad], 0xEE);
            }
            // A rectangle of the cells only: texel (x, y) is cell (left + x, top + y).
            const CellRect area {width / 3, height / 4, width - width / 5, height};
            const size_t columns = static_cast<size_t>(area.Right - area.Left);
            std::vector<uint32_t> part(columns * static_cast<size_t>(area.Bottom - area.Top) + 1, 0xEEEEEEEEu);
            FillTexels(spec, shown, &previous, Background, reinterpret_cast<uint8_t*>(part.data()), 4 * columns, area);
            for (int y = area.Top; y < area.Bottom; ++y)
                for (int x = area.Left; x < area.Right; ++x)
                    ASSERT_EQ(part[static_cast<size_t>(y - area.Top) * columns + static_cast<size_t>(x - area.Left)],
                              spec.Mode == BoolDouble ? DoubleColor(spec, shown.At(x, y), previous.At(x, y))
                                                      : CellColor(spec, shown.At(x, y), Background))
                        << "mode " << static_cast<int>(spec.Mode) << " cell " << x << "," << y << " of a rectangle";
            ASSERT_EQ(part.back(), 0xEEEEEEEEu) << "nothing beyond the rectangle";
        }
    }
}

}  // namespace
}  // namespace view
