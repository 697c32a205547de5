// The font atlas: the size search and the rows of glyphs (with a font of made-up measures),
// and atlases of the system's fonts built through fontconfig and FreeType.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "GfxTestSupport.h"
#include "base/Utilities.h"
#include "gfx/Font.h"
#include "gfx/FontAtlas.h"
#include "gfx/FontFace.h"

namespace gfx {
namespace {

using platform::Rect;

// A font whose cell is Cell(height) texels high and whose glyphs are Width(code, cell) wide,
// with A = Bearing(code); it notes the heights asked for and can fail one of them.
struct MadeUpFont : GlyphMeasure {
    std::function<int32_t(int32_t)> Cell = [](int32_t height) { return height; };
    std::function<float(int, int32_t)> Width = [](int, int32_t cell) { return float(cell); };
    std::function<float(int)> Bearing = [](int) { return 0.0f; };
    int32_t FailHeightAt { -1 }, FailMeasureAt { -1 };
    std::vector<int32_t> Asked;
    int32_t CurrentCell { 0 };

    int SetHeight(int32_t height, FaceMetrics& metrics) override {
        Asked.push_back(height);
        if (height == FailHeightAt) return 0x17;  // invalid pixel size
        CurrentCell = Cell(height);
        metrics = {CurrentCell, CurrentCell * 3 / 4, 5, 1, 2};
        return 0;
    }
    int MeasureChar(uint8_t code, CharWidths& widths) override {
        if (CurrentCell == FailMeasureAt) return 0x10;  // invalid glyph index
        const float a = Bearing(code), w = Width(code, CurrentCell);
        widths = {a, w - std::max(a, 0.0f), 0};
        return 0;
    }
};

WantedCharacters Only(int first, int last) {
    WantedCharacters wanted {};
    for (int code = first; code <= last; ++code) wanted[code] = true;
    return wanted;
}

struct Search {
    const char* Name;
    uint32_t Size;
    std::function<void(MadeUpFont&)> Prepare;
    WantedCharacters Wanted;
    int32_t Kept;  // height kept; 0 when none
    Texts Trail;
    friend void PrintTo(const Search& search, std::ostream* out) { *out << search.Name; }
};

class AtlasSearch : public testing::TestWithParam<Search> {};

TEST_P(AtlasSearch, KeepsTheLastHeightThatFitsAndStopsAtTheFirstThatDoesNot) {
    const Search& search = GetParam();
    MadeUpFont font;
    if (search.Prepare) search.Prepare(font);
    errors::ClearErrors();
    AtlasLayout layout;
    const bool found = SearchAtlasLayout(font, search.Size, search.Wanted, layout);
    ExpectTrail(errors::ErrorEntries(), search.Trail);
    errors::ClearErrors();
    EXPECT_EQ(found, search.Kept > 0);
    if (!found) return;
    EXPECT_EQ(layout.Height, search.Kept);
    EXPECT_EQ(font.Asked.back(), search.Kept + 1) << "one more height was tried";
}

const auto Capitals = Only('A', 'Z');

// 26 square glyphs in 64 texels: at 9 there are five rows of six (50 texels), at 10 six rows
// of five (66). In 32 texels nine rows of three are needed already at 8.
INSTANTIATE_TEST_SUITE_P(
    Heights, AtlasSearch,
    testing::Values(
        Search {"SquareGlyphs", 64, nullptr, Capitals, 9, {}},
        Search {"NoHeightFits", 32, nullptr, Capitals, 0,
                {G("Na teksturze tej wielkości nie da się napisać żadnej czcionki")}},
        // One glyph: the search ends where the white block no longer fits beside or below it.
        Search {"OneGlyph", 256, nullptr, Only('A', 'A'), 253, {}},
        // Nothing wanted: only the cell height itself bounds the search.
        Search {"NothingWanted", 40, nullptr, WantedCharacters {}, 38, {}},
        // Cells stop growing at 12: heights 12 to 16 give the same cell, the fifth ends it.
        Search {"CellStopsGrowing", 256, [](MadeUpFont& f) { f.Cell = [](int32_t h) { return std::min(h, 12); }; },
                Capitals, 15, {}},
        Search {"FontFailsToSize", 256, [](MadeUpFont& f) { f.FailHeightAt = 10; }, Capitals, 0,
                {G("\\(FreeType,23\\) invalid pixel size"), G("Nie można utworzyć czcionki Windows")}},
        Search {"FontFailsToMeasure", 256, [](MadeUpFont& f) { f.FailMeasureAt = 8; }, Capitals, 0,
                {G("\\(FreeType,16\\) invalid glyph index"), G("Nie można pobrać szerokości znaków czcionki")}}),
    [](const testing::TestParamInfo<Search>& info) { return std::string(info.param.Name); });

bool Overlap(const Rect& a, const Rect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Glyphs of different widths, some with negative bearings, in rows: every rectangle inside
// the texture, a texel between neighbours, none for unwanted codes, the white block apart.
TEST(AtlasLayout, GlyphsLieInRowsInsideTheTextureWithATexelBetweenThem) {
    MadeUpFont font;
    font.Width = [](int code, int32_t cell) { return float(cell / 3 + code % 7); };
    font.Bearing = [](int code) { return code % 5 == 0 ? -1.6f : 0.0f; };
    WantedCharacters wanted = Only(1, 255);
    wanted[200] = false;
    AtlasLayout layout;
    ASSERT_TRUE(SearchAtlasLayout(font, 128, wanted, layout));
    const int32_t h = layout.Metrics.CellHeight;
    std::vector<Rect> placed {layout.WhiteBlock};
    for (int code = 0; code < 256; ++code) {
        const Rect& r = layout.Rects[code];
        if (!wanted[code] || code == 6 || code == 10 || code == 13 || code == 32) {
            EXPECT_EQ(r, Rect {}) << code;
            continue;
        }
        EXPECT_EQ(r.Right - r.Left, layout.Advances[code]) << code;
        EXPECT_EQ(r.Bottom - r.Top, h) << code;
        EXPECT_EQ(r.Top % (h + 1), 0) << "rows are a cell and a texel apart: " << code;
        EXPECT_TRUE(r.Left >= 0 && r.Right < 128 && r.Bottom < 128) << code;
        EXPECT_EQ(layout.BearingOffsets[code], code % 5 == 0 ? 2 : 0) << code;
        const Rect grown {r.Left, r.Top, r.Right + 1, r.Bottom};
        for (const Rect& other : placed) EXPECT_FALSE(Overlap(grown, other)) << code;
        placed.push_back(r);
    }
    const Rect& white = layout.WhiteBlock;
    EXPECT_TRUE(white.Right == 127 && white.Bottom == 127 && white.Left < white.Right && white.Top < white.Bottom);
    EXPECT_EQ(layout.Advances[' '], h / 3 + 32 % 7) << "the blank is measured though it gets no glyph";
}

TEST(AtlasLayout, AdvanceSumsTheRoundedPositiveWidths) {
    const std::pair<CharWidths, int32_t> cases[] = {
        {{0, 10, 1}, 11}, {{-1.4f, 10.6f, -0.5f}, 11}, {{2.5f, 3.49f, 0.5f}, 7}, {{0, 0, 0}, 0},
    };
    for (const auto& [widths, advance] : cases) EXPECT_EQ(AtlasAdvance(widths), advance) << widths.A << " " << widths.B;
}

// --- Atlases of the system's fonts ------------------------------------------------------------

uint32_t AlphaAt(platform::Texture& texture, int x, int y) {
    platform::LockedRect locked;
    if (texture.LockRect(0, locked, nullptr, platform::D3DLOCK_READONLY) < 0) return 0;
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.Bits) + y * locked.Pitch);
    const uint32_t texel = row[x];
    texture.UnlockRect(0);
    return texel >> 24;
}

TEST(FontAuto, ArialBoldIsLiberationSansBoldWithThePolishLettersInWhiteCoverage) {
    FontFace face;
    ASSERT_EQ(face.Open("Arial", true), 0);
    EXPECT_EQ(base::FileNameOf(face.File()), "LiberationSans-Bold.ttf");
    auto device = platform::RecordingDevice::Make();
    errors::ClearErrors();
    const FontAuto font("Arial", true, 256, nullptr, '?', device.get());
    ASSERT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    ASSERT_TRUE(font.Texture());
    platform::SurfaceDesc desc;
    font.Texture()->GetLevelDesc(0, desc);
    EXPECT_EQ(desc.Format, platform::D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, platform::D3DPOOL_MANAGED);
    EXPECT_GT(font.CellHeight(), 16.0f) << "the largest size that fits 256 x 256";
    EXPECT_EQ(font.SubstituteChar(), '?');
    // A g ? and Ą ą Ę ę Ł ł Ń ń Ó ó Ś ś Ź ź Ż ż
    for (int code : {int('A'), int('g'), int('?'), 0xA5, 0xB9, 0xCA, 0xEA, 0xA3, 0xB3, 0xD1, 0xF1, 0xD3, 0xF3, 0x8C,
                     0x9C, 0x8F, 0x9F, 0xAF, 0xBF})
        EXPECT_TRUE(font.HasGlyph(static_cast<uint8_t>(code))) << code;
    for (int code : {int(' '), int('\t'), 6, 0x81, 0x98})
        EXPECT_FALSE(font.HasGlyph(static_cast<uint8_t>(code))) << code;
    EXPECT_GT(font.Advance(' '), 0.0f);
    const Rect& i = font.GlyphRect('I');
    int ink = 0;
    for (int y = i.Top; y < i.Bottom; ++y)
        for (int x = i.Left; x < i.Right; ++x) ink += AlphaAt(*font.Texture(), x, y) > 128;
    EXPECT_GT(ink, 20) << "the I is drawn inside its rectangle";
    const Rect& white = font.WhiteBlock();
    EXPECT_EQ(AlphaAt(*font.Texture(), white.Left, white.Top), 255u);
    EXPECT_EQ(AlphaAt(*font.Texture(), white.Right - 2, white.Bottom - 2), 255u);
    EXPECT_FLOAT_EQ(font.WhiteBlockUV().Right, float(white.Right - 1) / 256);
}

TEST(FontAuto, TheSubstituteIsTheHighestGlyphWhenTheDefaultHasNone) {
    auto device = platform::RecordingDevice::Make();
    const WantedCharacters digits = Only('0', '9');
    const FontAuto font("Liberation Sans", false, 128, &digits, '?', device.get());
    ASSERT_TRUE(font.Texture());
    EXPECT_EQ(font.SubstituteChar(), '9');
    EXPECT_FALSE(font.HasGlyph('A'));
}

struct AtlasFailure {
    const char* Name;
    uint32_t Size;
    const char* Call;
    uint32_t Occurrence;
    Texts Trail;
    friend void PrintTo(const AtlasFailure& failure, std::ostream* out) { *out << failure.Name; }
};

class FontAutoFailures : public testing::TestWithParam<AtlasFailure> {};

TEST_P(FontAutoFailures, LeaveAFontWithoutATextureAndTheirChain) {
    const AtlasFailure& failure = GetParam();
    auto device = platform::RecordingDevice::Make();
    if (*failure.Call) device->Log().FailCall(failure.Call, failure.Occurrence);
    errors::ClearErrors();
    const FontAuto font("Arial", true, failure.Size, nullptr, '?', device.get());
    ExpectTrail(errors::ErrorEntries(), failure.Trail);
    errors::ClearErrors();
    EXPECT_EQ(font.Texture(), nullptr);
    size_t locked = 0;
    for (const platform::RecordedCall* lock : device->Log().CallsNamed("Texture.LockRect"))
        locked += lock->Outcome >= 0;
    EXPECT_EQ(device->Log().CountCalls("Texture.UnlockRect"), locked) << "every lock is undone";
}

const std::string Invalid = DeviceEntry("D3DERR_INVALIDCALL");
const std::string NoFont = G("Nie można utworzyć czcionki");
const std::string NoCopy = G("Nie można przepisać obrazu z tektury z pamięci do tekstury docelowej");

INSTANTIATE_TEST_SUITE_P(
    Steps, FontAutoFailures,
    testing::Values(
        AtlasFailure {"TextureTooSmall", 16, "", 0,
                      {G("Na teksturze tej wielkości nie da się napisać żadnej czcionki"),
                       G("Nie można narysować znaków na teksturze w pamięci"), NoFont}},
        AtlasFailure {"MemoryTexture", 256, "CreateTexture", 1,
                      {Invalid, G("Nie można utworzyć pamięciowej tekstury"), NoFont}},
        AtlasFailure {"DrawingIntoTheMemoryTexture", 256, "Texture.LockRect", 1,
                      {Invalid, G("Nie można pobrać uchwytu urządzenia z powierzchni tekstury pamięciowej"), NoFont}},
        AtlasFailure {"AtlasTexture", 256, "CreateTexture", 2, {Invalid, G("Nie można utworzyć tekstury"), NoFont}},
        AtlasFailure {"ReadingTheMemoryTexture", 256, "Texture.LockRect", 2,
                      {Invalid, G("Nie można zablokować źródłowej tekstury w pamięci"), NoCopy, NoFont}},
        AtlasFailure {"WritingTheAtlas", 256, "Texture.LockRect", 3,
                      {Invalid, G("Nie można zablokować tekstury docelowej"), NoCopy, NoFont}}),
    [](const testing::TestParamInfo<AtlasFailure>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace gfx
