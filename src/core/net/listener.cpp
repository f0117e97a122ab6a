#include "core/net/listener.h"

#include "core/net/cancel_token.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace quorvel {

namespace {

// The backlog of the listening socket; only one connection is ever taken from it.
constexpr int Backlog = 15;

} // namespace

Listener::Listener(const SocketAddress& local) {
    const SocketAddress any = local.withPort(0);
    m_socket = UniqueFd(::socket(any.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!m_socket)
        throw socketError(errno);
    if (::bind(m_socket.get(), any.native(), any.length()) != 0 || ::listen(m_socket.get(), Backlog) != 0)
        throw socketError(errno);
}

SocketAddress Listener::address() const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_socket.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw socketError(errno);
    return SocketAddress(reinterpret_cast<const sockaddr*>(&address), length);
}

Connection Listener::accept(const SocketAddress& peer, const Deadline& deadline, const CancelToken* cancel) {
    pollfd fds[2] = {{m_socket.get(), POLLIN, 0}, {cancel != nullptr ? cancel->pollFd() : -1, POLLIN, 0}};
    for (;;) {
        if (cancel != nullptr && cancel->cancelled())
            throw cancelledError();
        if (deadline.passed())
            deadline.fail();
        const int ready = ::poll(fds, cancel != nullptr ? 2 : 1, deadline.remainingMs());
        if (ready < 0 && errno != EINTR)
            throw socketError(errno);
        if (ready > 0 && fds[1].revents != 0)
            cancel->settle();
        if (ready <= 0 || fds[0].revents == 0)
            continue;
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        UniqueFd accepted(
            ::accept4(m_socket.get(), reinterpret_cast<sockaddr*>(&from), &length, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!accepted) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED)
                continue;
            throw socketError(errno);
        }
        if (!SocketAddress(reinterpret_cast<const sockaddr*>(&from), length).sameHost(peer))
            continue; // closed as it goes out of scope
        Connection connection(std::move(accepted));
        connection.setCancel(cancel);
        return connection;
    }
}

} // namespace quorvel
