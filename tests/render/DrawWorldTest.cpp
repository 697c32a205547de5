// DrawWorld on the recording device: the clip rectangle, batches and their order, the geometry
// of quads, squares and arrows, the generation shown, and the messages of every failure.

#include <gtest/gtest.h>

#include "platform/recording/RecordingDevice.h"
#include "render/WorldRenderer.h"
#include "RenderTestSupport.h"

namespace render::test {
namespace {

using platform::DrawSnapshot;
using platform::RecordingDevice;
using view::ComponentKind;
using view::ViewKind;

constexpr cells::ModeSize Screen {800, 600};

class DrawWorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        errors::ClearErrors();
        ASSERT_EQ(m_device->BeginScene(), platform::D3D_OK);
    }
    void TearDown() override { errors::ClearErrors(); }

    // A renderer with its device objects, the arrow being a picture of the test's own.
    std::unique_ptr<WorldRenderer> Make(const view::ViewSettings& settings, int width, int height, uint32_t background = Black) {
        auto renderer = std::make_unique<WorldRenderer>(settings, background, width, height);
        renderer->SetArrowPath(WriteArrowPicture("render-arrow-draw.tga"));
        renderer->CreateDeviceObjects(*m_device);
        renderer->RestoreDeviceObjects(*m_device);
        EXPECT_FALSE(errors::ErrorRaised());
        m_device->Log().ClearCalls();
        return renderer;
    }
    void Draw(WorldRenderer& renderer, const core::Generations& world, ViewOptions options = {}) {
        renderer.DrawWorld(m_canvas, world, options);
    }
    std::vector<const DrawSnapshot*> Draws(const std::string& name = "DrawIndexedPrimitive") {
        std::vector<const DrawSnapshot*> draws;
        for (const auto* call : m_device->Log().CallsNamed(name))
            if (call->Draw) draws.push_back(call->Draw.get());
        return draws;
    }

    std::unique_ptr<RecordingDevice> m_device = RecordingDevice::Make();
    TestCanvas m_canvas {*m_device, Screen};
};

// Vertex j (0 top left, 1 top right, 2 bottom left, 3 bottom right) of quad k of a draw.
float VertexX(const DrawSnapshot& draw, uint32_t quad, int j) {
    static constexpr uint32_t element[4] = {0, 1, 2, 5};
    return draw.FloatAt(6 * quad + element[j], 0);
}
float VertexY(const DrawSnapshot& draw, uint32_t quad, int j) {
    static constexpr uint32_t element[4] = {0, 1, 2, 5};
    return draw.FloatAt(6 * quad + element[j], 4);
}

// Where the quad and its texels land is checked by pixels; here, what they cannot show: tiled,
// the quad fills the view rectangle (40..800 x 64..560) with the world repeating every
// zoom x Width pixels, Filtered picks the sampler's filter, the texel replaces the colour
// unblended, and neither toggle creates anything.
TEST_F(DrawWorldTest, TextureQuadRepeatsWhenTiledAndFiltersAsAsked) {
    auto renderer = Make(ViewOf(ViewKind::Texture), 200, 100);
    core::Generations world = MakeWorld(200, 100);
    struct Case {
        ViewOptions Options;
        float X0, Y0, X1, Y1, UMax, VMax;
        uint32_t Filter;
    };
    const Case cases[] = {
        {{2.0f, true, false}, 220, 212, 620, 412, 1, 1, platform::D3DTEXF_LINEAR},
        {{0.1f, false, true}, 40, 64, 800, 560, 38, 49.6f, platform::D3DTEXF_POINT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Options.Zoom);
        m_device->Log().ClearCalls();
        Draw(*renderer, world, c.Options);
        ASSERT_FALSE(errors::ErrorRaised());
        auto draws = Draws("DrawPrimitive");
        ASSERT_EQ(draws.size(), 1u);
        const DrawSnapshot& quad = *draws[0];
        EXPECT_EQ(quad.Type, platform::D3DPT_TRIANGLESTRIP);
        EXPECT_EQ((std::vector<float> {quad.FloatAt(0, 0), quad.FloatAt(0, 4), quad.FloatAt(3, 0), quad.FloatAt(3, 4),
                                       quad.FloatAt(3, 16), quad.FloatAt(3, 20), quad.FloatAt(0, 16), quad.FloatAt(0, 20)}),
                  (std::vector<float> {c.X0, c.Y0, c.X1, c.Y1, c.UMax, c.VMax, 0, 0}));
        EXPECT_EQ(quad.State.Value(platform::StateItem::MinFilter), c.Filter);
        EXPECT_EQ(quad.State.Value(platform::StateItem::MagFilter), c.Filter);
        EXPECT_EQ(quad.State.Value(platform::StateItem::AlphaBlendEnable), 0u);
        EXPECT_EQ(quad.State.Value(platform::StateItem::ColorOp), uint32_t {platform::D3DTOP_SELECTARG1});
        EXPECT_EQ(quad.State.Value(platform::StateItem::ColorArg1), platform::D3DTA_TEXTURE);
        EXPECT_EQ(m_device->Log().CountCalls("CreateTexture"), 0u) << "toggles need no new objects";
    }
}

