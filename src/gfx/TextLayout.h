#pragma once
// The layout of a text with a font: its characters as codes of the font's page, its lines
// (alignment, wrapping, tabs, line breaks, spacing) and the quads that draw it (glyphs with
// slant, and the bars of the decorations). Its buffers are kept from one text to the next.

#include <cstdint>
#include <vector>

#include "gfx/Font.h"
#include "gfx/TextRequest.h"
#include "gfx/Vertex.h"

namespace gfx {

// Characters First up to End (exclusive) of the codes, Width virtual units wide.
struct TextLine {
    float Width { 0 };
    uint32_t First { 0 };
    uint32_t End { 0 };
};

class TextLayout {
public:
    static constexpr uint32_t VerticesPerQuad = 6;

    // Lays the request's text out with the font; a tab is the font's average character width
    // times `tabFactor`. The request must stay valid until the quads are written.
    void Lay(const Font& font, const TextRequest& request, float tabFactor);

    // The codes: a character without a code in the page is the font's substitute.
    const std::vector<uint8_t>& Codes() const { return m_codes; }
    const std::vector<TextLine>& Lines() const { return m_lines; }
    // Quads the text needs: one per visible character, one or two per decoration of a line.
    uint32_t QuadCount() const { return m_quadCount; }
    // Writes QuadCount() quads of two triangles each.
    void WriteQuads(TexturedVertex* vertices) const;

private:
    float GlyphWidth(uint8_t code) const;  // virtual units
    float PenAdvance(uint8_t code) const;  // virtual units
    void CountQuads();

    const Font* m_font { nullptr };
    TextRequest m_request;
    float m_scale { 0 };     // virtual units per texel across
    float m_tabWidth { 0 };  // texels
    std::vector<uint8_t> m_codes;
    std::vector<TextLine> m_lines;
    uint32_t m_quadCount { 0 };
};

}  // namespace gfx
