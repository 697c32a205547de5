#pragma once
// The headless runner: loads a definition as the workbench does (OnInit included) and carries
// out the actions of its command line, in the order given, each as the workbench's command
// does it. The actions come from a table, so further subsystems add theirs with AddAction.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace core {

class Automaton;

// Follows the counted runs of -n (a recording does): told before a run, after each of its
// iterations and after it. Each answers false, with its report made (the chain in the trail
// or a status on the runner's Err()), to fail the run.
class IterationObserver {
public:
    virtual ~IterationObserver() = default;
    virtual bool RunStarting(Automaton& automaton, int32_t count) = 0;
    virtual bool IterationDone(Automaton& automaton, int32_t done) = 0;
    // `completed`: every iteration ran (false after a failed iteration or observer).
    virtual bool RunEnded(Automaton& automaton, bool completed) = 0;
    // Appended to the progress line; empty adds nothing.
    virtual std::string ProgressText() const { return {}; }
};

// Exit statuses of the batch runner.
enum class BatchExit : int {
    Success = 0,
    Failure = 1,      // an action failed
    Usage = 64,       // no definition, an unknown action, a missing or bad argument
    LoadFailed = 65,  // the definition did not load
};

class BatchRunner {
public:
    enum class ArgumentKind {
        Count,  // a positive decimal number
        Path,   // any non-empty text
        None,   // a switch: the action takes no argument
    };
    enum class Timing {
        AfterLoad,   // carried out in command-line order once the definition is loaded
        BeforeLoad,  // a setting: carried out on the automaton before its definition loads
    };

    // An action's argument as the command line gave it, checked before the definition loads.
    struct ActionArgument {
        std::string Text;
        int32_t Count { 0 };  // the number of a Count argument
    };

    struct Action {
        std::string Name;       // "--iterations"
        std::string ShortName;  // "-n"; empty when there is none
        ArgumentKind Argument { ArgumentKind::Count };
        std::string Help;       // its line in the usage text
        // Carries the action out with its argument. On failure it leaves its report, either
        // the error chain in the trail or a status text it has printed on Err(), and answers
        // false.
        std::function<bool(BatchRunner&, Automaton&, const ActionArgument&)> Run;
        Timing When { Timing::AfterLoad };
        // For a Path argument: whether the text is acceptable (false: bad usage, with the
        // reason set); empty takes any.
        std::function<bool(const std::string& text, std::string& reason)> Accepts {};
        // The name of an action that must come later on the command line, before this one
        // comes again; empty for none.
        std::string NeedsLater {};
    };

    explicit BatchRunner(std::FILE* out = stdout, std::FILE* err = stderr);

    // Adds an action to the table (names must be new).
    void AddAction(Action action);

    // The whole program: argv[1] is the definition, the rest are actions with their
    // arguments. Every argument is checked before the definition is loaded. The option
    // "--time-limit S" (anywhere, S a positive number of seconds) ends every script call,
    // OnInit and global initialisers included, that runs longer than S seconds: the call fails
    // with its chain and the run with exit status 1. Once the scripts of the process have
    // been stopped for good (a termination signal), no further action starts.
    int Run(int argc, const char* const* argv);

    std::string UsageText() const;
    std::FILE* Out() const { return m_out; }
    std::FILE* Err() const { return m_err; }

    // A progress line on Err() for long actions, only when it is a terminal: shown once an
    // action has run for a second, refreshed a few times a second.
    // `text` is asked for only when the line is due.
    void Progress(const std::function<std::string()>& text);
    // A counted run of `count` iterations with its progress line (iterations done, per
    // second, the time left, and what the observers add) and its observers told.
    bool RunIterations(Automaton& automaton, int32_t count);
    // Adds an observer of the counted runs; it outlives the runner's Run.
    void AddObserver(IterationObserver* observer) { m_observers.push_back(observer); }
    // Removes the progress line, if one is shown.
    void EndProgress();
    // For tests: whether Err() counts as a terminal.
    void SetProgressTerminal(bool terminal) { m_terminal = terminal; }

private:
    struct Step {
        const Action* What;
        ActionArgument Given;
    };

    const Action* Find(const std::string& name) const;
    int UsageError(const std::string& reason) const;

    std::vector<Action> m_actions;
    std::vector<IterationObserver*> m_observers;
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_terminal { false };
    double m_actionStart { 0 };
    double m_lastProgress { 0 };
    bool m_progressShown { false };
};

// -n N and --iterations N: a counted run of N iterations; --no-jit: the script runs in the
// engine's interpreter, without the machine-code compiler the program would give it.
void AddIterationActions(BatchRunner& runner);

}  // namespace core