// The shown generation is 1 (0 with one buffer), and the two-generation mapping compares it
// with generation 2.
TEST_F(DrawWorldTest, ShowsTheLastCompletedGeneration) {
    view::ColorSpec both;
    both.Mode = view::ColorMode::BoolDouble;
    both.ColorA = 0xFF000001, both.ColorB = 0xFF000002, both.ColorC = 0xFF000003, both.ColorD = 0xFF000004;
    struct Case {
        int Buffers;
        view::ColorSpec Spec;
        uint32_t Expected;
    };
    const Case cases[] = {{1, RgbOf(), 0xFF000010}, {2, RgbOf(), 0xFF000011}, {3, both, 0xFF000003}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Buffers);
        auto renderer = Make(ViewOf(ViewKind::Texture, c.Spec), 1, 1);
        core::Generations world = MakeWorld(1, 1, c.Buffers);
        for (int g = 0; g < c.Buffers; ++g) world.Table(g).At(0, 0).u1 = 0x10 + g;
        if (c.Buffers == 3) world.Table(2).At(0, 0).b1 = 1;  // (1, 0): C
        Draw(*renderer, world);
        const auto& texel = m_device->State().Texture0->Texels();
        EXPECT_EQ(texel[0], c.Expected);
    }
}

// 25000 visible squares: three draws of 10000, 10000 and 5000 in row order. A frame of nothing
// but background draws nothing.
TEST_F(DrawWorldTest, SquaresComeInBatchesOfTenThousand) {
    auto renderer = Make(ViewOf(ViewKind::Cells), 250, 100);
    core::Generations world = MakeWorld(250, 100);
    Draw(*renderer, world);
    EXPECT_FALSE(errors::ErrorRaised());
    EXPECT_TRUE(Draws().empty());
    EXPECT_EQ(m_device->Log().CountCalls("VertexBuffer.Lock"), 1u);

    for (int x = 0; x < 250; ++x)
        for (int y = 0; y < 100; ++y) world.Shown().At(x, y).u1 = static_cast<uint32_t>(y * 250 + x + 1);
    m_device->Log().ClearCalls();
    Draw(*renderer, world);
    ASSERT_FALSE(errors::ErrorRaised());
    auto draws = Draws();
    ASSERT_EQ(draws.size(), 3u);
    const uint32_t sizes[3] = {10000, 10000, 5000};
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(draws[d]->PrimitiveCount, 2 * sizes[d]);
        // The first square of each batch is the next cell in row order.
        EXPECT_EQ(draws[d]->DwordAt(0, 16), 0xFF000000u | (10000u * d + 1));
        // Flat colour from the vertices, untextured and unblended.
        EXPECT_EQ(draws[d]->Fvf, platform::D3DFVF_XYZRHW | platform::D3DFVF_DIFFUSE);
        EXPECT_EQ(draws[d]->TextureName, "null");
        EXPECT_EQ(draws[d]->State.Value(platform::StateItem::ColorArg1), platform::D3DTA_DIFFUSE);
        EXPECT_EQ(draws[d]->State.Value(platform::StateItem::AlphaBlendEnable), 0u);
    }
    EXPECT_EQ(m_device->Log().CountCalls("VertexBuffer.Lock"), 3u);
    EXPECT_EQ(m_canvas.Journal, "push pop push pop ");
}

