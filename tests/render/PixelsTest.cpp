// The views' pixels on the OpenGL device (SDL's offscreen driver), read back and compared with
// the geometry: texels on pixels, filtering, tiling, squares and their gaps, batches, arrows,
// the complex view, a device reset, and nothing outside the view rectangle inside the framework.

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <set>

#include "frame/Framework.h"
#include "platform/gl/GlDevice.h"
#include "render/WorldRenderer.h"
#include "RenderTestSupport.h"

namespace render::test {
namespace {

using view::ComponentKind;
using view::ViewKind;

constexpr uint32_t Clear = 0xFF102030;  // what the screen is cleared to; no cell has this colour
constexpr uint32_t Rgb = 0x00FFFFFF;

class Pixels : public ::testing::Test {
protected:
    void SetUp() override {
        errors::ClearErrors();
        m_d3d = platform::CreateGlDirect3D();
        ASSERT_TRUE(m_d3d) << SDL_GetError();
        m_window = SDL_CreateWindow("render test", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(m_window, nullptr) << SDL_GetError();
        platform::PresentParameters parameters;
        parameters.BackBufferWidth = 800;
        parameters.BackBufferHeight = 600;
        parameters.PresentationInterval = platform::D3DPRESENT_INTERVAL_IMMEDIATE;
        ASSERT_EQ(m_d3d->CreateDevice(platform::D3DADAPTER_DEFAULT, platform::D3DDEVTYPE_HAL, m_window,
                                      platform::D3DCREATE_HARDWARE_VERTEXPROCESSING, parameters, m_device),
                  platform::D3D_OK);
        m_arrow = WriteArrowPicture("render-arrow-pixels.tga");
    }
    void TearDown() override {
        m_renderers.clear();
        m_device.reset();
        if (m_window) SDL_DestroyWindow(m_window);
        m_d3d.reset();
        errors::ClearErrors();
    }

    WorldRenderer& Make(const view::ViewSettings& settings, int width, int height, uint32_t background = Black) {
        m_renderers.push_back(std::make_unique<WorldRenderer>(settings, background, width, height));
        WorldRenderer& renderer = *m_renderers.back();
        renderer.SetArrowPath(m_arrow);
        renderer.CreateDeviceObjects(*m_device);
        renderer.RestoreDeviceObjects(*m_device);
        EXPECT_FALSE(errors::ErrorRaised());
        return renderer;
    }

    // One frame: cleared, the world drawn, the back buffer read (0x00RRGGBB, top row first).
    std::vector<uint32_t> Frame(WorldRenderer& renderer, const core::Generations& world, ViewOptions options = {}) {
        EXPECT_EQ(m_device->Clear(0, nullptr, platform::D3DCLEAR_TARGET, Clear, 1.0f, 0), platform::D3D_OK);
        EXPECT_EQ(m_device->BeginScene(), platform::D3D_OK);
        TestCanvas canvas(*m_device, m_mode);
        renderer.DrawWorld(canvas, world, options);
        EXPECT_FALSE(errors::ErrorRaised());
        EXPECT_EQ(m_device->EndScene(), platform::D3D_OK);
        std::vector<uint32_t> pixels;
        uint32_t width = 0, height = 0;
        EXPECT_EQ(platform::ReadBackBuffer(*m_device, pixels, width, height), platform::D3D_OK);
        EXPECT_EQ(width, static_cast<uint32_t>(m_mode.Width));
        for (uint32_t& pixel : pixels) pixel &= Rgb;
        return pixels;
    }
    uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(m_mode.Width) + static_cast<size_t>(x)];
    }

    std::unique_ptr<platform::Direct3D> m_d3d;
    SDL_Window* m_window { nullptr };
    std::unique_ptr<platform::Device> m_device;
    cells::ModeSize m_mode {800, 600};
    std::string m_arrow;
    std::vector<std::unique_ptr<WorldRenderer>> m_renderers;
};

// Colours of cells, none of them black (the background) or the cleared colour.
uint32_t Colour(int x, int y) { return ((static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u) & 0xFFFFFF) | 0x010101u; }
core::Generations Coloured(int width, int height) {
    core::Generations world = MakeWorld(width, height);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) world.Shown().At(x, y).u1 = Colour(x, y);
    return world;
}

