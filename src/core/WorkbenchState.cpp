#include "core/WorkbenchState.h"

#include "base/NumericCasts.h"
#include "core/Automaton.h"
#include "core/SpeedScale.h"
#include "view/ViewGeometry.h"
#include "xnl/TokenConversion.h"

namespace core {

void TrackBarState::SetPosition(float position) { m_position = base::ClampUnit(position); }
void TrackBarState::SetMark1(float position) { m_mark1 = base::ClampUnit(position); }
void TrackBarState::SetMark2(float position) { m_mark2 = base::ClampUnit(position); }

WorkbenchState::WorkbenchState() {
    ShowIterationPeriod(1.0f);
    SetZoom(1.0f);
}

void WorkbenchState::Configure(const Automaton& automaton) {
    const DefinitionHeader& header = automaton.Header();
    SetZoom(header.Zoom);
    m_filtered = header.Filtered;
    m_tiled = header.Tiled;
    m_filterTileEnabled = header.View.Kind == view::ViewKind::Texture;
    ShowIterationPeriod(automaton.IterationPeriod());
}

// --- Steps and commands on the automaton ----------------------------------------------------

void WorkbenchState::UpdateFrame(Automaton& automaton, float frameTime, float framesPerSecond,
                                 const std::function<void()>& processControlMessages,
                                 const std::function<void(const std::function<void()>&)>& runScript) {
    ShowFrameRate(framesPerSecond);
    if (automaton.UpdateFrame(frameTime, processControlMessages, runScript) != DriverStep::Overloaded) return;
    SetStatus("Komputer nie nadąża!", StatusWarningColor);
    ShowIterationPeriod(automaton.IterationPeriod());
    m_speedBar.SetMark2(m_speedBar.Position());
}

void WorkbenchState::SetSpeedPosition(Automaton& automaton, float position) {
    // The period follows the position, not the other way round: the position stays where
    // the user put it, whatever the period's rounding.
    m_speedBar.SetPosition(position);
    automaton.SetIterationPeriod(PositionToPeriod(m_speedBar.Position()));
}

bool WorkbenchState::StartIterations(Automaton& automaton, std::string_view text) {
    int32_t count = 0;
    if (px::StrToInt(text, count, 10) != px::StrToIntOk || count <= 0) {
        SetStatus("Błędna liczba", StatusWarningColor);
        return false;
    }
    automaton.StartCountedRun(count);
    return true;
}

bool WorkbenchState::MouseDown(Automaton& automaton, bool onWorld, int x, int y) {
    m_mouseHeld = true;
    return automaton.MouseDown(onWorld, x, y);
}

bool WorkbenchState::MouseUp(Automaton& automaton, bool onWorld, int x, int y) {
    bool ok = automaton.MouseUp(onWorld, x, y);
    m_mouseHeld = false;
    return ok;
}

bool WorkbenchState::MouseMove(Automaton& automaton, bool onWorld, int x, int y) {
    if (!m_mouseHeld) return true;
    return automaton.MouseMove(onWorld, x, y);
}

// --- Track bars ------------------------------------------------------------------------------

void WorkbenchState::ShowIterationPeriod(float period) {
    m_speedBar.SetPosition(PeriodToPosition(ClampIterationPeriod(period)));
}

void WorkbenchState::ShowFrameRate(float framesPerSecond) {
    m_speedBar.SetMark1(framesPerSecond == 0.0f ? 1.0f : PeriodToPosition(1.0f / framesPerSecond));
}

void WorkbenchState::SetZoom(float zoom) {
    m_zoom = view::ClampZoom(zoom);
    m_zoomBar.SetPosition(view::ZoomToPosition(m_zoom));
}

void WorkbenchState::SetZoomPosition(float position) {
    m_zoomBar.SetPosition(position);
    m_zoom = view::PositionToZoom(m_zoomBar.Position());
}

void WorkbenchState::SetFittingZoom(float zoom) { m_zoomBar.SetMark1(view::ZoomToPosition(view::ClampZoom(zoom))); }

// --- Status line -----------------------------------------------------------------------------

void WorkbenchState::SetStatus(std::string text, uint32_t color) {
    m_statusText = std::move(text);
    m_statusColor = color;
}

}  // namespace core
