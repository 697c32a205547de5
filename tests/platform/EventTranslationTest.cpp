// SDL events as window messages, and the message queue over SDL's real event queue.
#include <gtest/gtest.h>

#include <SDL.h>
#include <string>
#include <vector>

#include "platform/sdl/EventTranslator.h"
#include "platform/sdl/MessageQueue.h"

namespace {

using platform::MessageKind;
using platform::WindowMessage;
using Lines = std::vector<std::string>;

constexpr uint32_t Window = 7;

SDL_Event Key(Uint32 type, SDL_Keycode key, Uint8 repeat = 0, uint32_t window = Window) {
    SDL_Event event {};
    event.key.type = type, event.key.windowID = window, event.key.repeat = repeat, event.key.keysym.sym = key;
    return event;
}

SDL_Event Button(Uint32 type, Uint8 button, Uint8 clicks) {
    SDL_Event event {};
    event.button.type = type, event.button.windowID = Window, event.button.button = button;
    event.button.clicks = clicks, event.button.x = 10, event.button.y = 20;
    return event;
}

SDL_Event WindowEvent(Uint8 what, int data1 = 0, int data2 = 0, uint32_t window = Window) {
    SDL_Event event {};
    event.window.type = SDL_WINDOWEVENT, event.window.windowID = window, event.window.event = what;
    event.window.data1 = data1, event.window.data2 = data2;
    return event;
}

SDL_Event Wheel(float notches, Uint32 direction) {
    SDL_Event event {};
    event.wheel.type = SDL_MOUSEWHEEL, event.wheel.windowID = Window, event.wheel.y = Sint32(notches);
    event.wheel.preciseY = notches, event.wheel.direction = direction, event.wheel.mouseX = 5, event.wheel.mouseY = 6;
    return event;
}

SDL_Event Text(const char* utf8) {
    SDL_Event event {};
    event.text.type = SDL_TEXTINPUT, event.text.windowID = Window;
    SDL_strlcpy(event.text.text, utf8, sizeof event.text.text);
    return event;
}

const SDL_Event Quit {.type = SDL_QUIT};

// One message as a short text, so whole sequences compare at once.
std::string Describe(const WindowMessage& m) {
    const std::string at = " at " + std::to_string(m.X) + "," + std::to_string(m.Y);
    switch (m.Kind) {
        case MessageKind::Close: return "close";
        case MessageKind::Minimized: return "minimized";
        case MessageKind::Maximized: return "maximized";
        case MessageKind::Restored: return "restored";
        case MessageKind::SizeChanged: return "size " + std::to_string(m.X) + "x" + std::to_string(m.Y);
        case MessageKind::Exposed: return "exposed";
        case MessageKind::KeyDown: return "down " + std::to_string(m.Key) + (m.Repeat ? " repeat" : "");
        case MessageKind::KeyUp: return "up " + std::to_string(m.Key);
        case MessageKind::Char: return "char " + std::to_string(m.Key);
        case MessageKind::MouseButton:
            return "button " + std::to_string(m.Button) + " action " + std::to_string(m.Action) + at;
        case MessageKind::MouseWheel: return "wheel " + std::to_string(m.WheelDistance) + at;
        case MessageKind::Timer: return "timer " + std::to_string(m.TimerId);
        default: return "other";
    }
}

class Translation : public testing::Test {
protected:
    Translation() { m_translator.SetWindow(Window); }

    Lines Translate(std::initializer_list<SDL_Event> events) {
        std::vector<WindowMessage> messages;
        for (const SDL_Event& event : events) m_translator.Translate(event, messages);
        Lines described;
        for (const WindowMessage& m : messages) described.push_back(Describe(m));
        return described;
    }

