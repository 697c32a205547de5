#pragma once
// SIGINT and SIGTERM end the program promptly, also while a script call runs.
//
// The signal handler only writes the signal's number into a pipe (write is safe in a
// handler); a watching thread reads it, stops every script call now running and every later
// one (StopAllScripts with StopReason::Termination) and tells the owner, which then winds the
// program down as after any failed script call. If the program is still running after a
// grace period, or when a second signal comes, the signal's default action ends it.

#include <atomic>
#include <functional>
#include <thread>

namespace app {

class TerminationWatch {
public:
    // Milliseconds from the first signal to the forced end.
    static constexpr int GraceMilliseconds = 3000;

    // Installs the handlers and starts the thread; one watch per process. `onSignal` runs on
    // the watching thread after the scripts were stopped, once, with the signal's number.
    explicit TerminationWatch(std::function<void(int)> onSignal = {});
    // Stops the thread and restores the previous handlers.
    ~TerminationWatch();
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

    // The first signal received, 0 while none was.
    int Received() const { return m_received.load(); }
    // The conventional exit status of a program ended by `signal`: 128 + its number.
    static int ExitStatus(int signal) { return 128 + signal; }

private:
    void Watch();

    std::function<void(int)> m_onSignal;
    std::atomic<int> m_received { 0 };
    int m_pipe[2] { -1, -1 };
    std::thread m_thread;
};

}  // namespace app
