#pragma once
// The per-cell colour computations shared by CellColor (one cell at a time) and FillTexels
// (a whole world): each colour mode as a small function object prepared once from its
// ColorSpec, so that a loop over cells inlines it and converts its constants only once.

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "base/NumericCasts.h"
#include "cells/Cell.h"
#include "view/ViewSettings.h"

namespace view::detail {

inline constexpr uint32_t OpaqueAlpha = 0xFF000000u;

inline uint32_t Red(uint32_t colour) { return (colour >> 16) & 0xFFu; }
inline uint32_t Green(uint32_t colour) { return (colour >> 8) & 0xFFu; }
inline uint32_t Blue(uint32_t colour) { return colour & 0xFFu; }

// A channel value truncated toward zero, low 8 bits kept; NaN and huge values are defined
// (NaN gives 0).
inline uint32_t ChannelByte(float value) { return static_cast<uint32_t>(base::TruncateToInt32(value)) & 0xFFu; }

// HsvToRgb(0.75 t, 1, 1), alpha 0.
inline uint32_t RainbowOf(float t) {
    if (t >= 0.0f && t <= 1.0f) {
        // HsvToRgb's arithmetic unchanged, but without branches: for hues in [0, 0.75]
        // floor(hue) is 0, the sector is 0..4, p is 0 and v is 1, so each channel is 255, 0,
        // q = 1 - f or t = 1 - (1 - f). A table gives per sector the full channels and where q
        // and t go (as a multiplier, 0 where the sector has none): the sector changes randomly
        // from cell to cell and a switch would mispredict.
        struct Sector {
            uint32_t Full;
            uint32_t QPlace, TPlace;
        };
        static constexpr Sector sectors[5] = {
            {0xFF0000u, 0, 1u << 8},   // (v, t, p)
            {0x00FF00u, 1u << 16, 0},  // (q, v, p)
            {0x00FF00u, 0, 1u},        // (p, v, t)
            {0x0000FFu, 1u << 8, 0},   // (p, q, v)
            {0x0000FFu, 0, 1u << 16},  // (t, p, v)
        };
        float hh = 0.75f * t * 6.0f;
        int index = static_cast<int>(hh);  // 0..4, as 0.75 * 6 = 4.5 bounds it
        float f = hh - static_cast<float>(index);
        float q = 1.0f - f;
        uint32_t qByte = static_cast<uint32_t>(static_cast<int32_t>(q * 255.0f));
        uint32_t tByte = static_cast<uint32_t>(static_cast<int32_t>((1.0f - q) * 255.0f));
        const Sector& sector = sectors[index];
        return sector.Full | qByte * sector.QPlace | tByte * sector.TPlace;
    }
    return HsvToRgb(0.75f * t, 1.0f, 1.0f);
}

// The interpolation between two colours, with their channels converted once: per channel
// truncate(a + (b - a) t), low 8 bits; alpha 0xFF.
struct Gradient {
    float Start[3];  // R, G, B of the first colour
    float Span[3];   // second minus first, per channel

    Gradient(uint32_t a, uint32_t b) {
        const uint32_t from[3] = {Red(a), Green(a), Blue(a)};
        const uint32_t to[3] = {Red(b), Green(b), Blue(b)};
        for (int i = 0; i < 3; ++i) {
            Start[i] = static_cast<float>(from[i]);
            Span[i] = static_cast<float>(to[i]) - Start[i];
        }
    }

    uint32_t At(float t) const {
        if (t >= 0.0f && t <= 1.0f) {
            // Within [0, 1] every rounded a + (b - a) t stays between a and b, so the plain
            // conversion is defined; this is the path of every gradient cell.
            auto channel = [&](int i) { return static_cast<uint32_t>(static_cast<int32_t>(Start[i] + Span[i] * t)); };
            return OpaqueAlpha | (channel(0) << 16) | (channel(1) << 8) | channel(2);
        }
        auto channel = [&](int i) { return ChannelByte(Start[i] + Span[i] * t); };
        return OpaqueAlpha | (channel(0) << 16) | (channel(1) << 8) | channel(2);
    }
};

// The place of a uint within [minimum, maximum] as t in [0, 1]: the value is limited to at
// most the maximum, then to at least the minimum (so a reversed range gives the minimum), and
// both differences are unsigned 32-bit, divided in double precision. A range whose ends are
// equal gives 0, the minimum's place, instead of 0 / 0.
struct UintRange {
    uint32_t Minimum, Maximum;
    double Span;  // maximum - minimum

    UintRange(uint32_t minimum, uint32_t maximum)
        : Minimum(minimum), Maximum(maximum), Span(static_cast<double>(maximum - minimum)) {}

    bool Empty() const { return Span == 0.0; }

    float At(uint32_t value) const {
        if (value > Maximum) value = Maximum;
        if (value < Minimum) value = Minimum;
        if (Empty()) return 0.0f;
        // In [0, 1], so the narrowing is defined.
        return static_cast<float>(static_cast<double>(value - Minimum) / Span);
    }
};

// The same for floats, with the differences taken in double precision so that wide finite
// ranges do not overflow. Equal ends give 0. A NaN value, or infinite ends that leave
// inf / inf, give NaN, which the rainbow and the interpolation turn into black: t is always
// in [0, 1] or NaN.
struct FloatRange {
    float Minimum, Maximum;
    double Start;  // the minimum in double
    double Span;   // maximum - minimum in double

