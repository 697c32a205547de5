#include "gui/Controls.h"

#include <memory>

#include "base/NumericCasts.h"
#include "errors/ErrorTrail.h"
#include "gfx/LineManager.h"
#include "gfx/RectManager.h"
#include "gfx/SpriteManager.h"

namespace gui {

namespace {

void Notify(MsgHandler* handler, Window* sender, int32_t code) {
    if (handler) handler->Post(std::make_unique<Msg_Int>(sender, code));
}

Rect Shrunk(const Rect& r, float by) { return {r.Left + by, r.Top + by, r.Right - by, r.Bottom - by}; }

}  // namespace

// --- G_Button -------------------------------------------------------------------------------

G_Button::G_Button(Window& parent, const Rect& rect, MsgHandler* handler, const ButtonSheet& sheet, uint32_t icon)
    : Window(parent, rect), m_handler(handler), m_sheet(sheet), m_icon(icon) {}

void G_Button::Draw(const Rect& rect, bool enabled) {
    const bool in = m_down || m_pressed;
    const platform::D3DCOLOR tint = !enabled ? 0xFF505050 : in ? 0xFF686868 : 0xFF7F7F7F;
    const float push = in ? 1.0f : 0.0f;
    gfx::SpriteManager& sprites = gfx::Sprites();
    sprites.Begin();
    sprites.SetSprite(m_sheet.Sprite, true, false);
    sprites.AddSprite(0, Shrunk(rect, push), tint);
    if (m_icon != NoIcon) sprites.AddSprite(m_icon, Shrunk(rect, 4.0f + push), tint);
    sprites.End();
    if (errors::ErrorRaised()) errors::AddError("Nie można narysować przycisku");
}

void G_Button::MouseButton(Point point, ButtonId button, ButtonAction action) {
    if (button != ButtonId::Left) return;
    if (action != ButtonAction::Up) {
        m_pressed = true;
        return;
    }
    const bool inside = point.X >= 0 && point.X <= Width() && point.Y >= 0 && point.Y <= Height();
    if (m_pressed && inside) Notify(m_handler, this, NotifyClick);
    m_pressed = false;
}

void G_Button::MouseEnter() { Notify(m_handler, this, NotifyEnter); }

// --- G_TrackBar -----------------------------------------------------------------------------

G_TrackBar::G_TrackBar(Window& parent, const Rect& rect, MsgHandler* handler) : Window(parent, rect), m_handler(handler) {}

void G_TrackBar::SetPosition(float position) { m_position = base::ClampUnit(position); }
void G_TrackBar::SetMark1(float position) { m_mark1 = base::ClampUnit(position); }
void G_TrackBar::SetMark2(float position) { m_mark2 = base::ClampUnit(position); }

void G_TrackBar::Draw(const Rect& rect, bool) {
    const float l = rect.Left, t = rect.Top, r = rect.Right - 1, b = rect.Bottom - 1;
    const float span = r - l;
    const float m1 = l + span * m_mark1, m2 = l + span * m_mark2;
    gfx::RectManager& rects = gfx::Rects();
    rects.Begin();
    const struct {
        float Left, Right;
        platform::D3DCOLOR Color;
    } ranges[] = {{l, m1, 0xFF009000}, {m1, m2, 0xFF909000}, {m2, r, 0xFF900000}};
    for (const auto& range : ranges)
        if (range.Right > range.Left && b > t) rects.AddRect({range.Left, t, range.Right, b}, range.Color);
    rects.End();

    const float p = l + (rect.Right - l - 8 - 4) * m_position;
    gfx::LineManager& lines = gfx::Lines();
    if (!errors::ErrorRaised()) {
        lines.Begin();
        lines.AddRectOutline(rect, 0xFFFFFFFF);
        lines.AddRectOutline({p + 2, t + 2, p + 10, rect.Bottom - 2}, 0xFFFFFFFF);
        lines.End();
    }
    if (errors::ErrorRaised()) errors::AddError("Nie można narysować paska przewijania");
}

void G_TrackBar::MouseMove(Point point) {
    if (m_dragging) SetFromPoint(point);
}

void G_TrackBar::MouseButton(Point point, ButtonId button, ButtonAction action) {
    if (button != ButtonId::Left) return;
    if (action == ButtonAction::Up) {
        m_dragging = false;
        return;
    }
    m_dragging = true;
    SetFromPoint(point);
}

void G_TrackBar::MouseWheel(Point, float lines) {
    SetPosition(m_position + lines * 0.002f);
    Moved();
}

void G_TrackBar::MouseEnter() { Notify(m_handler, this, NotifyEnter); }

void G_TrackBar::SetFromPoint(Point point) {
    SetPosition((point.X - 2.0f) / (Width() - 4.0f));
    Moved();
}

void G_TrackBar::Moved() { Notify(m_handler, this, NotifyTrack); }

}  // namespace gui