    platform::EventTranslator m_translator;
};

TEST_F(Translation, KeysCarryTheirVirtualKeyCodes) {
    const std::pair<SDL_Keycode, uint32_t> cases[] = {
        {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_ESCAPE, 27}, {SDLK_SPACE, 32},         {SDLK_LEFT, 37},
        {SDLK_UP, 38},     {SDLK_RIGHT, 39},    {SDLK_DOWN, 40},   {SDLK_0, 48},             {SDLK_9, 57},
        {SDLK_a, 65},      {SDLK_s, 83},        {SDLK_z, 90},      {SDLK_KP_MULTIPLY, 106},  {SDLK_KP_PLUS, 107},
        {SDLK_KP_MINUS, 109}, {SDLK_LSHIFT, 16}, {SDLK_RSHIFT, 16}, {SDLK_LCTRL, 17},        {SDLK_RCTRL, 17},
        // The whole numeric keypad.
        {SDLK_KP_0, 96},   {SDLK_KP_1, 97},     {SDLK_KP_2, 98},   {SDLK_KP_3, 99},          {SDLK_KP_4, 100},
        {SDLK_KP_5, 101},  {SDLK_KP_6, 102},    {SDLK_KP_7, 103},  {SDLK_KP_8, 104},         {SDLK_KP_9, 105},
        {SDLK_KP_PERIOD, 110}, {SDLK_KP_DIVIDE, 111}};
    for (auto [key, code] : cases) {
        const Lines got = Translate({Key(SDL_KEYDOWN, key), Key(SDL_KEYUP, key)});
        ASSERT_GE(got.size(), 2u) << SDL_GetKeyName(key);
        EXPECT_EQ(got.front(), "down " + std::to_string(code)) << SDL_GetKeyName(key);
        EXPECT_EQ(got.back(), "up " + std::to_string(code)) << SDL_GetKeyName(key);
    }
}

// Backspace, Tab, Enter and Escape type their characters; held keys repeat; text arrives as
// code points; keys without a code and other windows' events are dropped.
TEST_F(Translation, KeysTypeTheirCharactersAndTextArrivesAsCodePoints) {
    EXPECT_EQ(Translate({Key(SDL_KEYDOWN, SDLK_BACKSPACE), Key(SDL_KEYDOWN, SDLK_TAB), Key(SDL_KEYDOWN, SDLK_RETURN),
                         Key(SDL_KEYDOWN, SDLK_ESCAPE), Key(SDL_KEYDOWN, SDLK_a), Key(SDL_KEYDOWN, SDLK_a, 1),
                         Text("a"), Text("żó€"), Key(SDL_KEYDOWN, SDLK_F24), Key(SDL_KEYDOWN, SDLK_a, 0, Window + 1),
                         WindowEvent(SDL_WINDOWEVENT_CLOSE, 0, 0, Window + 1)}),
              (Lines {"down 8", "char 8", "down 9", "char 9", "down 13", "char 13", "down 27", "char 27", "down 65",
                      "down 65 repeat", "char 97", "char 380", "char 243", "char 8364"}));
}

TEST_F(Translation, CtrlAndShiftAreDownWhileEitherSideIs) {
    std::vector<WindowMessage> ignored;
    auto apply = [&](SDL_Event event) { m_translator.Translate(event, ignored); };
    apply(Key(SDL_KEYDOWN, SDLK_LCTRL));
    EXPECT_TRUE(m_translator.IsKeyDown(17));
    apply(Key(SDL_KEYDOWN, SDLK_RCTRL));
    apply(Key(SDL_KEYUP, SDLK_LCTRL));
    EXPECT_TRUE(m_translator.IsKeyDown(17)) << "the right Ctrl is still held";
    apply(Key(SDL_KEYUP, SDLK_RCTRL));
    EXPECT_FALSE(m_translator.IsKeyDown(17));
    apply(Key(SDL_KEYDOWN, SDLK_RSHIFT));
    EXPECT_TRUE(m_translator.IsKeyDown(16));
    EXPECT_FALSE(m_translator.IsKeyDown(17));
    // Keys released while another window had the keyboard never send their key-up here.
    apply(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    EXPECT_FALSE(m_translator.IsKeyDown(16));
}

// The second click of each pair is the double click; buttons are numbered left, middle, right.
TEST_F(Translation, ADoubleClickIsDownUpDoubleClickUp) {
    EXPECT_EQ(Translate({Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1), Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1),
                         Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2), Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 2),
                         Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 3), Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 4),
                         Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1), Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 1),
                         Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1, 1)}),
              (Lines {"button 0 action 0 at 10,20", "button 0 action 1 at 10,20", "button 0 action 2 at 10,20",
                      "button 0 action 1 at 10,20", "button 0 action 0 at 10,20", "button 0 action 2 at 10,20",
                      "button 2 action 0 at 10,20", "button 1 action 1 at 10,20"}));
}

