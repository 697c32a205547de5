#include "gfx/FontFace.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

#include "base/Utilities.h"
#include "base/Windows1250.h"
#include "errors/ErrorTrail.h"

namespace gfx {

namespace {

// FreeType's own texts for its error codes (the library is built without them).
const char* FreeTypeErrorText(int error) {
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) \
    case v:                  \
        return s;
#define FT_ERROR_START_LIST switch (error) {
#define FT_ERROR_END_LIST }
#include FT_ERRORS_H
    return "unknown error";
}

// Glyphs are loaded hinted, from their outlines, and drawn anti-aliased: measuring and drawing
// see the same grid-fitted shapes.
constexpr FT_Int32 LoadFlags = FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP;

int32_t Nearest(double value) { return static_cast<int32_t>(std::lround(value)); }

}  // namespace

int CheckFreeType(int error, std::string_view message, std::source_location where) {
    if (error == 0) return 0;
    std::string entry = "(FreeType," + base::IntToStr(error) + ") " + FreeTypeErrorText(error);
    errors::ClearErrors();
    errors::AddError(entry, where);
    if (!message.empty()) errors::AddError(message, where);
    return error;
}

FontFace::~FontFace() {
    if (m_face) FT_Done_Face(m_face);
    if (m_library) FT_Done_FreeType(m_library);
}

int FontFace::Open(std::string_view family, bool bold) {
    // A configuration of its own, released again: fontconfig's process-wide one is never
    // freed, and the fonts are looked for once per atlas.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return FT_Err_Cannot_Open_Resource;
    const int error = Find(*config, family, bold);
    FcConfigDestroy(config);
    if (error) return error;

    if (!m_library) {
        if (int failed = FT_Init_FreeType(&m_library)) {
            m_library = nullptr;
            return failed;
        }
    }
    if (m_face) FT_Done_Face(m_face), m_face = nullptr;
    if (int failed = FT_New_Face(m_library, m_file.c_str(), m_index, &m_face)) {
        m_face = nullptr;
        return failed;
    }
    return 0;
}

int FontFace::Find(_FcConfig& config, std::string_view family, bool bold) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return FT_Err_Out_Of_Memory;
    const std::string name(family);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPatternAddBool(pattern, FC_ANTIALIAS, FcTrue);
    // The East European character set: among equally good faces, one with the Polish letters.
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("pl"));
    FcConfigSubstitute(&config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(&config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return FT_Err_Cannot_Open_Resource;
    FcChar8* file = nullptr;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (found) m_file = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &m_index) != FcResultMatch) m_index = 0;
    FcPatternDestroy(match);
    return found ? 0 : FT_Err_Cannot_Open_Resource;
}

// The cell of a height is that of the platform's text renderer: the font's design units are
// scaled so that its Windows ascent and descent together make the height, each rounded.
int FontFace::SetHeight(int32_t height, FaceMetrics& metrics) {
    if (!m_face) return FT_Err_Invalid_Face_Handle;
    if (!FT_IS_SCALABLE(m_face) || height <= 0) return FT_Err_Invalid_Pixel_Size;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_HHEA));
    const double ascender = hhea ? hhea->Ascender : m_face->ascender;
    const double descender = hhea ? -hhea->Descender : -m_face->descender;
    const double lineGap = hhea ? hhea->Line_Gap : std::max(0.0, m_face->height - ascender - descender);
    double winAscent = ascender, winDescent = descender;
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
        winAscent = os2->usWinAscent, winDescent = os2->usWinDescent;
    if (winAscent + winDescent <= 0) return FT_Err_Invalid_Table;

    const double units = m_face->units_per_EM;
    const FT_F26Dot6 em = std::max<FT_F26Dot6>(1, std::lround(height * units / (winAscent + winDescent) * 64.0));
    if (int error = FT_Set_Char_Size(m_face, 0, em, 72, 72)) return error;
    const double scale = static_cast<double>(em) / 64.0 / units;  // texels per design unit

    m_ascent = Nearest(winAscent * scale);
    metrics.Ascent = m_ascent;
    metrics.CellHeight = m_ascent + Nearest(winDescent * scale);
    metrics.InternalLeading = static_cast<float>(metrics.CellHeight - Nearest(units * scale));
    const double gap = lineGap - ((winAscent + winDescent) - (ascender + descender));
    metrics.ExternalLeading = static_cast<float>(std::max(0, Nearest(gap * scale)));
    const double average = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : units / 2;
    metrics.AverageCharWidth = static_cast<float>(Nearest(average * scale));
    return 0;
}

uint32_t FontFace::GlyphIndex(uint8_t code) const {
    const uint32_t character = base::Windows1250ToUnicode(code);
    if (character == 0xFFFD) return 0;  // no character: the page leaves the code unassigned
    return FT_Get_Char_Index(m_face, character);
}

int FontFace::MeasureChar(uint8_t code, CharWidths& widths) {
    widths = {};
    if (!m_face) return FT_Err_Invalid_Face_Handle;
    const uint32_t index = GlyphIndex(code);
    if (index == 0) return 0;
    if (int error = FT_Load_Glyph(m_face, index, LoadFlags)) return error;
    const FT_Glyph_Metrics& m = m_face->glyph->metrics;
    widths.A = static_cast<float>(m.horiBearingX) / 64.0f;
    widths.B = static_cast<float>(m.width) / 64.0f;
    widths.C = static_cast<float>(m.horiAdvance - m.horiBearingX - m.width) / 64.0f;
    return 0;
}

int FontFace::DrawChar(uint8_t code, uint8_t* texels, int32_t pitch, int32_t penX, int32_t top,
                       const platform::Rect& clip) {
    if (!m_face) return FT_Err_Invalid_Face_Handle;
    const uint32_t index = GlyphIndex(code);
    if (index == 0) return 0;
    if (int error = FT_Load_Glyph(m_face, index, LoadFlags | FT_LOAD_RENDER)) return error;
    const FT_GlyphSlot slot = m_face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return FT_Err_Invalid_Glyph_Format;
    const int32_t left = penX + slot->bitmap_left, upper = top + m_ascent - slot->bitmap_top;
    for (int32_t row = 0; row < static_cast<int32_t>(bitmap.rows); ++row) {
        const int32_t y = upper + row;
        if (y < clip.Top || y >= clip.Bottom) continue;
        const uint8_t* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        auto* target = reinterpret_cast<uint32_t*>(texels + static_cast<ptrdiff_t>(y) * pitch);
        for (int32_t column = 0; column < static_cast<int32_t>(bitmap.width); ++column) {
            const int32_t x = left + column;
            if (x < clip.Left || x >= clip.Right) continue;
            const uint32_t coverage = std::max<uint32_t>(source[column], target[x] & 0xFF);
            target[x] = coverage << 16 | coverage << 8 | coverage;
        }
    }
    return 0;
}

}  // namespace gfx
