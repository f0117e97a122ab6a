#pragma once

#include "core/net/net_error.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace quorvel {

using SteadyClock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// Every network wait has a limit; this one unless the user sets another. Long enough for a slow
// server, short enough that a dead one never holds a window or a scheduled run for long.
inline constexpr Milliseconds DefaultNetTimeout{60000};

// A value of zero or below means the default: no wait is ever unlimited.
Milliseconds effectiveTimeout(Milliseconds value);

struct NetTimeouts {
    Milliseconds connect = DefaultNetTimeout; // name resolution and the TCP connect (and TLS handshake)
    Milliseconds reply = DefaultNetTimeout;   // from a command to the end of its reply
    Milliseconds data = DefaultNetTimeout;    // a data connection that moves nothing
};

// The latest moment a wait may last until, and the error raised when it passes.
struct Deadline {
    SteadyClock::time_point at;
    NetErrorKind kind = NetErrorKind::Timeout;
    std::string timeoutMessage;

    // Milliseconds left for poll(), 0 once passed.
    int remainingMs() const;
    bool passed() const { return SteadyClock::now() >= at; }
    [[noreturn]] void fail() const;
};

// "Connect timed out."
Deadline connectDeadline(Milliseconds timeout);
// The server must finish a reply within the time-out.
Deadline replyDeadline(Milliseconds timeout);
// A data connection must move bytes within the time-out.
Deadline dataDeadline(Milliseconds timeout);
// "60 seconds", "1 second", "250 ms".
std::string describeSpan(Milliseconds span);

// The direction of a unit of work that progress events report: reading (downloads, listings) or
// writing (uploads, a mail message).
enum TWorkMode { wmRead, wmWrite };
// A reply line longer than the bound raises "Max line length exceeded."; no other action exists.
enum TMaxLineAction { maException };

// The direction of bytes shown to a log hook.
enum class Traffic { Received, Sent };
// Receives the exact bytes of each block read from or written to a connection.
using TrafficHook = std::function<void(Traffic, std::string_view)>;
// Receives the status texts of a connection ("Connecting to %s." and the like).
using StatusHook = std::function<void(const std::string&)>;

} // namespace quorvel
