#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "view/ViewSettings.h"

namespace {

constexpr float Inf = std::numeric_limits<float>::infinity();

// Field values at, inside and beyond the ranges below, NaN, infinities, denormals and the
// extremes of the types, mixed with arbitrary ones.
CellTable MixedWorld(int width, int height, uint32_t seed) {
    const float floats[] = {0, -0.0f, 1, -1, 0.5f, 1e-40f, 3e38f, -3e38f, Inf, -Inf, std::numeric_limits<float>::quiet_NaN(), 2};
    const uint32_t uints[] = {0, 9, 10, 11, 55, 100, 101, 110, 0x80000000u, 0xFFFFFFFFu};
    CellTable table(width, height);
    uint32_t state = seed;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) {
            Cell& cell = table.At(x, y);
            cell.b1 = static_cast<uint8_t>(next() >> 31);
            cell.b2 = static_cast<uint8_t>(next() % 3);
            cell.u1 = next() & 1 ? uints[next() % std::size(uints)] : next();
            cell.f2 = next() & 1 ? floats[next() % std::size(floats)] : static_cast<float>(static_cast<int32_t>(next())) * 1e-9f;
        }
    return table;
}

std::vector<ColorSpec> EveryMode() {
    std::vector<ColorSpec> specs;
    auto add = [&specs](ColorMode mode, int field) -> ColorSpec& {
        ColorSpec& spec = specs.emplace_back();
        spec.Mode = mode;
        spec.Field = field;
        spec.ColorA = 0x00FF8040u;
        spec.ColorB = 0xFF10E0A0u;
        spec.ColorC = 0x12345678u;
        spec.ColorD = 0x9ABCDEF0u;
        return spec;
    };
    for (ColorMode mode : {ColorMode::Rgb, ColorMode::BoolPair, ColorMode::Constant}) add(mode, 0);
    add(ColorMode::BoolDouble, 1);
    add(ColorMode::UintList, 0).List = {55, 0xFF00FF00u, 0, 0xFF0000FFu, 55, 0xFFFFFFFFu, 110, 1u};
    for (ColorMode mode : {ColorMode::UintRainbow, ColorMode::UintGradient})
        for (auto [low, high] : {std::pair {10u, 100u}, {0u, 0xFFFFFFFFu}, {100u, 10u}, {55u, 55u}}) {
            ColorSpec& spec = add(mode, 0);
            spec.UintMinimum = low;
            spec.UintMaximum = high;
        }
    for (ColorMode mode : {ColorMode::FloatRainbow, ColorMode::FloatGradient})
        for (auto [low, high] :
             {std::pair {-1.0f, 1.0f}, {0.0f, 1e-30f}, {1.0f, -1.0f}, {0.5f, 0.5f}, {-Inf, Inf}, {-3e38f, 3e38f}}) {
            ColorSpec& spec = add(mode, 1);
            spec.FloatMinimum = low;
            spec.FloatMaximum = high;
        }
    return specs;
}

// The whole-world fill must give every texel exactly what CellColor or DoubleColor gives its
// cell, for every mode and odd value, and must leave the row padding alone. The sizes leave
// remainders after strips of 16 columns and groups of 4.
TEST(FillTexels, EqualsTheColourOfEveryCell) {
    for (auto [width, height] : {std::pair {37, 23}, {1, 1}, {16, 5}, {3, 40}, {64, 9}}) {
        CellTable shown = MixedWorld(width, height, 7u + static_cast<uint32_t>(width));
        CellTable previous = MixedWorld(width, height, 99u + static_cast<uint32_t>(height));
        const size_t pitch = 4 * static_cast<size_t>(width) + 12;
        const uint32_t background = 0xFF204060u;
        for (const ColorSpec& spec : EveryMode()) {
            std::vector<uint8_t> surface(pitch * static_cast<size_t>(height), 0xEE);
            FillTexels(spec, shown, &previous, background, surface.data(), pitch);
            for (int y = 0; y < height; ++y) {
                const uint8_t* row = surface.data() + static_cast<size_t>(y) * pitch;
                for (int x = 0; x < width; ++x) {
                    uint32_t texel;
                    std::memcpy(&texel, row + 4 * static_cast<size_t>(x), 4);
                    uint32_t expected = spec.Mode == ColorMode::BoolDouble ? DoubleColor(spec, shown.At(x, y), previous.At(x, y))
                                                                           : CellColor(spec, shown.At(x, y), background);
                    ASSERT_EQ(texel, expected) << "mode " << static_cast<int>(spec.Mode) << " cell " << x << "," << y;
                }
                for (size_t pad = 4 * static_cast<size_t>(width); pad < pitch; ++pad) ASSERT_EQ(row[pad], 0xEE);
            }
        }
    }
}

}  // namespace
