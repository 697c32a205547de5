#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "view/ViewSettings.h"

namespace {

// A world with every kind of field value the mapping must cope with: values at, just inside
// and beyond the range ends, NaN, infinities, denormals and the extremes of the types.
CellTable MixedWorld(int width, int height, uint32_t seed) {
    const float floats[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 0.25f, 1e-40f, 3e38f, -3e38f,
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(), 0.999999f, -0.999999f, 2.0f};
    const uint32_t uints[] = {0, 1, 9, 10, 11, 55, 99, 100, 101, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    CellTable table(width, height);
    uint32_t state = seed;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) {
            Cell& cell = table.At(x, y);
            cell.b1 = static_cast<uint8_t>(next() >> 31);
            cell.b2 = static_cast<uint8_t>(next() % 3);
            uint32_t r = next();
            cell.u1 = (r & 1) ? uints[(r >> 1) % std::size(uints)] : r;
            cell.u3 = next() % 120;
            r = next();
            cell.f2 = (r & 1) ? floats[(r >> 1) % std::size(floats)] : static_cast<float>(static_cast<int32_t>(r)) * 1e-9f;
        }
    return table;
}

std::vector<ColorSpec> EveryMode() {
    std::vector<ColorSpec> specs;
    auto add = [&specs](ColorMode mode, int field, auto&& adjust) {
        ColorSpec spec;
        spec.Mode = mode;
        spec.Field = field;
        spec.ColorA = 0x00FF8040u;
        spec.ColorB = 0xFF10E0A0u;
        spec.ColorC = 0x12345678u;
        spec.ColorD = 0x9ABCDEF0u;
        adjust(spec);
        specs.push_back(spec);
    };
    auto none = [](ColorSpec&) {};
    add(ColorMode::Rgb, 0, none);
    add(ColorMode::BoolPair, 0, none);
    add(ColorMode::BoolDouble, 1, none);
    add(ColorMode::UintList, 2, [](ColorSpec& s) { s.List = {5, 0xFF00FF00u, 7, 0xFF0000FFu, 5, 0xFFFFFFFFu, 110, 1u}; });
    add(ColorMode::Constant, 0, none);
    for (auto [low, high] : {std::pair {10u, 100u}, {0u, 0xFFFFFFFFu}, {100u, 10u}, {55u, 55u}})
        for (ColorMode mode : {ColorMode::UintRainbow, ColorMode::UintGradient})
            add(mode, 0, [low, high](ColorSpec& s) {
                s.UintMinimum = low;
                s.UintMaximum = high;
            });
    const float inf = std::numeric_limits<float>::infinity();
    for (auto [low, high] : {std::pair {-1.0f, 1.0f}, {0.0f, 1e-30f}, {1.0f, -1.0f}, {0.5f, 0.5f}, {-inf, inf}, {-3e38f, 3e38f}})
        for (ColorMode mode : {ColorMode::FloatRainbow, ColorMode::FloatGradient})
            add(mode, 1, [low, high](ColorSpec& s) {
                s.FloatMinimum = low;
                s.FloatMaximum = high;
            });
    return specs;
}

// The whole-world fill is an optimisation of the per-cell mapping: every texel must equal
// what CellColor or DoubleColor gives for its cell, for every mode and every odd value, and
// nothing outside the texels may be touched.
TEST(FillTexels, EqualsTheColourOfEveryCell) {
    // Widths that leave remainders after strips of 16 and groups of 4.
    for (auto [width, height] : {std::pair {37, 23}, {1, 1}, {16, 5}, {3, 40}, {64, 9}}) {
        CellTable shown = MixedWorld(width, height, 7u + static_cast<uint32_t>(width));
        CellTable previous = MixedWorld(width, height, 99u + static_cast<uint32_t>(height));
        const size_t pitch = 4 * static_cast<size_t>(width) + 12;
        const uint32_t background = 0xFF204060u;
        for (const ColorSpec& spec : EveryMode()) {
            std::vector<uint8_t> surface(pitch * static_cast<size_t>(height) + 16, 0xEE);
            FillTexels(spec, shown, &previous, background, surface.data(), pitch);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    uint32_t texel;
                    std::memcpy(&texel, surface.data() + static_cast<size_t>(y) * pitch + 4 * static_cast<size_t>(x), 4);
                    uint32_t expected = spec.Mode == ColorMode::BoolDouble ? DoubleColor(spec, shown.At(x, y), previous.At(x, y))
                                                                           : CellColor(spec, shown.At(x, y), background);
                    ASSERT_EQ(texel, expected) << "mode " << static_cast<int>(spec.Mode) << " cell " << x << "," << y
                                               << " world " << width << "x" << height;
                }
                for (size_t pad = 4 * static_cast<size_t>(width); pad < pitch; ++pad)
                    ASSERT_EQ(surface[static_cast<size_t>(y) * pitch + pad], 0xEE) << "row padding written";
            }
        }
    }
}

TEST(FillTexels, DoubleWithoutPreviousComparesACellWithItself) {
    CellTable shown(2, 1);
    shown.At(0, 0).b1 = 0;
    shown.At(1, 0).b1 = 1;
    ColorSpec spec;
    spec.Mode = ColorMode::BoolDouble;
    spec.ColorA = 0xA;
    spec.ColorD = 0xD;
    uint32_t texels[2] = {};
    FillTexels(spec, shown, nullptr, 0, reinterpret_cast<uint8_t*>(texels), sizeof texels);
    EXPECT_EQ(texels[0], 0xAu);
    EXPECT_EQ(texels[1], 0xDu);
}

}  // namespace
