#pragma once
// The root of the window system: the top-level windows, the pointer's last position, the
// hovered window, the mouse capture and the keyboard focus. It receives the framework's input
// (positions already in virtual units) and routes it: mouse events to the capturing window or
// the window under the pointer, keys and characters to the focus.
//
// A capture lasts from a button-down on a window to the next button event of any kind; the
// capturing window gets every move and that next button event wherever the pointer is, the
// window under the pointer gets DragOver while the capture lasts and Drop (the capture's
// button released) or DropRefused (any other button event) when it ends. A disabled window, or
// one below a disabled window, still hides what lies below it but gets no mouse notifications
// and no focus. An invisible window, with everything below it, is neither drawn nor hit.
//
// The program has one process-wide system (gui::System()); tests make systems of their own.

#include <cstdint>

#include "frame/InputReceiver.h"
#include "gui/Window.h"

namespace gui {

// The lines one wheel notch scrolls when the desktop offers no setting of its own.
inline constexpr int32_t DefaultWheelLines = 3;

// The window under a point and the point in that window's coordinates.
struct Hit {
    Window* Target { nullptr };
    Point Local;
};

class GUISystem : public WindowContainer, public frame::InputReceiver {
public:
    explicit GUISystem(int32_t wheelLines = DefaultWheelLines) : m_wheelLines(wheelLines) {}
    // Windows still in the tree are left without a parent and without a system: they are
    // neither drawn nor hit, and their destruction no longer reaches the system.
    ~GUISystem() override;

    // --- Queries ---

    // The topmost visible window under `point` (given in the container's coordinates) among
    // the container's descendants, children before their parents; both edges of every
    // rectangle included. Enabled or not, a window hides what lies below it.
    Hit FindWindow(const WindowContainer& container, Point point);
    // A point of the virtual space in the window's coordinates.
    static Point ToLocal(Point point, const Window& window);
    // Whether the window and all its ancestors are enabled.
    static bool EnabledChain(const Window& window);
    // Whether the window and all its ancestors are visible (false for a window out of the tree).
    static bool VisibleChain(const Window& window);
    // Whether `window` is `ancestor` or lies below it.
    static bool IsWithin(const Window* window, const Window* ancestor);

    Window* Hover() const { return m_hover; }
    Window* Capture() const { return m_capture; }
    Window* Focus() const { return m_focus; }
    Point Mouse() const { return m_mouse; }
    int32_t WheelLines() const { return m_wheelLines; }

    // --- Input, in virtual units; each returns whether a window took the event ---

    bool MouseMove(Point point) override;
    bool MouseButton(Point point, ButtonId button, ButtonAction action);
    // `distance`: the signed wheel distance, 120 per notch; the window receives it in lines
    // (distance * wheel lines / 120).
    bool MouseWheel(Point point, int distance) override;
    bool KeyDown(uint32_t key) override;
    bool KeyUp(uint32_t key) override;
    bool Char(uint32_t code) override;
    // The dispatcher's numbering (button 0 left, 1 middle, 2 right; action 0 down, 1 up,
    // 2 double click); other values are no event.
    bool MouseButton(Point point, int button, int action) override;

    // --- State ---

    // Gives the focus to a window that can take it (its CanFocus, enabled and visible chains
    // hold) and brings it to the front; null takes the focus away. Otherwise nothing changes.
    void SetFocus(Window* window);
    // Disabling or hiding takes the focus and the capture from the window and everything below
    // it; hiding or showing recomputes the window under the pointer.
    void SetEnabled(Window& window, bool enabled);
    void SetVisible(Window& window, bool visible);
    // Puts the window on top of its siblings and recomputes the window under the pointer.
    void BringToFront(Window& window);
    // Makes `window` the hovered window: MouseLeave (and DragLeave while a capture lasts) to the
    // old one, MouseEnter (and DragEnter) to the new one, each only when its enabled chain holds.
    void UpdateHover(Window* window);

    // --- Per step ---

    // Draws every visible window, parents before their children, each with its absolute
    // rectangle; stops at the first raised error and then returns false.
    bool DrawAll();
    // Updates every window, children before their parents, with the flags of its chains; stops
    // at the first raised error and then returns false.
    bool UpdateAll();

private:
    friend class Window;

    // Called by the windows themselves as they come and go: a new window goes on top of its
    // parent's children; a dying one is cleared from the slots before it leaves the tree.
    void Attach(Window& window);
    void Forget(Window& window);

    Hit FindWindowIn(const WindowContainer& container, Point point);
    void RecomputeHover() { UpdateHover(FindWindow(*this, m_mouse).Target); }
    // Takes the focus and the capture from `window` and everything below it, as disabling or
    // hiding it does.
    void ReleaseBelow(const Window& window);
    bool DrawWindow(Window& window, Point origin, bool enabled);
    bool UpdateWindow(Window& window, bool enabled, bool visible);

    int32_t m_wheelLines;
    Point m_mouse;  // the pointer's last position, virtual units
    Window* m_hover { nullptr };
    Window* m_capture { nullptr };
    uint32_t m_dragData { 0 };
    ButtonId m_captureButton { ButtonId::Left };
    Window* m_focus { nullptr };
};

// The process-wide system, made at its first use. The desktop offers no lines-per-notch
// setting through SDL, so it scrolls DefaultWheelLines a notch.
GUISystem& System();

}  // namespace gui
