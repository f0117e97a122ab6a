#include "cli/commands/stop_signals.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>

namespace quorvel::cli {

StopSignals::StopSignals() {
    sigemptyset(&m_set);
    sigaddset(&m_set, SIGINT);
    sigaddset(&m_set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &m_set, &m_previous);
}

StopSignals::~StopSignals() {
    // Signals still pending are taken here, or unblocking would deliver them and end the process.
    const timespec none{};
    while (sigtimedwait(&m_set, nullptr, &none) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

bool StopSignals::waitFor(std::chrono::milliseconds timeout) {
    if (m_requested)
        return true;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    const timespec wait{static_cast<std::time_t>(seconds.count()),
                        static_cast<long>(std::chrono::nanoseconds(timeout - seconds).count())};
    if (sigtimedwait(&m_set, nullptr, &wait) > 0)
        m_requested = true;
    return m_requested;
}

bool StopSignals::requested() {
    if (!m_requested) {
        sigset_t pending;
        sigemptyset(&pending);
        m_requested =
            sigpending(&pending) == 0 && (sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1);
    }
    return m_requested;
}

} // namespace quorvel::cli
