// Font atlases: the size search with a font of made-up measures, and atlases of the system's
// fonts through fontconfig and FreeType.

#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "base/Utilities.h"
#include "gfx/Font.h"
#include "gfx/FontAtlas.h"
#include "gfx/FontFace.h"

namespace gfx {
namespace {

using platform::Rect;

// Square glyphs in cells Cell(height) high; it notes the heights asked for and can fail one.
struct MadeUpFont : GlyphMeasure {
    std::function<int32_t(int32_t)> Cell = [](int32_t height) { return height; };
    int32_t FailHeightAt { -1 }, Current { 0 };
    std::vector<int32_t> Asked;

    int SetHeight(int32_t height, FaceMetrics& metrics) override {
        Asked.push_back(height);
        metrics = {Current = Cell(height), 0, 5, 1, 2};
        return height == FailHeightAt ? 0x17 : 0;  // FreeType's invalid pixel size
    }
    int MeasureChar(uint8_t, CharWidths& widths) override {
        widths = {0, float(Current), 0};
        return 0;
    }
};

WantedCharacters Only(int first, int last) {
    WantedCharacters wanted {};
    for (int code = first; code <= last; ++code) wanted[code] = true;
    return wanted;
}

// 26 square glyphs in 64 texels: at height 9, five rows of six (50 texels); at 10, six rows of
// five (66). In 32 texels nine rows of three are needed at 8 already.
TEST(AtlasLayout, TheSearchKeepsTheLastHeightThatFits) {
    const std::tuple<uint32_t, std::function<void(MadeUpFont&)>, int32_t, Texts> cases[] = {
        {64, nullptr, 9, {}},
        {32, nullptr, 0, {G("Na teksturze tej wielkości nie da się napisać żadnej czcionki")}},
        // The cell stops growing at 12: heights 12 to 16 give the same cell, the fifth ends it.
        {256, [](MadeUpFont& f) { f.Cell = [](int32_t h) { return std::min(h, 12); }; }, 15, {}},
        {256, [](MadeUpFont& f) { f.FailHeightAt = 10; }, 0,
         {G("\\(FreeType,23\\) invalid pixel size"), G("Nie można utworzyć czcionki Windows")}},
    };
    for (const auto& [size, prepare, kept, trail] : cases) {
        MadeUpFont font;
        if (prepare) prepare(font);
        AtlasLayout layout;
        EXPECT_EQ(SearchAtlasLayout(font, size, Only('A', 'Z'), layout), kept > 0) << size;
        ExpectTrail(errors::ErrorEntries(), trail);
        errors::ClearErrors();
        if (!kept) continue;
        EXPECT_EQ(layout.Height, kept) << size;
        EXPECT_EQ(font.Asked.back(), kept + 1) << "one height more was tried";
    }
}

TEST(FontAuto, ArialBoldIsLiberationSansBoldWithThePolishLetters) {
    FontFace face;
    ASSERT_EQ(face.Open("Arial", true), 0);
    EXPECT_EQ(base::FileNameOf(face.File()), "LiberationSans-Bold.ttf");
    auto device = platform::RecordingDevice::Make();
    const FontAuto font("Arial", true, 256, nullptr, '?', device.get());
    ASSERT_TRUE(font.Texture()) << testing::PrintToString(errors::ErrorEntries());
    EXPECT_GT(font.CellHeight(), 16.0f) << "the largest size that fits";
    EXPECT_EQ(font.SubstituteChar(), '?');
    for (int code : {0xA5, 0xB9, 0xCA, 0xEA, 0xA3, 0xB3, 0xD1, 0xF1, 0xD3, 0xF3, 0x8C, 0x9C, 0x8F, 0x9F, 0xAF, 0xBF})
        EXPECT_TRUE(font.HasGlyph(static_cast<uint8_t>(code))) << code;  // Ą ą Ę ę Ł ł Ń ń Ó ó Ś ś Ź ź Ż ż
    for (int code : {32, 9, 6, 0x81}) EXPECT_FALSE(font.HasGlyph(static_cast<uint8_t>(code))) << code;
    // White everywhere; the coverage is the alpha: full in the white block, none in a corner.
    platform::LockedRect locked;
    ASSERT_EQ(font.Texture()->LockRect(0, locked, nullptr, platform::D3DLOCK_READONLY), 0);
    auto texel = [&](int x, int y) { return static_cast<const uint32_t*>(locked.Bits)[y * locked.Pitch / 4 + x]; };
    EXPECT_EQ(texel(font.WhiteBlock().Left, font.WhiteBlock().Top), 0xFFFFFFFFu);
    EXPECT_EQ(texel(font.GlyphRect('I').Left, font.GlyphRect('I').Top), 0x00FFFFFFu);
    font.Texture()->UnlockRect(0);
    const WantedCharacters digits = Only('0', '9');
    EXPECT_EQ(FontAuto("Arial", false, 64, &digits, '?', device.get()).SubstituteChar(), '9')
        << "without a glyph for the default character, the highest there is";
}

TEST(FontAuto, FailuresLeaveAFontWithoutATexture) {
    const std::string noFont = G("Nie można utworzyć czcionki");
    const std::tuple<uint32_t, const char*, uint32_t, Texts> cases[] = {
        {16, "", 0,
         {G("Na teksturze tej wielkości nie da się napisać żadnej czcionki"),
          G("Nie można narysować znaków na teksturze w pamięci"), noFont}},
        {256, "CreateTexture", 1, {Invalid, G("Nie można utworzyć pamięciowej tekstury"), noFont}},
        {256, "Texture.LockRect", 3,
         {Invalid, G("Nie można zablokować tekstury docelowej"),
          G("Nie można przepisać obrazu z tektury z pamięci do tekstury docelowej"), noFont}},
    };
    for (const auto& [size, call, occurrence, trail] : cases) {
        auto device = platform::RecordingDevice::Make();
        if (*call) device->Log().FailCall(call, occurrence);
        const FontAuto font("Arial", true, size, nullptr, '?', device.get());
        ExpectTrail(errors::ErrorEntries(), trail);
        errors::ClearErrors();
        EXPECT_EQ(font.Texture(), nullptr);
        size_t locked = 0;
        for (const platform::RecordedCall* lock : device->Log().CallsNamed("Texture.LockRect")) locked += lock->Outcome >= 0;
        EXPECT_EQ(device->Log().CountCalls("Texture.UnlockRect"), locked) << "every lock is undone";
    }
}

}  // namespace
}  // namespace gfx