// A grid far larger than the view rectangle (1000 x 1000 squares of 2 pixels, origin -580,
// -688): every square that touches the rectangle (40..800 x 64..560) is drawn, in row order,
// and none lies more than a few pixels outside it.
TEST_F(DrawWorldTest, SquaresOutOfSightAreLeftOut) {
    auto renderer = Make(ViewOf(ViewKind::Cells), 1000, 1000);
    core::Generations world = MakeWorld(1000, 1000);
    for (int x = 0; x < 1000; ++x)
        for (int y = 0; y < 1000; ++y) world.Shown().At(x, y).u1 = 1;
    Draw(*renderer, world);
    ASSERT_FALSE(errors::ErrorRaised());
    int touching = 0, far = 0, drawn = 0;
    float lastX = -1e9f, lastY = -1e9f;
    bool ordered = true;
    for (const DrawSnapshot* draw : Draws())
        for (uint32_t k = 0; k < draw->PrimitiveCount / 2; ++k, ++drawn) {
            const float x = VertexX(*draw, k, 0), y = VertexY(*draw, k, 0);
            touching += x >= 40 && x < 800 && y >= 64 && y < 560;
            far += x < 40 - 4 || x > 800 + 4 || y < 64 - 4 || y > 560 + 4;
            ordered = ordered && (y > lastY || (y == lastY && x > lastX));
            lastX = x, lastY = y;
        }
    EXPECT_EQ(touching, 380 * 248);
    EXPECT_EQ(far, 0);
    EXPECT_TRUE(ordered);
    EXPECT_LT(drawn, 390 * 256);
}

// An arrow whose cell lies far outside the view rectangle is drawn when it is long enough to
// reach into it, and left out when it is not.
TEST_F(DrawWorldTest, ArrowsOutOfSightAreLeftOutUnlessTheyReachIn) {
    view::ViewSettings settings = ViewOf(ViewKind::Vectors);
    settings.Vector.Form = view::VectorForm::Polar;
    settings.Vector.Component1 = Component(ComponentKind::Float, 0, 0, 1);
    auto renderer = Make(settings, 1000, 1000);
    core::Generations world = MakeWorld(1000, 1000);
    // Cell (0, 500) has its centre at (-579, 313), 619 pixels left of the rectangle: its corners
    // reach 0.5 * 2 * length pixels from it.
    const float lengths[] = {600.0f, 640.0f, 1e30f, -640.0f};
    const size_t expected[] = {0, 1, 1, 1};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(lengths[i]);
        world.Shown().At(0, 500).u1 = 0xFFFFFF;
        world.Shown().At(0, 500).f1 = lengths[i];
        m_device->Log().ClearCalls();
        Draw(*renderer, world);
        ASSERT_FALSE(errors::ErrorRaised());
        auto draws = Draws();
        EXPECT_EQ(draws.size(), expected[i]);
    }
}

// The complex view: squares where the selector has the squares' value, arrows elsewhere, each
// left out on the background colour; the squares are drawn first.
TEST_F(DrawWorldTest, ComplexViewDrawsSquaresThenArrows) {
    view::ViewSettings settings = ViewOf(ViewKind::Complex);
    settings.ComplexField = 2;  // b3
    settings.ComplexValue = 1;
    auto renderer = Make(settings, 10, 10);
    core::Generations world = MakeWorld(10, 10);
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 10; ++y) {
            cells::Cell& cell = world.Shown().At(x, y);
            cell.b3 = (x + y) % 2;
            cell.u1 = x < 5 ? 0xFFFFFF : 0;  // the right half is background
        }
    Draw(*renderer, world);
    ASSERT_FALSE(errors::ErrorRaised());
    auto draws = Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->Fvf, platform::D3DFVF_XYZRHW | platform::D3DFVF_DIFFUSE) << "squares first";
    EXPECT_EQ(draws[1]->Fvf, platform::D3DFVF_XYZRHW | platform::D3DFVF_DIFFUSE | platform::D3DFVF_TEX1);
    EXPECT_EQ(draws[0]->PrimitiveCount, 2u * 25);
    EXPECT_EQ(draws[1]->PrimitiveCount, 2u * 25);
    // The arrows: the picture's alpha blends them over what is below, tinted by their colour.
    EXPECT_NE(draws[1]->TextureName, "null");
    EXPECT_EQ(draws[1]->State.Value(platform::StateItem::AlphaBlendEnable), 1u);
    EXPECT_EQ(draws[1]->State.Value(platform::StateItem::ColorOp), uint32_t {platform::D3DTOP_MODULATE});
    EXPECT_EQ(draws[1]->State.Value(platform::StateItem::AlphaOp), uint32_t {platform::D3DTOP_SELECTARG2});
}

