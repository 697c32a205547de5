// frame::Run end to end over SDL's offscreen video driver and the recording device: the stages
// and their failures, the loop with pauses, suspension and errors, device loss and reset,
// resizing, display-mode changes, the clip stack and the input that reaches the receiver.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <SDL.h>
#include <cmath>
#include <functional>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "errors/ErrorTrail.h"
#include "frame/Framework.h"
#include "frame/InputDispatcher.h"
#include "platform/RecordingDevice.h"

namespace {

using platform::RecordingDirect3D;
using Journal = std::vector<std::string>;

// Writes "name.Operation" into a shared journal, fails in the operation it is told to and
// runs an optional action in RestoreDeviceObjects (where the device exists).
class Probe : public frame::FrameObject {
public:
    Probe(std::string name, Journal& journal) : m_name(std::move(name)), m_journal(journal) {}

    std::string FailIn;
    bool ThrowInInit { false };
    std::function<void()> OnRestore;

    void Init() override {
        Note("Init");
        if (ThrowInInit) throw std::runtime_error("zepsute");
    }
    void Shutdown() override { Note("Shutdown"); }
    void CreateDeviceObjects() override { Note("Create"); }
    void ReleaseDeviceObjects() override { Note("Release"); }
    void RestoreDeviceObjects() override {
        Note("Restore");
        if (OnRestore) OnRestore();
    }
    void InvalidateDeviceObjects() override { Note("Invalidate"); }

private:
    void Note(const std::string& operation) {
        m_journal.push_back(m_name + "." + operation);
        if (operation == FailIn) RaiseError(m_name + " nie działa");
    }

    std::string m_name;
    Journal& m_journal;
};

// Records what reaches it, as text.
class Receiver : public frame::InputReceiver {
public:
    std::vector<std::string> Seen;

