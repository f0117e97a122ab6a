#pragma once

#include <chrono>
#include <csignal>

namespace quorvel::cli {

// SIGINT and SIGTERM as requests to stop, for as long as the object lives: they are blocked, so
// they never end the process in the middle of a backup, and the loop waits for them instead of
// sleeping. Single-threaded callers only (the mask is the calling thread's).
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Waits up to `timeout` for a stop request; true once one has come.
    bool waitFor(std::chrono::milliseconds timeout);
    // Whether a stop request has come, without waiting (cheap enough to ask between blocks).
    bool requested();

private:
    sigset_t m_set{};
    sigset_t m_previous{};
    bool m_requested = false;
};

} // namespace quorvel::cli
