#pragma once
// The messages the framework's window procedure handles, translated from SDL's events.
// Positions are client-area pixels, x to the right and y downwards from the top left.

#include <cstdint>

namespace platform {

enum class MessageKind {
    None,
    Close,        // the user (or RequestClose) asks the window to close
    Quit,         // ends the message loop with QuitCode
    Minimized,
    Maximized,
    Restored,     // back from minimised or maximised
    SizeChanged,  // the client area now has X x Y pixels
    Exposed,      // the window's contents must be drawn again
    KeyDown,      // Key: virtual-key code; Repeat: held down
    KeyUp,        // Key: virtual-key code
    Char,         // Key: the character as a Unicode code point
    MouseMove,    // X, Y
    MouseButton,  // X, Y, Button, Action
    MouseWheel,   // X, Y, WheelDistance
    Timer,        // TimerId
    FocusLost,
};

// Mouse buttons as the input receivers number them.
inline constexpr int ButtonLeft = 0;
inline constexpr int ButtonMiddle = 1;
inline constexpr int ButtonRight = 2;
// Mouse button actions.
inline constexpr int ActionDown = 0;
inline constexpr int ActionUp = 1;
inline constexpr int ActionDoubleClick = 2;
// Wheel distance of one notch.
inline constexpr int WheelDelta = 120;

struct WindowMessage {
    MessageKind Kind { MessageKind::None };
    int32_t X { 0 }, Y { 0 };
    uint32_t Key { 0 };
    bool Repeat { false };
    int Button { 0 };
    int Action { 0 };
    int WheelDistance { 0 };  // positive away from the user, WheelDelta per notch
    int TimerId { 0 };
    int QuitCode { 0 };
};

}  // namespace platform