    bool MouseMove(frame::VirtualPoint p) override { return Note("move " + At(p)); }
    bool MouseButton(frame::VirtualPoint p, int button, int action) override {
        return Note("button " + std::to_string(button) + " " + std::to_string(action) + " " + At(p));
    }
    bool MouseWheel(frame::VirtualPoint p, int distance) override {
        return Note("wheel " + std::to_string(distance) + " " + At(p));
    }
    bool KeyDown(uint32_t key) override { return Note("down " + std::to_string(key)); }
    bool KeyUp(uint32_t key) override { return Note("up " + std::to_string(key)); }
    bool Char(uint32_t code) override { return Note("char " + std::to_string(code)); }

private:
    static std::string At(frame::VirtualPoint p) {
        char text[64];
        std::snprintf(text, sizeof text, "%.1f,%.1f", p.X, p.Y);
        return text;
    }
    bool Note(std::string line) {
        Seen.push_back(std::move(line));
        return true;
    }
};

class FrameworkRun : public testing::Test {
protected:
    static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "offscreen", 0); }

    void SetUp() override {
        ClearErrors();
        frame::ClearRegistry();
        frame::SetDeviceBackend({[this] {
                                     auto direct3d = std::make_unique<RecordingDirect3D>();
                                     m_direct3d = direct3d.get();
                                     if (PrepareDirect3D) PrepareDirect3D(*direct3d);
                                     return direct3d;
                                 },
                                 false});
        frame::SetTimeSource([this] { return m_now; });
        m_config.Title = "Test";
        m_config.MinWidth = 640;
        m_config.MinHeight = 480;
        m_config.MessageHook = [this](const platform::WindowMessage& message) {
            m_dispatcher.Dispatch(message);
            if (OnMessage) OnMessage(message);
        };
        m_config.UpdateCallback = [this] {
            ++m_steps;
            m_now += 0.01;
            m_frameTimes.push_back(frame::GetFrameTime());
            if (auto at = AtStep.find(m_steps); at != AtStep.end()) at->second();
        };
        m_config.DrawCallback = [this] {
            ++m_frames;
            if (auto at = AtFrame.find(m_frames); at != AtFrame.end()) at->second();
        };
        // A run that goes wrong ends anyway: a signal-style quit after ten seconds.
        m_watchdog = SDL_AddTimer(10000, [](Uint32, void*) -> Uint32 {
            SDL_Event quit {};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
            return 0;
        }, nullptr);
    }

    void TearDown() override {
        SDL_RemoveTimer(m_watchdog);
        frame::ClearRegistry();
        frame::SetDeviceBackend({});
        frame::SetTimeSource(nullptr);
        ClearErrors();
    }

    int Run(frame::DisplayMode mode = {800, 600, 100, false}) {
        if (AtStep.empty() && AtFrame.empty()) AtStep[5] = [] { frame::RequestClose(); };
        m_objectsA.FailIn = FailA;
        m_objectsB.FailIn = FailB;
        frame::Register(&m_objectsA);
        frame::Register(&m_objectsB);
        return frame::Run(m_config, mode);
    }

    // Pushes an SDL event for the framework's window.
    static void PushWindowEvent(Uint8 what) {
        SDL_Event event {};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = SDL_GetWindowID(frame::GetWindow());
        event.window.event = what;
        SDL_PushEvent(&event);
    }
    static void PushKey(Uint32 type, SDL_Keycode key) {
        SDL_Event event {};
        event.type = type;
        event.key.windowID = SDL_GetWindowID(frame::GetWindow());
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }
    static void PushButton(Uint32 type, Uint8 clicks, int x, int y) {
        SDL_Event event {};
        event.type = type;
        event.button.windowID = SDL_GetWindowID(frame::GetWindow());
        event.button.button = SDL_BUTTON_LEFT;
        event.button.clicks = clicks;
        event.button.x = x;
        event.button.y = y;
        SDL_PushEvent(&event);
    }

    // Journal entries from `from` on.
    Journal JournalFrom(size_t from) const { return Journal(m_journal.begin() + static_cast<long>(from), m_journal.end()); }

    std::vector<std::string> Trail() const { return ErrorEntries(); }

    // "[Framework,<line>] " + message: an entry made by the framework itself.
    static testing::Matcher<std::string> FrameworkEntry(const std::string& message) {
        return testing::MatchesRegex("\\[Framework,[0-9]+\\] " + message);
    }

    Journal m_journal;
    Probe m_objectsA { "A", m_journal };
    Probe m_objectsB { "B", m_journal };
    std::string FailA, FailB;
    frame::FrameConfig m_config;
    frame::InputDispatcher m_dispatcher;
    std::function<void(RecordingDirect3D&)> PrepareDirect3D;
    std::function<void(const platform::WindowMessage&)> OnMessage;
    std::map<int, std::function<void()>> AtStep, AtFrame;
    RecordingDirect3D* m_direct3d { nullptr };
    double m_now { 100.0 };
    int m_steps { 0 };
    int m_frames { 0 };
    std::vector<float> m_frameTimes;
    SDL_TimerID m_watchdog { 0 };
};

const Journal SetUpJournal {"A.Init", "B.Init", "A.Create", "B.Create", "A.Restore", "B.Restore"};
const Journal CloseJournal {"B.Invalidate", "A.Invalidate", "B.Release", "A.Release", "B.Shutdown", "A.Shutdown"};