// Arrows whose size or angle is not a number are left out rather than drawn anywhere.
TEST_F(DrawWorldTest, ArrowsOfNonNumbersAreLeftOut) {
    view::ViewSettings settings = ViewOf(ViewKind::Vectors);
    settings.Vector.Form = view::VectorForm::Polar;
    settings.Vector.Component1 = Component(ComponentKind::Float, 0, 0, 1);
    auto renderer = Make(settings, 3, 1);
    core::Generations world = MakeWorld(3, 1);
    const float values[3] = {NAN, INFINITY, 0.5f};
    for (int x = 0; x < 3; ++x) {
        world.Shown().At(x, 0).f1 = values[x];
        world.Shown().At(x, 0).u1 = 1;
    }
    Draw(*renderer, world);
    ASSERT_FALSE(errors::ErrorRaised());
    auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->PrimitiveCount, 2u);
}

// Every failing call of a frame: the device's entry, then the context messages up to
// "Nie można odrysować wizualizacji"; the frame after it draws again.
TEST_F(DrawWorldTest, FailuresSayWhereTheFrameStopped) {
    struct Case {
        ViewKind Kind;
        const char* Call;
        uint32_t Occurrence;
        std::vector<std::string> Messages;  // after the device's entry
    };
    const std::string world = "Nie można odrysować wizualizacji";
    const std::string texture = "Nie można odrysować tekstury", textureDraw = "Nie można odrysować wizualizacji tekstury";
    const std::string cells = "Nie można odrysować wizualizacji komórek";
    const std::string cellsBegin = "Nie można rozpocząć rysowania wizualizacji komórek";
    const std::string vectors = "Nie można odrysować wizualizacji wektorów";
    const std::string vectorsBegin = "Nie można rozpocząć aktualizacji wizualizacji wektorów";
    const std::string vectorsUpdate = "Nie można zaktualizować obiektu wizualizacji wektorów";
    const Case cases[] = {
        {ViewKind::Texture, "VertexBuffer.Lock", 1, {"Nie można zablokować bufora wierzchołków tekstury wizualizacji", texture, world}},
        {ViewKind::Texture, "Texture.LockRect", 1, {"Nie można zablokować tekstury", texture, world}},
        {ViewKind::Texture, "SetTexture", 1, {"Nie można ustawić tekstury", textureDraw, texture, world}},
        {ViewKind::Texture, "SetStreamSource", 1, {"Nie można ustawić bufora wierzchołków", textureDraw, texture, world}},
        {ViewKind::Texture, "SetFVF", 1, {"Nie można ustawić formatu wierzchołków", textureDraw, texture, world}},
        {ViewKind::Texture, "DrawPrimitive", 1, {"Nie można odrysować quada", textureDraw, texture, world}},
        {ViewKind::Cells, "VertexBuffer.Lock", 1, {"Nie można zablokować bufora wierzchołków", cellsBegin, cells, world}},
        {ViewKind::Cells, "IndexBuffer.Lock", 1, {"Nie można zablokować bufora indeksów", cellsBegin, cells, world}},
        {ViewKind::Cells, "SetStreamSource", 1, {"Nie można ustawić bufora wierzchołków", cells, world}},
        {ViewKind::Cells, "SetIndices", 1, {"Nie można ustawić bufora indeksów", cells, world}},
        {ViewKind::Cells, "SetFVF", 1, {"Nie można ustawić formatu wierzchołków", cells, world}},
        {ViewKind::Cells, "DrawIndexedPrimitive", 1, {"Nie można odrysować quadów", cells, world}},
        // The refill after the first full batch.
        {ViewKind::Cells, "VertexBuffer.Lock", 2, {"Nie można zablokować bufora wierzchołków", world}},
        {ViewKind::Vectors, "IndexBuffer.Lock", 1, {"Nie można zablokować bufora indeksów", vectorsBegin, vectorsUpdate, world}},
        {ViewKind::Vectors, "SetTexture", 1, {"Nie można ustawić tekstury", vectors, world}},
        {ViewKind::Vectors, "DrawIndexedPrimitive", 2, {"Nie można odrysować quadów", vectors, world}},
        {ViewKind::Complex, "VertexBuffer.Lock", 1, {"Nie można zablokować bufora wierzchołków", vectorsBegin, world}},
        {ViewKind::Complex, "VertexBuffer.Lock", 2, {"Nie można zablokować bufora wierzchołków", cellsBegin, world}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Call) + " #" + std::to_string(c.Occurrence) + " of kind " +
                     std::to_string(static_cast<int>(c.Kind)));
        errors::ClearErrors();
        auto renderer = Make(ViewOf(c.Kind), 250, 100);
        core::Generations cells = MakeWorld(250, 100);
        for (int x = 0; x < 250; ++x)
            for (int y = 0; y < 100; ++y) cells.Shown().At(x, y).u1 = 1;
        m_device->Log().FailCall(c.Call, c.Occurrence);
        Draw(*renderer, cells);
        std::vector<std::string> messages = TrailMessages();
        ASSERT_EQ(messages.size(), c.Messages.size() + 1);
        EXPECT_EQ(messages[0].rfind("(Device,2289436780) D3DERR_INVALIDCALL", 0), 0u) << messages[0];
        EXPECT_EQ(std::vector<std::string>(messages.begin() + 1, messages.end()), c.Messages);
        const size_t drawnBefore = Draws().size() + Draws("DrawPrimitive").size();
        EXPECT_EQ(m_canvas.Journal.substr(m_canvas.Journal.size() - 9), "push pop ") << "the clip is always popped";

        // Nothing stays locked: the next frame draws everything.
        errors::ClearErrors();
        m_device->Log().ClearCalls();
        Draw(*renderer, cells);
        EXPECT_FALSE(errors::ErrorRaised()) << TrailMessages().back();
        const size_t expectedDraws = c.Kind == ViewKind::Texture ? 1 : 3;  // the complex view: all squares
        EXPECT_EQ(Draws().size() + Draws("DrawPrimitive").size(), expectedDraws);
        EXPECT_LE(drawnBefore, 1u) << "the frame stopped at the failure";
    }
}

