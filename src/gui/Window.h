#pragma once
// Windows of the on-screen window system: rectangles in the 800 x 600 virtual drawing space,
// arranged in a tree under one gui::GUISystem, drawn and hit from the bottom of each
// container's children to the top.
//
// Ownership: a container does not own its children; whoever creates a window destroys it. A
// window keeps a plain pointer to its parent and to its system. Constructing a window appends
// it on top of its parent's children; destroying it takes it out again and clears the
// system's hover, capture and focus slots where they hold it.

#include <cstdint>
#include <vector>

#include "cells/VirtualSpace.h"

namespace gui {

class GUISystem;
class Window;

// Points and rectangles in virtual units; a window's rectangle is in its parent's
// coordinates (relative to the parent's top-left corner), a point handed to a window's
// operation in the window's own.
using Point = cells::VirtualPoint;
using Rect = cells::VirtualRect;

enum class ButtonId : int32_t { Left = 0, Middle = 1, Right = 2 };
enum class ButtonAction : int32_t { Down = 0, Up = 1, DoubleClick = 2 };

// The base of the system and of every window: the children, first drawn first (bottom), the
// last on top.
class WindowContainer {
public:
    WindowContainer() = default;
    WindowContainer(const WindowContainer&) = delete;
    WindowContainer& operator=(const WindowContainer&) = delete;
    virtual ~WindowContainer() = default;

    const std::vector<Window*>& Children() const { return m_children; }

protected:
    friend class GUISystem;
    friend class Window;

    std::vector<Window*> m_children;
};

class Window : public WindowContainer {
public:
    // A top-level window of `system`, or a child of `parent`; `rect` in the parent's
    // coordinates (the virtual space for a top-level window).
    Window(GUISystem& system, const Rect& rect);
    Window(Window& parent, const Rect& rect);
    // Leaves the tree. Children are not destroyed: they are left without a parent, so they are
    // neither drawn nor hit until they are destroyed in turn.
    ~Window() override;

    // The system the window belongs to (not to be asked once that system is gone).
    GUISystem& Root() const { return *m_system; }
    // The parent window; null for a top-level window and for one whose parent was destroyed.
    Window* ParentWindow() const;
    // False once the window's parent was destroyed before it.
    bool InTree() const { return m_parent != nullptr; }
    const Rect& GetRect() const { return m_rect; }
    float Width() const { return m_rect.Right - m_rect.Left; }
    float Height() const { return m_rect.Bottom - m_rect.Top; }
    // The window's own flags; GUISystem::SetEnabled and SetVisible change them.
    bool IsEnabled() const { return m_enabled; }
    bool IsVisible() const { return m_visible; }

    // The operations the system calls. Every default does nothing (HitTest takes every point,
    // CanFocus refuses the focus).

    // `rect` is absolute (virtual space); `enabled` also holds for every ancestor. A failure
    // is raised in the error trail.
    virtual void Draw(const Rect& rect, bool enabled);
    // Once per time step; the flags also hold for every ancestor.
    virtual void Update(bool enabled, bool visible);
    virtual bool HitTest(Point point);
    virtual bool CanFocus();
    virtual void MouseMove(Point point);
    virtual void MouseButton(Point point, ButtonId button, ButtonAction action);
    // `lines`: the wheel's travel in text lines, positive away from the user.
    virtual void MouseWheel(Point point, float lines);
    virtual void MouseEnter();
    virtual void MouseLeave();
    // The window took the capture with a button-down; it may fill `data` for the drag.
    virtual void DragBegin(Point point, ButtonId button, uint32_t& data);
    // The capture ended; `under` is the window under the pointer (may be null).
    virtual void DragEnd(Point point, Window* under, uint32_t data);
    // The pointer entered or left this window while `capture` holds the mouse.
    virtual void DragEnter(Window* capture, uint32_t data);
    virtual void DragLeave(Window* capture, uint32_t data);
    virtual void DragOver(Point point, Window* capture, uint32_t data);
    // The capture's button was released over this window.
    virtual void Drop(Point point, Window* capture, uint32_t data);
    // Another button event, or the capture's window going away, ended the capture over this window.
    virtual void DropRefused(Point point, Window* capture, uint32_t data);
    virtual void FocusGained();
    virtual void FocusLost();
    // Virtual-key codes.
    virtual void KeyDown(uint32_t key);
    virtual void KeyUp(uint32_t key);
    // A typed character as a Unicode code point (8, 9, 13 and 27 for Backspace, Tab, Enter and Escape).
    virtual void Char(uint32_t code);

private:
    friend class GUISystem;

    Window(GUISystem& system, WindowContainer& parent, const Rect& rect);

    GUISystem* m_system;
    WindowContainer* m_parent;  // the parent window or the system; null once the parent is gone
    Rect m_rect;
    bool m_enabled { true };
    bool m_visible { true };
};

}  // namespace gui