// 200 x 100 at zoom 1: one quad centred in the view rectangle, texel (i, j) on pixel (x0 + i,
// y0 + j) and nothing else drawn; after a reset to 1024 x 768 the quad starts at (437.6,
// 349.36), so it moves to (438, 350).
TEST_F(Pixels, TexelsLieOnePerPixelAtZoomOneBeforeAndAfterAReset) {
    WorldRenderer& renderer = Make(ViewOf(ViewKind::Texture), 200, 100);
    core::Generations world = Coloured(200, 100);
    for (auto [width, height, x0, y0] : {std::array {800, 600, 320, 262}, {1024, 768, 438, 350}}) {
        SCOPED_TRACE(width);
        if (width != m_mode.Width) {
            renderer.InvalidateDeviceObjects();
            platform::PresentParameters parameters;
            parameters.BackBufferWidth = static_cast<uint32_t>(width);
            parameters.BackBufferHeight = static_cast<uint32_t>(height);
            parameters.DeviceWindow = m_window;
            ASSERT_EQ(m_device->Reset(parameters), platform::D3D_OK);
            renderer.RestoreDeviceObjects(*m_device);
            m_mode = {width, height};
        }
        std::vector<uint32_t> pixels = Frame(renderer, world);
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool inside = x >= x0 && x < x0 + 200 && y >= y0 && y < y0 + 100;
                wrong += At(pixels, x, y) != (inside ? Colour(x - x0, y - y0) : Clear & Rgb);
            }
        EXPECT_EQ(wrong, 0);
    }
}

// Two texels, black and white, at zoom 10: nearest-texel sampling shows two flat halves;
// linear sampling a ramp of greys. The toggle needs nothing recreated.
TEST_F(Pixels, FilteringChoosesNearestOrLinear) {
    WorldRenderer& renderer = Make(ViewOf(ViewKind::Texture), 2, 1);
    core::Generations world = MakeWorld(2, 1);
    world.Shown().At(1, 0).u1 = 0xFFFFFF;
    for (bool filtered : {false, true, false}) {
        SCOPED_TRACE(filtered);
        std::vector<uint32_t> pixels = Frame(renderer, world, {10.0f, filtered, false});
        std::set<uint32_t> row;
        for (int x = 410; x < 430; ++x) row.insert(At(pixels, x, 311));  // the quad: 410..430 x 307..317
        if (!filtered) {
            EXPECT_EQ(row, (std::set<uint32_t> {0x000000, 0xFFFFFF}));
            EXPECT_EQ(At(pixels, 419, 311), 0x000000u);
            EXPECT_EQ(At(pixels, 420, 311), 0xFFFFFFu);
        } else {
            EXPECT_GE(row.size(), 8u) << "a ramp";
            EXPECT_LT(At(pixels, 416, 311) & 0xFF, At(pixels, 423, 311) & 0xFF);
        }
    }
}

// Tiled at zoom 0.1, a 10 x 10 checkerboard fills exactly the view rectangle (pixels 40..799 x
// 64..559); with filtering off every pixel is one of the world's texels, with it on blends appear.
TEST_F(Pixels, TilingFillsTheViewRectangle) {
    WorldRenderer& renderer = Make(ViewOf(ViewKind::Texture), 10, 10);
    core::Generations world = MakeWorld(10, 10);
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 10; ++y) world.Shown().At(x, y).u1 = (x + y) % 2 ? 0xFFFFFF : 0x0000FF;
    for (bool filtered : {false, true}) {
        SCOPED_TRACE(filtered);
        std::vector<uint32_t> pixels = Frame(renderer, world, {0.1f, filtered, true});
        int outside = 0, background = 0, blends = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const uint32_t pixel = At(pixels, x, y);
                if (x < 40 || y < 64 || y >= 560) {
                    outside += pixel != (Clear & Rgb);
                    continue;
                }
                background += pixel == (Clear & Rgb);
                blends += pixel != 0xFFFFFF && pixel != 0x0000FF;
            }
        EXPECT_EQ(outside, 0);
        EXPECT_EQ(background, 0);
        if (filtered)
            EXPECT_EQ(blends, 760 * 496);
        else
            EXPECT_EQ(blends, 0);
    }
}

