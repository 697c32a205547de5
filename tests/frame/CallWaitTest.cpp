// The window's thread waiting for a call on another thread, inside a real run over SDL's
// offscreen driver and the recording device; events come from a thread of the test while the
// window waits, as a user's would.
#include <atomic>
#include <chrono>
#include <future>
#include <sstream>
#include <thread>

#include "FrameworkRun.h"

namespace frame {
namespace {

using namespace std::chrono_literals;
using StopFlag = std::atomic<bool>;
constexpr int Runaway = -1;  // a call that runs until it is stopped (8 s at most)

// An event for the window, from a short description: "escape", "a", "a up", "release",
// "press X Y" (pixels), "close" (the close box), "quit" (a termination signal), "exposed".
SDL_Event Event(Uint32 window, const std::string& what) {
    SDL_Event e {};
    std::istringstream words(what);
    std::string word;
    words >> word;
    if (word == "escape" || word == "a") {
        e.type = what.ends_with(" up") ? SDL_KEYUP : SDL_KEYDOWN;
        e.key.windowID = window, e.key.keysym.sym = word == "a" ? SDLK_a : SDLK_ESCAPE;
    } else if (word == "press" || word == "release") {
        e.type = word == "press" ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = window, e.button.button = SDL_BUTTON_LEFT, e.button.clicks = 1;
        words >> e.button.x >> e.button.y;
    } else if (word == "quit") {
        e.type = SDL_QUIT;
    } else {
        e.type = SDL_WINDOWEVENT, e.window.windowID = window;
        e.window.event = word == "close" ? SDL_WINDOWEVENT_CLOSE : SDL_WINDOWEVENT_EXPOSED;
    }
    return e;
}

struct CallWaitRun : FrameworkRun {
    void SetUp() override {
        FrameworkRun::SetUp();
        m_hooks.MousePress = [this](cells::VirtualPoint p, int button) {
            m_presses.push_back(std::to_string(int(p.X)) + "," + std::to_string(int(p.Y)) + " " + std::to_string(button));
            return p.X < 100;  // the Stop button lies at the left edge
        };
        m_hooks.Draw = [this](platform::Device&, double seconds) { m_drawnAt.push_back(seconds); };
        m_config.MessageHook = [this](const platform::WindowMessage& m) {
            if (m.Kind == MessageKind::KeyUp || m.Kind == MessageKind::KeyDown || m.Kind == MessageKind::MouseButton)
                m_journal.push_back("hook " + std::to_string(int(m.Kind)) + " " + std::to_string(m.Key + m.Action));
        };
        m_atStep[4] = [] { frame::RequestClose(); };
    }

    // At time step 2: `before`, then the wait for a call of `milliseconds` (or Runaway) on a
    // thread of its own, while a thread of the test pushes `events` after `delay`.
    void WaitAtStep2(int milliseconds, std::vector<std::string> events, std::chrono::milliseconds delay = 50ms,
                     std::function<void(const StopFlag&)> body = {}, std::function<void()> before = {}) {
        m_atStep[2] = [=, this] {
            if (before) before();
            int steps = Steps(), frames = m_frames;
            size_t presents = m_log->CountCalls("Present");
            std::vector<SDL_Event> pushed;
            for (const std::string& what : events) pushed.push_back(Event(Window(), what));
            std::jthread pusher([pushed, delay]() mutable {
                std::this_thread::sleep_for(delay);
                for (SDL_Event& event : pushed) SDL_PushEvent(&event);
            });
            StopFlag stop { false };
            auto call = std::async(std::launch::async, [&] {
                if (body) body(stop);
                auto end = std::chrono::steady_clock::now() + (milliseconds < 0 ? 8000ms : 1ms * milliseconds);
                while (std::chrono::steady_clock::now() < end && !(milliseconds < 0 && stop)) std::this_thread::sleep_for(1ms);
            });
            m_journal.push_back("call started");
            CallWait wait = m_hooks;
            wait.WaitForEnd = [&](double s) { return call.wait_for(std::chrono::duration<double>(s)) == std::future_status::ready; };
            wait.Stop = [&](StopCause cause) {
                m_causes.push_back(cause == StopCause::Escape ? "escape" : cause == StopCause::Close ? "close" : "press");
                stop = true;
            };
            m_result = frame::WaitForCall(wait);
            m_journal.push_back("call ended");
            EXPECT_EQ(std::make_pair(Steps(), m_frames), std::make_pair(steps, frames)) << "no step, no draw callback";
            m_presentsDuring = m_log->CountCalls("Present") - presents;
        };
    }

