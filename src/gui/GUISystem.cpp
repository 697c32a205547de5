#include "gui/GUISystem.h"

#include <algorithm>

#include "errors/ErrorTrail.h"
#include "platform/sdl/WindowMessage.h"

namespace gui {

namespace {

bool Inside(const Rect& rect, Point point) {
    return rect.Left <= point.X && point.X <= rect.Right && rect.Top <= point.Y && point.Y <= rect.Bottom;
}

}  // namespace

GUISystem::~GUISystem() {
    m_hover = m_capture = m_focus = nullptr;
    // Every window below learns that the system is gone; the top-level ones lose their parent.
    std::vector<Window*> pending(m_children.begin(), m_children.end());
    for (Window* top : m_children) top->m_parent = nullptr;
    while (!pending.empty()) {
        Window* window = pending.back();
        pending.pop_back();
        window->m_system = nullptr;
        pending.insert(pending.end(), window->m_children.begin(), window->m_children.end());
    }
    m_children.clear();
}

// --- Queries ---

Hit GUISystem::FindWindow(const WindowContainer& container, Point point) {
    Hit hit = FindWindowIn(container, point);
    if (hit.Target == nullptr) hit.Local = point;
    return hit;
}

Hit GUISystem::FindWindowIn(const WindowContainer& container, Point point) {
    const std::vector<Window*>& children = container.m_children;
    for (size_t i = children.size(); i-- > 0;) {
        if (i >= children.size()) continue;  // a hit test took windows away
        Window& child = *children[i];
        if (!child.m_visible || !Inside(child.m_rect, point)) continue;
        const Point local {point.X - child.m_rect.Left, point.Y - child.m_rect.Top};
        if (Hit below = FindWindowIn(child, local); below.Target != nullptr) return below;
        if (child.HitTest(local)) return {&child, local};
    }
    return {};
}

Point GUISystem::ToLocal(Point point, const Window& window) {
    for (const Window* w = &window; w != nullptr; w = w->ParentWindow()) {
        point.X -= w->m_rect.Left;
        point.Y -= w->m_rect.Top;
    }
    return point;
}

bool GUISystem::EnabledChain(const Window& window) {
    for (const Window* w = &window; w != nullptr; w = w->ParentWindow())
        if (!w->m_enabled) return false;
    return true;
}

bool GUISystem::VisibleChain(const Window& window) {
    const Window* top = &window;
    for (const Window* w = &window; w != nullptr; w = w->ParentWindow()) {
        if (!w->m_visible) return false;
        top = w;
    }
    return top->InTree();
}

bool GUISystem::IsWithin(const Window* window, const Window* ancestor) {
    for (const Window* w = window; w != nullptr; w = w->ParentWindow())
        if (w == ancestor) return true;
    return false;
}

// --- Input ---

bool GUISystem::MouseMove(Point point) {
    m_mouse = point;
    const Hit hit = FindWindow(*this, point);
    Window* capture = m_capture;
    if (capture != nullptr) {
        capture->MouseMove(ToLocal(point, *capture));
        if (m_capture != nullptr && hit.Target != nullptr && EnabledChain(*hit.Target))
            hit.Target->DragOver(hit.Local, m_capture, m_dragData);
    }
    UpdateHover(hit.Target);
    // The capturing window had this move already: it gets each move once, under the pointer or not.
    if (hit.Target != nullptr && hit.Target != capture && EnabledChain(*hit.Target)) {
        hit.Target->MouseMove(hit.Local);
        return true;
    }
    return capture != nullptr;
}

bool GUISystem::MouseButton(Point point, int button, int action) {
    if (button < 0 || button > 2 || action < 0 || action > 2) return false;
    return MouseButton(point, static_cast<ButtonId>(button), static_cast<ButtonAction>(action));
}

bool GUISystem::MouseButton(Point point, ButtonId button, ButtonAction action) {
    const Hit hit = FindWindow(*this, point);
    Window* const under = hit.Target;
    if (m_capture == nullptr) {
        if (action == ButtonAction::Down) {
            if (under == nullptr) return false;
            SetFocus(under);
        }
        if (under == nullptr || !EnabledChain(*under)) return false;
        under->MouseButton(hit.Local, button, action);
        if (action == ButtonAction::Down) {
            m_capture = under;
            m_captureButton = button;
            // A window that does not fill the drag data gets 0, not what the last drag left.
            m_dragData = 0;
            under->DragBegin(hit.Local, button, m_dragData);
        }
        return true;
    }

    Window* const capture = m_capture;
    capture->MouseButton(ToLocal(point, *capture), button, action);
    // The handler may have ended the capture itself (by hiding or disabling its window).
    if (m_capture != capture) return true;
    if (under != nullptr && EnabledChain(*under)) {
        if (action == ButtonAction::Up && button == m_captureButton)
            under->Drop(hit.Local, capture, m_dragData);
        else
            under->DropRefused(hit.Local, capture, m_dragData);
    }
    m_capture = nullptr;
    capture->DragEnd(point, under, m_dragData);
    return true;
}

bool GUISystem::MouseWheel(Point point, int distance) {
    const Hit hit = FindWindow(*this, point);
    if (hit.Target == nullptr || !EnabledChain(*hit.Target)) return false;
    const float lines = static_cast<float>(distance) * static_cast<float>(m_wheelLines) /
                        static_cast<float>(platform::WheelDelta);
    hit.Target->MouseWheel(hit.Local, lines);
    return true;
}

bool GUISystem::KeyDown(uint32_t key) {
    if (m_focus == nullptr) return false;
    m_focus->KeyDown(key);
    return true;
}

bool GUISystem::KeyUp(uint32_t key) {
    if (m_focus == nullptr) return false;
    m_focus->KeyUp(key);
    return true;
}

bool GUISystem::Char(uint32_t code) {
    if (m_focus == nullptr) return false;
    m_focus->Char(code);
    return true;
}

// --- State ---

void GUISystem::SetFocus(Window* window) {
    if (window == m_focus) return;
    if (window != nullptr && (!window->CanFocus() || !EnabledChain(*window) || !VisibleChain(*window))) return;
    if (m_focus != nullptr) m_focus->FocusLost();
    m_focus = window;
    if (window != nullptr) {
        window->FocusGained();
        BringToFront(*window);
    }
}

void GUISystem::SetEnabled(Window& window, bool enabled) {
    if (window.m_enabled == enabled) return;
    window.m_enabled = enabled;
    if (!enabled) ReleaseBelow(window);
}

void GUISystem::SetVisible(Window& window, bool visible) {
    if (window.m_visible == visible) return;
    window.m_visible = visible;
    if (!visible) ReleaseBelow(window);
    RecomputeHover();
}

void GUISystem::BringToFront(Window& window) {
    if (WindowContainer* parent = window.m_parent) {
        std::erase(parent->m_children, &window);
        parent->m_children.push_back(&window);
    }
    RecomputeHover();
}

void GUISystem::UpdateHover(Window* window) {
    if (window == m_hover) return;
    if (Window* old = m_hover; old != nullptr && EnabledChain(*old)) {
        old->MouseLeave();
        if (m_capture != nullptr) old->DragLeave(m_capture, m_dragData);
    }
    m_hover = window;
    if (window != nullptr && EnabledChain(*window)) {
        window->MouseEnter();
        if (m_capture != nullptr) window->DragEnter(m_capture, m_dragData);
    }
}

void GUISystem::ReleaseBelow(const Window& window) {
    if (m_focus != nullptr && IsWithin(m_focus, &window)) {
        m_focus->FocusLost();
        m_focus = nullptr;
    }
    if (m_capture != nullptr && IsWithin(m_capture, &window)) {
        Window* const capture = m_capture;
        m_capture = nullptr;
        const Point at = m_hover != nullptr ? ToLocal(m_mouse, *m_hover) : m_mouse;
        if (m_hover != nullptr) m_hover->DropRefused(at, capture, m_dragData);
        capture->DragEnd(at, m_hover, m_dragData);
    }
}

// --- Life of windows ---

void GUISystem::Attach(Window& window) {
    window.m_parent->m_children.push_back(&window);
    RecomputeHover();
}

void GUISystem::Forget(Window& window) {
    // The window is going: it is told nothing more.
    if (m_hover == &window) m_hover = nullptr;
    if (m_capture == &window) m_capture = nullptr;
    if (m_focus == &window) m_focus = nullptr;
    // What lies below it leaves the tree with it: the focus and the capture go as on hiding.
    ReleaseBelow(window);
}

// --- Per step ---

bool GUISystem::DrawAll() {
    for (size_t i = 0; i < m_children.size(); ++i) {
        Window& top = *m_children[i];
        if (top.m_visible && !DrawWindow(top, {0, 0}, true)) return false;
    }
    return true;
}

bool GUISystem::DrawWindow(Window& window, Point origin, bool enabled) {
    const Rect& r = window.m_rect;
    const Rect absolute {origin.X + r.Left, origin.Y + r.Top, origin.X + r.Right, origin.Y + r.Bottom};
    const bool effective = enabled && window.m_enabled;
    window.Draw(absolute, effective);
    if (errors::ErrorRaised()) return false;
    for (size_t i = 0; i < window.m_children.size(); ++i) {
        Window& child = *window.m_children[i];
        if (child.m_visible && !DrawWindow(child, {absolute.Left, absolute.Top}, effective)) return false;
    }
    return true;
}

bool GUISystem::UpdateAll() {
    for (size_t i = 0; i < m_children.size(); ++i)
        if (!UpdateWindow(*m_children[i], true, true)) return false;
    return true;
}

bool GUISystem::UpdateWindow(Window& window, bool enabled, bool visible) {
    const bool e = enabled && window.m_enabled, v = visible && window.m_visible;
    for (size_t i = 0; i < window.m_children.size(); ++i)
        if (!UpdateWindow(*window.m_children[i], e, v)) return false;
    window.Update(e, v);
    return !errors::ErrorRaised();
}

GUISystem& System() {
    static GUISystem system;
    return system;
}

}  // namespace gui
