// The world drawn without a window equals, pixel for pixel, the world area of the framework's
// window drawn on the same device at the same size, for every example and two sizes, at the
// definition's view options and at others.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "capture/OffscreenRenderer.h"
#include "capture/WindowCapture.h"
#include "capture/WorldArea.h"
#include "core/Automaton.h"
#include "core/WorkbenchState.h"
#include "files/ImageLibrary.h"
#include "frame/Framework.h"
#include "render/Canvas.h"
#include "CaptureTestSupport.h"

namespace capture::test {
namespace {

struct Example {
    std::string Name;
    core::WorkbenchState State;
    core::Automaton Automaton;
    render::ViewOptions Options;
    std::unique_ptr<render::WorldRenderer> Renderer;  // the window's, inside the framework
    Image Offscreen, Window;
};

// The framework's frame objects: the renderers of the examples, as the workbench keeps its own.
struct Renderers : frame::FrameObject {
    std::vector<std::unique_ptr<Example>>* Examples {};
    void CreateDeviceObjects() override {
        for (auto& e : *Examples) e->Renderer->CreateDeviceObjects(*frame::GetDevice());
    }
    void ReleaseDeviceObjects() override {
        for (auto& e : *Examples) e->Renderer->ReleaseDeviceObjects();
    }
    void RestoreDeviceObjects() override {
        for (auto& e : *Examples) e->Renderer->RestoreDeviceObjects(*frame::GetDevice());
    }
    void InvalidateDeviceObjects() override {
        for (auto& e : *Examples) e->Renderer->InvalidateDeviceObjects();
    }
};

TEST(WorldArea, MatchesTheFrameworkClip) {
    EXPECT_EQ(WorldArea({800, 600}), (PixelRect {40, 64, 760, 496}));
    EXPECT_EQ(WorldArea({1000, 700}), (PixelRect {50, 75, 950, 579}));  // 74.67, 578.67 high
    EXPECT_EQ(WorldArea({64, 48}), (PixelRect {3, 5, 61, 40}));         // 3.2 to 64, 5.12 to 44.8
}

TEST(WorldArea, OffscreenPicturesEqualTheWindowsWorldArea) {
    files::ImageLibrary images;
    std::vector<std::unique_ptr<Example>> examples;
    for (const auto& entry : std::filesystem::directory_iterator(VORLEN_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".vl") continue;
        for (bool ownOptions : {true, false}) {
            auto example = std::make_unique<Example>();
            example->Name = entry.path().filename().string() + (ownOptions ? "" : " (zoom 0.7, filtered, tiled)");
            example->Automaton.SetScriptControls(example->State);
            ASSERT_TRUE(example->Automaton.LoadDefinition(entry.path().string())) << example->Name;
            for (int i = 0; i < 3; ++i) ASSERT_TRUE(example->Automaton.ComputeIteration());
            example->State.Configure(example->Automaton);
            example->Options = ownOptions ? render::OptionsOf(example->State) : render::ViewOptions {0.7f, true, true};
            example->Renderer = std::make_unique<render::WorldRenderer>(example->Automaton);
            example->Renderer->SetArrowPath(VORLEN_ARROW);
            examples.push_back(std::move(example));
        }
    }
    ASSERT_GE(examples.size(), 10u);

    for (cells::ModeSize mode : {cells::ModeSize {800, 600}, cells::ModeSize {1000, 700}}) {
        SCOPED_TRACE(mode.Width);
        for (auto& e : examples) {
            OffscreenRenderer offscreen;
            ASSERT_TRUE(offscreen.Open(e->Automaton.View(), e->Automaton.Background(), e->Automaton.Width(),
                                       e->Automaton.Height(), mode, VORLEN_ARROW))
                << ::testing::PrintToString(errors::ErrorEntries());
            ASSERT_TRUE(offscreen.Render(e->Automaton.Cells(), e->Options, e->Offscreen));
        }

        Renderers renderers;
        renderers.Examples = &examples;
        size_t drawn = 0;
        frame::FrameConfig config;
        config.DrawCallback = [&](platform::Device& device) {
            if (drawn == examples.size()) return;  // the close request is on its way
            Example& e = *examples[drawn++];
            device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, e.Automaton.Background(), 1.0f, 0);
            device.BeginScene();
            render::FrameCanvas canvas(device);
            e.Renderer->DrawWorld(canvas, e.Automaton.Cells(), e.Options);
            device.EndScene();
            ReadWorldArea(device, e.Window);
            if (drawn == examples.size()) frame::RequestClose();
        };
        frame::Register(&renderers);
        const int code = frame::Run(config, frame::DisplayMode {static_cast<uint32_t>(mode.Width), static_cast<uint32_t>(mode.Height), 0, false});
        frame::ClearRegistry();
        ASSERT_EQ(code, 0) << ::testing::PrintToString(errors::ErrorEntries());
        ASSERT_EQ(drawn, examples.size());

        const PixelRect area = WorldArea(mode);
        for (auto& e : examples) {
            SCOPED_TRACE(e->Name);
            EXPECT_EQ(std::make_pair(e->Offscreen.Width, e->Offscreen.Height), std::make_pair(area.Width, area.Height));
            EXPECT_EQ(DifferentPixels(e->Offscreen, e->Window), 0);
            // Something of the world is there, not only the background.
            int drawnPixels = 0;
            for (uint32_t pixel : e->Offscreen.Pixels) drawnPixels += (pixel & 0xFFFFFF) != (e->Automaton.Background() & 0xFFFFFF);
            EXPECT_GT(drawnPixels, 0);
        }
    }
    EXPECT_FALSE(errors::ErrorRaised());
}

// The workbench's keys: a picture of the drawn frame's world area, a movie of the frames drawn
// at its own frame rate, a recording ended by a new window size, and failures as statuses.
class WindowKeys : public ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        m_world.Allocate(2, 40, 30);
        for (int x = 0; x < 40; ++x)
            for (int y = 0; y < 30; ++y) m_world.Shown().At(x, y).u1 = (x / 4 + y / 3) % 2 ? 0xFF8000 : 0x2040FF;
        view::ViewSettings settings;
        settings.Color.Mode = view::ColorMode::Rgb;
        ASSERT_TRUE(m_window.Open(settings, 0xFF000000, 40, 30, {320, 240}, VORLEN_ARROW));
        ASSERT_TRUE(m_window.Render(m_world, {4.0f, false, false}, m_shown));  // what the window shows
    }
    core::Generations m_world;
    OffscreenRenderer m_window;
    Image m_shown;
};

