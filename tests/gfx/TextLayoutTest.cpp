// Text layout with a font of made-up measures: a cell of 10 texels, glyphs 5 wide, the blank 3,
// the average character 4 (a tab 8). At a text height of 10 a texel is a virtual unit.

#include <gtest/gtest.h>

#include <array>

#include "GfxTestSupport.h"
#include "base/Windows1250.h"
#include "gfx/TextLayout.h"

namespace gfx {
namespace {

struct MadeUpFont : Font {
    MadeUpFont() {
        m_cellHeight = 10, m_averageCharWidth = 4, m_externalLeading = 1, m_substituteChar = '?';
        for (int code = 33; code < 256; ++code) {
            m_hasGlyph[code] = base::Windows1250ToUnicode(static_cast<uint8_t>(code)) != 0xFFFD;
            m_advance[code] = 5;
            m_glyphUV[code] = {float(code) / 256, 0.25f, float(code + 1) / 256, 0.5f};
        }
        m_advance[' '] = 3;
        m_whiteBlockUV = {0.9f, 0.9f, 0.95f, 0.95f};
    }
} const TheFont;

TextLayout Laid(std::string_view text, uint32_t flags, cells::VirtualRect rect = {0, 0, 1000, 100},
               float letterSpacing = 0, float lineSpacing = 0) {
    TextRequest request;
    request.Flags = flags, request.Rect = rect, request.Text = text, request.TextHeight = 10;
    request.LetterSpacing = letterSpacing, request.LineSpacing = lineSpacing;
    TextLayout layout;
    layout.Lay(TheFont, request, 2.0f);
    return layout;
}

// The lines as "characters|width".
Texts LinesOf(const TextLayout& layout) {
    Texts lines;
    for (const TextLine& line : layout.Lines())
        lines.push_back(std::string(layout.Codes().begin() + line.First, layout.Codes().begin() + line.End) + "|" +
                        testing::PrintToString(line.Width));
    return lines;
}

TEST(TextLayout, LinesBreakAtBreaksAndWhereTheRectangleEnds) {
    const std::tuple<std::string, uint32_t, float, Texts> cases[] = {  // text, flags, width, lines
        {"A\n\nB", 0, 100, {"A|5", "|0", "B|5"}},
        {"A\n", 0, 100, {"A|5"}},  // a break at the end adds no line
        {"A\r\nB\rC\n\rD", 0, 100, {"A|5", "B|5", "C|5", "|0", "D|5"}},
        {"ABCDE", 0, 12, {"AB|10", "CD|10", "E|5"}},  // C would end at 15, not inside 12
        {"AB CD", 0, 12, {"AB|10", "CD|10"}},        // the blank at the break is dropped
        {"AB CD", TextWordWrap, 17, {"AB|10", "CD|10"}},
        {"A BCDEFG", TextWordWrap, 17, {"A|5", "BCD|15", "EFG|15"}},  // a word too long for a line
        {"AB", 0, 3, {"A|5", "B|5"}},  // wider than the rectangle: still no empty line before it
        {"ABCDE F", TextNoWrap | TextWordWrap, 3, {"ABCDE F|33"}},
        {"A\tB", TextNoWrap, 3, {"A\tB|18"}},
        {"  ", 0, 100, {"  |6"}},
    };
    for (const auto& [text, flags, width, lines] : cases)
        EXPECT_EQ(LinesOf(Laid(text, flags | TextLeft | TextTop, {0, 0, width, 100})), lines) << text;
}

TEST(TextLayout, CharactersAreCodesOfThePageOrTheSubstitute) {
    // A stray byte of a title written in Windows-1250 reads as the UTF-8 letter would.
    EXPECT_EQ(Laid("Gra w \xBFycie", TextNoWrap).Codes(), Laid("Gra w życie", TextNoWrap).Codes());
    EXPECT_EQ(Laid("Gra w życie", TextNoWrap).Codes()[6], 0xBF);
    // Code 6 has no glyph: the substitute's width; α is outside the page: the substitute.
    const TextLayout other = Laid("\x06\xCE\xB1", TextNoWrap);
    EXPECT_EQ(other.Codes(), (std::vector<uint8_t> {6, '?'}));
    EXPECT_EQ(LinesOf(other), Texts {"\x06?|10"});
    EXPECT_EQ(LinesOf(Laid("A B", TextNoWrap, {}, 1)), Texts {"A B|16"}) << "letter spacing after each";
}

using Corners = std::array<float, 4>;

// Each quad's top-left and bottom-right vertices.
std::vector<Corners> QuadsOf(const TextLayout& layout) {
    std::vector<TexturedVertex> v(layout.QuadCount() * TextLayout::VerticesPerQuad);
    layout.WriteQuads(v.data());
    std::vector<Corners> quads;
    for (size_t q = 0; q < v.size(); q += 6) quads.push_back({v[q].X, v[q].Y, v[q + 5].X, v[q + 5].Y});
    return quads;
}

TEST(TextLayout, QuadsFollowTheAlignmentFlags) {
    const cells::VirtualRect box {100, 0, 200, 40};  // two lines of 10, 4 apart: 24 high
    const std::pair<uint32_t, std::vector<Corners>> cases[] = {  // "A" on the first line, "BC" below
        {TextLeft | TextTop, {{100, 1, 105, 10}, {100, 15, 105, 24}, {105, 15, 110, 24}}},
        {TextCenter | TextMiddle, {{147.5f, 9, 152.5f, 18}, {145, 23, 150, 32}, {150, 23, 155, 32}}},
        {0, {{195, 17, 200, 26}, {190, 31, 195, 40}, {195, 31, 200, 40}}},  // right, bottom
    };
    for (const auto& [flags, quads] : cases) EXPECT_EQ(QuadsOf(Laid("A\nBC", flags, box, 0, 4)), quads) << flags;
}

TEST(TextLayout, DecorationsAreBarsUnderOverAndAcrossEveryLineThatIsNotEmpty) {
    EXPECT_EQ(Laid("A B\n\nC", TextUnderline | TextDoubleUnderline | TextOverline).QuadCount(), 3u + 2 * 2)
        << "three glyphs; underline (not doubled) and overline on the two lines with width";
    // A line 10 high: underline and overline one unit, strike-out at 5.65.
    EXPECT_EQ(QuadsOf(Laid("A", TextLeft | TextTop | TextUnderline | TextOverline | TextStrikeOut)),
              (std::vector<Corners> {{0, 1, 5, 10}, {0, 9, 5, 10}, {0, 0, 5, 1}, {0, 5.65f, 5, 6.65f}}));
    EXPECT_EQ(QuadsOf(Laid("A", TextLeft | TextTop | TextDoubleUnderline)),
              (std::vector<Corners> {{0, 1, 5, 10}, {0, 9, 5, 10}, {0, 6, 5, 7}}));
    // Glyphs slant and map their glyph; bars neither. Every vertex has the colour.
    TextRequest request;
    request.Flags = TextLeft | TextTop | TextUnderline, request.Rect = {0, 0, 100, 100}, request.Text = "A";
    request.TextHeight = 10, request.Slant = 2, request.Color = 0x80FF0000;
    TextLayout layout;
    layout.Lay(TheFont, request, 2.0f);
    std::vector<TexturedVertex> v(12);
    layout.WriteQuads(v.data());
    EXPECT_EQ((std::vector<float> {v[0].X, v[1].X, v[2].X, v[6].X, v[0].U, v[5].V, v[6].U}),
              (std::vector<float> {2, 7, 0, 0, 'A' / 256.0f, 0.5f, 0.9f}));
    for (const TexturedVertex& vertex : v) EXPECT_EQ(vertex.Color, 0x80FF0000u);
}

}  // namespace
}  // namespace gfx
