#include "core/ScriptWorker.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <csignal>
#include <sys/resource.h>

#include "core/AngelScript.h"

namespace core {

namespace {

constexpr size_t MinStackSize = size_t { 8 } << 20;
// A stack limit of "unlimited" lets the main thread grow as far as memory goes; a thread
// needs a size, and this one is far beyond what any script nesting the compiler accepts uses.
constexpr size_t UnlimitedStackSize = size_t { 256 } << 20;

size_t MainStackLimit() {
    rlimit limit {};
    if (getrlimit(RLIMIT_STACK, &limit) != 0) return MinStackSize;
    if (limit.rlim_cur == RLIM_INFINITY) return UnlimitedStackSize;
    return std::max(static_cast<size_t>(limit.rlim_cur), MinStackSize);
}

// Blocks the termination signals on the calling thread for its lifetime, so that a thread
// started meanwhile inherits the mask.
class BlockedTerminationSignals {
public:
    BlockedTerminationSignals() {
        sigset_t blocked;
        sigemptyset(&blocked);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&blocked, signal);
        pthread_sigmask(SIG_BLOCK, &blocked, &m_previous);
    }
    ~BlockedTerminationSignals() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    BlockedTerminationSignals(const BlockedTerminationSignals&) = delete;
    BlockedTerminationSignals& operator=(const BlockedTerminationSignals&) = delete;

private:
    sigset_t m_previous;
};

}  // namespace

ScriptWorker::ScriptWorker() {
    AngelScript::asPrepareMultithread();
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    m_stackSize = MainStackLimit();
    pthread_attr_setstacksize(&attributes, m_stackSize);
    BlockedTerminationSignals blocked;
    if (pthread_create(&m_thread, &attributes, &ThreadMain, this) != 0) {
        // No thread to be had: calls run on the caller's thread, as they would without a worker.
        m_stackSize = 0;
    }
    pthread_attr_destroy(&attributes);
}

ScriptWorker::~ScriptWorker() {
    if (m_stackSize != 0) {
        {
            std::unique_lock lock(m_mutex);
            m_ended.wait(lock, [this] { return !m_busy; });
            m_quit = true;
        }
        m_handedOver.notify_one();
        pthread_join(m_thread, nullptr);
    }
    AngelScript::asUnprepareMultithread();
}

void* ScriptWorker::ThreadMain(void* worker) {
    static_cast<ScriptWorker*>(worker)->Serve();
    AngelScript::asThreadCleanup();
    return nullptr;
}

void ScriptWorker::Serve() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_handedOver.wait(lock, [this] { return m_pending || m_quit; });
        if (!m_pending) return;
        m_pending = false;
        std::function<void()> call = std::move(m_call);
        m_call = nullptr;
        lock.unlock();
        std::exception_ptr failure;
        try {
            call();
        } catch (...) {
            failure = std::current_exception();
        }
        call = nullptr;  // what the call captured goes before the caller may reuse it
        lock.lock();
        m_failure = failure;
        m_busy = false;
        m_ended.notify_all();
    }
}

void ScriptWorker::Start(std::function<void()> call) {
    if (m_stackSize == 0) {
        // Without a thread the call runs here; WaitFor then reports it ended.
        try {
            call();
        } catch (...) {
            m_failure = std::current_exception();
        }
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        assert(!m_busy && "a worker runs one call at a time");
        m_call = std::move(call);
        m_pending = true;
        m_busy = true;
    }
    m_handedOver.notify_one();
}

bool ScriptWorker::WaitFor(double seconds) {
    {
        std::unique_lock lock(m_mutex);
        auto ended = [this] { return !m_busy; };
        if (!ended()) {
            auto timeout = std::chrono::duration<double>(std::max(seconds, 0.0));
            if (!m_ended.wait_for(lock, std::chrono::duration_cast<std::chrono::nanoseconds>(timeout), ended))
                return false;
        }
    }
    RethrowFailure();
    return true;
}

void ScriptWorker::Wait() {
    {
        std::unique_lock lock(m_mutex);
        m_ended.wait(lock, [this] { return !m_busy; });
    }
    RethrowFailure();
}

void ScriptWorker::Run(std::function<void()> call) {
    Start(std::move(call));
    Wait();
}

void ScriptWorker::RethrowFailure() {
    std::exception_ptr failure;
    {
        std::lock_guard lock(m_mutex);
        failure = std::exchange(m_failure, nullptr);
    }
    if (failure) std::rethrow_exception(failure);
}

bool ScriptWorker::Idle() const {
    std::lock_guard lock(m_mutex);
    return !m_busy;
}

bool ScriptWorker::OnWorkerThread() const { return m_stackSize != 0 && pthread_equal(pthread_self(), m_thread); }

}  // namespace core
