#include <gtest/gtest.h>

#include <SDL.h>
#include <string>
#include <vector>

#include "platform/sdl/EventTranslator.h"
#include "platform/sdl/MessageQueue.h"

namespace {

using platform::MessageKind;
using platform::WindowMessage;

constexpr uint32_t Window = 7;

SDL_Event Key(Uint32 type, SDL_Keycode key, Uint8 repeat = 0, uint32_t window = Window) {
    SDL_Event event {};
    event.type = type;
    event.key.windowID = window;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    return event;
}

SDL_Event Button(Uint32 type, Uint8 button, Uint8 clicks, int x, int y) {
    SDL_Event event {};
    event.type = type;
    event.button.windowID = Window;
    event.button.button = button;
    event.button.clicks = clicks;
    event.button.x = x;
    event.button.y = y;
    return event;
}

SDL_Event WindowEvent(Uint8 what, int data1 = 0, int data2 = 0, uint32_t window = Window) {
    SDL_Event event {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = window;
    event.window.event = what;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

SDL_Event Wheel(float notches, Uint32 direction, int x, int y) {
    SDL_Event event {};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = Window;
    event.wheel.y = static_cast<Sint32>(notches);
    event.wheel.preciseY = notches;
    event.wheel.direction = direction;
    event.wheel.mouseX = x;
    event.wheel.mouseY = y;
    return event;
}

SDL_Event Text(const char* utf8) {
    SDL_Event event {};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = Window;
    SDL_strlcpy(event.text.text, utf8, sizeof event.text.text);
    return event;
}

// One message as a short text, so whole sequences compare at once.
std::string Describe(const WindowMessage& m) {
    switch (m.Kind) {
        case MessageKind::Close: return "close";
        case MessageKind::Quit: return "quit " + std::to_string(m.QuitCode);
        case MessageKind::Minimized: return "minimized";
        case MessageKind::Maximized: return "maximized";
        case MessageKind::Restored: return "restored";
        case MessageKind::SizeChanged: return "size " + std::to_string(m.X) + "x" + std::to_string(m.Y);
        case MessageKind::KeyDown: return "down " + std::to_string(m.Key) + (m.Repeat ? " repeat" : "");
        case MessageKind::KeyUp: return "up " + std::to_string(m.Key);
        case MessageKind::Char: return "char " + std::to_string(m.Key);
        case MessageKind::MouseMove: return "move " + std::to_string(m.X) + "," + std::to_string(m.Y);
        case MessageKind::MouseButton:
            return "button " + std::to_string(m.Button) + " action " + std::to_string(m.Action) + " at " +
                   std::to_string(m.X) + "," + std::to_string(m.Y);
        case MessageKind::MouseWheel:
            return "wheel " + std::to_string(m.WheelDistance) + " at " + std::to_string(m.X) + "," + std::to_string(m.Y);
        case MessageKind::Timer: return "timer " + std::to_string(m.TimerId);
        case MessageKind::FocusLost: return "focus lost";
        default: return "none";
    }
}

class Translation : public testing::Test {
protected:
    Translation() { m_translator.SetWindow(Window); }

    std::vector<std::string> Translate(std::initializer_list<SDL_Event> events) {
        std::vector<WindowMessage> messages;
        for (const SDL_Event& event : events) m_translator.Translate(event, messages);
        std::vector<std::string> described;
        for (const WindowMessage& m : messages) described.push_back(Describe(m));
        return described;
    }

    platform::EventTranslator m_translator;
};

using Lines = std::vector<std::string>;

TEST_F(Translation, KeysCarryTheirVirtualKeyCodes) {
    struct Case {
        SDL_Keycode Key;
        uint32_t Code;
    };
    for (Case c : {Case {SDLK_RETURN, 13}, Case {SDLK_KP_ENTER, 13}, Case {SDLK_ESCAPE, 27}, Case {SDLK_SPACE, 32},
                   Case {SDLK_LEFT, 37}, Case {SDLK_UP, 38}, Case {SDLK_RIGHT, 39}, Case {SDLK_DOWN, 40},
                   Case {SDLK_0, 48}, Case {SDLK_5, 53}, Case {SDLK_9, 57}, Case {SDLK_a, 65}, Case {SDLK_f, 70},
                   Case {SDLK_o, 79}, Case {SDLK_s, 83}, Case {SDLK_t, 84}, Case {SDLK_z, 90},
                   Case {SDLK_KP_MULTIPLY, 106}, Case {SDLK_KP_PLUS, 107}, Case {SDLK_KP_MINUS, 109},
                   Case {SDLK_LSHIFT, 16}, Case {SDLK_RSHIFT, 16}, Case {SDLK_LCTRL, 17}, Case {SDLK_RCTRL, 17}}) {
        Lines got = Translate({Key(SDL_KEYDOWN, c.Key), Key(SDL_KEYUP, c.Key)});
        ASSERT_GE(got.size(), 2u) << SDL_GetKeyName(c.Key);
        EXPECT_EQ(got.front(), "down " + std::to_string(c.Code)) << SDL_GetKeyName(c.Key);
        EXPECT_EQ(got.back(), "up " + std::to_string(c.Code)) << SDL_GetKeyName(c.Key);
    }
}

TEST_F(Translation, BackspaceTabEnterAndEscapeAlsoTypeTheirCharacters) {
    EXPECT_EQ(Translate({Key(SDL_KEYDOWN, SDLK_BACKSPACE), Key(SDL_KEYDOWN, SDLK_TAB), Key(SDL_KEYDOWN, SDLK_RETURN),
                         Key(SDL_KEYDOWN, SDLK_ESCAPE), Key(SDL_KEYDOWN, SDLK_a)}),
              (Lines {"down 8", "char 8", "down 9", "char 9", "down 13", "char 13", "down 27", "char 27", "down 65"}));
}

TEST_F(Translation, HeldKeysRepeatTheirKeyDown) {
    EXPECT_EQ(Translate({Key(SDL_KEYDOWN, SDLK_RIGHT), Key(SDL_KEYDOWN, SDLK_RIGHT, 1), Key(SDL_KEYUP, SDLK_RIGHT)}),
              (Lines {"down 39", "down 39 repeat", "up 39"}));
}

TEST_F(Translation, KeysWithoutACodeAndOtherWindowsEventsAreDropped) {
    EXPECT_EQ(Translate({Key(SDL_KEYDOWN, SDLK_F24), Key(SDL_KEYDOWN, SDLK_a, 0, Window + 1),
                         WindowEvent(SDL_WINDOWEVENT_CLOSE, 0, 0, Window + 1)}),
              Lines {});
}

TEST_F(Translation, TextArrivesAsCodePoints) {
    EXPECT_EQ(Translate({Text("a"), Text("żó"), Text("€")}), (Lines {"char 97", "char 380", "char 243", "char 8364"}));
}

TEST_F(Translation, CtrlAndShiftAreDownWhileEitherSideIs) {
    std::vector<WindowMessage> ignored;
    auto apply = [&](SDL_Event event) { m_translator.Translate(event, ignored); };
    EXPECT_FALSE(m_translator.IsKeyDown(17));
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

TEST_F(Translation, ADoubleClickIsDownUpDoubleClickUp) {
    EXPECT_EQ(Translate({Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 10, 20),
                         Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 10, 20),
                         Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2, 10, 20),
                         Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 2, 10, 20),
                         Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 3, 10, 20),
                         Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 4, 10, 20)}),
              (Lines {"button 0 action 0 at 10,20", "button 0 action 1 at 10,20", "button 0 action 2 at 10,20",
                      "button 0 action 1 at 10,20", "button 0 action 0 at 10,20", "button 0 action 2 at 10,20"}));
}

