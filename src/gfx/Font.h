#pragma once
// Fonts drawn from an atlas: one square texture with a glyph for each wanted character code
// of the Windows-1250 page, white with the glyph's coverage as alpha, and the tables that
// place the glyphs (in texels) and advance the pen.

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/Device.h"

namespace gfx {

struct AtlasLayout;
struct FaceMetrics;

// Texture coordinates of a rectangle of the atlas.
struct UVRect {
    float Left { 0 }, Top { 0 }, Right { 0 }, Bottom { 0 };
};

// Which character codes an atlas holds.
using WantedCharacters = std::array<bool, 256>;

class Font {
public:
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    virtual ~Font() = default;

    // The atlas, or null when it could not be built.
    platform::Texture* Texture() const { return m_texture; }
    // The atlas is TextureSize x TextureSize texels.
    uint32_t TextureSize() const { return m_textureSize; }
    // The glyph's rectangle in texels; all zero for a code without one.
    const platform::Rect& GlyphRect(uint8_t code) const { return m_glyphRect[code]; }
    // A white area of the atlas, for bars drawn with the glyphs.
    const platform::Rect& WhiteBlock() const { return m_whiteBlock; }
    // The height of a character cell, in texels.
    float CellHeight() const { return m_cellHeight; }
    // How far the pen moves after the character, in texels; also the glyph's width.
    float Advance(uint8_t code) const { return m_advance[code]; }
    const UVRect& GlyphUV(uint8_t code) const { return m_glyphUV[code]; }
    const UVRect& WhiteBlockUV() const { return m_whiteBlockUV; }
    bool HasGlyph(uint8_t code) const { return m_hasGlyph[code]; }
    // In texels.
    float AverageCharWidth() const { return m_averageCharWidth; }
    float ExternalLeading() const { return m_externalLeading; }
    float InternalLeading() const { return m_internalLeading; }
    // What a code without a glyph is drawn as.
    uint8_t SubstituteChar() const { return m_substituteChar; }

protected:
    Font() = default;

    platform::Texture* m_texture { nullptr };
    uint32_t m_textureSize { 0 };
    std::array<platform::Rect, 256> m_glyphRect {};
    platform::Rect m_whiteBlock;
    float m_cellHeight { 0 };
    std::array<float, 256> m_advance {};
    std::array<UVRect, 256> m_glyphUV {};
    UVRect m_whiteBlockUV;
    std::array<bool, 256> m_hasGlyph {};
    float m_averageCharWidth { 0 };
    float m_externalLeading { 0 };
    float m_internalLeading { 0 };
    uint8_t m_substituteChar { '?' };
};

// A font whose atlas is rasterised at construction from a system font (through fontconfig and
// FreeType) at the largest size whose glyphs all fit, in the texture size given.
class FontAuto : public Font {
public:
    // `face` is a family name (only its first 32 characters count), bold or regular weight.
    // `wanted` chooses the codes the atlas holds (null: every code above 32); `defaultChar` is
    // the substitute when it has a glyph. The atlas is made on `device`, the framework's when
    // null. ErrorRaised afterwards tells that it failed; the font then has no texture.
    FontAuto(std::string_view face, bool bold, uint32_t textureSize, const WantedCharacters* wanted,
             uint8_t defaultChar, platform::Device* device = nullptr);
    ~FontAuto() override;

private:
    // Draws the glyphs in grey on black into the memory texture's locked texels, at the size
    // the search chose, and fills the tables.
    void Rasterise(std::string_view face, bool bold, const WantedCharacters& wanted, uint8_t defaultChar,
                   const platform::LockedRect& canvas);
    void TakeLayout(const AtlasLayout& layout, const FaceMetrics& metrics, uint8_t defaultChar);
    // The grey of the memory texture becomes the alpha of the white atlas.
    void CopyCoverage(platform::Texture& memory, platform::Texture& atlas);

    std::unique_ptr<platform::Texture> m_atlas;
};

}  // namespace gfx
