#pragma once
// The layout of a font atlas: the size search and the placement of glyphs in rows, measured
// through a GlyphMeasure so that any rasteriser can stand behind it.

#include <array>
#include <cstdint>
#include <string_view>

#include "gfx/Font.h"
#include "platform/DeviceTypes.h"

namespace gfx {

// A character's widths in texels, as a text renderer measures them: A from the pen to the
// ink's left edge, B the ink's width, C from the ink's right edge to the next pen position.
struct CharWidths {
    float A { 0 }, B { 0 }, C { 0 };
};

// A font's metrics at one size, in texels.
struct FaceMetrics {
    int32_t CellHeight { 0 };  // ascent + descent: the height of a character cell
    int32_t Ascent { 0 };      // from the cell's top to the baseline
    float AverageCharWidth { 0 };
    float ExternalLeading { 0 };
    float InternalLeading { 0 };
};

// What the layout needs of a font. Errors are FreeType's codes, 0 for success.
class GlyphMeasure {
public:
    virtual ~GlyphMeasure() = default;
    // Sizes the font so that its character cell is about `height` texels high.
    virtual int SetHeight(int32_t height, FaceMetrics& metrics) = 0;
    // The widths of a code at the current size; all zero for a code the font has no glyph for.
    virtual int MeasureChar(uint8_t code, CharWidths& widths) = 0;
};

// How far the pen moves over a character in the atlas, which is also its glyph's width:
// the sum of A, B and C, each rounded and taken as 0 when negative.
int32_t AtlasAdvance(const CharWidths& widths);

struct AtlasLayout {
    int32_t Height { 0 };  // the height asked for
    FaceMetrics Metrics;
    std::array<platform::Rect, 256> Rects {};       // all zero for codes not in the atlas
    std::array<int32_t, 256> BearingOffsets {};     // where the pen starts inside the rectangle
    std::array<int32_t, 256> Advances {};
    platform::Rect WhiteBlock;
};

// Lays out heights 8, 9, 10, ... while the wanted glyphs and a white block fit into a square
// of `size` texels, and keeps the last that fit. The search also stops when the cell height
// has stayed the same for five heights in a row. False with an error in the trail when no
// height fits or the font fails.
bool SearchAtlasLayout(GlyphMeasure& font, uint32_t size, const WantedCharacters& wanted, AtlasLayout& layout);

}  // namespace gfx