TEST_F(Translation, ButtonsAreNumberedLeftMiddleRight) {
    EXPECT_EQ(Translate({Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 1, 2),
                         Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 1, 3, 4),
                         Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1, 1, 5, 6)}),
              (Lines {"button 2 action 0 at 1,2", "button 1 action 1 at 3,4"}));
}

TEST_F(Translation, TheWheelGoes120PerNotchAwayFromTheUser) {
    EXPECT_EQ(Translate({Wheel(1.0f, SDL_MOUSEWHEEL_NORMAL, 5, 6), Wheel(-2.0f, SDL_MOUSEWHEEL_NORMAL, 5, 6),
                         Wheel(1.0f, SDL_MOUSEWHEEL_FLIPPED, 7, 8), Wheel(0.5f, SDL_MOUSEWHEEL_NORMAL, 0, 0),
                         Wheel(1e9f, SDL_MOUSEWHEEL_NORMAL, 0, 0)}),
              (Lines {"wheel 120 at 5,6", "wheel -240 at 5,6", "wheel -120 at 7,8", "wheel 60 at 0,0",
                      "wheel 32767 at 0,0"}));
}

TEST_F(Translation, WindowEventsBecomeLifecycleMessages) {
    SDL_Event quit {};
    quit.type = SDL_QUIT;
    EXPECT_EQ(Translate({WindowEvent(SDL_WINDOWEVENT_MINIMIZED), WindowEvent(SDL_WINDOWEVENT_RESTORED),
                         WindowEvent(SDL_WINDOWEVENT_MAXIMIZED), WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1000, 700),
                         WindowEvent(SDL_WINDOWEVENT_MOVED, 5, 5), WindowEvent(SDL_WINDOWEVENT_CLOSE), quit}),
              (Lines {"minimized", "restored", "maximized", "size 1000x700", "close", "close"}));
}

TEST_F(Translation, WithoutACloseBoxOnlyASignalCloses) {
    m_translator.SetCloseBox(false);
    SDL_Event quit {};
    quit.type = SDL_QUIT;
    EXPECT_EQ(Translate({WindowEvent(SDL_WINDOWEVENT_CLOSE), quit}), Lines {"close"});
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
        WindowMessage message;
        while (m_queue.Peek(message)) got.push_back(Describe(message));
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
    uint64_t start = SDL_GetTicks64();
    m_queue.Wait(message);
    EXPECT_EQ(Describe(message), "timer 1");
    EXPECT_GE(SDL_GetTicks64() - start, 19u);
    EXPECT_FALSE(m_queue.WaitFor(message, 0.0)) << "the next period has not passed yet";
    m_queue.KillTimer(1);
}

}  // namespace
