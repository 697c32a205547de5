// The workbench's commands through the window system with synthetic input: the key table with
// and without Ctrl and Shift, the iteration prompt, clicks and track bars, hints, the controls
// showing the state, full screen, and the mouse over the world reaching the script as cells.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "AppTestSupport.h"
#include "core/SpeedScale.h"
#include "view/ViewGeometry.h"

namespace app::test {
namespace {

// What a command can change, as "name=value" texts.
std::map<std::string, std::string> Observe(Bench& b) {
    Application& app = *b.app;
    const core::Automaton& machine = app.Machine();
    const Application::StatusTexts status = app.Status();
    return {
        {"running", std::to_string(machine.Running())},
        {"counter", status.Counter},
        {"ips", status.Ips},
        {"zoom", status.Zoom},
        {"filtered", std::to_string(app.State().Filtered())},
        {"tiled", std::to_string(app.State().Tiled())},
        {"resolution", status.Resolution},
        {"status", status.Line},
        {"journal", b.journal},
        {"dialog", b.chooser.Seen.empty() ? "" : b.chooser.Seen.back().Title},
    };
}

// The entries that differ between two observations, "name=value" of the second, in name order.
std::string Changes(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after) {
    std::string text;
    for (const auto& [name, value] : after)
        if (before.at(name) != value) text += (text.empty() ? "" : " ") + name + "=" + value;
    return text;
}

// Each key of the table alone and with Ctrl, Shift or both, on a stopped bench whose counter
// stands at 2, zoom at 50 % and the resolution bar at its first mode.
TEST(Keys, EveryKeyOfTheTableWithAndWithoutCtrlAndShift) {
    const std::set<uint32_t> none, ctrl {Ctrl}, shift {Shift}, both {Ctrl, Shift};
    const struct {
        uint32_t Key;
        std::set<uint32_t> Held;
        std::string Changes;
    } cases[] = {
        {13, none, "running=1"},
        {13, shift, "running=1"},
        {13, ctrl, "journal=mode 640x480@60f "},
        {13, both, "journal=mode 640x480@60f "},
        {27, none, ""},  // already stopped
        {27, shift, "counter=0"},
        {27, both, "counter=0"},
        {32, none, "counter=3"},
        {32, both, "counter=3"},
        {37, none, "ips=0.87 IPS"},  // speed 1: position 1/6, less 0.01
        {39, ctrl, "ips=1.15 IPS"},
        {38, none, ""},  // 0.01 of three modes: still the first
        {40, shift, ""},
        {48, none, "status=10 0"},  // the digit 0 is user button 10
        {49, ctrl, "status=1 0"},
        {53, none, "status=5 0"},  // unlabelled and hidden, yet its callback runs
        {55, none, ""},            // no callback
        {70, none, "filtered=1"},
        {70, both, "filtered=1"},
        {84, shift, "tiled=1"},
        {79, none, ""},
        {79, shift, ""},
        {79, ctrl, "dialog=Wczytaj tablicę journal=pause dialog resume "},
        {79, both, "dialog=Wczytaj obrazek journal=pause dialog resume "},
        {83, none, ""},
        {83, shift, ""},
        {83, ctrl, "dialog=Zapisz tablicę journal=pause dialog resume "},
        {83, both, "dialog=Zapisz obrazek journal=pause dialog resume "},
        {106, none, "zoom=100 %"},
        {107, none, "zoom=52 %"},  // 10^(2 x 0.3595 - 1)
        {109, ctrl, "zoom=48 %"},
        {12, none, ""},
        {110, none, ""},
        {120, ctrl, "status=Nagrywanie zacznie się z następną klatką"},  // F9: from the next frame drawn
        {123, none, ""},  // F12: the picture is taken from the next frame drawn
    };
    for (const auto& [key, held, changes] : cases) {
        Bench b;
        b.Key(32), b.Key(32);
        b.app->State().SetZoom(0.5f);
        b.Key(38), b.Key(40);
        b.Step();
        const auto before = Observe(b);
        b.Key(key, held);
        b.Step();
        EXPECT_EQ(Changes(before, Observe(b)), changes) << "key " << key << " with " << held.size() << " held";
    }
}

TEST(Keys, TrackBarKeysStopAtTheEnds) {
    Bench b;
    for (int i = 0; i < 200; ++i) b.Key(39), b.Key(38), b.Key(107);
    EXPECT_EQ(b.app->TrackBar(Control::Speed).Position(), 1.0f);
    EXPECT_FLOAT_EQ(b.app->Machine().IterationPeriod(), core::ShortestIterationPeriod);
    EXPECT_EQ(b.app->Status().Ips, "100000.00 IPS");
    EXPECT_EQ(b.app->ResolutionText(), "1024 x 768 @ 75");
    EXPECT_EQ(b.app->Status().Zoom, "1000 %");
    b.Key(40);
    EXPECT_EQ(b.app->ResolutionText(), "800 x 600 @ 60") << "0.99 of three modes: the second";
    for (int i = 0; i < 400; ++i) b.Key(37), b.Key(40), b.Key(109);
    EXPECT_EQ(b.app->TrackBar(Control::Speed).Position(), 0.0f);
    EXPECT_EQ(b.app->Status().Ips, "0.10 IPS");
    EXPECT_EQ(b.app->ResolutionText(), "640 x 480 @ 60");
    EXPECT_EQ(b.app->Status().Zoom, "10 %");
}

TEST(Keys, SpaceStepsWhileFreeRunningButNotDuringACountedRun) {
    Bench b;
    b.Key(13);
    b.Key(32);
    EXPECT_EQ(b.app->Machine().IterationCounter(), 1u) << "at once, before the next time step";
    b.app->Machine().StopRunning();
    b.app->OpenIterationPrompt();
    b.Type("5\r");
    b.Key(32);
    EXPECT_EQ(b.app->Machine().IterationCounter(), 1u);
    EXPECT_EQ(b.app->Machine().PendingIterations(), 5);
}

// --- The prompt ---------------------------------------------------------------------------------

TEST(Prompt, EditsItsTextAndStartsACountedRunOnEnter) {
    const std::string Hint = "Wkonaj daną liczbę iteracji";  // the button's, still shown
    const struct {
        std::string Typed;
        std::string Shown;    // while open, before enter
        int32_t Pending;      // after enter
        std::string Status;   // after enter
        uint32_t StatusColor;
    } cases[] = {
        {"12", "Podaj liczbę iteracji: 12", 12, Hint, core::StatusInfoColor},
        {"123\b\b4", "Podaj liczbę iteracji: 14", 14, Hint, core::StatusInfoColor},
        {"\t7\t", "Podaj liczbę iteracji: 7", 7, Hint, core::StatusInfoColor},
        {"12a", "Podaj liczbę iteracji: 12a", 0, "Błędna liczba", core::StatusWarningColor},
        {"0", "Podaj liczbę iteracji: 0", 0, "Błędna liczba", core::StatusWarningColor},
        {"-3", "Podaj liczbę iteracji: -3", 0, "Błędna liczba", core::StatusWarningColor},
        {"\b\b", "Podaj liczbę iteracji: ", 0, "Błędna liczba", core::StatusWarningColor},
    };
    for (const auto& [typed, shown, pending, status, color] : cases) {
        Bench b;
        b.Click(b.app->ControlWindow(Control::Iterations));
        b.Type(typed);
        EXPECT_EQ(b.StatusLine(), shown) << typed;
        // Enter comes as a key and then as a character: the key is ignored while the prompt is open.
        b.Key(13);
        EXPECT_FALSE(b.app->Machine().Running()) << typed;
        b.system.Char(13);
        EXPECT_FALSE(b.app->PromptOpen());
        EXPECT_EQ(b.app->Machine().PendingIterations(), pending) << typed;
        EXPECT_EQ(b.app->Machine().RunPressed(), pending > 0) << typed;
        EXPECT_EQ(b.app->Status().Line, status) << typed;
        EXPECT_EQ(b.app->Status().LineColor, color) << typed;
    }
}

TEST(Prompt, KeysAreIgnoredWhileItIsOpenAndEscapeClosesIt) {
    Bench b;
    b.app->OpenIterationPrompt();
    for (uint32_t key : {13u, 27u, 32u, 49u, 70u}) b.Key(key);
    b.system.Char(0x17A), b.system.Char('9');  // ź9
    EXPECT_EQ(b.StatusLine(), "Podaj liczbę iteracji: ź9") << "typed characters, not commands";
    EXPECT_EQ(b.app->Machine().IterationCounter(), 0u);
    EXPECT_FALSE(b.app->State().Filtered());
    b.system.Char(8);
    EXPECT_EQ(b.app->PromptInput(), "ź") << "backspace takes a whole character";
    b.system.Char(27);
    EXPECT_FALSE(b.app->PromptOpen());
    EXPECT_EQ(b.app->Machine().PendingIterations(), 0);
    b.system.Char('5');
    EXPECT_EQ(b.app->PromptInput(), "ź") << "characters reach only an open prompt";
}

TEST(Prompt, TheCounterShowsTheCountedRunsProgress) {
    // Each iteration takes 20 ms of the bench's clock: a time step does three (50 ms of work).
    Bench b("", "void OnInit() {}\nvoid OnFrame() { Beep(100, 20); }\n");
    for (int i = 0; i < 998; ++i) b.Key(32);
    b.app->OpenIterationPrompt();
    b.Type("10\r");
    b.Step();
    EXPECT_EQ(b.app->Status().Counter, "1 001 (3/10)");
    EXPECT_TRUE(b.app->Button(Control::Run).Down());
    b.Step(), b.Step(), b.Step();
    EXPECT_EQ(b.app->Status().Counter, "1 008");
    EXPECT_FALSE(b.app->Button(Control::Run).Down());
    EXPECT_TRUE(b.app->Button(Control::Stop).Down());
}

// --- Clicks, track bars and hints -------------------------------------------------------------------

TEST(Controls, ClicksDoWhatTheirKeysDo) {
    const struct {
        Control Clicked;
        std::string Changes;
    } cases[] = {
        {Control::Stop, ""},
        {Control::Step, "counter=3"},
        {Control::Run, "running=1"},
        {Control::ResetCounter, "counter=0"},
        {Control::Iterations, "status=Podaj liczbę iteracji: "},
        {Control::Exit, "journal=close "},
        {Control::Filter, "filtered=1"},
        {Control::Tile, "tiled=1"},
        {Control::ResetZoom, "zoom=100 %"},
        {Control::FullScreen, "journal=mode 640x480@60f "},
        {Control::LoadTable, "dialog=Wczytaj tablicę journal=pause dialog resume "},
        {Control::SaveTable, "dialog=Zapisz tablicę journal=pause dialog resume "},
        {Control::LoadImage, "dialog=Wczytaj obrazek journal=pause dialog resume "},
        {Control::SaveImage, "dialog=Zapisz obrazek journal=pause dialog resume "},
    };
    for (const auto& [clicked, changes] : cases) {
        Bench b;
        b.Key(32), b.Key(32);
        b.app->State().SetZoom(0.5f);
        const gui::Window& control = b.app->ControlWindow(clicked);
        const gui::Rect& r = control.GetRect();
        b.system.MouseMove({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
        b.Step();  // the hint
        const auto before = Observe(b);
        b.Click(control);
        EXPECT_EQ(Changes(before, Observe(b)), changes) << static_cast<int>(clicked);
    }
}

TEST(Controls, UserButtonsClickTheirCallbacksAndShowTheirHints) {
    Bench b;
    b.Click(b.app->UserButton(0));
    EXPECT_EQ(b.StatusLine(), "1 0");
    b.system.MouseMove({400, 300});
    b.system.MouseMove({20, 64 + 144 + 24 * 9 + 12});
    b.Step();
    EXPECT_EQ(b.StatusLine(), "Wyczyść [0]");
    b.Click(b.app->UserButton(9));
    EXPECT_EQ(b.StatusLine(), "10 0");
}

TEST(Controls, EachFixedControlShowsItsOwnHintWhenThePointerEntersIt) {
    Bench b;
    std::set<std::string> hints;
    for (int i = 0; i < FixedControlCount; ++i) {
        const gui::Window& control = b.app->ControlWindow(static_cast<Control>(i));
        b.system.MouseMove({400, 300});
        b.system.MouseMove({control.GetRect().Left + 1, control.GetRect().Top + 1});
        b.Step();
        EXPECT_EQ(b.StatusLine(), b.app->ControlHint(&control)) << i;
        hints.insert(b.StatusLine());
    }
    EXPECT_EQ(hints.size(), size_t(FixedControlCount));
    EXPECT_TRUE(hints.count("Zatrzymaj [ESC]"));
    EXPECT_TRUE(hints.count("Zmień prędkość [lewo][prawo]"));
    EXPECT_EQ(b.app->Status().LineColor, core::StatusInfoColor);
}

TEST(Controls, TrackBarsMovedByTheUserSetSpeedZoomAndResolution) {
    Bench b;
    auto drag = [&](Control control, float fraction) {
        const gui::Rect& r = b.app->ControlWindow(control).GetRect();
        const float y = (r.Top + r.Bottom) / 2;
        b.system.MouseMove({r.Left + 10, y});
        b.system.MouseButton(gui::Point {r.Left + 10, y}, gui::ButtonId::Left, gui::ButtonAction::Down);
        b.system.MouseMove({r.Left + 2 + fraction * (r.Right - r.Left - 4), y + 40});
        b.system.MouseButton(gui::Point {r.Left + 2 + fraction * (r.Right - r.Left - 4), y + 40}, gui::ButtonId::Left,
                             gui::ButtonAction::Up);
        b.Step();
    };
    drag(Control::Speed, 0.5f);
    EXPECT_NEAR(b.app->Machine().IterationPeriod(), 0.01f, 1e-6) << "10^(6 x 0.5 - 5)";
    EXPECT_EQ(b.app->TrackBar(Control::Speed).Position(), 0.5f);
    drag(Control::Zoom, -1.0f);
    EXPECT_FLOAT_EQ(b.app->State().Zoom(), 0.1f) << "dragged to the far left";
    EXPECT_EQ(b.app->Status().Zoom, "10 %");
    drag(Control::Resolution, 1.0f);
    EXPECT_EQ(b.app->ResolutionText(), "1024 x 768 @ 75");
    EXPECT_EQ(b.StatusLine(), "Wybierz rozdzieczość [góra][dół]");
    // The wheel: one notch, three lines, 0.006.
    const gui::Rect& r = b.app->ControlWindow(Control::Speed).GetRect();
    b.system.MouseMove({r.Left + 50, r.Top + 5});
    b.system.MouseWheel({r.Left + 50, r.Top + 5}, -120);
    b.Step();
    EXPECT_NEAR(b.app->TrackBar(Control::Speed).Position(), 0.494f, 1e-6);
    EXPECT_NEAR(b.app->Machine().IterationPeriod(), std::pow(10.0f, 6 * (1 - 0.494f) - 5), 1e-7);
}

TEST(Controls, ShowTheStateAtEveryTimeStep) {
    Bench b("Buttons: [2: Dwa 0: Zero]",
            "void OnInit() { SetButtonDown(2, true); }\nvoid OnFrame() {}\nvoid OnButton2() { SetButtonDown(2, !GetButtonDown(2)); }\n");
    for (int slot = 0; slot < 10; ++slot)
        EXPECT_EQ(b.app->UserButton(slot).IsVisible(), slot == 1 || slot == 9) << slot;
    EXPECT_TRUE(b.app->UserButton(1).Down()) << "OnInit's SetButtonDown";
    b.Click(b.app->UserButton(1));
    EXPECT_FALSE(b.app->UserButton(1).Down()) << "the script's flag, not the click";
    // A hidden button is not hit: the click on its place goes to the world's window.
    const gui::Rect hidden = b.app->UserButton(2).GetRect();
    EXPECT_EQ(b.system.FindWindow(b.system, {hidden.Left + 5, hidden.Top + 5}).Target, b.app.get());

    EXPECT_TRUE(b.app->Button(Control::Stop).Down());
    EXPECT_FALSE(b.app->Button(Control::Run).Down());
    b.Key(13), b.Step();
    EXPECT_TRUE(b.app->Button(Control::Run).Down());
    EXPECT_FALSE(b.app->Button(Control::Stop).Down());

    b.app->State().SetZoom(10.0f);
    b.fps = 1;
    b.Step();
    EXPECT_EQ(b.app->TrackBar(Control::Zoom).Position(), 1.0f);
    EXPECT_NEAR(b.app->TrackBar(Control::Speed).Mark1(), 1.0f / 6.0f, 1e-6) << "one iteration a frame at 1 FPS";

    EXPECT_TRUE(b.app->Button(Control::Filter).IsEnabled());
    b.Key(70), b.Key(84), b.Step();
    EXPECT_TRUE(b.app->Button(Control::Filter).Down());
    EXPECT_TRUE(b.app->Button(Control::Tile).Down());
}

TEST(Controls, FilterAndTileAreEnabledForTheTextureViewOnly) {
    const std::string cells = "void OnInit() {}\nvoid OnFrame() {}\n";
    Bench texture("Filtered: true");
    EXPECT_TRUE(texture.app->Button(Control::Filter).IsEnabled());
    EXPECT_TRUE(texture.app->Button(Control::Filter).Down());
    errors::ClearErrors();
    gui::GUISystem system;
    Application app(core::WriteFile(core::Replaced(core::Definition(cells), "View: texture u1 [RGB]", "View: cells u1 [RGB]")),
                    system);
    ASSERT_FALSE(errors::ErrorRaised());
    EXPECT_FALSE(app.Button(Control::Filter).IsEnabled());
    EXPECT_FALSE(app.Button(Control::Tile).IsEnabled());
    EXPECT_EQ(system.Focus(), &app) << "the application takes the keys";
}

TEST(FullScreen, SwitchesToTheSelectedModeAndBackToTheWindow) {
    Bench b;
    for (int i = 0; i < 60; ++i) b.Key(38);
    b.Key(13, {Ctrl});
    b.Step();
    EXPECT_TRUE(b.app->Button(Control::FullScreen).Down());
    b.Click(b.app->ControlWindow(Control::FullScreen));
    EXPECT_FALSE(b.app->Button(Control::FullScreen).Down());
    EXPECT_EQ(b.journal, "mode 800x600@60f mode 800x600@100w ");
    // Without full-screen modes there is nothing to switch to.
    b.app->Modes().Build(std::vector<frame::DisplayMode> {});
    b.Key(38);
    EXPECT_EQ(b.app->ResolutionText(), "");
    b.Key(13, {Ctrl});
    b.Step();
    EXPECT_FALSE(b.app->Button(Control::FullScreen).Down());
    EXPECT_EQ(b.journal, "mode 800x600@60f mode 800x600@100w ");
}

// --- The mouse over the world -------------------------------------------------------------------

// The 200 x 100 world in the texture view: at zoom 1 its quad starts at (320, 262) of the
// 800 x 600 screen, at zoom 0.5 at (370, 287); tiled, the view rectangle's corner (40, 64) is
// cell (0, 0) and the world repeats.
TEST(Mouse, AClickOnTheWorldReachesTheScriptAsTheCellUnderThePointer) {
    const struct {
        float Zoom;
        bool Tiled;
        gui::Point Point;
        std::string Status;
    } cases[] = {
        {1.0f, false, {320.2f, 262.2f}, "0 0"},
        {1.0f, false, {330.5f, 282.5f}, "10 20"},
        {1.0f, false, {519.9f, 361.9f}, "199 99"},
        {1.0f, false, {520.5f, 300}, ""},  // right of the world
        {1.0f, false, {300, 300}, ""},     // left of it
        {0.5f, false, {391.2f, 298.2f}, "42 22"},
        {0.5f, true, {340.6f, 74.2f}, "1 20"},
        {0.5f, true, {40, 64}, "0 0"},
        {0.5f, true, {800, 560}, "120 92"},
        {0.5f, true, {30, 300}, ""},  // outside the view rectangle
    };
    for (const auto& [zoom, tiled, point, status] : cases) {
        Bench b;
        b.app->State().SetZoom(zoom);
        if (tiled) b.app->State().ToggleTiled();
        b.system.MouseMove(point);
        b.system.MouseButton(point, gui::ButtonId::Left, gui::ButtonAction::Down);
        EXPECT_EQ(b.StatusLine(), status) << zoom << " " << tiled << " " << point.X << "," << point.Y;
    }
}

TEST(Mouse, DragsReachTheScriptWhileTheLeftButtonIsHeld) {
    Bench b;
    std::string seen;
    auto note = [&] { seen += b.StatusLine() + "; "; };
    b.system.MouseMove({330, 270}), note();  // not held: nothing
    b.system.MouseButton(gui::Point {330, 270}, gui::ButtonId::Left, gui::ButtonAction::Down), note();
    b.system.MouseMove({335, 271}), note();
    b.system.MouseMove({700, 500}), note();  // off the world: nothing
    b.system.MouseButton(gui::Point {340, 272}, gui::ButtonId::Left, gui::ButtonAction::Up), note();
    b.system.MouseMove({345, 273}), note();
    b.system.MouseButton(gui::Point {345, 273}, gui::ButtonId::Right, gui::ButtonAction::Down), note();
    // Pressed on the band above the world, dragged onto it.
    b.system.MouseButton(gui::Point {300, 40}, gui::ButtonId::Left, gui::ButtonAction::Up);
    b.system.MouseButton(gui::Point {300, 40}, gui::ButtonId::Left, gui::ButtonAction::Down), note();
    b.system.MouseMove({321, 263}), note();
    EXPECT_EQ(seen, "; 10 8; 2015 9; 2015 9; 1020 10; 1020 10; 1020 10; 1020 10; 2001 1; ");
}

}  // namespace
}  // namespace app::test
