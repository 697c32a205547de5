#pragma once
// The workbench's two controls: G_Button, a square button drawn from the button sheet
// ("buttons.tga": a face and icons in frames of 32 x 32 texels), and G_TrackBar, a horizontal
// bar with a thumb and two marks. Both tell their owner what the user did by posting Msg_Int
// messages to its MsgHandler; a control without a handler posts nothing.

#include <cstdint>

#include "gfx/Sprite.h"
#include "gui/Messages.h"
#include "gui/Window.h"

namespace gui {

// The icon index of a button that shows only its face.
inline constexpr uint32_t NoIcon = 16;

// The sprite the buttons are drawn from. Its owner fills it while the device objects exist;
// buttons drawn without it fail with the sprite manager's error.
struct ButtonSheet {
    const gfx::Sprite* Sprite { nullptr };
};

class G_Button : public Window {
public:
    G_Button(Window& parent, const Rect& rect, MsgHandler* handler, const ButtonSheet& sheet, uint32_t icon);

    // The latched pressed look, set by the owner only (toggles, the script's SetButtonDown).
    bool Down() const { return m_down; }
    void SetDown(bool down) { m_down = down; }
    // Whether the left button went down on it and is still held.
    bool Pressed() const { return m_pressed; }
    uint32_t Icon() const { return m_icon; }

    // Tinted face and icon; both shrink by one unit on each side while down or pressed.
    void Draw(const Rect& rect, bool enabled) override;
    // Left button: a press or a double click presses it; the release clicks it when it was
    // pressed and the pointer is still on it (edges included).
    void MouseButton(Point point, ButtonId button, ButtonAction action) override;
    void MouseEnter() override;

private:
    MsgHandler* m_handler;
    const ButtonSheet& m_sheet;
    bool m_down { false };
    bool m_pressed { false };
    uint32_t m_icon;
};

class G_TrackBar : public Window {
public:
    G_TrackBar(Window& parent, const Rect& rect, MsgHandler* handler);

    float Position() const { return m_position; }
    float Mark1() const { return m_mark1; }
    float Mark2() const { return m_mark2; }
    bool Dragging() const { return m_dragging; }
    // The owner's setters: each value is limited to at most 1 (a non-number becomes 1), then to
    // at least 0. They post nothing.
    void SetPosition(float position);
    void SetMark1(float position);
    void SetMark2(float position);

    // Green up to mark 1, olive to mark 2, red beyond; the outline and the thumb in white.
    void Draw(const Rect& rect, bool enabled) override;
    // While dragging, the thumb follows the pointer.
    void MouseMove(Point point) override;
    // Left button: a press or a double click starts a drag and puts the thumb under the
    // pointer; the release ends the drag.
    void MouseButton(Point point, ButtonId button, ButtonAction action) override;
    // Each line of wheel travel moves the thumb by 0.002.
    void MouseWheel(Point point, float lines) override;
    // Tells the owner, so that it can show the bar's hint as it does a button's.
    void MouseEnter() override;

private:
    // The thumb under a point of the bar: (x - 2) / (width - 4), limited to [0, 1].
    void SetFromPoint(Point point);
    void Moved();

    MsgHandler* m_handler;
    bool m_dragging { false };
    float m_position { 0.0f };
    float m_mark1 { 1.0f };
    float m_mark2 { 1.0f };
};

}  // namespace gui
