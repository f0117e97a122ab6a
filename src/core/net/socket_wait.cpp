#include "core/net/socket_wait.h"

#include "core/net/cancel_token.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace quorvel {

namespace {

// A close request is looked for this often while only close requests count.
constexpr int ClosingSliceMs = 100;

} // namespace

void waitReady(int socket, short events, const Deadline& deadline, const CancelToken* cancel, CancelScope scope) {
    const bool anyRequest = cancel != nullptr && scope == CancelScope::Any;
    for (;;) {
        if (cancel != nullptr && (anyRequest ? cancel->cancelled() : cancel->closing()))
            throw cancelledError();
        if (deadline.passed())
            deadline.fail();
        pollfd fds[2] = {{socket, events, 0}, {anyRequest ? cancel->pollFd() : -1, POLLIN, 0}};
        int timeout = deadline.remainingMs();
        if (cancel != nullptr && !anyRequest)
            timeout = std::min(timeout, ClosingSliceMs);
        const int ready = ::poll(fds, anyRequest ? 2 : 1, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            throw socketError(errno);
        }
        if (ready > 0 && fds[0].revents != 0)
            return;
        if (ready > 0 && fds[1].revents != 0)
            cancel->settle();
    }
}

} // namespace quorvel
