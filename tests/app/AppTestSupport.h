#pragma once
// A workbench without the framework: the application in a window system of its own, on a
// definition written for the test, with the framework's services replaced by a journal (held
// keys, the display mode, the dialogs' pause and resume, the close request) and the file
// chooser by a scripted one.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "CoreTestSupport.h"
#include "app/Application.h"
#include "frame/FileDialog.h"
#include "platform/gtk/FileChooser.h"

namespace app::test {

// Stands in for the user at the file chooser: notes each request and answers as scripted.
class ScriptedChooser : public platform::FileChooser {
public:
    std::optional<std::pair<std::string, size_t>> Answer;  // path and 0-based filter; none: cancel
    std::vector<platform::FileChooserRequest> Seen;
    std::string* Journal { nullptr };

    bool Choose(const platform::FileChooserRequest& request, std::string& path, size_t& selectedFilter) override {
        Seen.push_back(request);
        if (Journal) *Journal += "dialog ";
        if (Answer) std::tie(path, selectedFilter) = *Answer;
        return Answer.has_value();
    }
};

// Callbacks that show themselves in the status line: the buttons 1, 5 and 0 as "1 0", "5 0"
// and "10 0", the mouse at cell (x, y) as "x y" (down), "1000+x y" (up) and "2000+x y" (move).
inline const std::string CallbackScript = R"(
void OnInit() {}
void OnFrame() {}
void OnButton1() { Debug(1, 0); }
void OnButton5() { Debug(5, 0); }
void OnButton0() { Debug(10, 0); }
void OnMouseDown(const int x, const int y) { Debug(x, y); }
void OnMouseUp(const int x, const int y) { Debug(1000 + x, y); }
void OnMouseMove(const int x, const int y) { Debug(2000 + x, y); }
)";

inline constexpr uint32_t Ctrl = 17, Shift = 16;

struct Bench {
    // A 200 x 100 texture-view world with user buttons 1 and 0 labelled, stopped, with three
    // full-screen modes to choose from.
    explicit Bench(const std::string& extra = "Buttons: [1: Losuj 0: Wyczyść]", const std::string& script = CallbackScript,
                   int width = 200, int height = 100) {
        errors::ClearErrors();
        app = std::make_unique<Application>(core::WriteFile(core::Definition(script, extra, width, height)), system, clock);
        EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(core::TakeChain());
        app->Machine().SetBeepService(clock);
        Services& services = app->Platform();
        services.IsKeyDown = [this](uint32_t key) { return held.count(key) > 0; };
        services.DisplayMode = [this] { return mode; };
        services.ChangeDisplayMode = [this](const frame::DisplayMode& m) { mode = m, journal += "mode " + Text(m) + " "; };
        services.RequestClose = [this] { journal += "close "; };
        services.Pause = [this] { journal += "pause "; };
        services.Resume = [this] { journal += "resume "; };
        services.Clock = [this] { return frame::TimeStep {0, 1.0f / fps, fps}; };
        app->Init();
        app->Modes().Build({{640, 480, 60, true}, {800, 600, 60, true}, {1024, 768, 75, true}});
        chooser.Journal = &journal;
        frame::SetFileChooser(&chooser);
        system.MouseMove({400, 300});  // over the world, no control under the pointer
        Step();
    }
    ~Bench() {
        frame::SetFileChooser(nullptr);
        app->Shutdown();
        errors::ClearErrors();
    }

    static std::string Text(const frame::DisplayMode& m) {
        return std::to_string(m.ModeWidth) + "x" + std::to_string(m.ModeHeight) + "@" + std::to_string(m.RefreshRate) +
               (m.FullScreen ? "f" : "w");
    }

    // A key with the given keys held.
    void Key(uint32_t key, std::set<uint32_t> modifiers = {}) {
        held = std::move(modifiers);
        system.KeyDown(key);
        held.clear();
    }
    void Type(const std::string& text) {
        for (unsigned char c : text) system.Char(c);
    }
    // One time step: the controls' messages, the driver, the controls showing the state.
    void Step() { system.UpdateAll(); }
    // A left click in the middle of a window of the application, then the time step that
    // handles it.
    void Click(const gui::Window& window) {
        const gui::Rect& r = window.GetRect();
        const gui::Point middle {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
        system.MouseMove(middle);
        system.MouseButton(middle, gui::ButtonId::Left, gui::ButtonAction::Down);
        system.MouseButton(middle, gui::ButtonId::Left, gui::ButtonAction::Up);
        Step();
    }
    std::string StatusLine() const { return app->Status().Line; }

    core::ManualClock clock;
    gui::GUISystem system;
    std::unique_ptr<Application> app;
    ScriptedChooser chooser;
    std::set<uint32_t> held;
    frame::DisplayMode mode { WindowedMode };
    std::string journal;
    float fps { 60 };
};

}  // namespace app::test
