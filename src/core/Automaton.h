#pragma once
// One automaton: its definition's settings, the generations of its world, its script and the
// driver that paces its iterations. It knows no window, device or control: time comes in as
// arguments and through a DriverClock, the script reaches the buttons and the status line
// through the ScriptControls it is given, and the workbench keeps what its controls show in a
// WorkbenchState of its own.
//
// Failures are recorded in the error trail; operations that can fail return false then.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/BeepService.h"
#include "core/DefinitionHeader.h"
#include "core/DriverClock.h"
#include "core/Generations.h"
#include "core/ScriptControls.h"
#include "core/ScriptHost.h"
#include "core/ScriptJit.h"

namespace core {

// What a time step of the driver came to.
enum class DriverStep {
    Normal,
    // The computer could not keep up: the period was lengthened and the backlog dropped.
    Overloaded,
};

class Automaton {
public:
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
    // Before LoadDefinition: where the script's machine-code compiler comes from (the
    // process's default at construction); empty runs the script in the interpreter.
    void SetScriptJit(ScriptJitFactory factory) { m_jitFactory = std::move(factory); }
    // After LoadDefinition: whether the script was given a compiler.
    bool UsesScriptJit() const { return m_jit != nullptr; }

    const DefinitionHeader& Header() const { return m_header; }
    const std::string& Title() const { return m_header.Title; }
    int Width() const { return m_header.Width; }
    int Height() const { return m_header.Height; }
    int Buffers() const { return m_header.Buffers; }
    const view::ViewSettings& View() const { return m_header.View; }
    uint32_t Background() const { return m_header.Background; }

    Generations& Cells() { return m_cells; }
    const Generations& Cells() const { return m_cells; }
    ScriptHost& Script() { return m_script; }

    // --- Driver --------------------------------------------------------------------------
    // Runs a piece of work that calls the script, and returns when it has ended: where the
    // owner wants script calls to run (the workbench: on its script worker).
    using ScriptRunner = std::function<void(const std::function<void()>& work)>;

    // One time step: adds `frameTime` (seconds) to the simulated clock, lets the owner handle
    // its queued control messages, then computes the iterations that are due, through
    // `runScript` when given (the messages are handled where UpdateFrame is called). On a
    // failed iteration the trail ends with "Nie można przeliczyć aplikacji".
    DriverStep UpdateFrame(float frameTime, const std::function<void()>& processControlMessages = {},
                           const ScriptRunner& runScript = {});
    // Exactly one iteration: OnFrame, then the copies.
    bool ComputeIteration();
    void StartRunning();
    void StopRunning();
    // The Step command: one iteration unless a counted run is under way (then nothing).
    bool SingleStep();
    // A counted run of `count` (> 0) iterations, paced by UpdateFrame: Run pressed, free
    // running off.
    void StartCountedRun(int32_t count);
    // A counted run of `count` iterations computed at once, without frame pacing (the batch
    // runner). `progress` is told the number done after each iteration and answers whether to
    // go on. False on a failed iteration, with its chain in the trail, and when `progress`
    // stopped the run.
    bool RunCountedIterations(int32_t count, const std::function<bool(int32_t)>& progress = {});
    void ResetCounter() { m_iterationCounter = 0; }

    // Clamps the period to [0.00001, 10] s and stores it.
    void SetIterationPeriod(float period);

    float IterationPeriod() const { return m_iterationPeriod; }
    double SimClock() const { return m_simClock; }
    double SimTime() const { return m_simTime; }
    uint32_t IterationCounter() const { return m_iterationCounter; }
    int32_t PendingIterations() const { return m_pendingIterations; }
    int32_t RequestedIterations() const { return m_requestedIterations; }
    bool Running() const { return m_running; }
    bool RunPressed() const { return m_runPressed; }
    bool StopPressed() const { return !m_runPressed; }

    // The counter as the status bar shows it: grouped digits, and "(done/requested)" during a
    // counted run.
    std::string CounterText() const;
    // Decimal digits with a blank before each group of three from the right, up to 1 000 000 000.
    static std::string FormatCounter(uint32_t number);

    // --- User buttons and callbacks ------------------------------------------------------
    const std::string& ButtonLabel(int slot) const { return m_header.ButtonLabels[static_cast<size_t>(slot)]; }
    // A user button is shown only when it has a label.
    bool ButtonVisible(int slot) const { return !ButtonLabel(slot).empty(); }
    // The button callback of `slot` (0..9, see ButtonSlot), when the script defines it, then 0 -> 1.
    bool RunButtonCallback(int slot);

    // The mouse callbacks at cell (x, y), when the script defines them and `onWorld` says that
    // the point lies on a cell, then 0 -> 1. When a move counts is the owner's rule.
    bool MouseDown(bool onWorld, int x, int y);
    bool MouseUp(bool onWorld, int x, int y);
    bool MouseMove(bool onWorld, int x, int y);

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
    // The buttons and the status line the script's GetButtonDown, SetButtonDown and Debug
    // reach; ScriptControls::None() until others are given.
    ScriptControls& Controls() const { return *m_controls; }
    void SetScriptControls(ScriptControls& controls) { m_controls = &controls; }

private:
    // The iterations of a time step that are due (counted run or free running).
    DriverStep ComputeDueIterations();
    bool SetupScript(std::string_view code);
    bool InitAutomaton();
    bool RunPositionCallback(int id, bool onWorld, int x, int y);
    void Overload(int count);

    DefinitionHeader m_header;
    Generations m_cells;
    ScriptJitFactory m_jitFactory { DefaultScriptJit() };
    std::unique_ptr<AngelScript::asIJITCompiler> m_jit;  // outlives m_script's engine
    ScriptHost m_script;
    bool m_loaded { false };

    DriverClock* m_clock;
    BeepService* m_beep { &BeepService::Silent() };
    ScriptControls* m_controls { &ScriptControls::None() };

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
};

}  // namespace core
