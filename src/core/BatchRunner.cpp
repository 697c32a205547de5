#include "core/BatchRunner.h"

#include <cassert>
#include <unistd.h>

#include "base/Utilities.h"
#include "core/Automaton.h"
#include "core/ScriptInterrupt.h"
#include "core/ScriptMath.h"
#include "errors/ErrorReport.h"
#include "errors/ErrorTrail.h"
#include "xnl/TokenConversion.h"

namespace core {

namespace {

constexpr const char* ProgramName = "vorlen-batch";
constexpr double ProgressDelay = 1.0;     // seconds before a progress line appears
constexpr double ProgressInterval = 0.2;  // seconds between its refreshes

bool ParseCount(const std::string& text, int32_t& count) {
    return px::StrToInt(text, count, 10) == px::StrToIntOk && count > 0;
}

constexpr const char* TimeLimitOption = "--time-limit";
constexpr double LongestTimeLimit = 1e6;  // seconds; eleven and a half days

// Decimal digits with at most one decimal point, greater than 0, at most LongestTimeLimit.
bool ParseSeconds(const std::string& text, double& seconds) {
    double value = 0, scale = 0;
    bool digits = false;
    for (char c : text) {
        if (c == '.' && scale == 0) {
            scale = 1;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (scale > 0) {
                scale /= 10;
                value += (c - '0') * scale;
            } else if ((value = value * 10 + (c - '0')) > LongestTimeLimit) {
                return false;
            }
        } else {
            return false;
        }
    }
    seconds = value;
    return digits && value > 0 && value <= LongestTimeLimit;
}

}  // namespace

BatchRunner::BatchRunner(std::FILE* out, std::FILE* err) : m_out(out), m_err(err), m_terminal(isatty(fileno(err)) == 1) {}

void BatchRunner::AddAction(Action action) {
    assert(!Find(action.Name) && (action.ShortName.empty() || !Find(action.ShortName)) && "action names are unique");
    m_actions.push_back(std::move(action));
}

const BatchRunner::Action* BatchRunner::Find(const std::string& name) const {
    for (const Action& action : m_actions)
        if (action.Name == name || (!action.ShortName.empty() && action.ShortName == name)) return &action;
    return nullptr;
}

std::string BatchRunner::UsageText() const {
    std::string text = std::string("Użycie: ") + ProgramName + " DEFINICJA [--time-limit S] [AKCJA ...]\n" +
                       "Wczytuje automat z pliku DEFINICJA (razem z OnInit) i wykonuje akcje po kolei:\n";
    for (const Action& action : m_actions) {
        std::string argument = action.Argument == ArgumentKind::Count  ? " N"
                               : action.Argument == ArgumentKind::Path ? " PLIK"
                                                                       : "";
        std::string names = "  ";
        if (!action.ShortName.empty()) names += action.ShortName + argument + ", ";
        names += action.Name + argument;
        if (names.size() < 28) names.resize(28, ' ');
        else names += "  ";
        text += names + action.Help + "\n";
    }
    return text + "Opcja:\n  --time-limit S              przerywa każde wywołanie skryptu dłuższe niż S sekund\n";
}

int BatchRunner::UsageError(const std::string& reason) const {
    std::fprintf(m_err, "%s: %s\n%s", ProgramName, reason.c_str(), UsageText().c_str());
    std::fflush(m_err);
    return static_cast<int>(BatchExit::Usage);
}

int BatchRunner::Run(int argc, const char* const* argv) {
    // The option may stand anywhere; what remains is the definition and the actions.
    double timeLimit = 0;
    std::vector<const char*> arguments(argv, argv + argc);
    for (size_t i = 1; i < arguments.size();) {
        if (std::string(arguments[i]) != TimeLimitOption) {
            ++i;
            continue;
        }
        if (i + 1 >= arguments.size()) return UsageError(std::string("brak argumentu opcji \"") + TimeLimitOption + "\"");
        if (!ParseSeconds(arguments[i + 1], timeLimit))
            return UsageError(std::string("błędna liczba \"") + arguments[i + 1] + "\" opcji \"" + TimeLimitOption + "\"");
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    }
    argc = static_cast<int>(arguments.size());
    argv = arguments.data();

    if (argc < 2 || Find(argv[1])) return UsageError("nie podano pliku definicji");
    std::string definition = argv[1];
    if (definition.empty()) return UsageError("nie podano pliku definicji");

    std::vector<Step> steps;
    for (int i = 2; i < argc; ++i) {
        std::string name = argv[i];
        const Action* action = Find(name);
        if (!action) return UsageError("nieznana akcja \"" + name + "\"");
        if (action->Argument == ArgumentKind::None) {
            steps.push_back({action, {}});
            continue;
        }
        if (i + 1 >= argc) return UsageError("brak argumentu akcji \"" + name + "\"");
        ActionArgument argument { argv[++i] };
        if (action->Argument == ArgumentKind::Count && !ParseCount(argument.Text, argument.Count))
            return UsageError("błędna liczba \"" + argument.Text + "\" akcji \"" + name + "\"");
        if (action->Argument == ArgumentKind::Path && argument.Text.empty())
            return UsageError("pusta ścieżka akcji \"" + name + "\"");
        std::string reason;
        if (action->Argument == ArgumentKind::Path && action->Accepts && !action->Accepts(argument.Text, reason))
            return UsageError("błędny argument \"" + argument.Text + "\" akcji \"" + name + "\": " + reason);
        steps.push_back({action, std::move(argument)});
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        const std::string& needed = steps[i].What->NeedsLater;
        if (needed.empty()) continue;
        bool found = false;
        for (size_t j = i + 1; j < steps.size() && !found && steps[j].What != steps[i].What; ++j)
            found = steps[j].What->Name == needed;
        if (!found) return UsageError("po akcji \"" + steps[i].What->Name + "\" brakuje akcji \"" + needed + "\"");
    }

    SeedProcessGenerators(DriverClock::System());
    UserButtons buttons;  // the script's buttons exist, with their down flags
    Automaton automaton;
    automaton.Script().Interrupt().SetTimeLimit(timeLimit);
    automaton.SetScriptControls(buttons);
    for (const Step& step : steps) {
        if (step.What->When == Timing::BeforeLoad && !step.What->Run(*this, automaton, step.Given)) {
            if (errors::ErrorRaised()) errors::PrintErrorChain(m_err);
            return static_cast<int>(BatchExit::Failure);
        }
    }
    if (!automaton.LoadDefinition(definition)) {
        errors::PrintErrorChain(m_err);
        return static_cast<int>(BatchExit::LoadFailed);
    }
    for (const Step& step : steps) {
        if (step.What->When == Timing::BeforeLoad) continue;
        m_actionStart = base::GetTime();
        m_lastProgress = 0;
        bool ok = step.What->Run(*this, automaton, step.Given);
        EndProgress();
        if (!ok) {
            if (errors::ErrorRaised()) errors::PrintErrorChain(m_err);
            return static_cast<int>(BatchExit::Failure);
        }
    }
    std::fflush(m_out);
    return static_cast<int>(BatchExit::Success);
}

void BatchRunner::Progress(const std::function<std::string()>& text) {
    if (!m_terminal) return;
    double now = base::GetTime();
    if (now - m_actionStart < ProgressDelay || now - m_lastProgress < ProgressInterval) return;
    m_lastProgress = now;
    std::fprintf(m_err, "\r\033[K%s", text().c_str());
    std::fflush(m_err);
    m_progressShown = true;
}

void BatchRunner::EndProgress() {
    if (!m_progressShown) return;
    std::fprintf(m_err, "\r\033[K");
    std::fflush(m_err);
    m_progressShown = false;
}

namespace {

// Seconds as "m:ss", or "h:mm:ss" from an hour on.
std::string Duration(double seconds) {
    const long total = seconds > 0 && seconds < 1e9 ? static_cast<long>(seconds + 0.5) : 0;
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

bool BatchRunner::RunIterations(Automaton& automaton, int32_t count) {
    for (size_t i = 0; i < m_observers.size(); ++i)
        if (!m_observers[i]->RunStarting(automaton, count)) {
            // The ones already told hear that the run did not happen.
            for (size_t j = 0; j < i; ++j) m_observers[j]->RunEnded(automaton, false);
            return false;
        }
    const std::string total = Automaton::FormatCounter(static_cast<uint32_t>(count));
    const double start = base::GetTime();
    bool completed = automaton.RunCountedIterations(count, [&](int32_t done) {
        for (IterationObserver* observer : m_observers)
            if (!observer->IterationDone(automaton, done)) return false;
        Progress([&] {
            const double elapsed = base::GetTime() - start;
            const double rate = elapsed > 0 ? done / elapsed : 0;
            std::string text = "Iteracja " + Automaton::FormatCounter(static_cast<uint32_t>(done)) + " / " + total + ", " +
                               base::FloatToStr(rate, 'f', 1) + " iteracji/s, pozostało " +
                               Duration(rate > 0 ? (count - done) / rate : 0);
            for (const IterationObserver* observer : m_observers)
                if (std::string more = observer->ProgressText(); !more.empty()) text += ", " + more;
            return text;
        });
        return true;
    });
    // The progress line goes before anything the observers print. Observers of a failed run
    // only clean up; the report of the failure is already made.
    EndProgress();
    for (IterationObserver* observer : m_observers)
        if (!observer->RunEnded(automaton, completed)) completed = false;
    return completed;
}

void AddIterationActions(BatchRunner& runner) {
    runner.AddAction({
        "--iterations",
        "-n",
        BatchRunner::ArgumentKind::Count,
        "wykonuje N iteracji",
        [](BatchRunner& self, Automaton& automaton, const BatchRunner::ActionArgument& argument) {
            return self.RunIterations(automaton, argument.Count);
        },
    });
    runner.AddAction({
        "--no-jit",
        "",
        BatchRunner::ArgumentKind::None,
        "wykonuje skrypt w interpreterze, bez kompilacji do kodu maszynowego",
        [](BatchRunner&, Automaton& automaton, const BatchRunner::ActionArgument&) {
            automaton.SetScriptJit({});
            return true;
        },
        BatchRunner::Timing::BeforeLoad,
    });
}

}  // namespace core
