#include "gui/Window.h"

#include "gui/GUISystem.h"

namespace gui {

Window::Window(GUISystem& system, const Rect& rect) : Window(system, system, rect) {}

Window::Window(Window& parent, const Rect& rect) : Window(parent.Root(), parent, rect) {}

Window::Window(GUISystem& system, WindowContainer& parent, const Rect& rect)
    : m_system(&system), m_parent(&parent), m_rect(rect) {
    m_system->Attach(*this);
}

Window::~Window() {
    if (m_system != nullptr) m_system->Forget(*this);
    if (m_parent != nullptr) std::erase(m_parent->m_children, this);
    // Children outlive their parent without one.
    for (Window* child : m_children) child->m_parent = nullptr;
    m_children.clear();
    if (m_system != nullptr) m_system->RecomputeHover();
}

Window* Window::ParentWindow() const {
    // Once the system is gone, its former top-level windows have no parent either.
    if (m_parent == nullptr || m_parent == static_cast<WindowContainer*>(m_system)) return nullptr;
    return static_cast<Window*>(m_parent);
}

void Window::Draw(const Rect&, bool) {}
void Window::Update(bool, bool) {}
bool Window::HitTest(Point) { return true; }
bool Window::CanFocus() { return false; }
void Window::MouseMove(Point) {}
void Window::MouseButton(Point, ButtonId, ButtonAction) {}
void Window::MouseWheel(Point, float) {}
void Window::MouseEnter() {}
void Window::MouseLeave() {}
void Window::DragBegin(Point, ButtonId, uint32_t&) {}
void Window::DragEnd(Point, Window*, uint32_t) {}
void Window::DragEnter(Window*, uint32_t) {}
void Window::DragLeave(Window*, uint32_t) {}
void Window::DragOver(Point, Window*, uint32_t) {}
void Window::Drop(Point, Window*, uint32_t) {}
void Window::DropRefused(Point, Window*, uint32_t) {}
void Window::FocusGained() {}
void Window::FocusLost() {}
void Window::KeyDown(uint32_t) {}
void Window::KeyUp(uint32_t) {}
void Window::Char(uint32_t) {}

}  // namespace gui
