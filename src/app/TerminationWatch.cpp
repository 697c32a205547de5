#include "app/TerminationWatch.h"

#include <cassert>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "core/ScriptInterrupt.h"

namespace app {
namespace {

constexpr int Watched[] = {SIGINT, SIGTERM};

int writeEnd = -1;                  // of the current watch's pipe; -1 without a watch
struct sigaction previous[2] {};    // the handlers the watch replaced

void Handler(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a signal for the thread; this one may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = saved;
}

// The signal's default action, now: the process ends as if no handler had been installed.
[[noreturn]] void EndBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::kill(::getpid(), signal);
    // Only reached if the signal could not end the process.
    ::_exit(TerminationWatch::ExitStatus(signal));
}

}  // namespace

TerminationWatch::TerminationWatch(std::function<void(int)> onSignal) : m_onSignal(std::move(onSignal)) {
    assert(writeEnd < 0 && "one termination watch per process");
    if (::pipe2(m_pipe, O_CLOEXEC) != 0) return;
    ::fcntl(m_pipe[1], F_SETFL, O_NONBLOCK);
    writeEnd = m_pipe[1];
    m_thread = std::thread([this] { Watch(); });
    for (size_t i = 0; i < std::size(Watched); ++i) {
        struct sigaction action {};
        action.sa_handler = Handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(Watched[i], &action, &previous[i]);
    }
}

TerminationWatch::~TerminationWatch() {
    if (!m_thread.joinable()) return;
    for (size_t i = 0; i < std::size(Watched); ++i) sigaction(Watched[i], &previous[i], nullptr);
    const unsigned char quit = 0;
    while (::write(m_pipe[1], &quit, 1) < 0 && errno == EINTR) {
    }
    m_thread.join();
    writeEnd = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void TerminationWatch::Watch() {
    int timeout = -1;  // milliseconds until the forced end; -1 before the first signal
    for (;;) {
        pollfd ready { m_pipe[0], POLLIN, 0 };
        const int result = ::poll(&ready, 1, timeout);
        if (result < 0 && errno == EINTR) continue;
        if (result == 0) EndBySignal(m_received.load());  // the grace period is over
        unsigned char number = 0;
        if (::read(m_pipe[0], &number, 1) != 1) continue;
        if (number == 0) return;  // the watch is destroyed
        int expected = 0;
        if (!m_received.compare_exchange_strong(expected, number)) EndBySignal(number);  // a second signal
        core::StopAllScripts(core::StopReason::Termination);
        if (m_onSignal) m_onSignal(number);
        timeout = GraceMilliseconds;
    }
}

}  // namespace app
