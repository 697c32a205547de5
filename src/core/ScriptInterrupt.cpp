#include "core/ScriptInterrupt.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

#include "base/Utilities.h"

using namespace AngelScript;

namespace core {

namespace {

// The key of the user data that leads from a context to its interrupt.
constexpr asPWORD InterruptKey = 0x564C5349;  // "VLSI"
// How often the watchdog looks at calls that have a time limit or a pending request.
constexpr auto WatchPeriod = std::chrono::milliseconds(5);

std::atomic<StopReason> stopAll { StopReason::None };
std::atomic<int64_t> allocations { 0 };

}  // namespace

// The process's one watchdog thread: it stops calls that pass their time limit and repeats
// pending requests until their calls have ended. It sleeps while no call needs it.
class ScriptWatchdog {
public:
    // Made on first use and never destroyed: interrupts may outlive any static object.
    static ScriptWatchdog& The() {
        static ScriptWatchdog* instance = new ScriptWatchdog;
        return *instance;
    }

    void Add(ScriptInterrupt* interrupt) {
        std::lock_guard lock(m_mutex);
        m_interrupts.push_back(interrupt);
    }
    void Remove(ScriptInterrupt* interrupt) {
        std::lock_guard lock(m_mutex);
        m_interrupts.erase(std::remove(m_interrupts.begin(), m_interrupts.end(), interrupt), m_interrupts.end());
    }
    // Something needs watching: a request was made or a call with a time limit began.
    void Wake() {
        {
            std::lock_guard lock(m_mutex);
            m_woken = true;
        }
        m_wake.notify_one();
    }
    void PostToAll(StopReason reason) {
        {
            std::lock_guard lock(m_mutex);
            for (ScriptInterrupt* interrupt : m_interrupts) interrupt->Post(reason);
            m_woken = true;
        }
        m_wake.notify_one();
    }

private:
    ScriptWatchdog() : m_thread([this] { Run(); }) { m_thread.detach(); }

    void Run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            bool watching = false;
            const double now = base::GetTime();
            for (ScriptInterrupt* interrupt : m_interrupts) watching = interrupt->Poll(now) || watching;
            if (watching)
                m_wake.wait_for(lock, WatchPeriod);
            else
                m_wake.wait(lock, [this] { return m_woken; });
            m_woken = false;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<ScriptInterrupt*> m_interrupts;
    bool m_woken { false };
    std::thread m_thread;
};

std::string StopReasonText(StopReason reason, double timeLimit) {
    switch (reason) {
        case StopReason::None: break;
        case StopReason::User: return "Działanie skryptu przerwał użytkownik";
        case StopReason::TimeLimit: return "Wywołanie skryptu trwało dłużej niż " + base::FloatToStr(timeLimit, 'g', 6) + " s";
        case StopReason::Termination: return "Program otrzymał sygnał zakończenia";
        case StopReason::TooManyObjects:
            return "Skrypt utworzył zbyt wiele obiektów (najwięcej " + base::IntToStr(static_cast<int32_t>(MaxScriptAllocations)) + ")";
    }
    return "";
}

ScriptInterrupt::ScriptInterrupt() { ScriptWatchdog::The().Add(this); }

ScriptInterrupt::~ScriptInterrupt() { ScriptWatchdog::The().Remove(this); }

bool ScriptInterrupt::Post(StopReason reason) {
    std::lock_guard lock(m_mutex);
    if (!m_context) return false;
    if (m_requested == StopReason::None) m_requested = reason;
    m_context->Abort();
    return true;
}

bool ScriptInterrupt::Request(StopReason reason) {
    if (reason == StopReason::None || !Post(reason)) return false;
    ScriptWatchdog::The().Wake();
    return true;
}

bool ScriptInterrupt::CallRunning() const {
    std::lock_guard lock(m_mutex);
    return m_context != nullptr;
}

double ScriptInterrupt::CallSeconds() const {
    std::lock_guard lock(m_mutex);
    return m_context ? base::GetTime() - m_start : 0.0;
}

void ScriptInterrupt::SetTimeLimit(double seconds) {
    {
        std::lock_guard lock(m_mutex);
        m_timeLimit = seconds > 0 ? seconds : 0;
    }
    ScriptWatchdog::The().Wake();
}

double ScriptInterrupt::TimeLimit() const {
    std::lock_guard lock(m_mutex);
    return m_timeLimit;
}

bool ScriptInterrupt::Poll(double now) {
    std::lock_guard lock(m_mutex);
    if (!m_context) return false;
    if (m_requested == StopReason::None && m_timeLimit > 0 && now - m_start >= m_timeLimit) m_requested = StopReason::TimeLimit;
    if (m_requested != StopReason::None) {
        m_context->Abort();
        return true;
    }
    return m_timeLimit > 0;
}

void ScriptInterrupt::Enter(asIScriptContext* context) {
    bool watch = false;
    {
        std::lock_guard lock(m_mutex);
        m_context = context;
        m_start = base::GetTime();
        m_requested = stopAll.load();
        // Stopped before it starts: the call ends at its first check.
        if (m_requested != StopReason::None) context->Abort();
        watch = m_timeLimit > 0 || m_requested != StopReason::None;
    }
    if (watch) ScriptWatchdog::The().Wake();
}

StopReason ScriptInterrupt::Leave() {
    std::lock_guard lock(m_mutex);
    m_context = nullptr;
    return std::exchange(m_requested, StopReason::None);
}

void ScriptInterrupt::Attach(asIScriptContext* context) { context->SetUserData(this, InterruptKey); }

ScriptInterrupt* ScriptInterrupt::Of(asIScriptContext* context) {
    return context ? static_cast<ScriptInterrupt*>(context->GetUserData(InterruptKey)) : nullptr;
}

void StopAllScripts(StopReason reason) {
    StopReason expected = StopReason::None;
    stopAll.compare_exchange_strong(expected, reason);
    ScriptWatchdog::The().PostToAll(stopAll.load());
}

bool ScriptsStopped() { return stopAll.load() != StopReason::None; }

namespace {

void* CountedAlloc(size_t size) {
    void* memory = std::malloc(size);
    if (memory && allocations.fetch_add(1, std::memory_order_relaxed) + 1 > MaxScriptAllocations) {
        // The engine cannot refuse an allocation, so the call is stopped instead: at the
        // next statement, which for a new object is the start of its constructor.
        if (ScriptInterrupt* interrupt = ScriptInterrupt::Of(asGetActiveContext())) interrupt->Request(StopReason::TooManyObjects);
    }
    return memory;
}

void CountedFree(void* memory) {
    if (!memory) return;
    allocations.fetch_sub(1, std::memory_order_relaxed);
    std::free(memory);
}

}  // namespace

void InstallScriptAllocationCounter() {
    static std::once_flag once;
    std::call_once(once, [] { asSetGlobalMemoryFunctions(CountedAlloc, CountedFree); });
}

int64_t ScriptAllocations() { return allocations.load(std::memory_order_relaxed); }

}  // namespace core
