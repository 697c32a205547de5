#pragma once
// One automaton: its definition's settings, the generations of its world, its script, the
// driver that paces its iterations, and the state the workbench shows on its controls (run
// state, speed and zoom track bars, the Filter and Tile toggles, the user buttons, the status
// line). It knows no window, device or control: time comes in as arguments and through a
// DriverClock, and the owner mirrors the values below on its controls.
//
// Failures are recorded in the error trail; operations that can fail return false then.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/BeepService.h"
#include "core/DefinitionHeader.h"
#include "core/DriverClock.h"
#include "core/Generations.h"
#include "core/ScriptHost.h"
#include "core/StatusColors.h"


class Automaton {
public:
    static constexpr int UserButtons = DefinitionHeader::UserButtons;

    // `startTime` is the framework clock's time when the automaton is built: the simulated
    // clock starts there.
    explicit Automaton(DriverClock& clock = DriverClock::System(), double startTime = 0.0);
    Automaton(const Automaton&) = delete;
    Automaton& operator=(const Automaton&) = delete;

    // --- Loading -------------------------------------------------------------------------
    // Reads the definition file, parses its header, compiles its script, checks the header,
    // allocates the world and runs OnInit. False (with the chain in the trail, ending with
    // the file message) when anything failed; the automaton is then unusable.
    bool LoadDefinition(const std::string& path);
    // The same for a definition's `text` that is already in memory; `path` names it in
    // messages and its directory resolves included files (see SetIncludeReader).
    bool LoadDefinitionText(const std::string& path, std::string text);
    // Included files come from `reader` instead of the disk (for definitions in memory).
    void SetIncludeReader(DefinitionHeader::IncludeReader reader) { m_header.ReadInclude = std::move(reader); }
    bool Loaded() const { return m_loaded; }

    const DefinitionHeader& Header() const { return m_header; }
    const std::string& Title() const { return m_header.Title; }
    int Width() const { return m_header.Width; }
    int Height() const { return m_header.Height; }
    int Buffers() const { return m_header.Buffers; }
    const ViewSettings& View() const { return m_header.View; }
    uint32_t Background() const { return m_header.Background; }

    Generations& Cells() { return m_cells; }
    const Generations& Cells() const { return m_cells; }
    ScriptHost& Script() { return m_script; }

    // --- Driver --------------------------------------------------------------------------
    // One time step: adds `frameTime` (seconds) to the simulated clock, sets speed mark 1 from
    // `framesPerSecond`, lets the owner handle its queued control messages, then computes the
    // iterations that are due. On a failed iteration the trail ends with "Nie można
    // przeliczyć aplikacji".
    void UpdateFrame(float frameTime, float framesPerSecond, const std::function<void()>& processControlMessages = {});
    // Exactly one iteration: OnFrame, then the copies.
    bool ComputeIteration();
    void StartRunning();
    void StopRunning();
    // The Step command: one iteration unless a counted run is under way (then nothing).
    bool SingleStep();
    // The iteration prompt: starts a counted run of the number in `text`, or shows the red
    // status "Błędna liczba" for anything but a positive decimal number.
    bool StartIterations(std::string_view text);
    // A counted run of `count` iterations computed at once, without frame pacing (the batch
    // runner). `progress` is told the number done after each iteration. False on a failed
    // iteration, with its chain in the trail.
    bool RunCountedIterations(int32_t count, const std::function<void(int32_t)>& progress = {});
    void ResetCounter() { m_iterationCounter = 0; }

    // Clamps the period to [0.00001, 10] s, stores it and moves the speed track bar there.
    void SetIterationPeriod(float period);
    // The speed track bar moved (by the user or the keys): the period follows the position.
    void SetSpeedPosition(float position);

    float IterationPeriod() const { return m_iterationPeriod; }
    double SimClock() const { return m_simClock; }
    double SimTime() const { return m_simTime; }
    uint32_t IterationCounter() const { return m_iterationCounter; }
    int32_t PendingIterations() const { return m_pendingIterations; }
    int32_t RequestedIterations() const { return m_requestedIterations; }
    bool Running() const { return m_running; }
    bool RunPressed() const { return m_runPressed; }
    bool StopPressed() const { return !m_runPressed; }
    float SpeedPosition() const { return m_speedPosition; }
    float SpeedMark1() const { return m_speedMark1; }
    float SpeedMark2() const { return m_speedMark2; }

    // The counter as the status bar shows it: grouped digits, and "(done/requested)" during a
    // counted run.
    std::string CounterText() const;
    // Decimal digits with a blank before each group of three from the right, up to 1 000 000 000.
    static std::string FormatCounter(uint32_t number);

    // --- Status line ---------------------------------------------------------------------
    const std::string& StatusText() const { return m_statusText; }
    uint32_t StatusColor() const { return m_statusColor; }
    void SetStatus(std::string text, uint32_t color);

