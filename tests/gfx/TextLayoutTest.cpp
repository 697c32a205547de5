// Text layout with a font of made-up measures: a cell of 10 texels, glyphs 5 wide, the blank 3,
// the average character 4 (a tab 8). With a text height of 10 a texel is a virtual unit.

#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "base/Windows1250.h"
#include "gfx/TextLayout.h"

namespace gfx {
namespace {

class MadeUpFont : public Font {
public:
    MadeUpFont() {
        m_textureSize = 256;
        m_cellHeight = 10;
        m_averageCharWidth = 4;
        m_externalLeading = 1;
        for (int code = 33; code < 256; ++code) {
            if (base::Windows1250ToUnicode(static_cast<uint8_t>(code)) == 0xFFFD) continue;
            m_hasGlyph[code] = true;
            m_advance[code] = 5;
            m_glyphUV[code] = {float(code) / 256, 0.25f, float(code + 1) / 256, 0.5f};
        }
        m_advance[' '] = 3;
        m_whiteBlockUV = {0.9f, 0.9f, 0.95f, 0.95f};
        m_substituteChar = '?';
    }
};

const MadeUpFont TheFont;

TextRequest Request(std::string_view text, uint32_t flags, cells::VirtualRect rect = {0, 0, 1000, 100}) {
    TextRequest request;
    request.Flags = flags;
    request.Rect = rect;
    request.Text = text;
    request.TextHeight = 10;
    return request;
}

// The lines as the characters they hold, each with its width.
Texts LinesOf(const TextLayout& layout) {
    Texts lines;
    for (const TextLine& line : layout.Lines()) {
        std::string text;
        for (uint32_t i = line.First; i < line.End; ++i) text += static_cast<char>(layout.Codes()[i]);
        lines.push_back(text + "|" + testing::PrintToString(line.Width));
    }
    return lines;
}

struct Breaking {
    const char* Name;
    std::string Text;
    uint32_t Flags;
    float Room;  // the rectangle's width
    Texts Lines;
};

class LineBreaking : public testing::TestWithParam<Breaking> {};

TEST_P(LineBreaking, GivesTheLines) {
    const Breaking& c = GetParam();
    TextLayout layout;
    layout.Lay(TheFont, Request(c.Text, c.Flags | TextLeft | TextTop, {0, 0, c.Room, 100}), 2.0f);
    EXPECT_EQ(LinesOf(layout), c.Lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LineBreaking,
    testing::Values(
        Breaking {"EmptyLineBetween", "A\n\nB", 0, 100, {"A|5", "|0", "B|5"}},
        Breaking {"TrailingBreakAddsNoLine", "A\n", 0, 100, {"A|5"}},
        Breaking {"CarriageReturns", "A\r\nB\rC\n\rD", 0, 100, {"A|5", "B|5", "C|5", "|0", "D|5"}},
        // B ends at 10; C would end at 15, not inside 12.
        Breaking {"BeforeTheCharacterThatDoesNotFit", "ABCDE", 0, 12, {"AB|10", "CD|10", "E|5"}},
        Breaking {"BlankAtTheBreakIsDropped", "AB CD", 0, 12, {"AB|10", "CD|10"}},
        Breaking {"AtTheLastBlank", "AB CD", TextWordWrap, 17, {"AB|10", "CD|10"}},
        Breaking {"LongWordIsBrokenWhereItDoesNotFit", "ABCDEFG", TextWordWrap, 12, {"AB|10", "CD|10", "EF|10", "G|5"}},
        Breaking {"LongWordAfterAShortOne", "A BCDEFG", TextWordWrap, 17, {"A|5", "BCD|15", "EFG|15"}},
        // A character wider than the rectangle still goes on its line: no empty lines before.
        Breaking {"NarrowerThanOneCharacter", "AB", 0, 3, {"A|5", "B|5"}},
        Breaking {"NoWrap", "ABCDE F", TextNoWrap | TextWordWrap, 3, {"ABCDE F|33"}},
        Breaking {"TabIsTheAverageTimesTheFactor", "A\tB", TextNoWrap, 3, {"A\tB|18"}},
        Breaking {"OnlyBlanksMakeALine", "  ", 0, 100, {"  |6"}}),
    [](const testing::TestParamInfo<Breaking>& info) { return std::string(info.param.Name); });

TEST(TextLayout, SpacingScalesAndTheSubstitute) {
    TextLayout layout;
    TextRequest spaced = Request("A B", TextNoWrap);
    spaced.LetterSpacing = 1, spaced.WordSpacing = 2;
    layout.Lay(TheFont, spaced, 2.0f);
    EXPECT_EQ(LinesOf(layout), Texts {"A B|18"}) << "6 + 3 + 1 + 2 + 6";
    TextRequest scaled = Request("AB", TextNoWrap);
    scaled.TextHeight = 20, scaled.ScaleX = 1.5f;
    layout.Lay(TheFont, scaled, 2.0f);
    EXPECT_EQ(LinesOf(layout), Texts {"AB|30"});
    // A code without a glyph takes the substitute's width, a character outside the page
    // becomes the substitute.
    layout.Lay(TheFont, Request("\x06\xCE\xB1", TextNoWrap), 2.0f);  // code 6, then α
    EXPECT_EQ(layout.Codes(), (std::vector<uint8_t> {6, '?'}));
    EXPECT_EQ(LinesOf(layout), Texts {"\x06?|10"});
}

// A title written in Windows-1250 reads as the same letters as one written in UTF-8.
TEST(TextLayout, StrayBytesAreTheirWindows1250Letters) {
    TextLayout utf8, windows;
    utf8.Lay(TheFont, Request("Gra w życie", TextNoWrap), 2.0f);
    windows.Lay(TheFont, Request("Gra w \xBFycie", TextNoWrap), 2.0f);
    EXPECT_EQ(utf8.Codes(), windows.Codes());
    EXPECT_EQ(windows.Codes()[6], 0xBF);
    EXPECT_EQ(windows.QuadCount(), 9u) << "every letter but the blanks";
}

struct Decorations {
    uint32_t Flags;
    uint32_t Quads;  // for "A B\n\nC": three letters, two lines that are not empty
};

TEST(TextLayout, QuadsAreTheVisibleCharactersAndTheDecorationsOfLinesThatAreNotEmpty) {
    const Decorations cases[] = {
        {0, 3},
        {TextUnderline, 5},
        {TextDoubleUnderline, 7},
        {TextUnderline | TextDoubleUnderline, 5},
        {TextOverline | TextStrikeOut, 7},
        {TextUnderline | TextDoubleUnderline | TextOverline | TextStrikeOut, 9},
    };
    TextLayout layout;
    for (const Decorations& c : cases) {
        layout.Lay(TheFont, Request("A B\n\nC", c.Flags), 2.0f);
        EXPECT_EQ(layout.QuadCount(), c.Quads) << c.Flags;
    }
}

// The quads of a text: corners of each glyph quad and bar, from its first vertex (top left)
// and its last (bottom right).
struct Corners {
    float Left, Top, Right, Bottom;
};

std::vector<Corners> QuadsOf(const TextLayout& layout) {
    std::vector<TexturedVertex> vertices(layout.QuadCount() * TextLayout::VerticesPerQuad);
    layout.WriteQuads(vertices.data());
    std::vector<Corners> quads;
    for (size_t q = 0; q < layout.QuadCount(); ++q) {
        const TexturedVertex& topLeft = vertices[q * 6];
        const TexturedVertex& bottomRight = vertices[q * 6 + 5];
        quads.push_back({topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y});
    }
    return quads;
}

void ExpectQuads(const std::vector<Corners>& quads, const std::vector<Corners>& expected, const char* what) {
    ASSERT_EQ(quads.size(), expected.size()) << what;
    for (size_t i = 0; i < quads.size(); ++i) {
        EXPECT_FLOAT_EQ(quads[i].Left, expected[i].Left) << what << " quad " << i;
        EXPECT_FLOAT_EQ(quads[i].Top, expected[i].Top) << what << " quad " << i;
        EXPECT_FLOAT_EQ(quads[i].Right, expected[i].Right) << what << " quad " << i;
        EXPECT_FLOAT_EQ(quads[i].Bottom, expected[i].Bottom) << what << " quad " << i;
    }
}

TEST(TextLayout, QuadsFollowTheAlignmentFlags) {
    const cells::VirtualRect box {100, 0, 200, 40};  // two lines of 10 with 4 between: 24 high
    struct Case {
        const char* What;
        uint32_t Flags;
        std::vector<Corners> Expected;  // "A" on the first line, "BC" on the second
    };
    const Case cases[] = {
        {"left top", TextLeft | TextTop, {{100, 1, 105, 10}, {100, 15, 105, 24}, {105, 15, 110, 24}}},
        {"centre middle", TextCenter | TextMiddle, {{147.5f, 9, 152.5f, 18}, {145, 23, 150, 32}, {150, 23, 155, 32}}},
        {"right bottom", 0, {{195, 17, 200, 26}, {190, 31, 195, 40}, {195, 31, 200, 40}}},
    };
    TextLayout layout;
    for (const Case& c : cases) {
        TextRequest request = Request("A\nBC", c.Flags, box);
        request.LineSpacing = 4;
        layout.Lay(TheFont, request, 2.0f);
        ExpectQuads(QuadsOf(layout), c.Expected, c.What);
    }
}

TEST(TextLayout, GlyphQuadsSlantAndMapTheirGlyphWhileBarsDoNeither) {
    TextRequest request = Request("A", TextLeft | TextTop | TextUnderline | TextDoubleUnderline | TextOverline |
                                           TextStrikeOut, {0, 0, 100, 100});
    request.TextHeight = 30, request.Slant = 2, request.Color = 0x80FF0000;
    TextLayout layout;
    layout.Lay(TheFont, request, 2.0f);
    std::vector<TexturedVertex> v(layout.QuadCount() * 6);
    layout.WriteQuads(v.data());
    ASSERT_EQ(v.size(), 4u * 6);
    // The glyph: top edge moved by the slant and down by the leading, its glyph's coordinates.
    EXPECT_EQ((std::vector<float> {v[0].X, v[0].Y, v[1].X, v[2].X, v[2].Y, v[5].X}),
              (std::vector<float> {2, 1, 17, 0, 30, 15}));
    EXPECT_EQ((std::vector<float> {v[0].U, v[0].V, v[5].U, v[5].V}),
              (std::vector<float> {'A' / 256.0f, 0.25f, 'B' / 256.0f, 0.5f}));
    for (const TexturedVertex& vertex : v) EXPECT_EQ(vertex.Color, 0x80FF0000u);
    // Bars: underline (underline wins over double), overline, strike-out, without slant.
    ExpectQuads(QuadsOf(layout), {{2, 1, 15, 30}, {0, 27, 15, 30}, {0, 0, 15, 3}, {0, 16.95f, 15, 19.95f}}, "bars");
    EXPECT_EQ((std::vector<float> {v[6].U, v[11].V}), (std::vector<float> {0.9f, 0.95f}));
    // A double underline of a line 30 high: 2 high, and again 3 higher.
    request.Flags = TextLeft | TextTop | TextDoubleUnderline;
    layout.Lay(TheFont, request, 2.0f);
    ExpectQuads(QuadsOf(layout), {{2, 1, 15, 30}, {0, 28, 15, 30}, {0, 25, 15, 27}}, "double");
}

}  // namespace
}  // namespace gfx
