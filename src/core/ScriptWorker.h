#pragma once
// A thread of its own on which script calls run, one at a time, while the thread that hands a
// call over waits for it: the window's thread stays free to take the window's messages while
// a script runs long, and nothing else runs scripts meanwhile.
//
// What the script engine asks of a second thread, and how this class meets it:
//   - the engine's thread manager, whose thread-local data every Execute uses, must exist
//     before a second thread touches an engine and outlive that thread's use: the worker
//     holds a reference to it (asPrepareMultithread, made on the constructing thread) for its
//     whole life and gives it back after its thread has ended (asUnprepareMultithread);
//   - a thread that used an engine frees its thread-local data before it ends
//     (asThreadCleanup), or it is lost;
//   - a context is used by one thread at a time: the hand-off is under a mutex, and the caller
//     touches neither the context nor anything the call reaches until the call has ended
//     (which the same mutex makes visible to it);
//   - code compiled to machine code runs on whatever thread executes it, as the interpreter's.
// The thread's stack is as large as the main thread's may grow (its resource limit, at least
// 8 MiB), so that compiling or running a deeply nested script fails no sooner here than there.
// The termination signals are blocked on the thread: they reach the main thread, whose
// handlers then ask the running call to stop.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <utility>

namespace core {

class ScriptWorker {
public:
    // Starts the thread. A worker is made, used and destroyed by one thread (the caller).
    ScriptWorker();
    // Waits for a call still running, then ends the thread.
    ~ScriptWorker();
    ScriptWorker(const ScriptWorker&) = delete;
    ScriptWorker& operator=(const ScriptWorker&) = delete;

    // Hands `call` to the worker's thread and returns at once. The worker must be idle: the
    // call handed over before has ended (WaitFor said so).
    void Start(std::function<void()> call);
    // Waits at most `seconds` for the call handed over last to end; true once it has ended (at
    // once when there is none). An exception that left the call is thrown again here, once.
    bool WaitFor(double seconds);
    // Waits for the call as long as it takes.
    void Wait();
    // Start, then Wait.
    void Run(std::function<void()> call);

    bool Idle() const;
    // Whether the calling thread is the worker's own.
    bool OnWorkerThread() const;
    // The size of the worker thread's stack, in bytes.
    size_t StackSize() const { return m_stackSize; }

private:
    static void* ThreadMain(void* worker);
    void Serve();
    // Rethrows what the last call threw, if nothing has yet.
    void RethrowFailure();

    mutable std::mutex m_mutex;
    std::condition_variable m_handedOver;  // a call is waiting, or the thread is to end
    std::condition_variable m_ended;       // the call has ended
    std::function<void()> m_call;
    bool m_pending { false };  // handed over, not yet taken by the thread
    bool m_busy { false };     // handed over and not yet ended
    bool m_quit { false };
    std::exception_ptr m_failure;

    pthread_t m_thread {};
    size_t m_stackSize { 0 };
};

}  // namespace core
