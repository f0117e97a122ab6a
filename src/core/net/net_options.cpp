#include "core/net/net_options.h"

#include <algorithm>
#include <climits>

namespace quorvel {

Milliseconds effectiveTimeout(Milliseconds value) {
    return value.count() > 0 ? value : DefaultNetTimeout;
}

int Deadline::remainingMs() const {
    const auto left = std::chrono::duration_cast<Milliseconds>(at - SteadyClock::now()).count();
    // Round up so that a wait does not end a moment before the deadline and spin.
    return static_cast<int>(std::clamp<long long>(left + 1, 0, INT_MAX));
}

void Deadline::fail() const {
    throw NetError(kind, timeoutMessage);
}

std::string describeSpan(Milliseconds span) {
    const long long ms = span.count();
    if (ms % 1000 != 0)
        return std::to_string(ms) + " ms";
    const long long seconds = ms / 1000;
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

Deadline connectDeadline(Milliseconds timeout) {
    timeout = effectiveTimeout(timeout);
    return {SteadyClock::now() + timeout, NetErrorKind::ConnectTimeout, "Connect timed out."};
}

Deadline replyDeadline(Milliseconds timeout) {
    timeout = effectiveTimeout(timeout);
    return {SteadyClock::now() + timeout, NetErrorKind::Timeout,
            "The server did not reply within " + describeSpan(timeout) + "."};
}

Deadline dataDeadline(Milliseconds timeout) {
    timeout = effectiveTimeout(timeout);
    return {SteadyClock::now() + timeout, NetErrorKind::Timeout,
            "The data connection moved nothing for " + describeSpan(timeout) + "."};
}

} // namespace quorvel
