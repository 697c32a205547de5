#include "gfx/TextLayout.h"

#include <algorithm>

#include "base/Windows1250.h"

namespace gfx {

namespace {

constexpr uint8_t Tab = 9, LineFeed = 10, CarriageReturn = 13, Blank = 32;

bool IsBlank(uint8_t code) { return code == Blank || code == Tab; }
bool DrawsNothing(uint8_t code) { return IsBlank(code) || code == LineFeed || code == CarriageReturn; }

// A quad from (left, top) to (right, bottom) with its top edge moved right by `slant`.
TexturedVertex* WriteQuad(TexturedVertex* out, float left, float top, float right, float bottom, float slant,
                          const UVRect& uv, platform::D3DCOLOR color) {
    const TexturedVertex topLeft {left + slant, top, 0, color, uv.Left, uv.Top};
    const TexturedVertex topRight {right + slant, top, 0, color, uv.Right, uv.Top};
    const TexturedVertex bottomLeft {left, bottom, 0, color, uv.Left, uv.Bottom};
    const TexturedVertex bottomRight {right, bottom, 0, color, uv.Right, uv.Bottom};
    *out++ = topLeft, *out++ = topRight, *out++ = bottomLeft;
    *out++ = topRight, *out++ = bottomLeft, *out++ = bottomRight;
    return out;
}

}  // namespace

float TextLayout::GlyphWidth(uint8_t code) const {
    if (code == Tab) return 0;
    const Font& font = *m_font;
    const uint8_t shown = font.HasGlyph(code) || code == Blank ? code : font.SubstituteChar();
    return font.Advance(shown) * m_scale;
}

float TextLayout::PenAdvance(uint8_t code) const {
    if (code == Tab) return m_tabWidth * m_scale + m_request.LetterSpacing;
    const float advance = GlyphWidth(code) + m_request.LetterSpacing;
    return code == Blank ? advance + m_request.WordSpacing : advance;
}

void TextLayout::Lay(const Font& font, const TextRequest& request, float tabFactor) {
    m_font = &font;
    m_request = request;
    m_scale = font.CellHeight() > 0 ? request.ScaleX * request.TextHeight / font.CellHeight() : 0.0f;
    m_tabWidth = font.AverageCharWidth() * tabFactor;

    m_codes.clear();
    for (size_t at = 0; at < request.Text.size();) {
        const int code = base::UnicodeToWindows1250(base::NextShownCharacter(request.Text, at));
        m_codes.push_back(code < 0 ? font.SubstituteChar() : static_cast<uint8_t>(code));
    }

    m_lines.clear();
    const float room = request.Rect.Right - request.Rect.Left;
    const bool wrap = !(request.Flags & TextNoWrap);
    const uint32_t count = static_cast<uint32_t>(m_codes.size());
    uint32_t first = 0, i = 0;
    float width = 0;
    auto endLine = [&](uint32_t end, uint32_t next) {
        m_lines.push_back({width, first, end});
        first = next;
        width = 0;
    };
    while (i < count) {
        const uint8_t code = m_codes[i];
        if (code == LineFeed) {
            endLine(i, i + 1);
            ++i;
            continue;
        }
        if (code == CarriageReturn) {
            const uint32_t next = i + 1 < count && m_codes[i + 1] == LineFeed ? i + 2 : i + 1;
            endLine(i, next);
            i = next;
            continue;
        }
        // The first character of a line stays on it even when it is wider than the rectangle:
        // breaking before it would only add an empty line.
        if (!wrap || room > width + GlyphWidth(code) || i == first) {
            width += PenAdvance(code);
            ++i;
            continue;
        }
        if (IsBlank(code)) {  // a blank at the break is dropped
            endLine(i, i + 1);
            ++i;
            continue;
        }
        if (request.Flags & TextWordWrap) {
            uint32_t blank = i - 1;
            while (blank > first && !IsBlank(m_codes[blank])) --blank;
            if (blank > first) {
                for (uint32_t moved = blank; moved < i; ++moved) width -= PenAdvance(m_codes[moved]);
                endLine(blank, blank + 1);
                i = blank + 1;
                continue;
            }
        }
        endLine(i, i);
        width = PenAdvance(code);
        ++i;
    }
    if (width > 0) m_lines.push_back({width, first, count});
    CountQuads();
}

void TextLayout::CountQuads() {
    const uint32_t flags = m_request.Flags;
    uint32_t decorations = 0;
    if (flags & TextUnderline) decorations += 1;
    else if (flags & TextDoubleUnderline) decorations += 2;
    if (flags & TextOverline) decorations += 1;
    if (flags & TextStrikeOut) decorations += 1;
    m_quadCount = 0;
    for (const TextLine& line : m_lines) {
        for (uint32_t i = line.First; i < line.End; ++i)
            if (!DrawsNothing(m_codes[i])) ++m_quadCount;
        if (line.Width > 0) m_quadCount += decorations;
    }
}

void TextLayout::WriteQuads(TexturedVertex* out) const {
    const Font& font = *m_font;
    const TextRequest& r = m_request;
    const float height = r.TextHeight, lineStep = height + r.LineSpacing;
    const float block = lineStep * static_cast<float>(m_lines.size()) - r.LineSpacing;
    float y = r.Flags & TextTop      ? r.Rect.Top
              : r.Flags & TextMiddle ? (r.Rect.Top + r.Rect.Bottom) / 2 - block / 2
                                     : r.Rect.Bottom - block;
    const float leading = font.ExternalLeading();
    const UVRect& white = font.WhiteBlockUV();
    for (const TextLine& line : m_lines) {
        const float start = r.Flags & TextLeft     ? r.Rect.Left
                            : r.Flags & TextCenter ? (r.Rect.Left + r.Rect.Right) / 2 - line.Width / 2
                                                   : r.Rect.Right - line.Width;
        float x = start;
        for (uint32_t i = line.First; i < line.End; ++i) {
            const uint8_t code = m_codes[i];
            if (!DrawsNothing(code)) {
                const uint8_t shown = font.HasGlyph(code) ? code : font.SubstituteChar();
                const float w = GlyphWidth(shown);
                out = WriteQuad(out, x, y + leading, x + w, y + height, r.Slant, font.GlyphUV(shown), r.Color);
            }
            x += PenAdvance(code);
        }
        if (line.Width > 0) {
            const float end = start + line.Width, base = y + height;
            auto bar = [&](float top, float bottom) {
                out = WriteQuad(out, start, top, end, bottom, 0, white, r.Color);
            };
            if (r.Flags & TextUnderline) {
                bar(std::min(base - 1, base - 0.1f * height), base);
            } else if (r.Flags & TextDoubleUnderline) {
                const float top = std::min(base - 1, base - height * 0.06666667f);
                const float gap = std::max(3.0f, 0.1f * height);
                bar(top, base);
                bar(top - gap, base - gap);
            }
            if (r.Flags & TextOverline) bar(y, std::max(y + 1, y + 0.1f * height));
            if (r.Flags & TextStrikeOut) {
                const float middle = y + 0.565f * height;
                bar(middle, std::max(middle + 1, middle + 0.1f * height));
            }
        }
        y += lineStep;
    }
}

}  // namespace gfx