TEST_F(Translation, TheWheelGoes120PerNotchAwayFromTheUser) {
    EXPECT_EQ(Translate({Wheel(1.0f, SDL_MOUSEWHEEL_NORMAL), Wheel(-2.0f, SDL_MOUSEWHEEL_NORMAL),
                         Wheel(1.0f, SDL_MOUSEWHEEL_FLIPPED), Wheel(0.5f, SDL_MOUSEWHEEL_NORMAL),
                         Wheel(1e9f, SDL_MOUSEWHEEL_NORMAL)}),
              (Lines {"wheel 120 at 5,6", "wheel -240 at 5,6", "wheel -120 at 5,6", "wheel 60 at 5,6",
                      "wheel 32767 at 5,6"}));
}

TEST_F(Translation, WindowEventsBecomeLifecycleMessagesAndOnlyASignalClosesWithoutACloseBox) {
    EXPECT_EQ(Translate({WindowEvent(SDL_WINDOWEVENT_MINIMIZED), WindowEvent(SDL_WINDOWEVENT_RESTORED),
                         WindowEvent(SDL_WINDOWEVENT_MAXIMIZED), WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1000, 700),
                         WindowEvent(SDL_WINDOWEVENT_MOVED, 5, 5), WindowEvent(SDL_WINDOWEVENT_EXPOSED),
                         WindowEvent(SDL_WINDOWEVENT_CLOSE), Quit}),
              (Lines {"minimized", "restored", "maximized", "size 1000x700", "exposed", "close", "close"}));
    m_translator.SetCloseBox(false);
    EXPECT_EQ(Translate({WindowEvent(SDL_WINDOWEVENT_CLOSE), Quit}), Lines {"close"});
}

// The queue over SDL's real event queue, under the offscreen video driver.
class Queue : public testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

    void SetUp() override {
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        m_queue.Translator().SetWindow(Window);
    }

    Lines Drain() {
        Lines got;
        for (WindowMessage message; m_queue.Peek(message);) got.push_back(Describe(message));
        return got;
    }

    platform::MessageQueue m_queue;
};

TEST_F(Queue, PostedMessagesComeBeforeEventsAndTheTimerLast) {
    SDL_Event down = Key(SDL_KEYDOWN, SDLK_RETURN);
    SDL_PushEvent(&down);
    m_queue.SetTimer(1, 1);
    m_queue.Post({.Kind = MessageKind::Close});
    SDL_Delay(5);
    EXPECT_EQ(Drain(), (Lines {"close", "down 13", "char 13", "timer 1"}));
    m_queue.KillTimer(1);
    SDL_Delay(5);
    EXPECT_EQ(Drain(), Lines {});
}

TEST_F(Queue, WaitingEndsWithTheTimer) {
    m_queue.SetTimer(1, 20);
    WindowMessage message;
    const uint64_t start = SDL_GetTicks64();
    m_queue.Wait(message);
    EXPECT_EQ(Describe(message), "timer 1");
    EXPECT_GE(SDL_GetTicks64() - start, 19u);
    EXPECT_FALSE(m_queue.WaitFor(message, 0.0)) << "the next period has not passed yet";
    m_queue.KillTimer(1);
}

}  // namespace