TEST_F(WindowKeys, PicturesAndRecordingsOfTheWorldArea) {
    WindowCapture keys("examples/test.vl", m_folder);
    bool shown = true;
    keys.FrameDrawn(*m_window.Device(), 0.0, shown);
    EXPECT_FALSE(shown) << "nothing asked for";
    for (const char* name : {"test-0001.png", "test-0002.png"}) {
        keys.RequestPicture();
        const files::FileStatus status = keys.FrameDrawn(*m_window.Device(), 0.0, shown);
        EXPECT_TRUE(shown && status.Succeeded());
        EXPECT_EQ(status.Text, "Obrazek został zapisany: " + PathOf(name));
        EXPECT_EQ(DifferentPixels(ReadPicture(PathOf(name)), m_shown), 0);
    }

    EXPECT_TRUE(keys.ToggleRecording().Succeeded());
    EXPECT_TRUE(keys.Recording());
    for (double time : {1.0, 1.01, 1.02, 1.04, 1.05, 1.1, 1.2}) keys.FrameDrawn(*m_window.Device(), time, shown);
    EXPECT_EQ(keys.RecordingText(), "Nagrywanie: " + PathOf("test-0001.mp4") + " (4)");  // 1, 1.04, 1.1, 1.2
    const files::FileStatus stopped = keys.ToggleRecording();
    EXPECT_EQ(stopped.Text, "Nagranie zostało zapisane: " + PathOf("test-0001.mp4") + " (klatki: 4)");
    EXPECT_FALSE(keys.Recording());
    const Movie movie = ReadMovie(PathOf("test-0001.mp4"));
    ASSERT_EQ(movie.Frames.size(), 4u);
    EXPECT_EQ(std::make_pair(movie.Width, movie.Height), std::make_pair(m_shown.Width, m_shown.Height));
    EXPECT_LT(MeanDifference(movie.Frames.back(), m_shown), 6);

    // The window changes its size: the movie ends with the frames it has.
    OffscreenRenderer larger;
    ASSERT_TRUE(larger.Open(m_window.Renderer()->Settings(), 0xFF000000, 40, 30, {400, 300}, VORLEN_ARROW));
    ASSERT_TRUE(larger.Render(m_world, {}, m_shown));
    keys.ToggleRecording();
    keys.FrameDrawn(*m_window.Device(), 2.0, shown);
    const files::FileStatus resized = keys.FrameDrawn(*larger.Device(), 3.0, shown);
    EXPECT_TRUE(shown);
    EXPECT_EQ(resized.Text, "Nagranie zostało zapisane: " + PathOf("test-0002.mp4") + " (klatki: 1); zmienił się rozmiar okna");
    EXPECT_FALSE(keys.Recording());
    EXPECT_EQ(Listing(), (std::set<std::string> {"test-0001.png", "test-0002.png", "test-0001.mp4", "test-0002.mp4"}));
    EXPECT_FALSE(errors::ErrorRaised());
}

TEST_F(WindowKeys, FailuresAreStatusesOnly) {
    WindowCapture keys("test.vl", PathOf("missing"));
    bool shown = false;
    keys.RequestPicture();
    files::FileStatus status = keys.FrameDrawn(*m_window.Device(), 0.0, shown);
    EXPECT_TRUE(shown);
    EXPECT_EQ(status.Text, "Błąd - nie można zapisać obrazka");
    EXPECT_FALSE(status.Succeeded());
    keys.ToggleRecording();
    status = keys.FrameDrawn(*m_window.Device(), 0.0, shown);
    EXPECT_EQ(status.Text, "Błąd - nie można nagrywać do " + PathOf("missing/test-0001.mp4"));
    EXPECT_FALSE(keys.Recording());
    EXPECT_FALSE(errors::ErrorRaised());
    EXPECT_TRUE(Listing().empty());
}

}  // namespace
}  // namespace capture::test
