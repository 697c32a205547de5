#pragma once
// frame::Run over SDL's offscreen video driver and the recording device, with the clock on an
// injected time source that advances 10 ms a step: the fixture of the framework's run tests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <SDL.h>
#include <map>
#include <memory>

#include "frame/Framework.h"
#include "frame/InputDispatcher.h"
#include "FrameTestSupport.h"
#include "platform/recording/RecordingDevice.h"

namespace frame {

using platform::MessageKind;
using platform::Viewport;
using Lines = std::vector<std::string>;

// Records the input that reaches it, positions in virtual units.
struct Receiver : frame::InputReceiver {
    Lines Seen;
    bool MouseMove(cells::VirtualPoint p) override { return Note("move", p); }
    bool MouseButton(cells::VirtualPoint p, int button, int action) override {
        return Note("button " + std::to_string(button) + " " + std::to_string(action), p);
    }
    bool MouseWheel(cells::VirtualPoint p, int distance) override { return Note("wheel " + std::to_string(distance), p); }
    bool KeyDown(uint32_t key) override { return Note("down " + std::to_string(key)); }
    bool KeyUp(uint32_t key) override { return Note("up " + std::to_string(key)); }
    bool Char(uint32_t code) override { return Note("char " + std::to_string(code)); }
    bool Note(std::string line, cells::VirtualPoint p = {-1, -1}) {
        Seen.push_back(p.X < 0 ? line : line + " " + std::to_string(int(p.X)) + "," + std::to_string(int(p.Y)));
        return true;
    }
};

inline const Journal SetUpJournal {"A.Init", "B.Init", "A.Create", "B.Create", "A.Restore", "B.Restore"};
inline const Journal CloseJournal {"B.Invalidate", "A.Invalidate", "B.Release", "A.Release", "B.Shutdown", "A.Shutdown"};
inline const Journal ResetJournal {"B.Invalidate", "A.Invalidate", "A.Restore", "B.Restore"};

inline Journal Concat(Journal a, const Journal& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A trail entry made by the framework itself, as a regular expression.
inline std::string F(const std::string& message) { return "\\[Framework,[0-9]+\\] " + message; }

inline void ExpectTrail(const Lines& entries, const Lines& patterns) {
    std::vector<testing::Matcher<std::string>> matchers;
    for (const std::string& pattern : patterns) matchers.push_back(testing::MatchesRegex(pattern));
    EXPECT_THAT(entries, testing::ElementsAreArray(matchers));
}

struct FrameworkRun : testing::Test {
    static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "offscreen", 0); }

    void SetUp() override {
        errors::ClearErrors();
        frame::ClearRegistry();
        m_seams.Device = {[this] {
                              auto direct3d = std::make_unique<platform::RecordingDirect3D>();
                              if (!m_failCall.empty()) direct3d->Log().FailCall(m_failCall);
                              m_direct3d = direct3d.get();
                              return direct3d;
                          },
                          false};
        m_seams.Time = [this] { return m_now; };
        m_config.UpdateCallback = [this](const TimeStep& step) {
            m_log = Device().SharedLog();
            m_now += 0.01;
            m_frameTimes.push_back(step.FrameTime);
            if (auto at = m_atStep.find(Steps()); at != m_atStep.end()) at->second();
        };
        m_config.DrawCallback = [this](platform::Device& device) {
            EXPECT_EQ(&device, frame::GetDevice());
            if (auto at = m_atFrame.find(++m_frames); at != m_atFrame.end()) at->second();
        };
        // A run that goes wrong ends anyway: a signal-style quit after ten seconds.
        m_watchdog = SDL_AddTimer(10000, [](Uint32, void*) -> Uint32 { return Push(SDL_QUIT, [](SDL_Event&) {}), 0; },
                                  nullptr);
    }

    void TearDown() override {
        SDL_RemoveTimer(m_watchdog);
        frame::ClearRegistry();
        errors::ClearErrors();
    }

    int Run() {
        frame::Register(&m_a);
        frame::Register(&m_b);
        return frame::Run(m_config, m_mode, m_seams);
    }
    int Steps() const { return int(m_frameTimes.size()); }
    platform::RecordingDevice& Device() { return *m_direct3d->LastDevice(); }
    Journal JournalFrom(size_t from) const { return Journal(m_journal.begin() + long(from), m_journal.end()); }

    // Pushes an SDL event of the type, filled in by `fill`, for the framework's window.
    template <class Fill>
    static void Push(Uint32 type, Fill fill) {
        SDL_Event event {};
        event.type = type;
        fill(event);
        SDL_PushEvent(&event);
    }
    static Uint32 Window() { return frame::GetWindowId(); }
    static void PushWindowEvent(Uint8 what) {
        Push(SDL_WINDOWEVENT, [&](SDL_Event& e) { e.window.windowID = Window(), e.window.event = what; });
    }
    static void PushKey(SDL_Keycode key, Uint32 type = SDL_KEYDOWN) {
        Push(type, [&](SDL_Event& e) { e.key.windowID = Window(), e.key.keysym.sym = key; });
    }

    Journal m_journal;
    Probe m_a {"A", m_journal}, m_b {"B", m_journal};
    std::string m_failCall;  // a call of the recording device that fails once
    frame::FrameConfig m_config;
    frame::RunSeams m_seams;
    frame::DisplayMode m_mode {800, 600, 100, false};
    std::map<int, std::function<void()>> m_atStep, m_atFrame;
    platform::RecordingDirect3D* m_direct3d { nullptr };
    std::shared_ptr<platform::RecordingLog> m_log;  // of the factory and all its devices
    double m_now { 100.0 };
    int m_frames { 0 };
    std::vector<float> m_frameTimes;  // as each step's update saw them
    SDL_TimerID m_watchdog { 0 };
};

}  // namespace frame
