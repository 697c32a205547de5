#pragma once
// A system font through fontconfig and FreeType: found by family and weight, measured at a
// cell height and drawn glyph by glyph. Character codes are those of the Windows-1250 page.

#include <cstdint>
#include <source_location>
#include <string>
#include <string_view>

#include "gfx/FontAtlas.h"
#include "platform/DeviceTypes.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;
struct _FcConfig;

namespace gfx {

class FontFace : public GlyphMeasure {
public:
    FontFace() = default;
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;
    ~FontFace() override;

    // Opens the face that fontconfig chooses for the family (for "Arial", Liberation Sans),
    // bold or regular, anti-aliased, preferring faces with the Polish letters. A FreeType
    // error code; FT_Err_Cannot_Open_Resource when fontconfig offers no font at all.
    int Open(std::string_view family, bool bold);
    // The file of the face opened.
    const std::string& File() const { return m_file; }

    int SetHeight(int32_t height, FaceMetrics& metrics) override;
    int MeasureChar(uint8_t code, CharWidths& widths) override;
    // Draws the code's coverage as grey into 32-bit texels (`pitch` bytes a row), the pen at
    // `penX` on the baseline of the cell whose top is `top`; only texels inside `clip` change.
    int DrawChar(uint8_t code, uint8_t* texels, int32_t pitch, int32_t penX, int32_t top, const platform::Rect& clip);

private:
    // The file and index of the face fontconfig chooses.
    int Find(_FcConfig& config, std::string_view family, bool bold);
    uint32_t GlyphIndex(uint8_t code) const;

    FT_LibraryRec_* m_library { nullptr };
    FT_FaceRec_* m_face { nullptr };
    std::string m_file;
    int m_index { 0 };
    int32_t m_ascent { 0 };
};

// The library check of FreeType: an error of 0 returns at once; any other enters
// "(FreeType," + the code + ") " + its text as a new chain, then the caller's message when it
// is not empty, both at the caller's position. Returns the error.
int CheckFreeType(int error, std::string_view message, std::source_location where = std::source_location::current());

}  // namespace gfx