// A failed push of the clip rectangle: no view is touched and nothing is popped.
TEST_F(DrawWorldTest, FailedClipSkipsTheWorld) {
    auto renderer = Make(ViewOf(ViewKind::Cells), 5, 5);
    core::Generations world = MakeWorld(5, 5);
    m_canvas.FailPush = true;
    Draw(*renderer, world);
    EXPECT_EQ(TrailMessages(), (std::vector<std::string> {"obcinanie zepsute", "Nie można odrysować wizualizacji"}));
    EXPECT_EQ(m_canvas.Journal, "push ");
    EXPECT_EQ(m_device->Log().CountCalls("VertexBuffer.Lock"), 0u);
}

// A lost device takes the frame quietly; after the reset the views draw again.
TEST_F(DrawWorldTest, LostDeviceAndResetKeepDrawing) {
    auto renderer = Make(ViewOf(ViewKind::Complex), 30, 20);
    core::Generations world = MakeWorld(30, 20);
    world.Shown().At(0, 0).u1 = 5;  // a square: its b1 has the squares' value 0
    m_device->LoseDevice();
    Draw(*renderer, world);
    EXPECT_FALSE(errors::ErrorRaised());
    EXPECT_TRUE(Draws().empty());

    renderer->InvalidateDeviceObjects();
    platform::PresentParameters parameters = m_device->Parameters();
    parameters.BackBufferWidth = 1600;
    parameters.BackBufferHeight = 1200;
    ASSERT_EQ(m_device->TestCooperativeLevel(), platform::D3DERR_DEVICELOST);
    ASSERT_EQ(m_device->TestCooperativeLevel(), platform::D3DERR_DEVICENOTRESET);
    ASSERT_EQ(m_device->Reset(parameters), platform::D3D_OK);
    renderer->RestoreDeviceObjects(*m_device);
    ASSERT_EQ(m_device->BeginScene(), platform::D3D_OK);
    TestCanvas larger(*m_device, {1600, 1200});
    renderer->DrawWorld(larger, world, {});
    ASSERT_FALSE(errors::ErrorRaised());
    auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(renderer->Cells()->Grid().CellSize, 49);  // truncate(min(1520 / 30, 992 / 20))
    EXPECT_EQ(VertexX(*draws[0], 0, 0), 840.0f - 15 * 49);
}

}  // namespace
}  // namespace render::test