// Squares of CellSize c are (c - 1) x (c - 1) pixels from the grid's origin with a gap right of
// and below each; every pixel of the screen is its square's colour, a gap, or outside the view
// rectangle (40..799 x 64..559) as cleared. A grid far larger than the rectangle is right up to
// its edges; 25000 squares fill three batches; a world of background colour draws nothing.
TEST_F(Pixels, SquaresSitOnTheirGridWithGaps) {
    const struct { int Width, Height; float Zoom; int OriginX, OriginY, Size; bool Empty; } cases[] = {
        {100, 50, 0.3f, 320, 262, 2, false},
        {250, 100, 1.0f, 45, 162, 3, false},  // origin 420 - 375, 312 - 150
        {250, 100, 1.0f, 45, 162, 3, true},
        {1000, 1000, 1.0f, -580, -688, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Width);
        WorldRenderer& renderer = Make(ViewOf(ViewKind::Cells), c.Width, c.Height);
        const core::Generations world = c.Empty ? MakeWorld(c.Width, c.Height) : Coloured(c.Width, c.Height);
        std::vector<uint32_t> pixels = Frame(renderer, world, {c.Zoom});
        int wrong = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const int gx = x - c.OriginX, gy = y - c.OriginY;
                const bool square = x >= 40 && y >= 64 && y < 560 && gx >= 0 && gy >= 0 && gx < c.Width * c.Size &&
                                    gy < c.Height * c.Size && gx % c.Size < c.Size - 1 && gy % c.Size < c.Size - 1;
                wrong += At(pixels, x, y) != (square && !c.Empty ? Colour(gx / c.Size, gy / c.Size) : Clear & Rgb);
            }
        EXPECT_EQ(wrong, 0);
    }
}

// What an arrow covers of its cell: the number of pixels and where their middle lies from the
// cell's centre, on the 4 x 4 world's grid of 124-pixel cells (origin 172, 64).
struct Coverage {
    int Count { 0 };
    double X { 0 }, Y { 0 };
};
Coverage CoverageOf(const std::vector<uint32_t>& pixels, int column, int row) {
    Coverage coverage;
    const int left = 172 + 124 * column, top = 64 + 124 * row;
    for (int y = top; y < top + 124; ++y)
        for (int x = left; x < left + 124; ++x) {
            if (pixels[static_cast<size_t>(y) * 800 + x] == (Clear & Rgb)) continue;
            ++coverage.Count;
            coverage.X += x + 0.5 - (left + 62);
            coverage.Y += y + 0.5 - (top + 62);
        }
    if (coverage.Count) coverage.X /= coverage.Count, coverage.Y /= coverage.Count;
    return coverage;
}