    CallWait m_hooks;
    CallWaitResult m_result;
    Lines m_causes, m_presses;
    std::vector<double> m_drawnAt;
    size_t m_presentsDuring { 0 };
};

// A call and what the user does to the window meanwhile.
struct Case {
    const char* Name;
    int Milliseconds;
    std::vector<std::string> Events;
    Lines Causes, Presses;
    bool Closes;  // the window closes once the call has ended
    size_t Draws;
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.Name; }
};

struct CallWaitCase : CallWaitRun, testing::WithParamInterface<Case> {};

TEST_P(CallWaitCase, TheCallIsStoppedAsAskedAndTheWindowClosesOnlyAfterItsEnd) {
    const Case& c = GetParam();
    WaitAtStep2(c.Milliseconds, c.Events);
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    EXPECT_EQ(m_causes, c.Causes);
    EXPECT_EQ(m_presses, c.Presses);
    EXPECT_EQ(m_drawnAt.size(), c.Draws);
    EXPECT_EQ(m_result.Long, c.Milliseconds != 2) << "the quick wait lasts 20 ms";
    EXPECT_EQ(m_result.Stopped, !c.Causes.empty());
    EXPECT_EQ(m_result.CloseRequested, c.Closes);
    EXPECT_FALSE(m_result.DrawFailed);
    EXPECT_EQ(m_journal, Concat(Concat(SetUpJournal, {"call started", "call ended"}), CloseJournal))
        << "no input reaches the hook, and closing waits for the call";
    EXPECT_EQ(Steps(), c.Closes ? 2 : 4);
}

INSTANTIATE_TEST_SUITE_P(
    Each, CallWaitCase,
    testing::Values(Case {"Quick", 2, {}, {}, {}, false, 0}, Case {"Short", 100, {}, {}, {}, false, 0},
                    Case {"EscapeTwice", Runaway, {"escape", "escape"}, {"escape", "escape"}, {}, false, 0},
                    Case {"CloseBox", Runaway, {"close"}, {"close"}, {}, true, 0},
                    Case {"TerminationSignal", Runaway, {"quit"}, {"close"}, {}, true, 0},
                    // 400 x 300 pixels of 800 x 600 are 400 x 300 units: no Stop button there.
                    Case {"StopButton", Runaway, {"press 400 300", "press 50 60"}, {"press"}, {"400,300 0", "50,60 0"}, false, 0},
                    Case {"EscapeThenClose", Runaway, {"escape", "close"}, {"escape", "close"}, {}, true, 0},
                    Case {"Exposed", Runaway, {"exposed", "escape"}, {"escape"}, {}, false, 1}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.Name); });

TEST_F(CallWaitRun, TheWindowIsDrawnEveryFrameFromAboutASecondOn) {
    WaitAtStep2(Runaway, {"escape"}, 1400ms);
    EXPECT_EQ(Run(), 0);
    ASSERT_GE(m_drawnAt.size(), 3u) << "about 0.4 s of frames at 60 a second";
    EXPECT_GE(m_drawnAt.front(), BusyDrawDelay);
    EXPECT_LT(m_drawnAt.front(), BusyDrawDelay + 0.3);
    EXPECT_TRUE(std::is_sorted(m_drawnAt.begin(), m_drawnAt.end()));
    EXPECT_LE(m_drawnAt.size(), size_t((m_result.Seconds - BusyDrawDelay) * BusyFrameRate) + 2) << "paced, not spinning";
    EXPECT_EQ(m_presentsDuring, m_drawnAt.size()) << "each frame drawn is presented";
}

// A resize made just before the wait is handled during it (the device is reset and the window
// drawn again at once); input other than releases is dropped, and the releases reach the hook
// after the call, so that nothing stays held.
TEST_F(CallWaitRun, TheWindowsMessagesAreTakenMeanwhile) {
    WaitAtStep2(Runaway, {"a", "a up", "release 400 300", "escape"}, 200ms, {},
                [] { SDL_SetWindowSize(SDL_GetWindowFromID(Window()), 1000, 700); });
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(m_causes, Lines {"escape"});
    EXPECT_EQ(m_log->CountCalls("Reset"), 1u);
    ASSERT_FALSE(m_drawnAt.empty());
    EXPECT_LT(m_drawnAt.front(), BusyDrawDelay);
    const std::string keyUp = std::to_string(int(MessageKind::KeyUp)), button = std::to_string(int(MessageKind::MouseButton));
    Journal expected = Concat(Concat(SetUpJournal, {"call started"}), ResetJournal);
    expected = Concat(expected, {"call ended", "hook " + keyUp + " 65", "hook " + button + " 1"});
    EXPECT_EQ(m_journal, Concat(expected, CloseJournal));
}

// The call records into the process's trail; what the window's thread records meanwhile stays
// apart (the hook does not see the call's entries) and joins the chain after the call. A frame
// that failed ends the drawing and, after the call, the run, as it does in the loop.
TEST_F(CallWaitRun, WhatTheWindowRecordsJoinsTheTrailAfterTheCall) {
    bool callEntriesSeen = true;
    m_hooks.Draw = [&](platform::Device&, double seconds) {
        m_drawnAt.push_back(seconds);
        callEntriesSeen = errors::ErrorRaised();
        errors::RaiseError("rysunek padł");
    };
    WaitAtStep2(Runaway, {"escape"}, 1200ms, [](const StopFlag&) { errors::RaiseError("wywołanie padło"); });
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(callEntriesSeen);
    EXPECT_TRUE(m_result.DrawFailed);
    EXPECT_EQ(m_drawnAt.size(), 1u) << "no frame after the failed one";
    EXPECT_EQ(Steps(), 2);
    // The step that waited fails as well: the entries are in the trail when it returns.
    ExpectTrail(errors::ErrorEntries(), {".+wywołanie padło", ".+rysunek padł", F("Błąd podczas działania programu \\(rysowanie\\)"),
                                         F("Błąd podczas działania programu \\(obliczenia\\)")});
}

}  // namespace
}  // namespace frame
