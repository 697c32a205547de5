// The outline, rectangle and sprite managers on the recording device: their recorded state,
// batch limits, geometry, failures and sprite frames.

#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "gfx/Sprite.h"

namespace gfx {
namespace {

using platform::D3DCOLOR;
using platform::DrawSnapshot;

constexpr uint32_t ColorOffset = 12;  // of the colour in both vertex formats
constexpr uint32_t UOffset = 16;

std::unique_ptr<platform::Texture> MakeTexture(platform::Device& device, uint32_t width, uint32_t height) {
    std::unique_ptr<platform::Texture> texture;
    EXPECT_EQ(device.CreateTexture(width, height, 1, 0, platform::D3DFMT_A8R8G8B8, platform::D3DPOOL_MANAGED, texture),
              platform::D3D_OK);
    return texture;
}

// The calls each state block was recorded with, in the order of registration.
std::vector<Texts> RecordedBlocks(const platform::RecordingLog& log) {
    std::vector<Texts> blocks;
    bool inside = false;
    for (const platform::RecordedCall& call : log.Calls()) {
        if (call.Name == "BeginStateBlock") inside = true, blocks.emplace_back();
        else if (call.Name == "EndStateBlock") inside = false;
        else if (inside) blocks.back().push_back(call.Name + "(" + call.Arguments + ")");
    }
    return blocks;
}

TEST(Batches, EachManagerRecordsExactlyItsStates) {
    FrameRun run;
    run.Go();
    ASSERT_TRUE(run.Log);
    const Texts blending {"SetRenderState(22, 1)", "SetRenderState(27, 1)", "SetRenderState(19, 5)",
                          "SetRenderState(20, 6)"};
    const Texts diffuse {"SetTextureStageState(0, 1, 2)", "SetTextureStageState(0, 2, 0)"};
    auto textured = [](const char* colorOp) {
        return Texts {"SetTextureStageState(0, 11, 0)", std::string("SetTextureStageState(0, 1, ") + colorOp + ")",
                      "SetTextureStageState(0, 2, 2)",  "SetTextureStageState(0, 3, 0)",
                      "SetTextureStageState(0, 4, 4)",  "SetTextureStageState(0, 5, 2)",
                      "SetTextureStageState(0, 6, 0)"};
    };
    auto join = [](std::initializer_list<Texts> parts) {
        Texts all;
        for (const Texts& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const std::vector<Texts> expected {
        join({diffuse, {"SetFVF(0x42)"}}),
        join({blending, {"SetFVF(0x42)"}, diffuse}),
        join({blending, textured("5"), {"SetFVF(0x142)"}}),  // modulate 2x
        join({blending, textured("4"), {"SetSamplerState(0, 6, 2)", "SetSamplerState(0, 5, 2)", "SetFVF(0x142)"}}),
    };
    EXPECT_EQ(RecordedBlocks(*run.Log), expected);
    EXPECT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
}

// What a batch of `count` primitives of one manager draws.
struct Limit {
    const char* Name;
    uint32_t Count;
    std::vector<uint32_t> Primitives;  // of each draw
};

class BatchLimits : public testing::TestWithParam<Limit> {};

TEST_P(BatchLimits, FullBatchesAreDrawnAsTheyFillAndTheRestAtEnd) {
    const Limit& limit = GetParam();
    const std::string name = limit.Name;
    size_t callsBeforeEnd = 0, callsAfterEnd = 0;
    FrameRun run;
    run.Draw = [&](platform::Device& device) {
        auto texture = name == "sprites" ? MakeTexture(device, 128, 128) : nullptr;
        Sprite2 sprite(texture.get(), 32, 32, 4);
        auto rect = [](uint32_t i) {
            return cells::VirtualRect {float(i % 100), float(i / 100), float(i % 100 + 5), 50};
        };
        if (name == "outlines") {
            Lines().Begin();
            for (uint32_t i = 0; i < limit.Count; ++i) Lines().AddRectOutline(rect(i), 0xFFFFFFFF);
            callsBeforeEnd = run.Log->Calls().size();
            Lines().End();
        } else if (name == "rectangles") {
            Rects().Begin();
            for (uint32_t i = 0; i < limit.Count; ++i) Rects().AddRect(rect(i), 0xFFFFFFFF);
            callsBeforeEnd = run.Log->Calls().size();
            Rects().End();
        } else {
            Sprites().Begin();
            Sprites().SetSprite(&sprite, false, false);
            for (uint32_t i = 0; i < limit.Count; ++i) Sprites().AddSprite(1, rect(i), 0xFF808080);
            callsBeforeEnd = run.Log->Calls().size();
            Sprites().End();
            callsAfterEnd = run.Log->Calls().size();
        }
    };
    run.Go();
    EXPECT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    std::vector<uint32_t> primitives;
    for (const DrawSnapshot* draw : run.Draws()) primitives.push_back(draw->PrimitiveCount);
    EXPECT_EQ(primitives, limit.Primitives);
    if (limit.Count == 0) {
        Texts afterEnd;
        for (size_t i = callsBeforeEnd; i < run.Log->Calls().size() && run.Log->Calls()[i].Name != "EndScene"; ++i)
            afterEnd.push_back(run.Log->Calls()[i].Name);
        if (name == "sprites") afterEnd.resize(callsAfterEnd - callsBeforeEnd);
        EXPECT_EQ(afterEnd, name == "sprites" ? Texts {"SetTexture"} : Texts {}) << "an empty End records nothing more";
    } else {
        // The last draw starts with the first primitive that did not fit into the full batches.
        const uint32_t capacity = name == "outlines" ? 256 : 1024, first = (limit.Count - 1) / capacity * capacity;
        const DrawSnapshot& last = *run.Draws().back();
        EXPECT_EQ(last.FloatAt(0, 0), float(first % 100));
        EXPECT_EQ(last.FloatAt(0, 4), float(first / 100));
    }
}

INSTANTIATE_TEST_SUITE_P(Managers, BatchLimits,
                         testing::Values(Limit {"outlines", 257, {1024, 4}}, Limit {"outlines", 256, {1024}},
                                         Limit {"outlines", 0, {}}, Limit {"rectangles", 1025, {2048, 2}},
                                         Limit {"rectangles", 0, {}}, Limit {"sprites", 1025, {2048, 2}},
                                         Limit {"sprites", 0, {}}),
                         [](const auto& info) {
                             return std::string(info.param.Name) + std::to_string(info.param.Count);
                         });

// The positions of the elements a draw drew, as "x,y" pairs.
Texts Positions(const DrawSnapshot& draw) {
    Texts points;
    for (uint32_t e = 0; e < draw.ElementCount(); ++e)
        points.push_back(testing::PrintToString(draw.FloatAt(e, 0)) + "," + testing::PrintToString(draw.FloatAt(e, 4)));
    return points;
}

TEST(Batches, OutlinesRectanglesAndSpritesHaveTheirCornersWhereTheyShould) {
    FrameRun run;
    run.Draw = [&](platform::Device& device) {
        Lines().Begin();
        Lines().AddRectOutline({10, 10, 20, 20}, 0xFF00FF00);
        Lines().End();
        Rects().Begin();
        Rects().AddRect({10, 10, 20, 30}, 0x80FF0000);
        Rects().End();
        auto texture = MakeTexture(device, 128, 128);
        Sprite2 sprite(texture.get(), 32, 32, 4);
        Sprites().Begin();
        Sprites().SetSprite(&sprite, true, true);
        Sprites().AddSprite(5, {0, 0, 24, 24}, 0xFF7F7F7F);
        Sprites().End();
    };
    run.Go();
    ASSERT_TRUE(run.Trail.empty()) << testing::PrintToString(run.Trail);
    const auto draws = run.Draws();
    ASSERT_EQ(draws.size(), 3u);
    // The outline's edges as a line list: the last pixel of each edge is the next one's first.
    EXPECT_EQ(draws[0]->Type, platform::D3DPT_LINELIST);
    EXPECT_EQ(Positions(*draws[0]), (Texts {"10,10", "19,10", "19,10", "19,19", "19,19", "10,19", "10,19", "10,10"}));
    EXPECT_EQ(draws[0]->DwordAt(3, ColorOffset), 0xFF00FF00u);
    EXPECT_EQ(Positions(*draws[1]), (Texts {"10,10", "20,10", "10,30", "20,10", "10,30", "20,30"}));
    EXPECT_EQ(draws[1]->DwordAt(5, ColorOffset), 0x80FF0000u);
    // Frame 5 is the second of the second row; the bottom-right corner gets its bottom-right.
    EXPECT_EQ(Positions(*draws[2]), (Texts {"0,0", "24,0", "0,24", "24,0", "0,24", "24,24"}));
    EXPECT_EQ(draws[2]->FloatAt(0, UOffset), 0.25f);
    EXPECT_EQ(draws[2]->FloatAt(5, UOffset), 0.5f);
    EXPECT_EQ(draws[2]->FloatAt(5, UOffset + 4), 0.5f);
    const platform::DeviceState& sprites = draws[2]->State;
    EXPECT_EQ(sprites.Value(platform::StateItem::MinFilter), platform::D3DTEXF_LINEAR);
    EXPECT_EQ(sprites.Value(platform::StateItem::AddressV), platform::D3DTADDRESS_MIRROR);
    EXPECT_EQ(sprites.Value(platform::StateItem::ColorOp), platform::D3DTOP_MODULATE2X);
    EXPECT_NE(draws[2]->TextureName, "null");
    EXPECT_EQ(run.Log->CallsNamed("SetTexture").back()->Arguments, "0, null") << "End unbinds the texture";
}

// A failure on the way, and the trail it leaves.
struct Failure {
    const char* Name;
    std::vector<std::pair<std::string, uint32_t>> AtStart;  // calls failing from the device's creation
    std::function<void(FrameRun&, platform::Device&)> Draw;
    Texts Trail;
    friend void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.Name; }
};

class BatchFailures : public testing::TestWithParam<Failure> {};

TEST_P(BatchFailures, LeaveTheirChainInTheTrail) {
    FrameRun run;
    run.Failures = GetParam().AtStart;
    if (GetParam().Draw) run.Draw = [&](platform::Device& device) { GetParam().Draw(run, device); };
    run.Go();
    ExpectTrail(run.Trail, GetParam().Trail);
}

const std::string Stage3 = "\\[Framework,[0-9]+\\] Nie można zainicjalizować programu \\(etap 3/3\\)";
const std::string Invalid = DeviceEntry("D3DERR_INVALIDCALL");

void FailNext(FrameRun& run, const char* call) { run.Log->FailCall(call); }

INSTANTIATE_TEST_SUITE_P(
    Managers, BatchFailures,
    testing::Values(
        Failure {"LinesRecording", {{"BeginStateBlock", 1}}, nullptr,
                 {Invalid, G("Nie można rozpocząć rejestracji bloku stanów urządzenia"), Stage3}},
        Failure {"LinesRemembering", {{"EndStateBlock", 1}}, nullptr,
                 {Invalid, G("Nie można zapamiętać bloku stanów urządzenia"), Stage3}},
        // The rectangles' context comes without a position.
        Failure {"RectsRecording", {{"BeginStateBlock", 2}}, nullptr,
                 {Invalid, G("Nie rozpocząć rejestracji bloku stanów"), "Nie można zainicjalizować rysowania prostokątów",
                  Stage3}},
        Failure {"SpritesRecording", {{"BeginStateBlock", 3}}, nullptr,
                 {Invalid, G("Nie rozpocząć rejestracji bloku stanów"), G("Nie można zainicjalizować rysowania spritów"),
                  Stage3}},
        Failure {"FontsRecording", {{"BeginStateBlock", 4}}, nullptr,
                 {Invalid, G("Nie rozpocząć rejestracji bloku stanów"), G("Nie można zainicjować rysowania czcionek"),
                  G("Nie można zainicjalizować systemu buforowania tekstu"), Stage3}},
        Failure {"TextCache", {{"CreateVertexBuffer", 1}}, nullptr,
                 {Invalid, G("Nie można utworzyć bufora wierzchołków"),
                  G("Nie można zainicjalizować systemu buforowania tekstu"), Stage3}},
        Failure {"LinesBegin", {},
                 [](FrameRun& run, platform::Device&) { FailNext(run, "StateBlock.Apply"), Lines().Begin(); },
                 {Invalid, G("Nie można wprowadzić ustawień do urządzenia")}},
        Failure {"RectsBegin", {},
                 [](FrameRun& run, platform::Device&) { FailNext(run, "StateBlock.Apply"), Rects().Begin(); },
                 {Invalid, G("Nie można przywrócić ustawień urządzenia do rysowania prostokątów")}},
        Failure {"SpritesBegin", {},
                 [](FrameRun& run, platform::Device&) { FailNext(run, "StateBlock.Apply"), Sprites().Begin(); },
                 {Invalid, G("Nie można przywrócić ustawień urządzenia do rysowania spritów")}},
        Failure {"FontsBegin", {},
                 [](FrameRun& run, platform::Device&) { FailNext(run, "StateBlock.Apply"), Fonts().Begin(); },
                 {Invalid, G("Nie można przywrócić ustawień urządzenia do rysowania tekstu")}},
        // A full batch that fails to draw: the new rectangle is left out, and End has nothing.
        Failure {"RectsFullBatch", {},
                 [](FrameRun& run, platform::Device&) {
                     Rects().Begin();
                     for (int i = 0; i < 1024; ++i) Rects().AddRect({0, 0, 1, 1}, 0xFFFFFFFF);
                     FailNext(run, "DrawIndexedPrimitiveUP");
                     Rects().AddRect({0, 0, 1, 1}, 0xFFFFFFFF);
                     Rects().End();
                     EXPECT_EQ(run.Log->CountCalls("DrawIndexedPrimitiveUP"), 1u);
                 },
                 {Invalid, G("Nie można narysować prostokątów"), G("Nie można narysować prostokąta")}},
        Failure {"OutlinesFullBatch", {},
                 [](FrameRun& run, platform::Device&) {
                     Lines().Begin();
                     for (int i = 0; i < 257; ++i) {
                         if (i == 256) FailNext(run, "DrawIndexedPrimitiveUP");
                         Lines().AddRectOutline({0, 0, 9, 9}, 0xFFFFFFFF);
                     }
                     Lines().End();
                     EXPECT_EQ(run.Log->CountCalls("DrawIndexedPrimitiveUP"), 1u);
                 },
                 {Invalid, G("Nie można narysować linii"), G("Nie można narysować prostokąta")}},
        Failure {"LinesEnd", {},
                 [](FrameRun& run, platform::Device&) {
                     Lines().Begin();
                     Lines().AddRectOutline({0, 0, 9, 9}, 0xFFFFFFFF);
                     FailNext(run, "DrawIndexedPrimitiveUP");
                     Lines().End();
                 },
                 {Invalid, G("Nie można narysować linii"), G("Nie można zakończyć rysowania linii")}},
        Failure {"RectsEnd", {},
                 [](FrameRun& run, platform::Device&) {
                     Rects().Begin();
                     Rects().AddRect({0, 0, 9, 9}, 0xFFFFFFFF);
                     FailNext(run, "DrawIndexedPrimitiveUP");
                     Rects().End();
                 },
                 {Invalid, G("Nie można narysować prostokątów"), G("Nie można zakończyć rysowania prostokątów")}},
        // The texture is unbound whatever happened, and the batch starts empty next time.
        Failure {"SpritesEndAndFullBatch", {},
                 [](FrameRun& run, platform::Device& device) {
                     auto texture = MakeTexture(device, 64, 64);
                     Sprite2 sprite(texture.get(), 32, 32, 2);
                     Sprites().Begin();
                     Sprites().SetSprite(&sprite, false, false);
                     for (int i = 0; i < 1025; ++i) {
                         if (i == 1024) FailNext(run, "DrawIndexedPrimitiveUP");
                         Sprites().AddSprite(0, {0, 0, 9, 9}, 0xFFFFFFFF);
                     }
                     Sprites().AddSprite(0, {0, 0, 9, 9}, 0xFFFFFFFF);
                     FailNext(run, "DrawIndexedPrimitiveUP");
                     EXPECT_EQ(Sprites().End(), platform::D3D_OK);
                     EXPECT_EQ(run.Log->CallsNamed("SetTexture").back()->Arguments, "0, null");
                     EXPECT_EQ(run.Log->CallsNamed("DrawIndexedPrimitiveUP").back()->Arguments, "4, 0, 4, 2, 24")
                         << "the sprite after the failed flush is the only one left";
                 },
                 {Invalid, G("Nie można narysować spritów"), G("Nie można zakończyć rysowania spritów")}},
        // A sprite whose texture failed to load; nothing is added, nothing crashes.
        Failure {"SpriteWithoutTexture", {},
                 [](FrameRun& run, platform::Device&) {
                     Sprite2 sprite(nullptr, 32, 32, 4);
                     Sprites().Begin();
                     Sprites().SetSprite(&sprite, false, false);
                     Sprites().AddSprite(0, {0, 0, 9, 9}, 0xFFFFFFFF);
                     Sprites().End();
                     EXPECT_EQ(run.Log->CountCalls("DrawIndexedPrimitiveUP"), 0u);
                 },
                 {G("Nie można rozpocząć rysowania sprita - brak tekstury")}}),
    [](const testing::TestParamInfo<Failure>& info) { return std::string(info.param.Name); });

TEST(Sprite2, FramesAreCutRowByRowWithGapsBetweenNeighbours) {
    auto device = platform::RecordingDevice::Make();
    auto strip = MakeTexture(*device, 128, 32), sheet = MakeTexture(*device, 110, 80);
    const Sprite2 buttons(strip.get(), 32, 32, 4), gapped(sheet.get(), 30, 20, 3, 5, 10), none(nullptr, 32, 32, 4);
    struct Case {
        const Sprite2& Sprite;
        uint32_t Frame;
        SpriteFrame Expected;
    };
    const Case cases[] = {
        {buttons, 2, {0.5f, 0, 0.75f, 1, 32, 32}},
        {buttons, WholeTexture, {0, 0, 1, 1, 128, 32}},
        {gapped, 0, {0, 0, 30 / 110.0f, 20 / 80.0f, 30, 20}},
        {gapped, 4, {30 / 110.0f, 20 / 80.0f, 60 / 110.0f, 40 / 80.0f, 30, 20}},  // column 1, row 1: no gap yet
        {gapped, 8, {65 / 110.0f, 50 / 80.0f, 95 / 110.0f, 70 / 80.0f, 30, 20}},  // column 2, row 2: one gap each
        {none, WholeTexture, {0, 0, 1, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        const SpriteFrame f = c.Sprite.GetFrame(c.Frame);
        EXPECT_THAT((std::vector<float> {f.UMin, f.VMin, f.UMax, f.VMax, f.Width, f.Height}),
                    testing::Pointwise(testing::FloatEq(), {c.Expected.UMin, c.Expected.VMin, c.Expected.UMax,
                                                            c.Expected.VMax, c.Expected.Width, c.Expected.Height}))
            << c.Frame;
    }
    EXPECT_EQ(buttons.TextureWidth(), 128u);
    EXPECT_EQ(none.TextureHeight(), 0u);
}

}  // namespace
}  // namespace gfx