    // --- View state ----------------------------------------------------------------------
    float Zoom() const { return m_zoom; }
    // Clamps to [0.1, 10], stores, and moves the zoom track bar.
    void SetZoom(float zoom);
    // The zoom track bar moved: zoom = 10^(2 position - 1).
    void SetZoomPosition(float position);
    float ZoomPosition() const { return m_zoomPosition; }
    // Marker 1 of the zoom track bar shows the fitting zoom (set when the device is restored).
    void SetFittingZoom(float zoom);
    float ZoomMark1() const { return m_zoomMark1; }
    float ZoomMark2() const { return 1.0f; }

    bool Filtered() const { return m_filtered; }
    bool Tiled() const { return m_tiled; }
    // The Filter and Tile toggles are enabled only for the texture view; pressed = the flag.
    bool FilterTileEnabled() const { return m_header.View.Kind == ViewKind::Texture; }
    void ToggleFiltered() { m_filtered = !m_filtered; }
    void ToggleTiled() { m_tiled = !m_tiled; }

    // --- User buttons and callbacks ------------------------------------------------------
    const std::string& ButtonLabel(int slot) const { return m_header.ButtonLabels[static_cast<size_t>(slot)]; }
    // A user button is shown only when it has a label.
    bool ButtonVisible(int slot) const { return !ButtonLabel(slot).empty(); }
    // The latched pressed look of the button in `slot` (0..9).
    bool ButtonDown(int slot) const { return m_buttonDown[static_cast<size_t>(slot)]; }
    // By button number: 1..10 is button n, 0 is button 10; other numbers: false and nothing.
    bool GetButtonDown(int number) const;
    void SetButtonDown(int number, bool down);
    // The slot of a digit key: 1..9 -> 0..8, 0 -> 9.
    static int SlotOfDigit(int digit) { return digit == 0 ? 9 : digit - 1; }

    // The button callback of slot `index` (0..9), when the script defines it, then 0 -> 1.
    bool RunButtonCallback(int index);

    // Left mouse button over the automaton's window. The owner converts the point: `onWorld`
    // tells whether it lies on a cell, (x, y) is that cell. A press or double click sets the
    // held flag, a release clears it, moves count only while it is held.
    bool MouseDown(bool onWorld, int x, int y);
    bool MouseUp(bool onWorld, int x, int y);
    bool MouseMove(bool onWorld, int x, int y);
    bool MouseHeld() const { return m_mouseHeld; }

    // --- Table and picture events ----------------------------------------------------------
    // A table was read into generation 0: 0 -> 1.
    void AfterTableLoaded();
    // A picture was read into u1 of generation 0: 0 -> 1 and 0 -> 2, OnLoadImage when the
    // script defines it, and the copies again after it. False when OnLoadImage failed.
    bool AfterImageLoaded();
    // A picture is about to be taken from u1 of generation 0: OnSaveImage when the script
    // defines it, then the copies of an iteration. False when OnSaveImage failed.
    bool BeforeImageSaved();
    bool HasOnLoadImage() const { return m_script.Ids().OnLoadImage >= 0; }
    bool HasOnSaveImage() const { return m_script.Ids().OnSaveImage >= 0; }

    // --- Services --------------------------------------------------------------------------
    BeepService& Beep() const { return *m_beep; }
    void SetBeepService(BeepService& beep) { m_beep = &beep; }
    DriverClock& Clock() const { return *m_clock; }

private:
    bool SetupScript(std::string_view code);
    bool InitAutomaton();
    bool RunPositionCallback(int id, int x, int y);
    void Overload(int count);
    // A counted run of `count` iterations: Run pressed, free running off.
    void BeginCountedRun(int32_t count);

    DefinitionHeader m_header;
    Generations m_cells;
    ScriptHost m_script;
    bool m_loaded { false };

    DriverClock* m_clock;
    BeepService* m_beep { &BeepService::Silent() };

    // Driver. The clocks are in seconds; they are doubles so that a run of many days still
    // adds a frame time of a few milliseconds exactly enough.
    float m_iterationPeriod { 1.0f };
    double m_simClock { 0.0 };
    double m_simTime { 0.0 };
    uint32_t m_iterationCounter { 0 };
    int32_t m_pendingIterations { 0 };
    int32_t m_requestedIterations { 0 };
    bool m_running { false };
    bool m_runPressed { false };
    float m_speedPosition { 0.0f };
    float m_speedMark1 { 1.0f };
    float m_speedMark2 { 1.0f };

    std::string m_statusText;
    uint32_t m_statusColor { StatusInfoColor };

    float m_zoom { 1.0f };
    float m_zoomPosition { 0.0f };
    float m_zoomMark1 { 1.0f };
    bool m_filtered { false };
    bool m_tiled { false };

    std::array<bool, UserButtons> m_buttonDown {};
    bool m_mouseHeld { false };
};