    FloatRange(float minimum, float maximum)
        : Minimum(minimum), Maximum(maximum), Start(static_cast<double>(minimum)),
          Span(static_cast<double>(maximum) - static_cast<double>(minimum)) {}

    bool Empty() const { return Minimum == Maximum; }

    float At(float value) const {
        if (value > Maximum) value = Maximum;
        if (value < Minimum) value = Minimum;
        if (Empty()) return 0.0f;
        return static_cast<float>((static_cast<double>(value) - Start) / Span);
    }
};

// --- One colour mode each, as a function of the cell.

struct RgbColour {
    int Field;
    uint32_t operator()(const cells::Cell& cell) const { return cells::UintField(cell, Field) | OpaqueAlpha; }
};

struct BoolPairColour {
    int Field;
    uint32_t Pair[2];  // false, true
    // Indexed rather than branched: neighbouring cells' bools are often unrelated.
    uint32_t operator()(const cells::Cell& cell) const { return Pair[cells::BoolField(cell, Field) != 0]; }
};

// Lists up to this many pairs are mapped four cells at a time in FillTexels, every pair
// compared from the last to the first so that the first match wins. Longer lists, and single
// cells, stop at the first match.
inline constexpr size_t ShortList = 16;

struct ListColour {
    int Field;
    const uint32_t* Pairs;
    size_t PairCount;
    uint32_t Background;
    uint32_t operator()(const cells::Cell& cell) const {
        uint32_t u = cells::UintField(cell, Field);
        for (size_t i = 0; i < PairCount; ++i)
            if (Pairs[2 * i] == u) return Pairs[2 * i + 1];
        return Background;
    }
};

struct ConstantColour {
    uint32_t Colour;
    uint32_t operator()(const cells::Cell&) const { return Colour; }
};

struct UintRainbowColour {
    int Field;
    UintRange Range;
    uint32_t operator()(const cells::Cell& cell) const {
        return RainbowOf(Range.At(cells::UintField(cell, Field))) | OpaqueAlpha;
    }
};

struct UintGradientColour {
    int Field;
    UintRange Range;
    Gradient Colours;
    uint32_t operator()(const cells::Cell& cell) const { return Colours.At(Range.At(cells::UintField(cell, Field))); }
};

struct FloatRainbowColour {
    int Field;
    FloatRange Range;
    uint32_t operator()(const cells::Cell& cell) const {
        return RainbowOf(Range.At(cells::FloatField(cell, Field))) | OpaqueAlpha;
    }
};

struct FloatGradientColour {
    int Field;
    FloatRange Range;
    Gradient Colours;
    uint32_t operator()(const cells::Cell& cell) const { return Colours.At(Range.At(cells::FloatField(cell, Field))); }
};

// BoolDouble: A, B, C or D by the selected bool of the previous and the current generation.
// (0, 0) is A, (0, 1) B, (1, 0) C, anything else D. Indexed rather than branched, as the
// pairs change randomly from cell to cell.
struct DoubleColour {
    int Field;
    uint32_t Colours[4];  // A, B, C, D
    uint32_t operator()(const cells::Cell& current, const cells::Cell& previous) const {
        uint32_t p = cells::BoolField(previous, Field);
        uint32_t c = cells::BoolField(current, Field);
        uint32_t index = (p << 1) | c;
        if (p > 1 || c > 1) index = 3;
        return Colours[index];
    }
};

// Calls `visit` with the function object of the ColorSpec's mode and returns its result. A range
// whose ends are equal gives every cell the colour at its minimum, so it is passed on as a
// constant. BoolDouble (which needs the previous generation) and unknown modes give the
// background here.
template <class Visit>
auto WithModeColour(const ColorSpec& spec, uint32_t background, Visit&& visit) {
    switch (spec.Mode) {
        case ColorMode::Rgb: return visit(RgbColour {spec.Field});
        case ColorMode::BoolPair: return visit(BoolPairColour {spec.Field, {spec.ColorA, spec.ColorB}});
        case ColorMode::UintList: return visit(ListColour {spec.Field, spec.List.data(), spec.List.size() / 2, background});
        case ColorMode::Constant: return visit(ConstantColour {spec.ColorA});
        case ColorMode::UintRainbow: {
            UintRange range(spec.UintMinimum, spec.UintMaximum);
            if (range.Empty()) return visit(ConstantColour {RainbowOf(0.0f) | OpaqueAlpha});
            return visit(UintRainbowColour {spec.Field, range});
        }
        case ColorMode::UintGradient: {
            UintRange range(spec.UintMinimum, spec.UintMaximum);
            Gradient colours(spec.ColorA, spec.ColorB);
            if (range.Empty()) return visit(ConstantColour {colours.At(0.0f)});
            return visit(UintGradientColour {spec.Field, range, colours});
        }
        case ColorMode::FloatRainbow: {
            FloatRange range(spec.FloatMinimum, spec.FloatMaximum);
            if (range.Empty()) return visit(ConstantColour {RainbowOf(0.0f) | OpaqueAlpha});
            return visit(FloatRainbowColour {spec.Field, range});
        }
        case ColorMode::FloatGradient: {
            FloatRange range(spec.FloatMinimum, spec.FloatMaximum);
            Gradient colours(spec.ColorA, spec.ColorB);
            if (range.Empty()) return visit(ConstantColour {colours.At(0.0f)});
            return visit(FloatGradientColour {spec.Field, range, colours});
        }
        case ColorMode::BoolDouble: break;
    }
    return visit(ConstantColour {background});
}

}  // namespace view::detail
