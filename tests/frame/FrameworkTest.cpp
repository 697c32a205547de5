// frame::Run end to end over SDL's offscreen video driver and the recording device, with the
// clock on an injected time source that advances 10 ms a step.
#include "FrameworkRun.h"

namespace frame {
namespace {

// A failed start-up step undoes the earlier ones and returns its code; an error while running
// is recorded, closes the window and ends the run with 0 after the frame it happened in.
struct Failure {
    const char* Name;
    std::function<void(FrameworkRun&)> Prepare;
    int Code;
    Journal Expected;
    Lines Trail;
    friend void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.Name; }
};

struct FrameworkFailure : FrameworkRun, testing::WithParamInterface<Failure> {};

TEST_P(FrameworkFailure, UndoesWhatWasDoneAndLeavesTheChainInTheTrail) {
    const Failure& failure = GetParam();
    failure.Prepare(*this);
    EXPECT_EQ(Run(), failure.Code);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    EXPECT_EQ(m_journal, failure.Expected);
    ExpectTrail(errors::ErrorEntries(), failure.Trail);
    EXPECT_EQ(m_frames, failure.Code == 0 ? 2 : 0);
    // Whatever the run came to, nothing of it is left: the next run starts afresh.
    EXPECT_EQ(std::make_tuple(frame::GetWindowId(), frame::GetDevice(), SDL_WasInit(SDL_INIT_VIDEO)),
              std::make_tuple(0u, nullptr, 0u));
}

// While running, the failure comes at frame 2.
std::function<void(FrameworkRun&)> AtFrame2(std::function<void(FrameworkRun&)> action) {
    return [action](FrameworkRun& t) { t.m_atFrame[2] = [&t, action] { action(t); }; };
}

using T = FrameworkRun;  // what each row prepares
const Journal InitCreate {"A.Init", "B.Init", "A.Create", "B.Create"}, Closed = Concat(SetUpJournal, CloseJournal);
const Journal ReleaseShutdown {"B.Release", "A.Release", "B.Shutdown", "A.Shutdown"};
std::string Stage(char n) { return F("Nie można zainicjalizować programu \\(etap " + std::string(1, n) + "/3\\)"); }
std::string Running(const std::string& what) { return F("Błąd podczas działania programu \\(" + what + "\\)"); }
std::string DeviceEntry(const std::string& name) { return F("\\(Device,[0-9]+\\) " + name + " \\(.+\\)"); }
constexpr platform::Result Internal = platform::D3DERR_DRIVERINTERNALERROR;

INSTANTIATE_TEST_SUITE_P(
    Each, FrameworkFailure,
    testing::Values(
        Failure {"NoAdapterObject", [](T& t) { t.m_seams.Device = {[] { return nullptr; }, false}; }, -1, {},
                 {F("Nie można zainicjalizować Direct3D 9 \\(wymaga conajmniej DirectX 9.0c\\)")}},
        Failure {"NoVideo", [](T&) { setenv("SDL_VIDEODRIVER", "no-such-driver", 1); }, -2, {},
                 {F("\\(SDL\\) .+"), F("Nie można zarejestrować klasy okna")}},
        Failure {"NoWindow", [](T& t) { t.m_mode.ModeWidth = 20000; }, -3, {},
                 {F("\\(SDL\\) .+"), F("Nie można utworzyć okna")}},
        Failure {"Stage1", [](T& t) { t.m_b.FailIn = "Init"; }, -4, {"A.Init", "B.Init", "A.Shutdown"},
                 {".+B nie działa", Stage('1')}},
        Failure {"NoDevice", [](T& t) { t.m_failCall = "CreateDevice"; }, -5,
                 {"A.Init", "B.Init", "B.Shutdown", "A.Shutdown"},
                 {DeviceEntry("D3DERR_INVALIDCALL"), F("Nie można utworzyć urządzenia \\(prawdopodobnie za słaby "
                                                        "sprzęt - karta graficzna bez akceleracji\\)")}},
        // The second object fails: the first one's device objects are released, its own not.
        Failure {"Stage2", [](T& t) { t.m_b.FailIn = "Create"; }, -6,
                 Concat(InitCreate, {"A.Release", "B.Shutdown", "A.Shutdown"}), {".+B nie działa", Stage('2')}},
        Failure {"Stage3", [](T& t) { t.m_b.FailIn = "Restore"; }, -7,
                 Concat(Concat(SetUpJournal, {"A.Invalidate"}), ReleaseShutdown), {".+B nie działa", Stage('3')}},
        Failure {"NoDefaultState", [](T& t) { t.m_failCall = "CreateStateBlock"; }, -7, Concat(InitCreate, ReleaseShutdown),
                 {DeviceEntry(".+"), F("Nie można zapamiętać domyślnego stanu urządzenia"), Stage('3')}},
        Failure {"Exception", [](T& t) { t.m_b.ThrowInInit = true; }, -11, {"A.Init", "B.Init"},
                 {"zepsute", F("Błąd biblioteki standardowej C\\+\\+")}},
        Failure {"Computing", AtFrame2([](T& t) { t.m_atStep[3] = [] { errors::RaiseError("padło"); }; }), 0, Closed,
                 {".+padło", Running("obliczenia")}},
        // A frame that failed is not presented (the present would fail as well).
        Failure {"Drawing", AtFrame2([](T& t) { t.m_log->FailCall("Present", 1, Internal), errors::RaiseError("padło"); }), 0,
                 Closed, {".+padło", Running("rysowanie")}},
        Failure {"Present", AtFrame2([](T& t) { t.m_log->FailCall("Present", 1, Internal); }), 0, Closed,
                 {DeviceEntry("D3DERR_DRIVERINTERNALERROR"), F("Nie można wyświetlić ekranu"), Running("rysowanie")}},
        // Lost, then a failed reset: the objects were invalidated once, before the reset.
        Failure {"Reset", AtFrame2([](T& t) { t.Device().LoseDevice(0), t.m_log->FailCall("Reset"); }), 0, Closed,
                 {DeviceEntry("D3DERR_INVALIDCALL"), F("Nie można zresetować urządzenia")}},
        Failure {"RestoreAfterReset", AtFrame2([](T& t) { t.Device().LoseDevice(0), t.m_b.FailIn = "Restore"; }), 0,
                 Concat(Concat(SetUpJournal, ResetJournal), Concat({"A.Invalidate"}, ReleaseShutdown)),
                 {".+B nie działa", F("Nie można przywrócić urządzenia po zresetowaniu")}},
        Failure {"UnusableDevice",
                 AtFrame2([](T& t) { t.Device().LoseDevice(0), t.m_log->FailCall("TestCooperativeLevel", 1, Internal); }),
                 0, Closed,
                 {DeviceEntry("D3DERR_DRIVERINTERNALERROR"),
                  F("Błąd podczas testowania poziomu kooperatywności urządzenia")}}),
    [](const testing::TestParamInfo<Failure>& info) { return std::string(info.param.Name); });

// Two modal dialogs (the pause counter goes to 2 and back), then a minimised window: nothing
// steps or draws meanwhile, and the clock is resynchronised at the end of each. Escape ends
// the run when configured to, and everything comes down in the reverse order.
TEST_F(FrameworkRun, PausesAndMinimisingStopTheLoopAndResynchroniseTheClock) {
    m_config.EscapeCloses = true;
    int framesAtResume = -1;
    bool suspended = false;
    m_atStep[3] = [] { frame::Pause(), frame::Pause(), PushKey(SDLK_a), PushKey(SDLK_a); };
    m_atStep[5] = [] { PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED), PushKey(SDLK_m); };
    m_atStep[8] = [] { PushKey(SDLK_ESCAPE); };
    m_config.MessageHook = [&](const platform::WindowMessage& message) {
        if (message.Kind != MessageKind::KeyDown || message.Key == 27) return;
        m_now += 30.0;
        if (message.Key == 'M') {
            suspended = frame::IsSuspended();
            PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
            return;
        }
        frame::Resume();
        if (frame::GetPauseCounter() == 0) framesAtResume = m_frames;
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    EXPECT_EQ(framesAtResume, 2) << "the pausing step's own frame is not drawn either";
    EXPECT_TRUE(suspended);
    EXPECT_EQ(m_frames, 7) << "asking to close is no error: that step's frame is drawn";
    EXPECT_THAT(m_frameTimes,
                testing::Pointwise(testing::FloatNear(1e-4f), {0.0f, .01f, .01f, 0.0f, .01f, 0.0f, .01f, .01f}));
    EXPECT_EQ(m_journal, Concat(SetUpJournal, CloseJournal));
    EXPECT_EQ(frame::GetWindowId(), 0u);
    EXPECT_EQ(frame::GetDevice(), nullptr);
}

TEST_F(FrameworkRun, InputReachesTheReceiverInVirtualUnitsWithCaptureFromPressToRelease) {
    Receiver receiver;
    frame::InputDispatcher dispatcher;
    dispatcher.SetReceiver(&receiver);
    std::vector<bool> captured;
    m_atStep[2] = [] {
        SDL_SetWindowSize(SDL_GetWindowFromID(Window()), 1000, 750);
        Push(SDL_MOUSEMOTION, [](SDL_Event& e) { e.motion.windowID = Window(), e.motion.x = 500, e.motion.y = 375; });
        Push(SDL_MOUSEWHEEL, [](SDL_Event& e) {
            e.wheel.windowID = Window(), e.wheel.y = 1, e.wheel.preciseY = 1, e.wheel.mouseX = 250, e.wheel.mouseY = 150;
        });
        for (Uint8 clicks : {1, 2})
            for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP})
                Push(type, [&](SDL_Event& e) {
                    e.button.windowID = Window(), e.button.button = SDL_BUTTON_LEFT, e.button.clicks = clicks;
                    e.button.x = 100, e.button.y = 75;
                });
        PushKey(SDLK_s), PushKey(SDLK_s, SDL_KEYUP), PushKey(SDLK_ESCAPE);
    };
    m_config.MessageHook = [&](const platform::WindowMessage& message) {
        if (message.Kind == MessageKind::MouseButton) captured.push_back(frame::IsMouseCaptured());
        dispatcher.Dispatch(message);
    };
    m_atStep[4] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(receiver.Seen, (Lines {"move 400,300", "wheel 120 200,120", "button 0 0 80,60", "button 0 1 80,60",
                                     "button 0 2 80,60", "button 0 1 80,60", "down 83", "up 83", "down 27", "char 27"}));
    EXPECT_EQ(captured, (std::vector<bool> {true, false, false, false})) << "a double click does not capture";
    EXPECT_EQ(Steps(), 4) << "Escape closes nothing unless configured to";
}