// The arrow picture's opaque half shows on the side the arrow points to: the Cartesian form
// along (x, y) with y downwards, the polar form counter-clockwise from the right; a polar
// length of 0.5 covers a quarter as much.
TEST_F(Pixels, ArrowsPointWhereTheirVectorsSay) {
    const float pi = std::numbers::pi_v<float>;
    view::ViewSettings cartesian = ViewOf(ViewKind::Vectors);
    cartesian.Vector.Component1 = Component(ComponentKind::Float, 0, -1, 1);
    cartesian.Vector.Component2 = Component(ComponentKind::Float, 1, -1, 1);
    view::ViewSettings polar = ViewOf(ViewKind::Vectors);
    polar.Vector.Form = view::VectorForm::Polar;
    polar.Vector.Component1 = Component(ComponentKind::Float, 0, 0, 1);
    polar.Vector.Component2 = Component(ComponentKind::Float, 1, 0, 1);
    struct Case {
        const view::ViewSettings* Settings;
        float F1, F2;
        double Angle;  // on the screen, counter-clockwise from the right
        double Scale;  // of the area
    };
    const Case cases[] = {
        {&cartesian, 1, 0, 0, 1},      {&cartesian, -1, 0, pi, 1},         {&cartesian, 0, 1, -pi / 2, 1},
        {&cartesian, 0, -1, pi / 2, 1}, {&polar, 1, 0.25f, pi / 2, 1},     {&polar, 1, 0.75f, -pi / 2, 1},
        {&polar, 1, 0.125f, pi / 4, 1}, {&polar, 0.5f, 0.5f, pi, 0.25},
    };
    int column = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(column);
        WorldRenderer& renderer = Make(*c.Settings, 4, 4);
        core::Generations world = MakeWorld(4, 4);
        cells::Cell& cell = world.Shown().At(column % 4, 1);
        cell.u1 = 0xFFFF00;
        cell.f1 = c.F1;
        cell.f2 = c.F2;
        std::vector<uint32_t> pixels = Frame(renderer, world);
        Coverage coverage = CoverageOf(pixels, column % 4, 1);
        // Half of a square of edge 124 * length / sqrt(2): 3844 pixels at length 1.
        EXPECT_NEAR(coverage.Count, 3844 * c.Scale, 0.1 * 3844 * c.Scale);
        const double angle = std::atan2(-coverage.Y, coverage.X);
        EXPECT_NEAR(std::remainder(angle - c.Angle, 2 * pi), 0.0, 0.05);
        for (int other = 0; other < 4; ++other) {
            if (other != column % 4) {
                EXPECT_EQ(CoverageOf(pixels, other, 1).Count, 0);
            }
        }
        ++column;
    }
}

// The complex view: a square where the selector has the squares' value (the whole square but
// its gap), an arrow elsewhere, and nothing for the background colour.
TEST_F(Pixels, ComplexViewMixesSquaresAndArrows) {
    view::ViewSettings settings = ViewOf(ViewKind::Complex);
    settings.ComplexField = 1;  // b2
    settings.ComplexValue = 1;
    WorldRenderer& renderer = Make(settings, 4, 4);
    core::Generations world = MakeWorld(4, 4);
    world.Shown().At(0, 1) = {0, 1, 0, 0, 0x00FF00, 0, 0, 0, 0, 0, 0, 0};  // square
    world.Shown().At(1, 1) = {0, 0, 0, 0, 0xFF0000, 0, 0, 0, 0, 0, 0, 0};  // arrow
    world.Shown().At(2, 1) = {0, 1, 0, 0, 0x000000, 0, 0, 0, 0, 0, 0, 0};  // background square
    std::vector<uint32_t> pixels = Frame(renderer, world);
    EXPECT_EQ(CoverageOf(pixels, 0, 1).Count, 123 * 123);
    EXPECT_EQ(At(pixels, 172 + 60, 64 + 124 + 60), 0x00FF00u);
    Coverage arrow = CoverageOf(pixels, 1, 1);
    EXPECT_NEAR(arrow.Count, 3844, 385);
    EXPECT_GT(arrow.X, 20) << "pointing right";
    EXPECT_EQ(CoverageOf(pixels, 2, 1).Count, 0);
}

