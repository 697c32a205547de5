#include "platform/sdl/EventTranslator.h"

#include <algorithm>
#include <cmath>

#include "platform/sdl/VirtualKeys.h"

namespace platform {

namespace {

// The slot of the key state a key moves: Shift and Ctrl by side, everything else by its code.
uint32_t StateSlotOf(SDL_Keycode key, uint32_t virtualKey) {
    switch (key) {
        case SDLK_LSHIFT: return vk::LShift;
        case SDLK_RSHIFT: return vk::RShift;
        case SDLK_LCTRL: return vk::LControl;
        case SDLK_RCTRL: return vk::RControl;
        default: return virtualKey;
    }
}

// The window an event is for; 0 for the kinds of events the translator does not take.
uint32_t WindowOf(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT: return event.window.windowID;
        case SDL_KEYDOWN:
        case SDL_KEYUP: return event.key.windowID;
        case SDL_TEXTINPUT: return event.text.windowID;
        case SDL_MOUSEMOTION: return event.motion.windowID;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: return event.button.windowID;
        case SDL_MOUSEWHEEL: return event.wheel.windowID;
        default: return 0;
    }
}

// Decodes one UTF-8 sequence at `at`; a byte that starts no valid sequence yields itself.
uint32_t NextCodePoint(const unsigned char* text, size_t& at) {
    unsigned char lead = text[at];
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length <= 1) {
        ++at;
        return lead;
    }
    uint32_t code = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        unsigned char next = text[at + i];
        if ((next & 0xC0) != 0x80) {
            ++at;
            return lead;
        }
        code = (code << 6) | (next & 0x3F);
    }
    at += length;
    return code;
}

}  // namespace

bool EventTranslator::IsKeyDown(uint32_t virtualKey) const {
    if (virtualKey == vk::Shift) return m_down[vk::LShift] || m_down[vk::RShift] || m_down[vk::Shift];
    if (virtualKey == vk::Control) return m_down[vk::LControl] || m_down[vk::RControl] || m_down[vk::Control];
    return virtualKey < m_down.size() && m_down[virtualKey];
}

void EventTranslator::Translate(const SDL_Event& event, std::vector<WindowMessage>& out) {
    if (event.type == SDL_QUIT) {
        // A termination signal or the session ending: close as the close box would.
        out.push_back({.Kind = MessageKind::Close});
        return;
    }
    // Every other event this translates belongs to a window; those of other windows are dropped.
    if (m_windowId == 0 || WindowOf(event) != m_windowId) return;
    switch (event.type) {
        case SDL_WINDOWEVENT: TranslateWindowEvent(event.window, out); break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: TranslateKey(event.key, out); break;
        case SDL_TEXTINPUT: TranslateText(event.text, out); break;
        case SDL_MOUSEMOTION:
            out.push_back({.Kind = MessageKind::MouseMove, .X = event.motion.x, .Y = event.motion.y});
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: TranslateButton(event.button, out); break;
        case SDL_MOUSEWHEEL: TranslateWheel(event.wheel, out); break;
        default: break;
    }
}

void EventTranslator::TranslateWindowEvent(const SDL_WindowEvent& event, std::vector<WindowMessage>& out) {
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:
            if (m_closeBox) out.push_back({.Kind = MessageKind::Close});
            break;
        case SDL_WINDOWEVENT_MINIMIZED: out.push_back({.Kind = MessageKind::Minimized}); break;
        case SDL_WINDOWEVENT_MAXIMIZED: out.push_back({.Kind = MessageKind::Maximized}); break;
        case SDL_WINDOWEVENT_RESTORED: out.push_back({.Kind = MessageKind::Restored}); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.push_back({.Kind = MessageKind::SizeChanged, .X = event.data1, .Y = event.data2});
            break;
        case SDL_WINDOWEVENT_EXPOSED: out.push_back({.Kind = MessageKind::Exposed}); break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            ReleaseAllKeys();
            out.push_back({.Kind = MessageKind::FocusLost});
            break;
        default:
            break;
    }
}

void EventTranslator::TranslateKey(const SDL_KeyboardEvent& event, std::vector<WindowMessage>& out) {
    SDL_Keycode key = event.keysym.sym;
    uint32_t virtualKey = VirtualKeyOf(key);
    if (virtualKey == 0) return;
    bool down = event.type == SDL_KEYDOWN;
    m_down[StateSlotOf(key, virtualKey)] = down;
    if (!down) {
        out.push_back({.Kind = MessageKind::KeyUp, .Key = virtualKey});
        return;
    }
    out.push_back({.Kind = MessageKind::KeyDown, .Key = virtualKey, .Repeat = event.repeat != 0});
    // These keys type no text through SDL, but their characters reach text handlers all the same.
    if (uint32_t character = ControlCharacterOf(key)) out.push_back({.Kind = MessageKind::Char, .Key = character});
}

void EventTranslator::TranslateButton(const SDL_MouseButtonEvent& event, std::vector<WindowMessage>& out) {
    int button;
    switch (event.button) {
        case SDL_BUTTON_LEFT: button = ButtonLeft; break;
        case SDL_BUTTON_MIDDLE: button = ButtonMiddle; break;
        case SDL_BUTTON_RIGHT: button = ButtonRight; break;
        default: return;
    }
    int action = ActionUp;
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        // SDL counts every click of a quick series; the second of each pair is the double
        // click, and the one after it starts a new pair, so a triple click is down, up,
        // double click, up, down, up.
        action = event.clicks >= 2 && event.clicks % 2 == 0 ? ActionDoubleClick : ActionDown;
    }
    out.push_back({.Kind = MessageKind::MouseButton, .X = event.x, .Y = event.y, .Button = button, .Action = action});
}

void EventTranslator::TranslateWheel(const SDL_MouseWheelEvent& event, std::vector<WindowMessage>& out) {
    float notches = event.preciseY != 0.0f ? event.preciseY : static_cast<float>(event.y);
    if (event.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
    if (!std::isfinite(notches)) return;
    // The distance travels as a signed 16-bit value, WheelDelta per notch.
    float distance = std::clamp(std::round(notches * WheelDelta), -32768.0f, 32767.0f);
    if (distance == 0.0f) return;
    out.push_back({.Kind = MessageKind::MouseWheel,
                   .X = event.mouseX,
                   .Y = event.mouseY,
                   .WheelDistance = static_cast<int>(distance)});
}

void EventTranslator::TranslateText(const SDL_TextInputEvent& event, std::vector<WindowMessage>& out) {
    const auto* text = reinterpret_cast<const unsigned char*>(event.text);
    size_t length = SDL_strlen(event.text);
    for (size_t at = 0; at < length;) {
        // The decoder reads at most three bytes past `at`; the text is NUL-terminated, and a
        // NUL is never a continuation byte, so it stops there.
        uint32_t code = NextCodePoint(text, at);
        out.push_back({.Kind = MessageKind::Char, .Key = code});
    }
}

}  // namespace platform
