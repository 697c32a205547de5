#include "core/Automaton.h"

#include <cassert>
#include <filesystem>

#include "base/Utilities.h"
#include "core/CRandGenerator.h"
#include "core/HostFunctions.h"
#include "core/SpeedScale.h"
#include "errors/ErrorTrail.h"

namespace core {

using errors::AddError;
using errors::ErrorRaised;
using errors::RaiseError;

namespace {

constexpr std::string_view CodeMarker = "--CODE--";
// Definitions are text files of a few kilobytes. Anything that is not a regular file (a
// directory, a pipe, a device that never ends) or is beyond this size is not read at all.
constexpr uintmax_t LargestDefinition = 64u << 20;

bool ReadDefinitionFile(const std::string& path, std::string& text) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > LargestDefinition) return false;
    return base::ReadTextFile(path, text);
}
// Per-frame work budgets, in seconds of the driver's clock.
constexpr double CountedRunBudget = 0.05;
constexpr double FreeRunBudget = 0.1;

}  // namespace

Automaton::Automaton(DriverClock& clock, double startTime) : m_clock(&clock), m_simClock(startTime), m_simTime(startTime) {
    SetIterationPeriod(1.0f);
    StopRunning();
}

// --- Loading ---------------------------------------------------------------------------------

bool Automaton::LoadDefinition(const std::string& path) {
    std::string text;
    if (!ReadDefinitionFile(path, text)) {
        RaiseError("Nie można wczytać pliku \"" + path + "\"");
        AddError("Błąd podczas wczytywania pliku \"" + path + "\" i uruchamiania programu");
        return false;
    }
    return LoadDefinitionText(path, std::move(text));
}

bool Automaton::LoadDefinitionText(const std::string& path, std::string text) {
    assert(!m_loaded && "an automaton loads one definition");
    if (size_t marker = text.find(CodeMarker); marker == std::string::npos) {
        RaiseError("Nie znaleziono \"--CODE--\"");
    } else {
        std::string code = text.substr(marker + CodeMarker.size());
        text.resize(marker);
        if (m_header.ParseHeader(text, base::DirectoryOf(path))) {
            SetIterationPeriod(m_header.IterationPeriod);
            // Scripts may read cells while they compile (global initialisers): before the
            // world exists every read gives the default cell.
            m_cells.SetEdges(m_header.Wrap, m_header.DefaultCell);
            if (m_header.Running)
                StartRunning();
            else
                StopRunning();
            // The script is compiled before the header's rules are checked: a script error is
            // reported even when a required item is missing too.
            if (SetupScript(code) && m_header.CheckHeader()) InitAutomaton();
        }
    }
    if (ErrorRaised()) {
        AddError("Błąd podczas wczytywania pliku \"" + path + "\" i uruchamiania programu");
        return false;
    }
    m_loaded = true;
    return true;
}

bool Automaton::SetupScript(std::string_view code) {
    if (m_jitFactory) m_jit = m_jitFactory(*this);
    return m_script.SetupScript(
        code, [this](AngelScript::asIScriptEngine& engine) { RegisterHostFunctions(engine, *this); }, m_jit.get());
}

bool Automaton::InitAutomaton() {
    if (!m_cells.Allocate(m_header.Buffers, m_header.Width, m_header.Height)) {
        RaiseError("Brak pamięci na tablice komórek");
    } else {
        // Every buffer starts as OnInit left generation 0.
        if (m_script.Call(m_script.Ids().OnInit)) m_cells.CopyToOlder();
    }
    if (ErrorRaised()) {
        AddError("Nie można zainicjalizować aplikacji");
        return false;
    }
    return true;
}

// --- Driver ----------------------------------------------------------------------------------

void Automaton::StartRunning() {
    m_simTime = m_simClock;  // nothing is owed for the time spent stopped
    m_running = true;
    m_pendingIterations = 0;
    m_runPressed = true;
}

void Automaton::StopRunning() {
    m_running = false;
    m_pendingIterations = 0;
    m_runPressed = false;
}

bool Automaton::ComputeIteration() {
    ++m_iterationCounter;
    if (m_pendingIterations == 1) m_runPressed = false;  // the last iteration of a counted run
    if (m_pendingIterations > 0) --m_pendingIterations;
    ProcessCRandGenerator().Seed(m_clock->TickCount());
    if (m_script.Call(m_script.Ids().OnFrame)) {
        m_cells.Rotate();
        return true;
    }
    AddError("Nie można przeliczyć klatki");
    return false;
}

DriverStep Automaton::UpdateFrame(float frameTime, const std::function<void()>& processControlMessages,
                                  const ScriptRunner& runScript) {
    m_simClock += static_cast<double>(frameTime);
    if (processControlMessages) processControlMessages();
    // Stopped, there is nothing to compute (and nothing to hand over).
    if (ErrorRaised() || (m_pendingIterations <= 0 && !m_running)) return DriverStep::Normal;
    DriverStep step = DriverStep::Normal;
    if (runScript)
        runScript([this, &step] { step = ComputeDueIterations(); });
    else
        step = ComputeDueIterations();
    if (ErrorRaised()) AddError("Nie można przeliczyć aplikacji");
    return step;
}

