// FillTexels: the colours of a world, or of a rectangle of it, into a texel surface, arranged for the cache and,
// for the rainbow, gradient and short list modes, four cells at a time in vector registers.
// Every result equals CellColor's (or DoubleColor's) for the same cell: the vector kernels
// perform the same IEEE single and double operations, and the same compares, lane by lane.

#include <algorithm>
#include <cassert>
#include <cstring>

#include "view/ColorKernels.h"
#include "view/ViewSettings.h"

namespace view {

using cells::Cell;
using cells::CellTable;
using cells::FloatField;
using cells::UintField;
using namespace detail;

namespace {

// Columns per strip. The world is walked strip by strip and row by row within a strip: the
// cells are read as 16 sequential streams (a column is contiguous) and each row of a strip
// writes one 64-byte run of texels. Row by row over the whole width would jump a column's
// length from cell to cell.
constexpr int Strip = 16;

// How many rows ahead each column of a strip is prefetched. Sixteen interleaved column streams
// are more than the hardware prefetchers follow well; asking for the cells a few rows ahead
// hides the cache misses behind the colour arithmetic (about half the time of a frame here).
constexpr int PrefetchRows = 8;

inline void Prefetch([[maybe_unused]] const void* address) {
#if defined(__GNUC__)
    __builtin_prefetch(address);
#endif
}

#if defined(__GNUC__)

typedef float F4 __attribute__((vector_size(16)));
typedef int32_t I4 __attribute__((vector_size(16)));
typedef uint32_t U4 __attribute__((vector_size(16)));
typedef double D4 __attribute__((vector_size(32)));  // two SSE registers where AVX is off

// The kernels below are forced inline: a call per four cells would cost as much as their work.

// Four cells of one row, `columnLength` cells apart in memory.
[[gnu::always_inline]] inline U4 LoadUints(const Cell* first, size_t columnLength, int field) {
    return U4 {UintField(first[0], field), UintField(first[columnLength], field), UintField(first[2 * columnLength], field),
               UintField(first[3 * columnLength], field)};
}

[[gnu::always_inline]] inline F4 LoadFloats(const Cell* first, size_t columnLength, int field) {
    return F4 {FloatField(first[0], field), FloatField(first[columnLength], field), FloatField(first[2 * columnLength], field),
               FloatField(first[3 * columnLength], field)};
}

// UintRange::At of four values (the range is not empty).
[[gnu::always_inline]] inline F4 UintPlaces(const UintRange& range, U4 values) {
    values = values > range.Maximum ? U4 {} + range.Maximum : values;
    values = values < range.Minimum ? U4 {} + range.Minimum : values;
    U4 offset = values - range.Minimum;
    // Unsigned to double, exactly: read with the top bit flipped as a signed int32 (which the
    // hardware converts directly) and add 2^31 back, exact in double.
    I4 flipped = reinterpret_cast<I4>(offset ^ 0x80000000u);
    D4 place = (__builtin_convertvector(flipped, D4) + 2147483648.0) / range.Span;
    return __builtin_convertvector(place, F4);
}

// FloatRange::At of four values (the range is not empty).
[[gnu::always_inline]] inline F4 FloatPlaces(const FloatRange& range, F4 values) {
    values = values > range.Maximum ? F4 {} + range.Maximum : values;
    values = values < range.Minimum ? F4 {} + range.Minimum : values;
    D4 place = (__builtin_convertvector(values, D4) - range.Start) / range.Span;
    return __builtin_convertvector(place, F4);
}

// RainbowOf(t) | OpaqueAlpha for t in [0, 1] or NaN. A NaN lane is computed as 0 (so that no
// conversion sees a NaN) and then replaced by what HsvToRgb gives a non-number hue, 0.
[[gnu::always_inline]] inline U4 Rainbows(F4 t) {
    I4 nan = t != t;
    t = nan ? F4 {} : t;
    F4 hh = 0.75f * t * 6.0f;
    I4 index = __builtin_convertvector(hh, I4);
    F4 f = hh - __builtin_convertvector(index, F4);
    F4 q = 1.0f - f;
    I4 qByte = __builtin_convertvector(q * 255.0f, I4);
    I4 tByte = __builtin_convertvector((1.0f - q) * 255.0f, I4);
    // The sector table of RainbowOf as masks: (v, t, p) (q, v, p) (p, v, t) (p, q, v) (t, p, v).
    I4 s0 = index == 0, s1 = index == 1, s2 = index == 2, s3 = index == 3, s4 = index == 4;
    I4 colour = (s0 & 0xFF0000) | ((s1 | s2) & 0xFF00) | ((s3 | s4) & 0xFF) | (s0 & (tByte << 8)) | (s1 & (qByte << 16)) |
                (s2 & tByte) | (s3 & (qByte << 8)) | (s4 & (tByte << 16));
    colour = nan ? I4 {} : colour;
    return reinterpret_cast<U4>(colour) | OpaqueAlpha;
}

// Gradient::At of four t in [0, 1] or NaN; a NaN lane gives channels of 0 as ChannelByte does.
[[gnu::always_inline]] inline U4 Gradients(const Gradient& gradient, F4 t) {
    I4 nan = t != t;
    t = nan ? F4 {} : t;
    I4 red = __builtin_convertvector(gradient.Start[0] + gradient.Span[0] * t, I4);
    I4 green = __builtin_convertvector(gradient.Start[1] + gradient.Span[1] * t, I4);
    I4 blue = __builtin_convertvector(gradient.Start[2] + gradient.Span[2] * t, I4);
    I4 colour = (red << 16) | (green << 8) | blue;
    colour = nan ? I4 {} : colour;
    return reinterpret_cast<U4>(colour) | OpaqueAlpha;
}

// The vector form of the modes that have one: four cells of a row into four colours.
[[gnu::always_inline]] inline U4 Colours4(const UintRainbowColour& mode, const Cell* first, size_t columnLength) {
    return Rainbows(UintPlaces(mode.Range, LoadUints(first, columnLength, mode.Field)));
}
[[gnu::always_inline]] inline U4 Colours4(const UintGradientColour& mode, const Cell* first, size_t columnLength) {
    return Gradients(mode.Colours, UintPlaces(mode.Range, LoadUints(first, columnLength, mode.Field)));
}
[[gnu::always_inline]] inline U4 Colours4(const FloatRainbowColour& mode, const Cell* first, size_t columnLength) {
    return Rainbows(FloatPlaces(mode.Range, LoadFloats(first, columnLength, mode.Field)));
}
[[gnu::always_inline]] inline U4 Colours4(const FloatGradientColour& mode, const Cell* first, size_t columnLength) {
    return Gradients(mode.Colours, FloatPlaces(mode.Range, LoadFloats(first, columnLength, mode.Field)));
}

// A short list (see ShortList) as four compares a pair, from the last pair to the first.
[[gnu::always_inline]] inline U4 Colours4(const ListColour& mode, const Cell* first, size_t columnLength) {
    U4 values = LoadUints(first, columnLength, mode.Field);
    U4 colours = U4 {} + mode.Background;
    for (size_t i = mode.PairCount; i-- > 0;)
        colours = values == mode.Pairs[2 * i] ? U4 {} + mode.Pairs[2 * i + 1] : colours;
    return colours;
}

template <class Mode>
concept HasVectorForm = requires(const Mode& mode, const Cell* cell) { Colours4(mode, cell, size_t {}); };

#else

template <class Mode>
concept HasVectorForm = false;

#endif

template <class Mode>
bool VectorFormPays(const Mode&) {
    return true;
}
bool VectorFormPays(const ListColour& mode) { return mode.PairCount <= ShortList; }

template <class Mode>
void FillByStrips(const Mode& colourOf, const CellTable& shown, uint8_t* texels, size_t pitch, CellRect area) {
    const size_t columnLength = static_cast<size_t>(shown.Height());
    const Cell* cells = shown.Data();
    [[maybe_unused]] const bool vectorForm = VectorFormPays(colourOf);
    // Texel (x, y) of the surface is cell (area.Left + x, area.Top + y).
    const size_t left = static_cast<size_t>(area.Left);
    for (int x0 = area.Left; x0 < area.Right; x0 += Strip) {
        const int x1 = std::min(area.Right, x0 + Strip);
        for (int y = area.Top; y < area.Bottom; ++y) {
            uint8_t* row = texels + static_cast<size_t>(y - area.Top) * pitch;
            if (y + PrefetchRows < area.Bottom)
                for (int column = x0; column < x1; ++column) Prefetch(shown.Column(column) + y + PrefetchRows);
            int x = x0;
            // An index rather than a pointer that steps a column at a time: after the last
            // column such a pointer would point outside the table.
            size_t index = static_cast<size_t>(x0) * columnLength + static_cast<size_t>(y);
#if defined(__GNUC__)
            if constexpr (HasVectorForm<Mode>) {
                if (vectorForm)
                    for (; x + 4 <= x1; x += 4, index += 4 * columnLength) {
                        U4 colours = Colours4(colourOf, cells + index, columnLength);
                        std::memcpy(row + 4 * (static_cast<size_t>(x) - left), &colours, sizeof colours);
                    }
            }
#endif
            for (; x < x1; ++x, index += columnLength) {
                uint32_t colour = colourOf(cells[index]);
                std::memcpy(row + 4 * (static_cast<size_t>(x) - left), &colour, sizeof colour);
            }
        }
    }
}

// BoolDouble reads the same cell of the previous generation beside each shown one.
struct DoubleColourBeside {
    DoubleColour Colours;
    const Cell* Shown;     // first cell of the shown generation
    const Cell* Previous;  // first cell of the previous one, same layout
    uint32_t operator()(const Cell& cell) const { return Colours(cell, Previous[&cell - Shown]); }
};

}  // namespace

void FillTexels(const ColorSpec& spec, const CellTable& shown, const CellTable* previous, uint32_t background, uint8_t* texels,
                size_t pitch) {
    FillTexels(spec, shown, previous, background, texels, pitch, {0, 0, shown.Width(), shown.Height()});
}

void FillTexels(const ColorSpec& spec, const CellTable& shown, const CellTable* previous, uint32_t background, uint8_t* texels,
                size_t pitch, CellRect area) {
    assert(area.Left >= 0 && area.Top >= 0 && area.Right <= shown.Width() && area.Bottom <= shown.Height() &&
           "the area lies inside the table");
    if (area.Right <= area.Left || area.Bottom <= area.Top) return;
    if (spec.Mode == ColorMode::BoolDouble) {
        bool sameSize = previous != nullptr && previous->Width() == shown.Width() && previous->Height() == shown.Height();
        assert((previous == nullptr || sameSize) && "the previous generation must have the shown one's size");
        // Without a previous generation of the same size every cell is compared with itself.
        const Cell* before = sameSize ? previous->Data() : shown.Data();
        DoubleColour colours {spec.Field, {spec.ColorA, spec.ColorB, spec.ColorC, spec.ColorD}};
        FillByStrips(DoubleColourBeside {colours, shown.Data(), before}, shown, texels, pitch, area);
        return;
    }
    WithModeColour(spec, background, [&](const auto& colourOf) { FillByStrips(colourOf, shown, texels, pitch, area); });
}

}  // namespace view
