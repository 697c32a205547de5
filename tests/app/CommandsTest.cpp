// The workbench's commands through the window system with synthetic input: the key table with
// and without Ctrl and Shift and the controls that do the same, the file commands' dialogs, the
// iteration prompt, track bars, the controls showing the state, full screen, and the mouse over
// the world reaching the script as cells.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "AppTestSupport.h"

namespace app::test {
namespace {

// What a command can change, as "name=value" texts; a dialog as its title, whether it saves
// or opens, and the number of entries of its filter list.
std::map<std::string, std::string> Observe(Bench& b) {
    Application& app = *b.app;
    const Application::StatusTexts status = app.Status();
    const platform::FileChooserRequest* dialog = b.chooser.Seen.empty() ? nullptr : &b.chooser.Seen.back();
    return {
        {"running", std::to_string(app.Machine().Running())},
        {"counter", status.Counter},
        {"ips", status.Ips},
        {"zoom", status.Zoom},
        {"filtered", std::to_string(app.State().Filtered())},
        {"tiled", std::to_string(app.State().Tiled())},
        {"resolution", status.Resolution},
        {"status", status.Line},
        {"journal", b.journal},
        {"dialog", dialog ? dialog->Title + (dialog->Save ? " save " : " open ") + std::to_string(dialog->Filters.size()) : ""},
    };
}

// The entries that differ between two observations, "name=value" of the second, in name order.
std::string Changes(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after) {
    std::string text;
    for (const auto& [name, value] : after)
        if (before.at(name) != value) text += (text.empty() ? "" : " ") + name + "=" + value;
    return text;
}

// Each command by its key, alone or with Ctrl, Shift or both, and by a click on its control
// after the pointer has entered it and shown its hint, on a stopped bench whose counter stands
// at 2, zoom at 50 % and the resolution bar at its first mode. Key 0: a control only. The
// dialogs are cancelled.
TEST(Commands, KeysAndControlsChangeWhatTheyShould) {
    const std::set<uint32_t> none, ctrl {Ctrl}, shift {Shift}, both {Ctrl, Shift};
    const std::optional<Control> key;
    const struct {
        uint32_t Key;
        std::set<uint32_t> Held;
        std::optional<Control> Clicked;
        std::string Changes;
    } cases[] = {
        {13, shift, Control::Run, "running=1"},
        {13, ctrl, Control::FullScreen, "journal=mode 640x480@60f "},
        {27, none, Control::Stop, ""},  // already stopped
        {27, both, Control::ResetCounter, "counter=0"},
        {32, both, Control::Step, "counter=3"},
        {0, none, Control::Iterations, "status=Podaj liczbę iteracji: "},
        {0, none, Control::Exit, "journal=close "},
        {70, none, Control::Filter, "filtered=1"},
        {84, shift, Control::Tile, "tiled=1"},
        {106, none, Control::ResetZoom, "zoom=100 %"},
        {79, ctrl, Control::LoadTable, "dialog=Wczytaj tablicę open 4 journal=pause dialog resume "},
        {83, ctrl, Control::SaveTable, "dialog=Zapisz tablicę save 3 journal=pause dialog resume "},
        {79, both, Control::LoadImage, "dialog=Wczytaj obrazek open 26 journal=pause dialog resume "},
        {83, both, Control::SaveImage, "dialog=Zapisz obrazek save 12 journal=pause dialog resume "},
        {79, shift, key, ""},  // the file commands need Ctrl
        {83, none, key, ""},
        {37, none, key, "ips=0.87 IPS"},  // speed 1: position 1/6, less 0.01
        {39, ctrl, key, "ips=1.15 IPS"},
        {38, none, key, ""},  // 0.01 of three modes: still the first
        {107, none, key, "zoom=52 %"},  // 10^(2 x 0.3595 - 1)
        {109, ctrl, key, "zoom=48 %"},
        {48, none, key, "status=10 0"},  // the digit 0 is user button 10
        {49, ctrl, key, "status=1 0"},
        {53, none, key, "status=5 0"},  // unlabelled and hidden, yet its callback runs
        {55, none, key, ""},            // no callback
        {12, none, key, ""},            // just outside the table
        {110, none, key, ""},
        {120, ctrl, key, "status=Nagrywanie zacznie się z następną klatką"},  // F9: from the next frame drawn
        {123, none, key, ""},  // F12: the picture is taken from the next frame drawn
    };
    std::set<std::string> hints;
    for (const auto& [key, held, clicked, changes] : cases) {
        for (bool click : {false, true}) {
            if (click ? !clicked : key == 0) continue;
            Bench b;
            b.Key(32), b.Key(32);
            b.app->State().SetZoom(0.5f);
            b.Key(38), b.Key(40);
            if (click) {
                b.Hover(b.app->ControlWindow(*clicked));
                EXPECT_EQ(b.StatusLine(), b.app->ControlHint(&b.app->ControlWindow(*clicked)));
                hints.insert(b.StatusLine());
            }
            b.Step();
            const auto before = Observe(b);
            if (click) b.Click(b.app->ControlWindow(*clicked));
            else b.Key(key, held), b.Step();
            EXPECT_EQ(Changes(before, Observe(b)), changes) << "key " << key << " with " << held.size() << " held"
                                                            << (click ? ", clicked" : "");
        }
    }
    EXPECT_EQ(hints.size(), 14u) << "a hint of its own for each control";
    EXPECT_TRUE(hints.contains("Zatrzymaj [ESC]"));
}

TEST(Commands, ConfirmedDialogsSaveAndLoadTablesAndPictures) {
    const std::filesystem::path folder = core::TempFolder();
    Bench b("", R"(
void OnInit() { SetBuffer_u1(3, 2, 0xFF8000); }
void OnFrame() {}
void OnSaveImage() {}
void OnLoadImage() { SetBuffer_u2(0, 0, GetBuffer_u1(3, 2)); }
)", 20, 10);
    auto cell = [&](int x, int y) -> cells::Cell& { return b.app->Machine().Cells().Shown().At(x, y); };
    // The table, compressed (the first entry) under a name without extension, loaded back
    // after the world changed.
    b.chooser.Answer = {(folder / "tablica").string(), 0};
    b.Key(83, {Ctrl});
    EXPECT_EQ(b.StatusLine(), "Tablica została zapisana");
    b.app->Machine().Cells().Table(0).At(3, 2).u1 = b.app->Machine().Cells().Table(1).At(3, 2).u1 = 0;
    b.chooser.Answer = {(folder / "tablica.vls").string(), 0};
    b.Key(79, {Ctrl});
    EXPECT_EQ(b.StatusLine(), "Tablica została wczytana");
    EXPECT_EQ(cell(3, 2).u1, 0xFF8000u);
    // The picture as PNG (the third entry), then read back through OnLoadImage.
    b.chooser.Answer = {(folder / "obrazek").string(), 2};
    b.Key(83, {Ctrl, Shift});
    EXPECT_EQ(b.StatusLine(), "Obrazek został zapisany");
    b.app->Machine().Cells().Table(0).At(3, 2).u1 = 0;
    b.chooser.Answer = {(folder / "obrazek.png").string(), 0};
    b.Key(79, {Ctrl, Shift});
    EXPECT_EQ(b.StatusLine(), "Obrazek został wczytany");
    EXPECT_EQ(cell(3, 2).u1, 0xFF8000u);
    EXPECT_EQ(cell(0, 0).u2, 0xFF8000u) << "OnLoadImage saw the picture's pixel";
    // A file that is no table: the red status, and the run goes on.
    std::ofstream(folder / "zepsuta.vln") << "nie tablica";
    b.chooser.Answer = {(folder / "zepsuta.vln").string(), 0};
    b.Key(79, {Ctrl});
    EXPECT_EQ(b.StatusLine(), "Błąd - nie można wczytać tablicy");
    EXPECT_EQ(b.app->Status().LineColor, core::StatusWarningColor);
    EXPECT_FALSE(errors::ErrorRaised());
}

TEST(Commands, TheFileCommandsAreRefusedInFullScreen) {
    for (const auto& [key, held] : {std::pair<uint32_t, std::set<uint32_t>> {79, {Ctrl}}, {83, {Ctrl}}, {79, {Ctrl, Shift}},
                                    {83, {Ctrl, Shift}}}) {
        Bench b;
        b.mode = {1024, 768, 75, true};
        b.Key(key, held);
        EXPECT_EQ(b.StatusLine(), "Ta funkcja nie działa w trybie pełnoekranowym") << key << " " << held.size();
        EXPECT_EQ(b.app->Status().LineColor, core::StatusWarningColor);
        EXPECT_EQ(b.journal, "") << "no dialog, no pause";
    }
}

// --- The prompt ---------------------------------------------------------------------------------

TEST(Prompt, EditsItsTextAndStartsACountedRunOnEnter) {
    const struct {
        std::string Typed;
        std::string Shown;   // while open, before enter
        int32_t Pending;     // after enter
        std::string Status;  // after enter
    } cases[] = {
        {"123\b\b4", "Podaj liczbę iteracji: 14", 14, "Wkonaj daną liczbę iteracji"},  // the button's hint, still shown
        {"\t7\t", "Podaj liczbę iteracji: 7", 7, "Wkonaj daną liczbę iteracji"},
        {"12a", "Podaj liczbę iteracji: 12a", 0, "Błędna liczba"},
        {"\b\b", "Podaj liczbę iteracji: ", 0, "Błędna liczba"},
    };
    for (const auto& [typed, shown, pending, status] : cases) {
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
        EXPECT_EQ(b.StatusLine(), status) << typed;
    }
}

TEST(Prompt, KeysAreIgnoredWhileItIsOpenAndEscapeClosesIt) {
    Bench b;
    b.app->OpenIterationPrompt();
    for (uint32_t key : {13u, 27u, 32u, 49u, 70u, 120u}) b.Key(key);
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

TEST(Prompt, ACountedRunHoldsTheRunButtonDownAndShowsItsProgress) {
    // Each iteration takes 20 ms of the bench's clock: a time step does three (50 ms of work).
    Bench b("", "void OnInit() {}\nvoid OnFrame() { Beep(100, 20); }\n");
    b.app->OpenIterationPrompt();
    b.Type("10\r");
    b.Step();
    EXPECT_EQ(b.app->Status().Counter, "3 (3/10)");
    EXPECT_TRUE(b.app->Button(Control::Run).Down());
    b.Step(), b.Step(), b.Step();
    EXPECT_FALSE(b.app->Button(Control::Run).Down());
}

// --- Controls -----------------------------------------------------------------------------------

TEST(Controls, UserButtonsClickTheirCallbacksAndShowTheirHints) {
    Bench b;
    b.Click(b.app->UserButton(0));
    EXPECT_EQ(b.StatusLine(), "1 0");
    b.system.MouseMove({400, 300});
    b.Hover(b.app->UserButton(9));
    EXPECT_EQ(b.StatusLine(), "Wyczyść [0]");
    b.Click(b.app->UserButton(9));
    EXPECT_EQ(b.StatusLine(), "10 0");
}

TEST(Controls, TrackBarsMovedByTheUserSetSpeedZoomAndResolution) {
    Bench b;
    auto drag = [&](Control control, float fraction) {
        const gui::Rect& r = b.app->ControlWindow(control).GetRect();
        const float y = (r.Top + r.Bottom) / 2, x = r.Left + 2 + fraction * (r.Right - r.Left - 4);
        b.system.MouseMove({r.Left + 10, y});
        b.system.MouseButton(gui::Point {r.Left + 10, y}, gui::ButtonId::Left, gui::ButtonAction::Down);
        b.system.MouseMove({x, y + 40});
        b.system.MouseButton(gui::Point {x, y + 40}, gui::ButtonId::Left, gui::ButtonAction::Up);
        b.Step();
    };
    drag(Control::Speed, 0.5f);
    EXPECT_NEAR(b.app->Machine().IterationPeriod(), 0.01f, 1e-6) << "10^(6 x 0.5 - 5)";
    EXPECT_EQ(b.StatusLine(), "Zmień prędkość [lewo][prawo]");
    drag(Control::Zoom, -1.0f);
    EXPECT_EQ(b.app->Status().Zoom, "10 %") << "dragged to the far left";
    drag(Control::Resolution, 1.0f);
    EXPECT_EQ(b.app->ResolutionText(), "1024 x 768 @ 75");
    EXPECT_EQ(b.StatusLine(), "Wybierz rozdzieczość [góra][dół]");
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

    b.app->State().SetZoom(10.0f);
    b.fps = 1;
    b.Step();
    EXPECT_EQ(b.app->TrackBar(Control::Zoom).Position(), 1.0f);
    EXPECT_NEAR(b.app->TrackBar(Control::Speed).Mark1(), 1.0f / 6.0f, 1e-6) << "one iteration a frame at 1 FPS";

    b.Key(70), b.Key(84), b.Step();
    EXPECT_TRUE(b.app->Button(Control::Filter).IsEnabled());
    EXPECT_TRUE(b.app->Button(Control::Filter).Down());
    EXPECT_TRUE(b.app->Button(Control::Tile).Down());
}

TEST(Controls, FilterAndTileAreDisabledOutsideTheTextureView) {
    errors::ClearErrors();
    gui::GUISystem system;
    Application app(core::WriteFile(core::Replaced(core::Definition("void OnInit() {}\nvoid OnFrame() {}\n", "Filtered: true"),
                                                   "View: texture u1 [RGB]", "View: cells u1 [RGB]")),
                    system);
    ASSERT_FALSE(errors::ErrorRaised());
    EXPECT_FALSE(app.Button(Control::Filter).IsEnabled());
    EXPECT_FALSE(app.Button(Control::Tile).IsEnabled());
    EXPECT_TRUE(app.Button(Control::Filter).Down()) << "the definition's Filtered";
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
        {1.0f, false, {320.2f, 262.2f}, "0 0"},   {1.0f, false, {520.5f, 300}, ""},  // right of the world
        {0.5f, false, {391.2f, 298.2f}, "42 22"}, {0.5f, true, {340.6f, 74.2f}, "1 20"},
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