DriverStep Automaton::ComputeDueIterations() {
    DriverStep step = DriverStep::Normal;
    if (m_pendingIterations > 0) {
        // A counted run: as fast as the machine allows, about 0.05 s of work per frame.
        double start = m_clock->Now();
        do {
            if (!ComputeIteration()) break;
            m_simTime += static_cast<double>(m_iterationPeriod);
        } while (m_clock->Now() <= start + CountedRunBudget && m_pendingIterations > 0);
    } else if (m_running) {
        double start = m_clock->Now();
        int count = 0;
        while (m_simTime + static_cast<double>(m_iterationPeriod) < m_simClock) {
            if (!ComputeIteration()) break;
            ++count;
            m_simTime += static_cast<double>(m_iterationPeriod);
            if (m_clock->Now() > start + FreeRunBudget && count > 1) {
                Overload(count);
                step = DriverStep::Overloaded;
                break;
            }
        }
    }
    return step;
}

// The warning and the speed track bar's marks are the owner's: UpdateFrame answers Overloaded.
void Automaton::Overload(int count) {
    float achieved = 0.1f / static_cast<float>(count);  // seconds per iteration actually managed
    SetIterationPeriod(1.1f * (m_iterationPeriod < achieved ? achieved : m_iterationPeriod));
    m_simTime = m_simClock;  // the backlog is dropped, not caught up later
}

void Automaton::SetIterationPeriod(float period) { m_iterationPeriod = ClampIterationPeriod(period); }

bool Automaton::SingleStep() {
    if (m_pendingIterations != 0) return true;
    return ComputeIteration();
}

void Automaton::StartCountedRun(int32_t count) {
    assert(count > 0 && "a counted run has iterations");
    m_runPressed = true;
    m_running = false;
    m_requestedIterations = count;
    m_pendingIterations = count;
}

bool Automaton::RunCountedIterations(int32_t count, const std::function<bool(int32_t)>& progress) {
    StartCountedRun(count);
    while (m_pendingIterations > 0) {
        if (!ComputeIteration()) return false;
        if (progress && !progress(m_requestedIterations - m_pendingIterations)) {
            StopRunning();
            return false;
        }
    }
    return true;
}

std::string Automaton::FormatCounter(uint32_t number) {
    // A blank before each group of three digits counted from the right (a 32-bit number has
    // at most ten digits, so at most three blanks).
    std::string digits = base::UIntToStr(number);
    size_t first = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    std::string text = digits.substr(0, first);
    for (size_t at = first; at < digits.size(); at += 3) {
        text += ' ';
        text.append(digits, at, 3);
    }
    return text;
}

std::string Automaton::CounterText() const {
    std::string text = FormatCounter(m_iterationCounter);
    if (m_pendingIterations > 0)
        text += " (" + base::IntToStr(m_requestedIterations - m_pendingIterations) + "/" +
                base::IntToStr(m_requestedIterations) + ")";
    return text;
}

// --- User buttons and callbacks --------------------------------------------------------------

bool Automaton::RunButtonCallback(int slot) {
    assert(slot >= 0 && slot < UserButtonCount && "user button slot out of range");
    if (slot < 0 || slot >= UserButtonCount) return true;
    int id = m_script.Ids().Buttons[static_cast<size_t>(slot)];
    if (id < 0) return true;
    if (!m_script.Call(id)) return false;
    m_cells.CopyToPrevious();
    return true;
}

bool Automaton::RunPositionCallback(int id, bool onWorld, int x, int y) {
    if (id < 0 || !onWorld) return true;
    if (!m_script.CallWithPosition(id, x, y)) return false;
    m_cells.CopyToPrevious();
    return true;
}

bool Automaton::MouseDown(bool onWorld, int x, int y) {
    return RunPositionCallback(m_script.Ids().OnMouseDown, onWorld, x, y);
}

bool Automaton::MouseUp(bool onWorld, int x, int y) {
    return RunPositionCallback(m_script.Ids().OnMouseUp, onWorld, x, y);
}

bool Automaton::MouseMove(bool onWorld, int x, int y) {
    return RunPositionCallback(m_script.Ids().OnMouseMove, onWorld, x, y);
}

// --- Table and picture events ----------------------------------------------------------------

void Automaton::AfterTableLoaded() { m_cells.CopyToPrevious(); }

bool Automaton::AfterImageLoaded() {
    m_cells.CopyToOlder();
    if (!HasOnLoadImage()) return true;
    if (!m_script.Call(m_script.Ids().OnLoadImage)) return false;
    m_cells.CopyToOlder();
    return true;
}

bool Automaton::BeforeImageSaved() {
    if (!HasOnSaveImage()) return true;
    if (!m_script.Call(m_script.Ids().OnSaveImage)) return false;
    m_cells.Rotate();
    return true;
}

}  // namespace core