Journal Concat(Journal a, const Journal& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// --- Stages ---

TEST_F(FrameworkRun, ANormalRunBringsEveryObjectUpAndTearsThemDownInReverse) {
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(m_journal, Concat(SetUpJournal, CloseJournal));
    EXPECT_FALSE(ErrorRaised()) << testing::PrintToString(Trail());
    EXPECT_EQ(m_steps, 5);
    EXPECT_EQ(m_frames, 5) << "asking to close is no error: that step's frame is drawn";
    EXPECT_EQ(frame::GetWindow(), nullptr);
    EXPECT_EQ(frame::GetDevice(), nullptr);
}

struct StageFailure {
    const char* Name;
    const char* FailB;
    int Code;
    const char* Stage;
    Journal Expected;

    friend void PrintTo(const StageFailure& failure, std::ostream* out) { *out << failure.Name; }
};

class FrameworkStages : public FrameworkRun, public testing::WithParamInterface<StageFailure> {};

TEST_P(FrameworkStages, AFailingSecondObjectUndoesWhatWasDoneAndNamesTheStage) {
    const StageFailure& failure = GetParam();
    FailB = failure.FailB;
    EXPECT_EQ(Run(), failure.Code);
    EXPECT_EQ(m_journal, failure.Expected);
    EXPECT_THAT(Trail(), testing::ElementsAre(testing::EndsWith("B nie działa"),
                                              FrameworkEntry(std::string("Nie można zainicjalizować programu \\(etap ") +
                                                             failure.Stage + "/3\\)")));
    EXPECT_EQ(m_steps, 0);
    EXPECT_EQ(frame::GetWindow(), nullptr);
    EXPECT_EQ(frame::GetDevice(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    EachStage, FrameworkStages,
    testing::Values(StageFailure {"Init", "Init", -4, "1", {"A.Init", "B.Init", "A.Shutdown"}},
                    StageFailure {"Create",
                                  "Create",
                                  -6,
                                  "2",
                                  {"A.Init", "B.Init", "A.Create", "B.Create", "A.Release", "B.Shutdown", "A.Shutdown"}},
                    StageFailure {"Restore", "Restore", -7, "3", Concat(SetUpJournal, {"A.Invalidate", "B.Release",
                                                                                        "A.Release", "B.Shutdown",
                                                                                        "A.Shutdown"})}),
    [](const testing::TestParamInfo<StageFailure>& info) { return info.param.Name; });

TEST_F(FrameworkRun, WithoutAnAdapterObjectNothingStarts) {
    frame::SetDeviceBackend({[] { return std::unique_ptr<platform::Direct3D>(); }, false});
    EXPECT_EQ(Run(), -1);
    EXPECT_TRUE(m_journal.empty());
    EXPECT_THAT(Trail(), testing::ElementsAre(
                             FrameworkEntry("Nie można zainicjalizować Direct3D 9 \\(wymaga conajmniej DirectX 9.0c\\)")));
}

TEST_F(FrameworkRun, WithoutVideoNothingStarts) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) GTEST_SKIP() << "video was started by an earlier test of this process";
    const char* driver = SDL_getenv("SDL_VIDEODRIVER");
    std::string saved = driver ? driver : "";
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    int code = Run();
    setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
    EXPECT_EQ(code, -2);
    EXPECT_TRUE(m_journal.empty());
    EXPECT_THAT(Trail(), testing::ElementsAre(FrameworkEntry("\\(SDL\\) .+"),
                                              FrameworkEntry("Nie można zarejestrować klasy okna")));
}

TEST_F(FrameworkRun, AWindowThatCannotBeMadeStopsTheRunBeforeAnyObject) {
    EXPECT_EQ(Run({20000, 600, 60, false}), -3);
    EXPECT_TRUE(m_journal.empty());
    EXPECT_THAT(Trail(), testing::ElementsAre(FrameworkEntry("\\(SDL\\) .+"), FrameworkEntry("Nie można utworzyć okna")));
    EXPECT_EQ(frame::GetWindow(), nullptr);
}

TEST_F(FrameworkRun, AFailedDeviceCreationShutsTheObjectsDownWithTheDeviceChain) {
    PrepareDirect3D = [](RecordingDirect3D& direct3d) { direct3d.Log().FailCall("CreateDevice"); };
    EXPECT_EQ(Run(), -5);
    EXPECT_EQ(m_journal, (Journal {"A.Init", "B.Init", "B.Shutdown", "A.Shutdown"}));
    EXPECT_THAT(Trail(), testing::ElementsAre(
                             FrameworkEntry("\\(Device,2289436780\\) D3DERR_INVALIDCALL \\(Invalid call\\)"),
                             FrameworkEntry("Nie można utworzyć urządzenia \\(prawdopodobnie za słaby sprzęt - karta "
                                            "graficzna bez akceleracji\\)")));
}

TEST_F(FrameworkRun, AFailedDefaultStateFailsStageThreeBeforeAnyRestore) {
    PrepareDirect3D = [](RecordingDirect3D& direct3d) { direct3d.Log().FailCall("CreateStateBlock"); };
    EXPECT_EQ(Run(), -7);
    EXPECT_EQ(m_journal, (Journal {"A.Init", "B.Init", "A.Create", "B.Create", "B.Release", "A.Release", "B.Shutdown",
                                   "A.Shutdown"}));
    EXPECT_THAT(Trail(), testing::ElementsAre(testing::HasSubstr("D3DERR_INVALIDCALL"),
                                              FrameworkEntry("Nie można zapamiętać domyślnego stanu urządzenia"),
                                              FrameworkEntry("Nie można zainicjalizować programu \\(etap 3/3\\)")));
}

TEST_F(FrameworkRun, AnExceptionEndsTheRunWithMinusEleven) {
    m_objectsB.ThrowInInit = true;
    EXPECT_EQ(Run(), -11);
    EXPECT_THAT(Trail(), testing::ElementsAre("zepsute", FrameworkEntry("Błąd biblioteki standardowej C\\+\\+")));
}

// --- The loop ---

TEST_F(FrameworkRun, AnErrorWhileComputingEndsTheRunWithItsChain) {
    AtStep[3] = [] { RaiseError("obliczenia padły"); };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(m_steps, 3);
    EXPECT_EQ(m_frames, 2);
    EXPECT_EQ(m_journal, Concat(SetUpJournal, CloseJournal));
    EXPECT_THAT(Trail(), testing::ElementsAre(testing::EndsWith("obliczenia padły"),
                                              FrameworkEntry("Błąd podczas działania programu \\(obliczenia\\)")));
}

TEST_F(FrameworkRun, AnErrorWhileDrawingEndsTheRunWithoutPresentingThatFrame) {
    size_t presents = 0;
    AtFrame[2] = [&] {
        presents = m_direct3d->LastDevice()->Log().CountCalls("Present");
        RaiseError("rysowanie padło");
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(presents, 1u);
    EXPECT_EQ(m_steps, 2);
    EXPECT_THAT(Trail(), testing::ElementsAre(testing::EndsWith("rysowanie padło"),
                                              FrameworkEntry("Błąd podczas działania programu \\(rysowanie\\)")));
}

TEST_F(FrameworkRun, AFailedPresentIsADrawingError) {
    AtFrame[2] = [&] { m_direct3d->LastDevice()->Log().FailCall("Present", 1, platform::D3DERR_DRIVERINTERNALERROR); };
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(Trail(), testing::ElementsAre(testing::HasSubstr("D3DERR_DRIVERINTERNALERROR"),
                                              FrameworkEntry("Nie można wyświetlić ekranu"),
                                              FrameworkEntry("Błąd podczas działania programu \\(rysowanie\\)")));
}

TEST_F(FrameworkRun, WhilePausedNeitherStepsNorFramesHappenAndTheClockResynchronises) {
    int stepsAtPause = 0, framesAtPause = 0, stepsAtResume = -1, framesAtResume = -1;
    AtStep[3] = [&] {
        stepsAtPause = m_steps;
        framesAtPause = m_frames;
        frame::Pause();
        frame::Pause();
        PushKey(SDL_KEYDOWN, SDLK_a);
        PushKey(SDL_KEYDOWN, SDLK_b);
    };
    OnMessage = [&](const platform::WindowMessage& message) {
        if (message.Kind != platform::MessageKind::KeyDown) return;
        m_now += 30.0;  // a long modal dialog
        frame::Resume();
        if (frame::GetPauseCounter() == 0) {
            stepsAtResume = m_steps;
            framesAtResume = m_frames;
        }
    };
    AtStep[6] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(stepsAtResume, stepsAtPause);
    EXPECT_EQ(framesAtResume, framesAtPause) << "the pausing step's own frame is not drawn either";
    ASSERT_EQ(m_frameTimes.size(), 6u);
    EXPECT_FLOAT_EQ(m_frameTimes[3], 0.0f) << "the minute of the dialog is no frame time";
    EXPECT_NEAR(m_frameTimes[4], 0.01f, 1e-3f);
}

TEST_F(FrameworkRun, MinimisingSuspendsComputingAndDrawingUntilRestored) {
    int stepsWhileMinimised = -1, framesWhileMinimised = -1;
    bool suspendedWhileMinimised = false;
    AtStep[3] = [&] {
        PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
        PushKey(SDL_KEYDOWN, SDLK_a);
    };
    OnMessage = [&](const platform::WindowMessage& message) {
        if (message.Kind != platform::MessageKind::KeyDown) return;
        stepsWhileMinimised = m_steps;
        framesWhileMinimised = m_frames;
        suspendedWhileMinimised = frame::IsSuspended();
        m_now += 60.0;
        PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    };
    AtStep[8] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(suspendedWhileMinimised);
    EXPECT_EQ(stepsWhileMinimised, 3);
    EXPECT_EQ(framesWhileMinimised, 3);
    ASSERT_EQ(m_frameTimes.size(), 8u);
    EXPECT_FLOAT_EQ(m_frameTimes[3], 0.0f) << "restoring resynchronises the clock";
    EXPECT_EQ(m_frames, 8) << "frames resume after the restore";
}

TEST_F(FrameworkRun, WhileMinimisedTheSuspendTimerStillStepsButNothingIsDrawn) {
    m_config.SuspendTimerPeriod = 0.005f;
    int framesAtMinimise = -1, framesAtRestore = -1;
    bool suspended = false;
    AtStep[2] = [&] { PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED); };
    AtStep[3] = [&] {
        suspended = frame::IsSuspended();
        framesAtMinimise = m_frames;
    };
    AtStep[6] = [&] {
        framesAtRestore = m_frames;
        PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    };
    AtStep[9] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(suspended) << "step 3 came from the timer";
    EXPECT_EQ(framesAtRestore, framesAtMinimise) << "the timer's steps 3 to 6 draw nothing";
}

class FrameworkEscape : public FrameworkRun, public testing::WithParamInterface<bool> {};

TEST_P(FrameworkEscape, EscapeClosesOnlyWhenConfiguredToAndReachesTheReceiverAnyway) {
    bool escapeCloses = GetParam();
    Receiver receiver;
    m_dispatcher.SetReceiver(&receiver);
    m_config.EscapeCloses = escapeCloses;
    AtStep[2] = [] { PushKey(SDL_KEYDOWN, SDLK_ESCAPE); };
    AtStep[20] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    m_dispatcher.SetReceiver(nullptr);
    EXPECT_EQ(m_steps, escapeCloses ? 2 : 20);
    EXPECT_EQ(receiver.Seen, (std::vector<std::string> {"down 27", "char 27"}));
}

INSTANTIATE_TEST_SUITE_P(Both, FrameworkEscape, testing::Bool());

// --- Device loss, reset, resize and mode changes ---

TEST_F(FrameworkRun, ALostDeviceIsResetWhenItCanBeAndDrawingResumes) {
    size_t journalAtLoss = 0;
    int framesAtLoss = 0;
    AtFrame[2] = [&] {
        journalAtLoss = m_journal.size();
        framesAtLoss = m_frames;
        m_direct3d->LastDevice()->LoseDevice(1);
    };
    AtFrame[5] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(ErrorRaised()) << testing::PrintToString(Trail());
    EXPECT_EQ(framesAtLoss, 2);
    EXPECT_EQ(m_frames, 5) << "drawing came back without any window message";
    Journal afterLoss = JournalFrom(journalAtLoss);
    afterLoss.resize(std::min<size_t>(afterLoss.size(), 4));
    EXPECT_EQ(afterLoss, (Journal {"B.Invalidate", "A.Invalidate", "A.Restore", "B.Restore"}));
}

TEST_F(FrameworkRun, AFailedResetEndsTheRun) {
    AtFrame[2] = [&] {
        platform::RecordingDevice* device = m_direct3d->LastDevice();
        device->LoseDevice(0);
        device->Log().FailCall("Reset");
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(Trail(), testing::ElementsAre(testing::HasSubstr("D3DERR_INVALIDCALL"),
                                              FrameworkEntry("Nie można zresetować urządzenia")));
    EXPECT_EQ(m_journal, Concat(SetUpJournal, {"B.Invalidate", "A.Invalidate", "B.Release", "A.Release", "B.Shutdown",
                                               "A.Shutdown"}));
}

TEST_F(FrameworkRun, AFailedRestoreAfterAResetEndsTheRunWithItsMessage) {
    AtFrame[2] = [&] {
        m_direct3d->LastDevice()->LoseDevice(0);
        m_objectsB.FailIn = "Restore";
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(Trail(), testing::ElementsAre(testing::EndsWith("B nie działa"),
                                              FrameworkEntry("Nie można przywrócić urządzenia po zresetowaniu")));
}

TEST_F(FrameworkRun, AnUnusableDeviceEndsTheRun) {
    AtFrame[2] = [&] {
        platform::RecordingDevice* device = m_direct3d->LastDevice();
        device->LoseDevice(0);
        device->Log().FailCall("TestCooperativeLevel", 1, platform::D3DERR_DRIVERINTERNALERROR);
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(Trail(), testing::ElementsAre(
                             testing::HasSubstr("D3DERR_DRIVERINTERNALERROR"),
                             FrameworkEntry("Błąd podczas testowania poziomu kooperatywności urządzenia")));
}

TEST_F(FrameworkRun, ResizingResetsTheBackBufferOnceWithOneInvalidateAndRestoreEach) {
    size_t journalAtResize = 0, resets = 0;
    platform::Viewport viewport;
    AtStep[2] = [&] {
        journalAtResize = m_journal.size();
        SDL_SetWindowSize(frame::GetWindow(), 1000, 700);
    };
    AtStep[4] = [&] {
        frame::GetDevice()->GetViewport(viewport);
        resets = m_direct3d->LastDevice()->Log().CountCalls("Reset");
        frame::RequestClose();
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(JournalFrom(journalAtResize),
              Concat({"B.Invalidate", "A.Invalidate", "A.Restore", "B.Restore"}, CloseJournal));
    EXPECT_EQ(resets, 1u);
    EXPECT_EQ(viewport, (platform::Viewport {0, 0, 1000, 700, -999.0f, 999.0f}));
    EXPECT_EQ(frame::GetDisplayMode().ModeWidth, 1000u);
    EXPECT_EQ(frame::GetDisplayMode().ModeHeight, 700u);
}

TEST_F(FrameworkRun, ChangingToTheCurrentModeDoesNothing) {
    size_t journalBefore = 0, journalAfter = 0;
    AtStep[2] = [&] {
        journalBefore = m_journal.size();
        frame::ChangeDisplayMode({800, 600, 60, false});  // windowed: the refresh rate does not count
        journalAfter = m_journal.size();
        frame::RequestClose();
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(journalAfter, journalBefore);
}

TEST_F(FrameworkRun, FullScreenAndBackRebuildsTheDeviceAndMovesTheCursorOneStepEachWay) {
    m_config.CursorFullScreen = false;
    size_t journalAtChange = 0;
    bool fullScreenDevice = false, windowedAgain = false;
    int counterInFullScreen = 0, counterBack = -5;
    AtStep[2] = [&] {
        journalAtChange = m_journal.size();
        frame::ChangeDisplayMode({1024, 768, 60, true});
        fullScreenDevice = m_direct3d->Log().CountCalls("CreateDevice") == 2;
        counterInFullScreen = SDL_ShowCursor(SDL_QUERY);
    };
    AtStep[3] = [&] {
        frame::ChangeDisplayMode({800, 600, 100, false});
        windowedAgain = frame::GetDisplayMode() == frame::DisplayMode {800, 600, 100, false};
        counterBack = SDL_ShowCursor(SDL_QUERY);
        frame::RequestClose();
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(ErrorRaised()) << testing::PrintToString(Trail());
    EXPECT_TRUE(fullScreenDevice);
    EXPECT_TRUE(windowedAgain);
    EXPECT_EQ(counterInFullScreen, SDL_DISABLE);
    EXPECT_EQ(counterBack, SDL_ENABLE);
    const Journal change {"B.Invalidate", "A.Invalidate", "B.Release", "A.Release", "A.Create", "B.Create", "A.Restore",
                          "B.Restore"};
    EXPECT_EQ(JournalFrom(journalAtChange), Concat(Concat(change, change), CloseJournal));
}

TEST_F(FrameworkRun, ModesAreEnumeratedAsFullScreenModes) {
    std::vector<frame::DisplayMode> listed;
    std::vector<platform::DisplayMode> offered;
    AtStep[1] = [&] {
        offered = m_direct3d->Modes();
        frame::BeginModeEnumeration();
        frame::DisplayMode mode;
        while (frame::NextDisplayMode(mode)) listed.push_back(mode);
        frame::RequestClose();
    };
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(listed.size(), offered.size());
    ASSERT_FALSE(listed.empty());
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i], (frame::DisplayMode {offered[i].Width, offered[i].Height, offered[i].RefreshRate, true}));
    }
}

// --- Viewports, the clip stack and the conversions ---

TEST_F(FrameworkRun, TheClipStackIntersectsAppliesAndUnwinds) {
    std::vector<platform::Viewport> viewports;
    platform::Matrix projection;
    std::vector<std::string> thirdPop;
    m_objectsB.OnRestore = [&] {
        platform::Device* device = frame::GetDevice();
        platform::Viewport viewport;
        frame::PushClipRect({0, 0, 100, 100});
        frame::PushClipRect({50, 50, 200, 200});
        device->GetViewport(viewport);
        viewports.push_back(viewport);
        device->GetTransform(platform::D3DTS_PROJECTION, projection);
        frame::PopClipRect();
        device->GetViewport(viewport);
        viewports.push_back(viewport);
        frame::PopClipRect();
        device->GetViewport(viewport);
        viewports.push_back(viewport);
        EXPECT_FALSE(ErrorRaised());
        frame::PopClipRect();
        thirdPop = ErrorEntries();
        ClearErrors();
    };
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(viewports.size(), 3u);
    EXPECT_EQ(viewports[0], (platform::Viewport {50, 50, 50, 50, -999.0f, 999.0f}));
    EXPECT_EQ(projection, platform::MatrixOrthoOffCenterLH(50, 100, 100, 50, -999.0f, 999.0f));
    EXPECT_EQ(viewports[1], (platform::Viewport {0, 0, 100, 100, -999.0f, 999.0f}));
    EXPECT_EQ(viewports[2], (platform::Viewport {0, 0, 800, 600, -999.0f, 999.0f}));
    EXPECT_THAT(thirdPop, testing::ElementsAre(FrameworkEntry("Stos ograniczających prostokątów jest pusty"),
                                               FrameworkEntry("Nie można usunąć obcinającego prostokąta")));
}

TEST_F(FrameworkRun, DisjointOrTouchingClipRectanglesLeaveNothing) {
    std::vector<platform::Viewport> viewports;
    m_objectsB.OnRestore = [&] {
        for (frame::VirtualRect second : {frame::VirtualRect {100, 0, 200, 100}, frame::VirtualRect {300, 300, 400, 400}}) {
            frame::PushClipRect({0, 0, 100, 100});
            frame::PushClipRect(second);
            platform::Viewport viewport;
            frame::GetDevice()->GetViewport(viewport);
            viewports.push_back(viewport);
            frame::PopClipRect();
            frame::PopClipRect();
        }
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(ErrorRaised()) << testing::PrintToString(Trail());
    ASSERT_EQ(viewports.size(), 2u);
    for (const platform::Viewport& viewport : viewports)
        EXPECT_EQ(viewport, (platform::Viewport {0, 0, 0, 0, -999.0f, 999.0f}));
}

TEST_F(FrameworkRun, ConversionsFollowTheBackBufferSize) {
    frame::VirtualPoint pixel, back;
    frame::VirtualRect rect;
    float x = 0;
    AtStep[1] = [&] {
        pixel = frame::ToPixels({400, 300});
        back = frame::ToVirtual({512, 384});
        rect = frame::RectToPixels({0, 0, 800, 600});
        x = frame::ToVirtualX(256);
        frame::RequestClose();
    };
    EXPECT_EQ(Run({1024, 768, 60, false}), 0);
    EXPECT_FLOAT_EQ(pixel.X, 512);
    EXPECT_FLOAT_EQ(pixel.Y, 384);
    EXPECT_FLOAT_EQ(back.X, 400);
    EXPECT_FLOAT_EQ(back.Y, 300);
    EXPECT_FLOAT_EQ(rect.Right, 1024);
    EXPECT_FLOAT_EQ(rect.Bottom, 768);
    EXPECT_FLOAT_EQ(x, 200);
}

// --- Window services and input ---

TEST_F(FrameworkRun, TheTitleShowsWindows1250BytesAsTheirLetters) {
    std::string shown;
    AtStep[1] = [&] {
        frame::SetWindowTitle("Vorlen 1.0 [Gra w \xBF" "ycie]");
        shown = SDL_GetWindowTitle(frame::GetWindow());
        frame::RequestClose();
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(shown, "Vorlen 1.0 [Gra w życie]");
}

TEST_F(FrameworkRun, InputReachesTheReceiverInVirtualUnitsWithCaptureFromPressToRelease) {
    Receiver receiver;
    m_dispatcher.SetReceiver(&receiver);
    std::vector<bool> captured;
    bool ctrlSeen = false;
    AtStep[2] = [&] {
        SDL_SetWindowSize(frame::GetWindow(), 1000, 750);
        SDL_Event move {};
        move.type = SDL_MOUSEMOTION;
        move.motion.windowID = SDL_GetWindowID(frame::GetWindow());
        move.motion.x = 500;
        move.motion.y = 375;
        SDL_PushEvent(&move);
        PushButton(SDL_MOUSEBUTTONDOWN, 1, 100, 75);
        PushButton(SDL_MOUSEBUTTONUP, 1, 100, 75);
        PushButton(SDL_MOUSEBUTTONDOWN, 2, 100, 75);
        PushButton(SDL_MOUSEBUTTONUP, 2, 100, 75);
        PushKey(SDL_KEYDOWN, SDLK_LCTRL);
        PushKey(SDL_KEYDOWN, SDLK_s);
        PushKey(SDL_KEYUP, SDLK_LCTRL);
    };
    OnMessage = [&](const platform::WindowMessage& message) {
        if (message.Kind == platform::MessageKind::MouseButton) captured.push_back(frame::IsMouseCaptured());
        if (message.Kind == platform::MessageKind::KeyDown && message.Key == 'S') ctrlSeen = frame::IsKeyDown(17);
    };
    AtStep[4] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    m_dispatcher.SetReceiver(nullptr);
    EXPECT_EQ(receiver.Seen,
              (std::vector<std::string> {"move 400.0,300.0", "button 0 0 80.0,60.0", "button 0 1 80.0,60.0",
                                         "button 0 2 80.0,60.0", "button 0 1 80.0,60.0", "down 17", "down 83",
                                         "up 17"}));
    EXPECT_EQ(captured, (std::vector<bool> {true, false, false, false})) << "a double click does not capture";
    EXPECT_TRUE(ctrlSeen);
}

}  // namespace
