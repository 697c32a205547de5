// The font manager on the recording device: the text cache, its limits and its failures.

#include <gtest/gtest.h>

#include <cstdio>

#include "GfxTestSupport.h"
#include "gfx/Font.h"

namespace gfx {
namespace {

// A frame that draws with the application's font after Begin and SetFont.
FrameRun& WithFont(FrameRun& run, std::function<void(platform::RecordingLog&)> draw) {
    run.Draw = [&run, draw](platform::Device&) {
        const FontAuto font("Arial", true, 256, nullptr, '?');
        Fonts().Begin();
        Fonts().SetFont(&font, true);
        draw(*run.Log);
    };
    return run.Go();
}

TEST(TextCache, TextsDrawnAgainUnchangedAreLaidOutOnce) {
    FrameRun run;
    WithFont(run, [](platform::RecordingLog& log) {
        for (int frame = 0; frame < 3; ++frame) {
            Fonts().DrawTextInRect({0, 0, 200, 20}, "FPS: 60.0", 16, 0xFFFFFFFF, TextLeft | TextMiddle | TextNoWrap);
            Fonts().DrawTextAt({300, 10}, "Iteracja 12", 16, 0xFFFF0000);
        }
        EXPECT_EQ(Fonts().CachedTexts(), 2u);
        EXPECT_EQ(Fonts().UsedQuads(), 8u + 10u);
        EXPECT_EQ(log.CountCalls("VertexBuffer.Lock"), 2u);
    });
    Texts starts;  // the first vertex and the triangles of each draw
    for (const platform::RecordedCall* call : run.Log->CallsNamed("DrawPrimitive")) starts.push_back(call->Arguments);
    EXPECT_EQ(starts, (Texts {"4, 0, 16", "4, 48, 20", "4, 0, 16", "4, 48, 20", "4, 0, 16", "4, 48, 20"}));
    const platform::DrawSnapshot& second = *run.Draws("DrawPrimitive")[1];
    EXPECT_EQ(second.DwordAt(0, 12), 0xFFFF0000u);
    EXPECT_EQ(second.FloatAt(2, 0), 300.0f) << "the first glyph's bottom left is the point's x";
    EXPECT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
}

// Counters of seven characters: 731 of them take 5117 quads; the next would reach 5120, so the
// cache starts over with it. A text of more than 5120 visible characters is refused.
TEST(TextCache, AChangingCounterFillsTheCacheUntilItStartsOver) {
    FrameRun run;
    WithFont(run, [](platform::RecordingLog& log) {
        char text[16];
        for (int n = 0; n <= 731; ++n) {
            std::snprintf(text, sizeof text, "n=%05d", n);
            Fonts().DrawTextAt({0, 0}, text, 16, 0xFFFFFFFF);
            EXPECT_EQ(Fonts().CachedTexts(), n < 731 ? n + 1u : 1u);
        }
        EXPECT_THAT(log.CallsNamed("VertexBuffer.Lock").back()->Arguments, testing::HasSubstr(", 0, 1008, "))
            << "from the start of the buffer";
        Fonts().DrawTextAt({0, 0}, " \t\r\n", 16, 0xFFFFFFFF);
        EXPECT_EQ(Fonts().CachedTexts(), 1u) << "nothing visible, nothing cached";
        const size_t draws = log.CountCalls("DrawPrimitive");
        Fonts().DrawTextAt({0, 0}, std::string(5121, 'x'), 4, 0xFFFFFFFF);
        EXPECT_EQ(log.CountCalls("DrawPrimitive"), draws);
    });
    ExpectTrail(run.Trail, {G("Za dużo znaków do narysowania"), G("Nie można dodać napisu"), G("Nie można narysować tekstu")});
}

TEST(TextCache, FailuresLeaveTheirChain) {
    FrameRun locking;
    WithFont(locking, [](platform::RecordingLog& log) {
        log.FailCall("VertexBuffer.Lock");
        Fonts().DrawTextAt({0, 0}, "abc", 16, 0xFFFFFFFF);
    });
    ExpectTrail(locking.Trail, {Invalid, G("Nie można zablokować bufora wierzchołków"), G("Nie można dodać napisu"),
                                G("Nie można narysować tekstu")});
    FrameRun run;
    run.Draw = [](platform::Device&) {
        const FontAuto tiny("Arial", true, 8, nullptr, '?');
        errors::ClearErrors();
        Fonts().SetFont(&tiny, false);
    };
    ExpectTrail(run.Go().Trail, {G("Nie można rozpocząć rysowania tekstu - brak tekstury")});
}

}  // namespace
}  // namespace gfx