TEST_F(FrameworkRun, ALostDeviceIsResetWhenItCanBeAndDrawingResumes) {
    size_t journalAtLoss = 0;
    m_atFrame[2] = [&] { journalAtLoss = m_journal.size(), Device().LoseDevice(1); };  // lost once more, then resettable
    m_atFrame[5] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    EXPECT_EQ(m_frames, 5) << "drawing came back without any window message";
    EXPECT_EQ(JournalFrom(journalAtLoss), Concat(ResetJournal, CloseJournal));
    EXPECT_EQ(m_log->CountCalls("Reset"), 1u);
}

TEST_F(FrameworkRun, AResizeResetsTheBackBufferOnceAndTheConversionsFollowIt) {
    size_t journalAtResize = 0;
    Viewport viewport;
    std::vector<float> converted;
    m_atStep[2] = [&] { journalAtResize = m_journal.size(), SDL_SetWindowSize(SDL_GetWindowFromID(Window()), 1000, 700); };
    m_atStep[4] = [&] {
        frame::GetDevice()->GetViewport(viewport);
        const cells::VirtualPoint pixel = frame::ToPixels({400, 300}), back = frame::ToVirtual({500, 350});
        const cells::VirtualRect rect = frame::RectToPixels({0, 0, 800, 600});
        converted = {pixel.X, pixel.Y, back.X, back.Y, rect.Right, rect.Bottom, frame::ToVirtualX(250)};
        frame::RequestClose();
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(JournalFrom(journalAtResize), Concat(ResetJournal, CloseJournal));
    ASSERT_EQ(m_log->CountCalls("Reset"), 1u);
    EXPECT_EQ(m_log->CallsNamed("Reset")[0]->Arguments, "1000, 700, 1, 0");
    EXPECT_EQ(viewport, (Viewport {0, 0, 1000, 700, -999, 999}));
    EXPECT_THAT(converted,
                testing::Pointwise(testing::FloatEq(), {500.0f, 350.0f, 400.0f, 300.0f, 1000.0f, 700.0f, 200.0f}));
}

TEST_F(FrameworkRun, ModeChangesRebuildTheDeviceAndMoveTheCursorOneStepEachWay) {
    m_config.CursorFullScreen = false;
    std::vector<frame::DisplayMode> listed;
    size_t journalAtChange = 0;
    int cursorInFullScreen = -1, cursorBack = -1;
    m_atStep[2] = [&] {
        frame::BeginModeEnumeration();
        for (frame::DisplayMode mode; frame::NextDisplayMode(mode);) listed.push_back(mode);
        journalAtChange = m_journal.size();
        frame::ChangeDisplayMode({800, 600, 60, false});  // the current mode: in a window the rate does not count
        frame::ChangeDisplayMode({1024, 768, 60, true});
        cursorInFullScreen = SDL_ShowCursor(SDL_QUERY);
    };
    m_atStep[3] = [&] {
        frame::ChangeDisplayMode({800, 600, 100, false});
        cursorBack = SDL_ShowCursor(SDL_QUERY);
        frame::RequestClose();
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    ASSERT_EQ(listed.size(), 5u);
    EXPECT_EQ(listed[2], (frame::DisplayMode {1024, 768, 60, true}));
    Lines created;  // adapter, type, flags, back-buffer size, windowed
    for (const platform::RecordedCall* call : m_log->CallsNamed("CreateDevice")) created.push_back(call->Arguments);
    EXPECT_EQ(created, (Lines {"0, 1, 0x40, 800, 600, 1", "0, 1, 0x40, 1024, 768, 0", "0, 1, 0x40, 800, 600, 1"}));
    EXPECT_EQ(cursorInFullScreen, SDL_DISABLE);
    EXPECT_EQ(cursorBack, SDL_ENABLE);
    const Journal change {"B.Invalidate", "A.Invalidate", "B.Release", "A.Release",
                          "A.Create",     "B.Create",     "A.Restore", "B.Restore"};
    EXPECT_EQ(JournalFrom(journalAtChange), Concat(Concat(change, change), CloseJournal));
}

TEST_F(FrameworkRun, TheClipStackIntersectsAppliesAndUnwinds) {
    std::vector<Viewport> viewports;
    platform::Matrix projection, cutProjection;
    Lines thirdPop;
    m_b.OnRestore = [&] {
        auto note = [&] { frame::GetDevice()->GetViewport(viewports.emplace_back()); };
        frame::PushClipRect({0, 0, 100, 100});
        frame::PushClipRect({50, 50, 200, 200});
        note();
        frame::GetDevice()->GetTransform(platform::D3DTS_PROJECTION, projection);
        frame::PopClipRect(), note(), frame::PopClipRect(), note();
        // One that starts left of and above the screen is cut there; so is its projection.
        frame::PushClipRect({-50, -20, 100, 100}), note();
        frame::GetDevice()->GetTransform(platform::D3DTS_PROJECTION, cutProjection);
        frame::PopClipRect();
        // Touching or disjoint rectangles leave nothing.
        for (cells::VirtualRect second : {cells::VirtualRect {100, 0, 200, 100}, cells::VirtualRect {300, 300, 400, 400}})
            frame::PushClipRect({0, 0, 100, 100}), frame::PushClipRect(second), note(), frame::PopClipRect(),
                frame::PopClipRect();
        EXPECT_FALSE(errors::ErrorRaised());
        frame::PopClipRect();
        thirdPop = errors::ErrorEntries();
        errors::ClearErrors();
    };
    m_atStep[1] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(viewports, (std::vector<Viewport> {{50, 50, 50, 50, -999, 999}, {0, 0, 100, 100, -999, 999},
                                                 {0, 0, 800, 600, -999, 999}, {0, 0, 100, 100, -999, 999},
                                                 {0, 0, 0, 0, -999, 999}, {0, 0, 0, 0, -999, 999}}));
    EXPECT_EQ(projection, platform::MatrixOrthoOffCenterLH(50, 100, 100, 50, -999, 999));
    EXPECT_EQ(cutProjection, platform::MatrixOrthoOffCenterLH(0, 100, 100, 0, -999, 999));
    ExpectTrail(thirdPop,
                {F("Stos ograniczających prostokątów jest pusty"), F("Nie można usunąć obcinającego prostokąta")});
}

// At 1366 x 768 a virtual unit is 1.7075 pixels across and 1.28 down: every edge of the
// viewport is the pixel nearest to it, nested rectangles included.
TEST_F(FrameworkRun, ClipRectanglesLandOnTheNearestPixelsWhereUnitsAreFractionsOfThem) {
    m_mode = {1366, 768, 60, false};
    const std::pair<std::vector<cells::VirtualRect>, Viewport> cases[] = {
        {{{0, 0, 100, 100}}, {0, 0, 171, 128, -999, 999}},                      // 170.75 x 128
        {{{4, 3, 104, 53}}, {7, 4, 171, 64, -999, 999}},                        // from 6.83, 3.84
        {{{0, 0, 100, 100}, {4, 3, 104, 53}}, {7, 4, 164, 64, -999, 999}},      // 163.92 wide
        {{{40, 64, 800, 560}}, {68, 82, 1298, 635, -999, 999}},                 // 1297.7 x 634.88
        {{{-20, -10, 100, 100}}, {0, 0, 171, 128, -999, 999}},                  // cut at the screen's edges
        {{{30, -5, 60, 50}}, {51, 0, 51, 64, -999, 999}},                       // from 51.2, 51.2 wide
    };
    std::vector<Viewport> seen;
    m_b.OnRestore = [&] {
        for (const auto& [rects, expected] : cases) {
            for (const cells::VirtualRect& rect : rects) frame::PushClipRect(rect);
            frame::GetDevice()->GetViewport(seen.emplace_back());
            for (size_t i = 0; i < rects.size(); ++i) frame::PopClipRect();
        }
    };
    m_atStep[1] = [] { frame::RequestClose(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(errors::ErrorRaised()) << testing::PrintToString(errors::ErrorEntries());
    ASSERT_EQ(seen.size(), std::size(cases));
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], cases[i].second) << i;
}

}  // namespace
}  // namespace frame
