#pragma once
// Turns SDL events into window messages for one window, and keeps the key state as of the
// last translated event (so a handler asks about Ctrl or Shift as they were when its message
// was made, not as they are now).

#include <SDL_events.h>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/sdl/WindowMessage.h"

namespace platform {

class EventTranslator {
public:
    // Events of other windows are dropped; 0 drops every window's events.
    void SetWindow(uint32_t windowId) { m_windowId = windowId; }
    // Without a close box, the user's close requests are dropped (a process signal still closes).
    void SetCloseBox(bool closeBox) { m_closeBox = closeBox; }

    // Appends the messages an event stands for (none, one or two) to `out`.
    void Translate(const SDL_Event& event, std::vector<WindowMessage>& out);

    // Whether the key with this virtual-key code is down as of the last translated event.
    bool IsKeyDown(uint32_t virtualKey) const;
    // Forgets every held key (when the window loses the keyboard).
    void ReleaseAllKeys() { m_down.fill(false); }

private:
    void TranslateWindowEvent(const SDL_WindowEvent& event, std::vector<WindowMessage>& out);
    void TranslateKey(const SDL_KeyboardEvent& event, std::vector<WindowMessage>& out);
    void TranslateButton(const SDL_MouseButtonEvent& event, std::vector<WindowMessage>& out);
    void TranslateWheel(const SDL_MouseWheelEvent& event, std::vector<WindowMessage>& out);
    void TranslateText(const SDL_TextInputEvent& event, std::vector<WindowMessage>& out);

    uint32_t m_windowId { 0 };
    bool m_closeBox { true };
    // Indexed by virtual-key code; left and right Shift and Ctrl are kept apart.
    std::array<bool, 256> m_down {};
};

}  // namespace platform
