#include "core/net/listener.h"

#include "core/net/socket_wait.h"

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
    for (;;) {
        waitReady(m_socket.get(), POLLIN, deadline, cancel);
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
