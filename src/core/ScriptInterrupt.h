#pragma once
// Stopping script calls from outside: a runaway script (an endless loop in OnFrame, OnInit or a
// global initialiser) is ended by the user, by a time limit or by a termination signal,
// without slowing the scripts that never need it.
//
// The engine checks a suspend flag at every statement, at the top of every loop iteration,
// on entering every script function and after every host function; an abort request only
// sets that flag (asIScriptContext::Abort writes four booleans), so the mechanism costs
// nothing per statement. Why Abort may be called from another thread at any moment, and
// what this class adds to make that true:
//  - Abort is only called while the context is inside Execute: the executing thread marks
//    the call as running under the same mutex (Enter, Leave) through which every request
//    reaches the context. So a request never races Prepare, which resets the flags, or the
//    context's destruction.
//  - A request that lands as the call finishes its last statement leaves the flags set
//    (Execute returns "finished"), which would stop the next call at once. Leave reports the
//    request, the call counts as stopped, and the host unprepares the context, which clears
//    the flags.
//  - A script object's destructor runs nested inside the call and consumes the abort flag
//    when it is interrupted; the call it was nested in would then go on. While a request is
//    pending, the watchdog thread repeats it every few milliseconds until the call ends.
//  - The interpreter reads the flags from memory at each check (the check sits in the
//    engine's compiled dispatch loop, which calls out to functions on other paths), so a
//    write from another thread is seen at the next statement.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "core/AngelScript.h"

namespace core {

// Why a script call was stopped.
enum class StopReason : uint8_t {
    None,
    User,            // the user asked (Esc, the Stop button, closing the window)
    TimeLimit,       // the call ran longer than the time limit
    Termination,     // the program received SIGINT or SIGTERM
    TooManyObjects,  // the script's objects reached the engine's limit
};

// The message entry of a stopped call (Polish, like every message of the script host);
// empty for StopReason::None. `timeLimit` (seconds) is named in the time-limit message.
std::string StopReasonText(StopReason reason, double timeLimit);

// The calls of one script context. Request, CallRunning, CallSeconds and SetTimeLimit may be
// used from any thread at any moment; Enter and Leave only by the thread that runs the calls.
class ScriptInterrupt {
public:
    ScriptInterrupt();
    ~ScriptInterrupt();
    ScriptInterrupt(const ScriptInterrupt&) = delete;
    ScriptInterrupt& operator=(const ScriptInterrupt&) = delete;

    // Ends the script call now running with `reason`: the call stops at its next statement
    // and fails with that reason. False, and nothing happens, when no call is running.
    bool Request(StopReason reason);
    // Whether a script call is running, and for how many seconds it has run (0 when none is).
    bool CallRunning() const;
    double CallSeconds() const;

    // Every later call is stopped when it has run for `seconds`; 0 or less: no limit.
    void SetTimeLimit(double seconds);
    double TimeLimit() const;

    // The executing thread: `context` is about to Execute (or run global initialisers).
    void Enter(AngelScript::asIScriptContext* context);
    // The call has returned from the engine; the reason it was stopped for, None when it
    // was not. After a reason other than None the caller unprepares the context.
    StopReason Leave();

    // Makes `context` known as this interrupt's (Of finds it); once, by the owner.
    void Attach(AngelScript::asIScriptContext* context);
    // The interrupt a context was attached to; null for any other context.
    static ScriptInterrupt* Of(AngelScript::asIScriptContext* context);

private:
    friend class ScriptWatchdog;
    // Records the request and aborts the running call, without waking the watchdog.
    bool Post(StopReason reason);
    // The watchdog's look: a call past its time limit is stopped, a pending request is
    // repeated. Answers whether the call needs watching further.
    bool Poll(double now);

    mutable std::mutex m_mutex;
    AngelScript::asIScriptContext* m_context { nullptr };  // set while a call runs
    double m_start { 0 };                                  // GetTime() when the call began
    StopReason m_requested { StopReason::None };
    double m_timeLimit { 0 };                              // seconds; 0: none
};

// Stops every script call now running in the process with `reason`, and every call that
// starts afterwards, at its first statement. For the end of the program (a termination
// signal); it cannot be undone.
void StopAllScripts(StopReason reason);
// Whether StopAllScripts was called.
bool ScriptsStopped();

// Live allocations the script engine may hold while a script call runs. Crossing it stops
// the call with StopReason::TooManyObjects; the engine itself aborts the program at a million
// references to one type (a million live objects of one class).
inline constexpr int64_t MaxScriptAllocations = 400000;
// Installs the engine's memory functions that count live allocations. Called before the
// first engine is created (ScriptHost does it); later calls do nothing.
void InstallScriptAllocationCounter();
// Live allocations of all script engines of the process, as counted since installation.
int64_t ScriptAllocations();

}  // namespace core