// Inside the framework: worlds larger than the view rectangle (a texture quad wider than it,
// a grid of squares far beyond it, arrows longer than the screen) leave every pixel outside it
// as the frame was cleared.
TEST(PixelsInTheFramework, NothingIsDrawnOutsideTheViewRectangle) {
    errors::ClearErrors();
    view::ViewSettings longArrows = ViewOf(ViewKind::Vectors);
    longArrows.Vector.Form = view::VectorForm::Polar;
    longArrows.Vector.Component1 = Component(ComponentKind::Float, 0, 0, 1);
    struct Shown {
        WorldRenderer Renderer;
        core::Generations World;
        ViewOptions Options;
    };
    std::vector<std::unique_ptr<Shown>> shown;
    auto show = [&](const view::ViewSettings& settings, int width, int height, ViewOptions options,
                    const std::function<void(cells::Cell&, int, int)>& fill) {
        std::unique_ptr<Shown> item(new Shown {WorldRenderer(settings, Black, width, height), MakeWorld(width, height), options});
        for (int x = 0; x < width; ++x)
            for (int y = 0; y < height; ++y) fill(item->World.Shown().At(x, y), x, y);
        item->Renderer.SetArrowPath(WriteArrowPicture("render-arrow-frame.tga"));
        shown.push_back(std::move(item));
    };
    auto colour = [](cells::Cell& cell, int, int) { cell.u1 = 0xFFFFFF; };
    show(ViewOf(ViewKind::Texture), 1000, 600, {}, colour);
    show(ViewOf(ViewKind::Cells), 1000, 1000, {}, colour);
    show(ViewOf(ViewKind::Texture), 30, 30, {10.0f, true, false}, colour);
    show(longArrows, 40, 40, {}, [](cells::Cell& cell, int x, int y) {
        cell.u1 = 0xFFFFFF;
        cell.f1 = (x == 0 || y == 0 || x == 39 || y == 39) ? 500.0f : 0.0f;  // the edge's arrows reach far
    });

    struct Probe : frame::FrameObject {
        std::vector<std::unique_ptr<Shown>>* Items {};
        void CreateDeviceObjects() override {
            for (auto& item : *Items) item->Renderer.CreateDeviceObjects(*frame::GetDevice());
        }
        void ReleaseDeviceObjects() override {
            for (auto& item : *Items) item->Renderer.ReleaseDeviceObjects();
        }
        void RestoreDeviceObjects() override {
            for (auto& item : *Items) item->Renderer.RestoreDeviceObjects(*frame::GetDevice());
        }
        void InvalidateDeviceObjects() override {
            for (auto& item : *Items) item->Renderer.InvalidateDeviceObjects();
        }
    } probe;
    probe.Items = &shown;
    std::vector<std::vector<uint32_t>> frames;
    frame::FrameConfig config;
    config.DrawCallback = [&](platform::Device& device) {
        if (frames.size() == shown.size()) return;  // the close request is on its way
        device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, Clear, 1.0f, 0);
        device.BeginScene();
        FrameCanvas canvas(device);
        Shown& item = *shown[frames.size()];
        item.Renderer.DrawWorld(canvas, item.World, item.Options);
        device.EndScene();
        std::vector<uint32_t> pixels;
        uint32_t width = 0, height = 0;
        platform::ReadBackBuffer(device, pixels, width, height);
        frames.push_back(std::move(pixels));
        if (frames.size() == shown.size()) frame::RequestClose();
    };
    frame::Register(&probe);
    const int code = frame::Run(config, frame::DisplayMode {800, 600, 0, false});
    frame::ClearRegistry();
    ASSERT_EQ(code, 0) << (errors::ErrorRaised() ? errors::ErrorEntries().back() : "");
    ASSERT_EQ(frames.size(), shown.size());
    for (size_t f = 0; f < frames.size(); ++f) {
        SCOPED_TRACE(f);
        int outside = 0, inside = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const bool drawn = (frames[f][static_cast<size_t>(y) * 800 + x] & Rgb) != (Clear & Rgb);
                (x < 40 || y < 64 || y >= 560 ? outside : inside) += drawn;
            }
        EXPECT_EQ(outside, 0);
        EXPECT_GT(inside, 0);
    }
}

}  // namespace
}  // namespace render::test
