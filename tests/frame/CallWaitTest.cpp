// The window's thread waiting for a call on another thread, inside a real run over SDL's
// offscreen driver and the recording device: events come from a thread of the test while the
// window waits, as a user's would.
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "FrameworkRun.h"

namespace frame {
namespace {

using namespace std::chrono_literals;
using StopFlag = std::atomic<bool>;

// A call on a thread of its own, told to stop through a flag.
class BackgroundCall {
public:
    explicit BackgroundCall(std::function<void(const StopFlag&)> body)
        : m_future(std::async(std::launch::async, [this, body] { body(m_stop); })) {}
    ~BackgroundCall() {
        m_stop = true;
        m_future.wait();
    }
    bool WaitForEnd(double seconds) {
        return m_future.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready;
    }
    void Stop() { m_stop = true; }

private:
    StopFlag m_stop { false };
    std::future<void> m_future;
};

std::function<void(const StopFlag&)> Sleeping(std::chrono::milliseconds length) {
    return [length](const StopFlag&) { std::this_thread::sleep_for(length); };
}

// Runs until stopped (or, should nothing stop it, for 8 s: the test then fails on its causes).
void Runaway(const StopFlag& stop) {
    for (auto end = std::chrono::steady_clock::now() + 8s; !stop && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(1ms);
}

std::string Cause(StopCause cause) {
    switch (cause) {
        case StopCause::Escape: return "escape";
        case StopCause::MousePress: return "press";
        case StopCause::Close: return "close";
    }
    return "?";
}

// What the test's thread pushes while the window waits.
SDL_Event KeyEvent(Uint32 window, Uint32 type, SDL_Keycode key) {
    SDL_Event event {};
    event.type = type, event.key.windowID = window, event.key.keysym.sym = key;
    return event;
}
SDL_Event ButtonEvent(Uint32 window, Uint32 type, int x, int y) {
    SDL_Event event {};
    event.type = type, event.button.windowID = window, event.button.button = SDL_BUTTON_LEFT;
    event.button.clicks = 1, event.button.x = x, event.button.y = y;
    return event;
}
SDL_Event WindowEvent(Uint32 window, Uint8 what) {
    SDL_Event event {};
    event.type = SDL_WINDOWEVENT, event.window.windowID = window, event.window.event = what;
    return event;
}
using Events = std::function<std::vector<SDL_Event>(Uint32 window)>;

struct CallWaitRun : FrameworkRun {
    void SetUp() override {
        FrameworkRun::SetUp();
        m_hooks.MousePress = [this](cells::VirtualPoint point, int button) {
            m_presses.push_back(std::to_string(int(point.X)) + "," + std::to_string(int(point.Y)) + " " +
                                std::to_string(button));
            return point.X < 100;  // the Stop button lies at the left edge
        };
        m_hooks.Draw = [this](platform::Device&, double seconds) { m_drawnAt.push_back(seconds); };
        m_config.MessageHook = [this](const platform::WindowMessage& message) {
            if (message.Kind == MessageKind::KeyUp) m_journal.push_back("hook up " + std::to_string(message.Key));
            if (message.Kind == MessageKind::KeyDown) m_journal.push_back("hook down " + std::to_string(message.Key));
            if (message.Kind == MessageKind::MouseButton)
                m_journal.push_back("hook button " + std::to_string(message.Action));
        };
        m_atStep[4] = [] { frame::RequestClose(); };
    }
    void TearDown() override {
        for (std::thread& pusher : m_pushers) pusher.join();
        FrameworkRun::TearDown();
    }

    // At time step 2: `before` on the window's thread, then the wait for `body` running on a
    // thread of its own, while the test's thread pushes `events` after `delay`.
    void WaitAtStep2(std::function<void(const StopFlag&)> body, Events events = {},
                     std::chrono::milliseconds delay = 50ms, std::function<void()> before = {}) {
        m_atStep[2] = [=, this] {
            if (before) before();
            m_stepsBefore = Steps();
            m_framesBefore = m_frames;
            m_presentsBefore = m_log->CountCalls("Present");
            if (events) {
                std::vector<SDL_Event> pushed = events(Window());
                m_pushers.emplace_back([pushed, delay]() mutable {
                    std::this_thread::sleep_for(delay);
                    for (SDL_Event& event : pushed) SDL_PushEvent(&event);
                });
            }
            m_journal.push_back("call started");
            BackgroundCall call(body);
            CallWait wait = m_hooks;
            wait.WaitForEnd = [&call](double seconds) { return call.WaitForEnd(seconds); };
            wait.Stop = [&call, this](StopCause cause) { m_causes.push_back(Cause(cause)), call.Stop(); };
            m_result = frame::WaitForCall(wait);
            m_journal.push_back("call ended");
            m_stepsAfter = Steps();
            m_presentsDuring = m_log->CountCalls("Present") - m_presentsBefore;
            EXPECT_EQ(m_frames, m_framesBefore) << "no draw callback while the call runs";
        };
    }

    CallWait m_hooks;
    CallWaitResult m_result;
    Lines m_causes, m_presses;
    std::vector<double> m_drawnAt;
    std::vector<std::thread> m_pushers;
    int m_stepsBefore { -1 }, m_stepsAfter { -1 }, m_framesBefore { -1 };
    size_t m_presentsBefore { 0 }, m_presentsDuring { 0 };
};

struct ShortCall : CallWaitRun, testing::WithParamInterface<int> {};

TEST_P(ShortCall, CallsNoHookAndTheLoopGoesOn) {
    const auto length = std::chrono::milliseconds(GetParam());
    WaitAtStep2(Sleeping(length));
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    EXPECT_EQ(m_result.Long, length > 20ms) << "the quick wait lasts 20 ms";
    EXPECT_FALSE(m_result.Stopped || m_result.CloseRequested);
    EXPECT_TRUE(m_causes.empty() && m_presses.empty() && m_drawnAt.empty());
    EXPECT_EQ(m_stepsAfter, m_stepsBefore) << "no time step while the call runs";
    EXPECT_EQ(Steps(), 4) << "the run goes on as before";
}

INSTANTIATE_TEST_SUITE_P(Milliseconds, ShortCall, testing::Values(2, 100));

// A call that would run for ever, and what the user does to the window meanwhile.
struct Stopper {
    const char* Name;
    Events Push;
    Lines Causes;
    Lines Presses;
    bool Closes;  // the window closes once the call has ended
    friend void PrintTo(const Stopper& stopper, std::ostream* out) { *out << stopper.Name; }
};

struct RunawayCall : CallWaitRun, testing::WithParamInterface<Stopper> {};

TEST_P(RunawayCall, IsStoppedAndTheWindowClosesOnlyAfterItsEnd) {
    const Stopper& stopper = GetParam();
    WaitAtStep2(Runaway, stopper.Push);
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    EXPECT_EQ(m_causes, stopper.Causes);
    EXPECT_EQ(m_presses, stopper.Presses);
    EXPECT_TRUE(m_result.Long && m_result.Stopped);
    EXPECT_EQ(m_result.CloseRequested, stopper.Closes);
    EXPECT_LT(m_result.Seconds, 1.0);
    Journal expected = Concat(SetUpJournal, {"call started", "call ended"});
    EXPECT_EQ(m_journal, Concat(expected, CloseJournal)) << "no input reaches the hook, and closing waits for the call";
    EXPECT_EQ(Steps(), stopper.Closes ? 2 : 4);
}

INSTANTIATE_TEST_SUITE_P(
    Each, RunawayCall,
    testing::Values(
        Stopper {"Escape", [](Uint32 w) { return std::vector {KeyEvent(w, SDL_KEYDOWN, SDLK_ESCAPE)}; }, {"escape"}, {},
                 false},
        Stopper {"EscapeTwice",
                 [](Uint32 w) { return std::vector {KeyEvent(w, SDL_KEYDOWN, SDLK_ESCAPE), KeyEvent(w, SDL_KEYDOWN, SDLK_ESCAPE)}; },
                 {"escape"}, {}, false},
        Stopper {"CloseBox", [](Uint32 w) { return std::vector {WindowEvent(w, SDL_WINDOWEVENT_CLOSE)}; }, {"close"}, {},
                 true},
        Stopper {"TerminationSignal", [](Uint32) { return std::vector {SDL_Event {.type = SDL_QUIT}}; }, {"close"}, {},
                 true},
        // 50 x 60 pixels of 800 x 600 are 50 x 60 units: on the Stop button.
        Stopper {"StopButton", [](Uint32 w) { return std::vector {ButtonEvent(w, SDL_MOUSEBUTTONDOWN, 50, 60)}; },
                 {"press"}, {"50,60 0"}, false},
        Stopper {"PressElsewhereThenEscape",
                 [](Uint32 w) {
                     return std::vector {ButtonEvent(w, SDL_MOUSEBUTTONDOWN, 400, 300), KeyEvent(w, SDL_KEYDOWN, SDLK_ESCAPE)};
                 },
                 {"escape"}, {"400,300 0"}, false},
        Stopper {"EscapeThenClose",
                 [](Uint32 w) { return std::vector {KeyEvent(w, SDL_KEYDOWN, SDLK_ESCAPE), WindowEvent(w, SDL_WINDOWEVENT_CLOSE)}; },
                 {"escape", "close"}, {}, true}),
    [](const testing::TestParamInfo<Stopper>& info) { return std::string(info.param.Name); });

TEST_F(CallWaitRun, TheWindowIsDrawnEveryFrameFromAboutASecondOn) {
    WaitAtStep2(Runaway, [](Uint32 w) { return std::vector {KeyEvent(w, SDL_KEYDOWN, SDLK_ESCAPE)}; }, 1400ms);
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    EXPECT_EQ(m_causes, Lines {"escape"});
    ASSERT_GE(m_drawnAt.size(), 3u) << "about 0.4 s of frames at 60 a second";
    EXPECT_GE(m_drawnAt.front(), BusyDrawDelay);
    EXPECT_LT(m_drawnAt.front(), BusyDrawDelay + 0.3);
    EXPECT_TRUE(std::is_sorted(m_drawnAt.begin(), m_drawnAt.end()));
    EXPECT_LE(m_drawnAt.size(), size_t((m_result.Seconds - BusyDrawDelay) * BusyFrameRate) + 2) << "paced, not spinning";
    EXPECT_EQ(m_presentsDuring, m_drawnAt.size()) << "each frame drawn is presented";
    EXPECT_EQ(m_stepsAfter, m_stepsBefore);
}

// A resize made just before the wait is handled during it (the device is reset there and the
// window drawn again at once); input other than releases is dropped, and the releases reach
// the hook after the call, so that nothing stays held.
TEST_F(CallWaitRun, TheWindowsMessagesAreTakenMeanwhile) {
    WaitAtStep2(
        Runaway,
        [](Uint32 w) {
            return std::vector {KeyEvent(w, SDL_KEYDOWN, SDLK_a), KeyEvent(w, SDL_KEYUP, SDLK_a),
                                ButtonEvent(w, SDL_MOUSEBUTTONUP, 400, 300), KeyEvent(w, SDL_KEYDOWN, SDLK_ESCAPE)};
        },
        200ms, [] { SDL_SetWindowSize(SDL_GetWindowFromID(Window()), 1000, 700); });
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    EXPECT_EQ(m_causes, Lines {"escape"});
    EXPECT_EQ(m_log->CountCalls("Reset"), 1u);
    ASSERT_FALSE(m_drawnAt.empty());
    EXPECT_LT(m_drawnAt.front(), BusyDrawDelay);
    Journal expected = Concat(SetUpJournal, {"call started"});
    expected = Concat(Concat(expected, ResetJournal), {"call ended", "hook up 65", "hook button 1"});
    EXPECT_EQ(m_journal, Concat(expected, CloseJournal));
}

TEST_F(CallWaitRun, AnExposedWindowIsDrawnAtOnce) {
    WaitAtStep2(Runaway, [](Uint32 w) {
        return std::vector {WindowEvent(w, SDL_WINDOWEVENT_EXPOSED), KeyEvent(w, SDL_KEYDOWN, SDLK_ESCAPE)};
    });
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(m_drawnAt.size(), 1u);
    EXPECT_LT(m_drawnAt.front(), BusyDrawDelay);
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
    WaitAtStep2(
        [](const StopFlag& stop) {
            errors::RaiseError("wywołanie padło");
            Runaway(stop);
        },
        [](Uint32 w) { return std::vector {KeyEvent(w, SDL_KEYDOWN, SDLK_ESCAPE)}; }, 1200ms);
    m_atStep[3] = [] { ADD_FAILURE() << "a failed frame ends the run"; };
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(callEntriesSeen);
    EXPECT_EQ(m_drawnAt.size(), 1u) << "no frame after the failed one";
    // The step that waited fails as well: the entries are in the trail when it returns.
    ExpectTrail(errors::ErrorEntries(), {".+wywołanie padło", ".+rysunek padł", F("Błąd podczas działania programu \\(rysowanie\\)"),
                                         F("Błąd podczas działania programu \\(obliczenia\\)")});
}

TEST(CallWait, WithoutAWindowTheWaitOnlyWaits) {
    int hooks = 0;
    BackgroundCall call(Sleeping(60ms));
    CallWait wait;
    wait.WaitForEnd = [&call](double seconds) { return call.WaitForEnd(seconds); };
    wait.Stop = [&](StopCause) { ++hooks; };
    wait.Draw = [&](platform::Device&, double) { ++hooks; };
    CallWaitResult result = frame::WaitForCall(wait);
    EXPECT_TRUE(result.Long);
    EXPECT_GE(result.Seconds, 0.05);
    EXPECT_EQ(hooks, 0);
}

}  // namespace
}  // namespace frame
