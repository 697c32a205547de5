// A script call that never ends, in the workbench's window on the OpenGL device: the window
// keeps answering, says from a second on that a script runs, and Esc, the Stop button or
// closing the window end the call; the events come from a thread of the test, as a user's.
#include <gtest/gtest.h>

#include <SDL.h>
#include <chrono>
#include <thread>

#include "CoreTestSupport.h"
#include "app/Application.h"
#include "errors/ErrorTrail.h"
#include "gfx/FontManager.h"
#include "gfx/LineManager.h"
#include "gfx/RectManager.h"
#include "gfx/SpriteManager.h"

namespace app {
namespace {

using namespace std::chrono_literals;

struct Stop {
    const char* Name;
    std::string Code;  // the script; its OnFrame runs once the workbench starts
    std::chrono::milliseconds Delay;
    std::function<SDL_Event(Uint32 window)> Event;
    bool Closes;
    friend void PrintTo(const Stop& stop, std::ostream* out) { *out << stop.Name; }
};

SDL_Event Key(Uint32 window, SDL_Keycode key) {
    SDL_Event e {};
    e.type = SDL_KEYDOWN, e.key.windowID = window, e.key.keysym.sym = key;
    return e;
}

const std::string Endless = "void OnInit() {}\nvoid OnFrame() { int n = 0; while (true) { n++; } }\n";

struct RunawayScript : testing::TestWithParam<Stop> {};

TEST_P(RunawayScript, IsStoppedAndTheWorkbenchGoesOnOrClosesAsAsked) {
    const Stop& stop = GetParam();
    errors::ClearErrors();
    gui::GUISystem system;
    Application application(core::WriteFile(core::Definition(stop.Code, "Speed: 100\nRunning: true", 200, 100)), system);
    ASSERT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    application.SetButtonSheetPath(VORLEN_DATA_DIR "/buttons.tga");
    frame::ClearRegistry();
    frame::Register(&application);
    frame::Register(&gfx::Lines()), frame::Register(&gfx::Rects()), frame::Register(&gfx::Sprites());
    frame::Register(&gfx::Fonts());

    // The waits for calls that ran long, and the status lines of the frames drawn meanwhile;
    // the user's event comes that long after the first call outlasted the quick wait.
    std::vector<std::string> busyLines;
    std::vector<frame::CallWaitResult> waits;
    std::jthread user;
    application.Platform().WaitForCall = [&](const frame::CallWait& wait) {
        frame::CallWait seen = wait;
        seen.WaitForEnd = [&, window = frame::GetWindowId()](double seconds) {
            if (wait.WaitForEnd(seconds)) return true;
            if (!user.joinable())
                user = std::jthread([event = stop.Event(window), delay = stop.Delay]() mutable {
                    std::this_thread::sleep_for(delay);
                    SDL_PushEvent(&event);
                });
            return false;
        };
        seen.Draw = [&](platform::Device& device, double seconds) {
            wait.Draw(device, seconds);
            busyLines.push_back(application.Status().Line);
        };
        const frame::CallWaitResult result = frame::WaitForCall(seen);
        if (result.Long) waits.push_back(result);
        return result;
    };
    frame::InputDispatcher dispatcher;
    frame::FrameConfig config = WorkbenchConfig(application, dispatcher);
    int framesAfter = 0;
    Application::StatusTexts after;
    config.DrawCallback = [&](platform::Device& device) {
        application.RenderFrame(device);
        if (!waits.empty() && ++framesAfter == 3) after = application.Status(), frame::RequestClose();
    };
    EXPECT_EQ(frame::Run(config, WindowedMode), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    frame::ClearRegistry();

    ASSERT_EQ(waits.size(), 1u) << "one call, stopped";
    EXPECT_TRUE(waits[0].Long && waits[0].Stopped);
    EXPECT_EQ(waits[0].CloseRequested, stop.Closes);
    EXPECT_FALSE(application.Machine().RunPressed()) << "Run is off after a stopped call";
    if (stop.Delay > 1s) {
        ASSERT_FALSE(busyLines.empty());
        EXPECT_EQ(busyLines.back(), ScriptRunningText);
    }
    if (stop.Closes) {
        EXPECT_LE(framesAfter, 1) << "the window closed when the call had ended (its step's frame is drawn)";
    } else {
        EXPECT_EQ(after.Line, "Działanie skryptu przerwał użytkownik");
        EXPECT_EQ(after.LineColor, core::StatusWarningColor);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Each, RunawayScript,
    testing::Values(Stop {"Escape", Endless, 1300ms, [](Uint32 w) { return Key(w, SDLK_ESCAPE); }, false},
                    // The Stop button's middle, in pixels of the 800 x 600 window.
                    Stop {"StopButton", Endless, 300ms,
                          [](Uint32 w) {
                              SDL_Event e {};
                              e.type = SDL_MOUSEBUTTONDOWN, e.button.windowID = w, e.button.button = SDL_BUTTON_LEFT;
                              e.button.clicks = 1, e.button.x = 124, e.button.y = 20;
                              return e;
                          },
                          false},
                    Stop {"CloseBox", Endless, 300ms,
                          [](Uint32 w) {
                              SDL_Event e {};
                              e.type = SDL_WINDOWEVENT, e.window.windowID = w, e.window.event = SDL_WINDOWEVENT_CLOSE;
                              return e;
                          },
                          true}),
    [](const testing::TestParamInfo<Stop>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace app
