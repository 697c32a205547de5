// The font manager on the recording device: the text cache, its limits and its failures.

#include <gtest/gtest.h>

#include <cstdio>

#include "GfxTestSupport.h"
#include "gfx/Font.h"

namespace gfx {
namespace {

// Runs `draw` in a frame after Begin and SetFont with the application's font.
FrameRun& WithFont(FrameRun& run, std::function<void(FrameRun&, const Font&)> draw) {
    run.Draw = [&run, draw](platform::Device&) {
        const FontAuto font("Arial", true, 256, nullptr, '?');
        ASSERT_TRUE(font.Texture());
        Fonts().Begin();
        Fonts().SetFont(&font, true);
        draw(run, font);
    };
    return run.Go();
}

std::vector<uint32_t> FirstVertices(const FrameRun& run) {
    std::vector<uint32_t> first;
    for (const platform::RecordedCall* call : run.Log->CallsNamed("DrawPrimitive"))
        first.push_back(static_cast<uint32_t>(std::stoul(call->Arguments.substr(call->Arguments.find(", ") + 2))));
    return first;
}

TEST(TextCache, TextsDrawnAgainUnchangedAreLaidOutOnce) {
    FrameRun run;
    WithFont(run, [](FrameRun& run, const Font&) {
        for (int frame = 0; frame < 3; ++frame) {
            Fonts().DrawTextInRect({0, 0, 200, 20}, "FPS: 60.0", 16, 0xFFFFFFFF, TextLeft | TextMiddle | TextNoWrap);
            Fonts().DrawTextAt({300, 10}, "Iteracja 12", 16, 0xFFFF0000);
        }
        EXPECT_EQ(Fonts().CachedTexts(), 2u);
        EXPECT_EQ(Fonts().UsedQuads(), 8u + 10u);
        EXPECT_EQ(run.Log->CountCalls("VertexBuffer.Lock"), 2u);
    });
    EXPECT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    EXPECT_EQ(FirstVertices(run), (std::vector<uint32_t> {0, 48, 0, 48, 0, 48}));
    const auto draws = run.Draws("DrawPrimitive");
    ASSERT_EQ(draws.size(), 6u);
    EXPECT_EQ(draws[1]->PrimitiveCount, 20u) << "ten glyphs, two triangles each";
    EXPECT_EQ(draws[1]->DwordAt(0, 12), 0xFFFF0000u);
    EXPECT_EQ(draws[1]->FloatAt(2, 0), 300.0f) << "the first glyph's bottom left is the point";
    EXPECT_EQ(draws[1]->State.Value(platform::StateItem::ColorOp), platform::D3DTOP_MODULATE);
}

// Every field of a request, and the font, count: a text differing in any is laid out anew.
TEST(TextCache, AnyDifferenceInTheRequestOrTheFontMakesANewEntry) {
    FrameRun run;
    WithFont(run, [](FrameRun&, const Font& font) {
        TextRequest base;
        base.Flags = TextLeft | TextTop, base.Rect = {10, 10, 300, 40}, base.Text = "Gra w życie", base.TextHeight = 20;
        const std::function<void(TextRequest&)> changes[] = {
            [](TextRequest&) {},
            [](TextRequest& r) { r.Flags |= TextUnderline; },
            [](TextRequest& r) { r.Rect.Right = 301; },
            [](TextRequest& r) { r.Text = "Gra w zycie"; },
            [](TextRequest& r) { r.Color = 0xFF00FF00; },
            [](TextRequest& r) { r.TextHeight = 21; },
            [](TextRequest& r) { r.ScaleX = 2; },
            [](TextRequest& r) { r.Slant = 1; },
            [](TextRequest& r) { r.LetterSpacing = 1; },
            [](TextRequest& r) { r.WordSpacing = 1; },
            [](TextRequest& r) { r.LineSpacing = 1; },
        };
        for (const auto& change : changes) {
            TextRequest request = base;
            change(request);
            Fonts().DrawText(request);
            Fonts().DrawText(request);
        }
        EXPECT_EQ(Fonts().CachedTexts(), std::size(changes));
        const FontAuto regular("Arial", false, 256, nullptr, '?');
        Fonts().SetFont(&regular, true);
        Fonts().DrawText(base);
        EXPECT_EQ(Fonts().CachedTexts(), std::size(changes) + 1);
        Fonts().SetFont(&font, true);
        Fonts().DrawText(base);
        EXPECT_EQ(Fonts().CachedTexts(), std::size(changes) + 1) << "the first entry is still there";
    });
    EXPECT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
}

// A counter of seven characters: 731 of them take 5117 quads; the next would reach 5120, so
// the cache starts over with it.
TEST(TextCache, AChangingCounterFillsTheCacheUntilItStartsOver) {
    FrameRun run;
    WithFont(run, [](FrameRun& run, const Font&) {
        char text[16];
        for (int n = 0; n < 731; ++n) {
            std::snprintf(text, sizeof text, "n=%05d", n);
            Fonts().DrawTextAt({0, 0}, text, 16, 0xFFFFFFFF);
        }
        EXPECT_EQ(Fonts().CachedTexts(), 731u);
        EXPECT_EQ(Fonts().UsedQuads(), 5117u);
        Fonts().DrawTextAt({0, 0}, "n=00731", 16, 0xFFFFFFFF);
        EXPECT_EQ(Fonts().CachedTexts(), 1u);
        EXPECT_EQ(Fonts().UsedQuads(), 7u);
        EXPECT_THAT(run.Log->CallsNamed("VertexBuffer.Lock").back()->Arguments, testing::HasSubstr(", 0, 1008, "))
            << "the first seven quads: from byte 0";
        Fonts().DrawTextAt({0, 0}, "n=00000", 16, 0xFFFFFFFF);
        EXPECT_EQ(Fonts().CachedTexts(), 2u) << "what was dropped is laid out again";
    });
    EXPECT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
}

TEST(TextCache, TextsOfMoreThanTheWholeCacheAreRefusedAndNothingVisibleIsNeverCached) {
    FrameRun run;
    WithFont(run, [](FrameRun& run, const Font&) {
        Fonts().DrawTextAt({0, 0}, "abc", 16, 0xFFFFFFFF);
        Fonts().DrawTextAt({0, 0}, "", 16, 0xFFFFFFFF);
        Fonts().DrawTextAt({0, 0}, " \t \r\n", 16, 0xFFFFFFFF);
        EXPECT_EQ(Fonts().CachedTexts(), 1u);
        const std::string whole(5120, 'x');
        Fonts().DrawTextAt({0, 0}, whole, 4, 0xFFFFFFFF);
        EXPECT_EQ(Fonts().UsedQuads(), 5120u) << "the whole cache, after it started over";
        EXPECT_FALSE(errors::ErrorRaised());
        const size_t draws = run.Log->CountCalls("DrawPrimitive");
        Fonts().DrawTextAt({0, 0}, whole + "x", 4, 0xFFFFFFFF);
        EXPECT_EQ(run.Log->CountCalls("DrawPrimitive"), draws);
        EXPECT_EQ(Fonts().UsedQuads(), 5120u);
    });
    ExpectTrail(run.Trail,
                {G("Za dużo znaków do narysowania"), G("Nie można dodać napisu"), G("Nie można narysować tekstu")});
}

struct TextFailure {
    const char* Name;
    const char* Call;
    Texts Trail;
    friend void PrintTo(const TextFailure& failure, std::ostream* out) { *out << failure.Name; }
};

class TextFailures : public testing::TestWithParam<TextFailure> {};

TEST_P(TextFailures, LeaveTheirChainAndTheNextDrawWorks) {
    FrameRun run;
    Texts trail;
    WithFont(run, [&](FrameRun& run, const Font&) {
        run.Log->FailCall(GetParam().Call);
        Fonts().DrawTextAt({0, 0}, "abc", 16, 0xFFFFFFFF);
        trail = errors::ErrorEntries();
        errors::ClearErrors();
        Fonts().DrawTextAt({0, 0}, "abc", 16, 0xFFFFFFFF);
        EXPECT_EQ(Fonts().CachedTexts(), 1u);
    });
    EXPECT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    ExpectTrail(trail, GetParam().Trail);
}

const std::string Invalid = DeviceEntry("D3DERR_INVALIDCALL");

INSTANTIATE_TEST_SUITE_P(
    Steps, TextFailures,
    testing::Values(TextFailure {"Lock", "VertexBuffer.Lock",
                                 {Invalid, G("Nie można zablokować bufora wierzchołków"), G("Nie można dodać napisu"),
                                  G("Nie można narysować tekstu")}},
                    TextFailure {"Stream", "SetStreamSource",
                                 {Invalid, G("Nie można ustawić bufora wierchołków jako źródła danych"),
                                  G("Nie można narysować napisu"), G("Nie można narysować tekstu")}},
                    TextFailure {"Draw", "DrawPrimitive",
                                 {G("\\(Device,[0-9]+\\) D3DERR_INVALIDCALL \\(.*\\)"), G("Nie można narysować napisu"),
                                  G("Nie można narysować tekstu")}}),
    [](const testing::TestParamInfo<TextFailure>& info) { return std::string(info.param.Name); });

TEST(TextCache, AFontWithoutAnAtlasIsRefused) {
    FrameRun run;
    run.Draw = [](platform::Device&) {
        const FontAuto tiny("Arial", true, 8, nullptr, '?');
        errors::ClearErrors();
        Fonts().Begin();
        Fonts().SetFont(&tiny, false);
    };
    run.Go();
    ExpectTrail(run.Trail, {G("Nie można rozpocząć rysowania tekstu - brak tekstury")});
}

}  // namespace
}  // namespace gfx
