#pragma once
// The workbench's control state, without any window: the positions and marks of the speed and
// zoom track bars, the Filter and Tile toggles, the status line, the user buttons' latched down
// flags and the held left mouse button. The workbench's Application owns one beside its
// automaton and binds its controls to it. The steps and commands that change both the state and
// the automaton (a time step, the speed bar, the iteration prompt, the mouse over the world)
// are here as well, so that they are tested without a window.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/ScriptControls.h"
#include "core/StatusColors.h"

namespace core {

class Automaton;

// What a track bar shows: its thumb and its two marks, each in [0, 1]. The setters limit a
// value as the bar does: to at most 1 first (a non-number becomes 1), then to at least 0.
class TrackBarState {
public:
    float Position() const { return m_position; }
    float Mark1() const { return m_mark1; }
    float Mark2() const { return m_mark2; }
    void SetPosition(float position);
    void SetMark1(float position);
    void SetMark2(float position);

private:
    float m_position { 0.0f };
    float m_mark1 { 1.0f };
    float m_mark2 { 1.0f };
};

class WorkbenchState final : public ScriptControls {
public:
    WorkbenchState();
    // An automaton's script reaches its state by address: the state stays where it is.
    WorkbenchState(const WorkbenchState&) = delete;
    WorkbenchState& operator=(const WorkbenchState&) = delete;

    // Takes what a loaded automaton's definition sets: the zoom, Filtered and Tiled (whose
    // buttons are enabled for the texture view only), and the speed bar at its period.
    void Configure(const Automaton& automaton);

    // --- Steps and commands on the automaton -----------------------------------------------
    // One time step: speed mark 1 from the frame rate, then the driver's step, which handles
    // the owner's control messages first; an overload shows its warning and moves the speed
    // bar and its mark 2 to the new period. The iterations run through `runScript` when given.
    void UpdateFrame(Automaton& automaton, float frameTime, float framesPerSecond,
                     const std::function<void()>& processControlMessages = {},
                     const std::function<void(const std::function<void()>&)>& runScript = {});
    // The speed bar moved (by the user or a key): the automaton's period follows the position.
    void SetSpeedPosition(Automaton& automaton, float position);
    // The iteration prompt's text: a counted run of that many iterations, or the red status
    // "Błędna liczba" for anything but a positive decimal number.
    bool StartIterations(Automaton& automaton, std::string_view text);
    // The left mouse button over the automaton's window; `onWorld` tells whether the point lies
    // on a cell, (x, y) is that cell. A press or double click holds the button, a release lets
    // it go, and moves reach the script only while it is held.
    bool MouseDown(Automaton& automaton, bool onWorld, int x, int y);
    bool MouseUp(Automaton& automaton, bool onWorld, int x, int y);
    bool MouseMove(Automaton& automaton, bool onWorld, int x, int y);
    bool MouseHeld() const { return m_mouseHeld; }

    // --- Speed track bar: position = 1 - (log10(period) + 5) / 6 ----------------------------
    // Mark 1 shows one iteration per frame (the achieved speed), mark 2 the speed the driver
    // fell back to when the computer could not keep up.
    const TrackBarState& SpeedBar() const { return m_speedBar; }
    // The thumb at `period` (the definition's speed, the overload rule's new period).
    void ShowIterationPeriod(float period);
    // Mark 1 at one iteration per frame at `framesPerSecond`; at 1 while the rate is 0.
    void ShowFrameRate(float framesPerSecond);

    // --- Zoom and its track bar: position = (log10(zoom) + 1) / 2 ------------------------------
    // Mark 1 shows the zoom at which the world fills the view rectangle (set whenever the
    // device is restored); mark 2 stays at 1.
    const TrackBarState& ZoomBar() const { return m_zoomBar; }
    float Zoom() const { return m_zoom; }
    // Clamps to [0.1, 10] and stores; the thumb follows.
    void SetZoom(float zoom);
    // The thumb moved: zoom = 10^(2 position - 1).
    void SetZoomPosition(float position);
    void SetFittingZoom(float zoom);

    // --- Filter and Tile ------------------------------------------------------------------
    bool Filtered() const { return m_filtered; }
    bool Tiled() const { return m_tiled; }
    // The two buttons are enabled only for the texture view; their keys toggle all the same.
    bool FilterTileEnabled() const { return m_filterTileEnabled; }
    void ToggleFiltered() { m_filtered = !m_filtered; }
    void ToggleTiled() { m_tiled = !m_tiled; }

    // --- Status line ----------------------------------------------------------------------
    const std::string& StatusText() const { return m_statusText; }
    uint32_t StatusColor() const { return m_statusColor; }
    void SetStatus(std::string text, uint32_t color) override;

    // --- User buttons ---------------------------------------------------------------------
    bool ButtonDown(int slot) const override { return m_buttons.ButtonDown(slot); }
    void SetButtonDown(int slot, bool down) override { m_buttons.SetButtonDown(slot, down); }

private:
    TrackBarState m_speedBar;
    TrackBarState m_zoomBar;
    float m_zoom { 1.0f };

    bool m_filtered { false };
    bool m_tiled { false };
    bool m_filterTileEnabled { true };

    std::string m_statusText;
    uint32_t m_statusColor { StatusInfoColor };

    UserButtons m_buttons;
    bool m_mouseHeld { false };
};

}  // namespace core
