// The outline, rectangle and sprite managers on the recording device.

#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "gfx/Sprite.h"

namespace gfx {
namespace {

std::unique_ptr<platform::Texture> MakeTexture(platform::Device& device, uint32_t width, uint32_t height) {
    std::unique_ptr<platform::Texture> texture;
    device.CreateTexture(width, height, 1, 0, platform::D3DFMT_A8R8G8B8, platform::D3DPOOL_MANAGED, texture);
    return texture;
}

TEST(Batches, EachManagerRecordsExactlyItsStates) {
    FrameRun run;
    run.Go();
    Texts blocks;  // the calls recorded into each block, in the order of registration
    bool inside = false;
    for (const platform::RecordedCall& call : run.Log->Calls()) {
        if (call.Name == "EndStateBlock") inside = false;
        if (inside) blocks.back() += call.Name.substr(3) + "(" + call.Arguments + ") ";
        if (call.Name == "BeginStateBlock") inside = true, blocks.emplace_back();
    }
    const std::string blend = "RenderState(22, 1) RenderState(27, 1) RenderState(19, 5) RenderState(20, 6) ";
    const std::string diffuse = "TextureStageState(0, 1, 2) TextureStageState(0, 2, 0) ";
    auto textured = [](const char* op) {  // texture with diffuse: colour by `op`, alpha modulated
        return "TextureStageState(0, 11, 0) TextureStageState(0, 1, " + std::string(op) + ") TextureStageState(0, 2, 2) "
               "TextureStageState(0, 3, 0) TextureStageState(0, 4, 4) TextureStageState(0, 5, 2) TextureStageState(0, 6, 0) ";
    };
    EXPECT_EQ(blocks, (Texts {diffuse + "FVF(0x42) ", blend + "FVF(0x42) " + diffuse, blend + textured("5") + "FVF(0x142) ",
                              blend + textured("4") + "SamplerState(0, 6, 2) SamplerState(0, 5, 2) FVF(0x142) "}));
}

TEST(Batches, FullBatchesAreDrawnAsTheyFillAndTheRestAtEnd) {
    const std::tuple<const char*, uint32_t, std::vector<uint32_t>> cases[] = {  // primitives of each draw
        {"outlines", 257, {1024, 4}}, {"outlines", 0, {}}, {"rectangles", 1025, {2048, 2}},
        {"rectangles", 0, {}},        {"sprites", 1025, {2048, 2}}, {"sprites", 0, {}}};
    for (const auto& [manager, count, expected] : cases) {
        FrameRun run;
        run.Draw = [&, manager = std::string(manager), count = count](platform::Device& device) {
            auto texture = MakeTexture(device, 128, 128);
            const Sprite2 sprite(texture.get(), 32, 32, 4);
            const cells::VirtualRect r {0, 0, 5, 9};
            if (manager == "outlines") {
                Lines().Begin();
                for (uint32_t i = 0; i < count; ++i) Lines().AddRectOutline(r, 0xFFFFFFFF);
                Lines().End();
            } else if (manager == "rectangles") {
                Rects().Begin();
                for (uint32_t i = 0; i < count; ++i) Rects().AddRect(r, 0xFFFFFFFF);
                Rects().End();
            } else {
                Sprites().Begin(), Sprites().SetSprite(&sprite, false, false);
                for (uint32_t i = 0; i < count; ++i) Sprites().AddSprite(1, r, 0xFF808080);
                Sprites().End();
            }
            EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
        };
        run.Go();
        std::vector<uint32_t> primitives;
        for (const platform::DrawSnapshot* draw : run.Draws()) primitives.push_back(draw->PrimitiveCount);
        EXPECT_EQ(primitives, expected) << manager << " " << count;
    }
}

// The positions (or, from byte 16, the texture coordinates) of the elements a draw drew, as "x,y".
Texts Positions(const platform::DrawSnapshot& draw, uint32_t offset = 0) {
    Texts points;
    for (uint32_t e = 0; e < draw.ElementCount(); ++e)
        points.push_back(testing::PrintToString(draw.FloatAt(e, offset)) + "," + testing::PrintToString(draw.FloatAt(e, offset + 4)));
    return points;
}

// Where outlines and rectangles land is checked by their pixels; a sprite's corners take the
// texture coordinates of its frame and its sampler the mirroring and filtering asked for.
TEST(Batches, SpritesMapTheirFrameAsAsked) {
    FrameRun run;
    run.Draw = [](platform::Device& device) {
        auto texture = MakeTexture(device, 128, 128);
        const Sprite2 sprite(texture.get(), 32, 32, 4);
        Sprites().Begin(), Sprites().SetSprite(&sprite, true, true);
        Sprites().AddSprite(5, {0, 0, 24, 24}, 0xFF7F7F7F);
        Sprites().End();
    };
    run.Go();
    const auto draws = run.Draws();
    ASSERT_EQ(draws.size(), 1u);
    // Frame 5 is the second of the second row: u and v from 0.25 to 0.5.
    EXPECT_EQ(Positions(*draws[0]), (Texts {"0,0", "24,0", "0,24", "24,0", "0,24", "24,24"}));
    EXPECT_EQ(Positions(*draws[0], 16), (Texts {"0.25,0.25", "0.5,0.25", "0.25,0.5", "0.5,0.25", "0.25,0.5", "0.5,0.5"}));
    EXPECT_EQ(draws[0]->State.Value(platform::StateItem::AddressV), platform::D3DTADDRESS_MIRROR);
    EXPECT_EQ(draws[0]->State.Value(platform::StateItem::MagFilter), platform::D3DTEXF_LINEAR);
}

TEST(Batches, FailuresLeaveTheirChainAndAddNothing) {
    FrameRun recording;  // the rectangles' own context comes without a position
    recording.FailFromStart = "BeginStateBlock", recording.FailOccurrence = 2;
    ExpectTrail(recording.Go().Trail, {Invalid, G("Nie rozpocząć rejestracji bloku stanów"),
                                       "Nie można zainicjalizować rysowania prostokątów", ".*\\(etap 3/3\\)"});
    FrameRun sprites;  // a sprite whose texture failed to load is refused; nothing is added or drawn
    sprites.Draw = [&sprites](platform::Device&) {
        const Sprite2 sprite(nullptr, 32, 32, 4);
        Sprites().Begin(), Sprites().SetSprite(&sprite, false, false);
        Sprites().AddSprite(0, {0, 0, 9, 9}, 0xFFFFFFFF), Sprites().End();
        EXPECT_EQ(sprites.Log->CountCalls("DrawIndexedPrimitiveUP"), 0u);
    };
    ExpectTrail(sprites.Go().Trail, {G("Nie można rozpocząć rysowania sprita - brak tekstury")});
}

TEST(Sprite2, FramesAreCutRowByRowWithGapsBetweenNeighbours) {
    auto device = platform::RecordingDevice::Make();
    auto strip = MakeTexture(*device, 128, 32), sheet = MakeTexture(*device, 110, 80);
    const Sprite2 buttons(strip.get(), 32, 32, 4), gapped(sheet.get(), 30, 20, 3, 5, 10), none(nullptr, 32, 32, 4);
    const std::tuple<const Sprite2&, uint32_t, std::vector<float>> cases[] = {
        {buttons, 2, {0.5f, 0, 0.75f, 1, 32, 32}},
        {buttons, WholeTexture, {0, 0, 1, 1, 128, 32}},
        {gapped, 4, {30 / 110.0f, 20 / 80.0f, 60 / 110.0f, 40 / 80.0f, 30, 20}},  // column 1, row 1: no gap yet
        {gapped, 8, {65 / 110.0f, 50 / 80.0f, 95 / 110.0f, 70 / 80.0f, 30, 20}},  // column 2, row 2: one gap
        {none, WholeTexture, {0, 0, 1, 1, 0, 0}},
    };
    for (const auto& [sprite, frame, expected] : cases) {
        const SpriteFrame f = sprite.GetFrame(frame);
        EXPECT_THAT((std::vector<float> {f.UMin, f.VMin, f.UMax, f.VMax, f.Width, f.Height}),
                    testing::Pointwise(testing::FloatEq(), expected)) << frame;
    }
}

}  // namespace
}  // namespace gfx
