#include "core/net/connection.h"

#include "core/net/resolver.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

namespace quorvel {

namespace {

// Blocks read for lines at a time; far below the line bound, so that memory stays small.
constexpr std::size_t LineChunk = 4096;
int clampToInt(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

UniqueFd connectOne(const SocketAddress& address, const Deadline& deadline, const CancelToken* cancel) {
    UniqueFd socket(::socket(address.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket)
        throw socketError(errno);
    if (::connect(socket.get(), address.native(), address.length()) == 0)
        return socket;
    if (errno != EINPROGRESS)
        throw socketError(errno);
    // Writable once the connect has finished, well or badly; SO_ERROR says which.
    waitReady(socket.get(), POLLOUT, deadline, cancel);
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0)
        throw socketError(error);
    return socket;
}

} // namespace

Connection::Connection(UniqueFd socket) : m_socket(std::move(socket)) {
    const int flags = ::fcntl(m_socket.get(), F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) == 0)
        ::fcntl(m_socket.get(), F_SETFL, flags | O_NONBLOCK);
}

Connection::~Connection() = default;

Connection Connection::open(const std::string& host, int port, const Deadline& deadline, const CancelToken* cancel,
                            const StatusHook& status) {
    if (status && !SocketAddress::isNumericHost(host))
        status("Resolving hostname " + host + ".");
    const std::vector<SocketAddress> addresses = resolveHost(host, port, deadline, cancel);
    std::optional<NetError> lastError;
    for (const SocketAddress& address : addresses) {
        if (status)
            status("Connecting to " + address.hostText() + ".");
        try {
            Connection connection = openTo(address, deadline, cancel);
            if (status)
                status("Connected.");
            return connection;
        } catch (const NetError& e) {
            // A refused or unreachable address leaves the next one to try; the time-out and a
            // cancel request cover them all.
            if (e.kind() != NetErrorKind::Socket)
                throw;
            lastError = e;
        }
    }
    throw *lastError;
}

Connection Connection::openTo(const SocketAddress& address, const Deadline& deadline, const CancelToken* cancel) {
    Connection connection(connectOne(address, deadline, cancel));
    connection.setCancel(cancel);
    return connection;
}

void Connection::setCancel(const CancelToken* cancel, CancelScope scope) {
    m_cancel = cancel;
    m_scope = scope;
}

void Connection::requireOpen() const {
    if (!m_socket)
        throw notConnectedError();
}

void Connection::send(std::string_view data, const Deadline& deadline) {
    requireOpen();
    std::size_t done = 0;
    while (done < data.size()) {
        const char* from = data.data() + done;
        const std::size_t left = data.size() - done;
        if (m_ssl) {
            ERR_clear_error();
            const int sent = SSL_write(m_ssl.get(), from, clampToInt(left));
            if (sent > 0) {
                done += static_cast<std::size_t>(sent);
                continue;
            }
            const int error = SSL_get_error(m_ssl.get(), sent);
            if (error == SSL_ERROR_WANT_WRITE)
                waitFor(POLLOUT, deadline);
            else if (error == SSL_ERROR_WANT_READ)
                waitFor(POLLIN, deadline);
            else
                failTls(sent, "sending");
            continue;
        }
        const ssize_t sent = ::send(m_socket.get(), from, left, MSG_NOSIGNAL);
        if (sent >= 0) {
            done += static_cast<std::size_t>(sent);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            waitFor(POLLOUT, deadline);
        } else if (errno != EINTR) {
            throw socketError(errno);
        }
    }
    if (m_traffic)
        m_traffic(Traffic::Sent, data);
}

std::size_t Connection::receiveRaw(char* buffer, std::size_t size, const Deadline& deadline) {
    requireOpen();
    for (;;) {
        std::size_t got = 0;
        if (m_ssl) {
            ERR_clear_error();
            errno = 0;
            const int read = SSL_read(m_ssl.get(), buffer, clampToInt(size));
            if (read > 0) {
                got = static_cast<std::size_t>(read);
            } else {
                const int error = SSL_get_error(m_ssl.get(), read);
                if (error == SSL_ERROR_WANT_READ) {
                    waitFor(POLLIN, deadline);
                    continue;
                }
                if (error == SSL_ERROR_WANT_WRITE) {
                    waitFor(POLLOUT, deadline);
                    continue;
                }
                if (error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && errno == 0))
                    return 0;
                failTls(read, "receiving");
            }
        } else {
            const ssize_t read = ::recv(m_socket.get(), buffer, size, 0);
            if (read < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    waitFor(POLLIN, deadline);
                    continue;
                }
                if (errno == EINTR)
                    continue;
                throw socketError(errno);
            }
            if (read == 0)
                return 0;
            got = static_cast<std::size_t>(read);
        }
        if (m_traffic)
            m_traffic(Traffic::Received, std::string_view(buffer, got));
        return got;
    }
}

std::size_t Connection::receive(char* buffer, std::size_t size, const Deadline& deadline) {
    if (m_inboxStart < m_inbox.size()) {
        const std::size_t taken = std::min(size, m_inbox.size() - m_inboxStart);
        std::copy_n(m_inbox.data() + m_inboxStart, taken, buffer);
        m_inboxStart += taken;
        return taken;
    }
    return receiveRaw(buffer, size, deadline);
}

std::string Connection::readLine(std::size_t maxLength, const Deadline& deadline) {
    std::size_t scanned = m_inboxStart;
    for (;;) {
        const std::size_t end = m_inbox.find('\n', scanned);
        if (end != std::string::npos) {
            std::string line = m_inbox.substr(m_inboxStart, end - m_inboxStart);
            m_inboxStart = end + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.size() > maxLength)
                throw NetError(NetErrorKind::TooLong, "Max line length exceeded.");
            return line;
        }
        // The line ending may be a CR LF split over two blocks; one byte of slack allows for it.
        if (m_inbox.size() - m_inboxStart > maxLength + 1)
            throw NetError(NetErrorKind::TooLong, "Max line length exceeded.");
        m_inbox.erase(0, m_inboxStart);
        m_inboxStart = 0;
        scanned = m_inbox.size();
        m_inbox.resize(scanned + LineChunk);
        const std::size_t got = receiveRaw(m_inbox.data() + scanned, LineChunk, deadline);
        m_inbox.resize(scanned + got);
        if (got == 0)
            throw closedError();
    }
}

void Connection::startTls(TlsContext& context, const std::string& serverName, bool keepSessions, bool resume,
                          const Deadline& deadline) {
    requireOpen();
    if (m_inboxStart < m_inbox.size())
        throw NetError(NetErrorKind::Tls, "The server sent data before the TLS handshake.");
    m_inbox.clear();
    m_inboxStart = 0;
    m_ssl = context.newClient(m_socket.get(), serverName, keepSessions, resume);
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(m_ssl.get());
        if (result == 1)
            break;
        const int error = SSL_get_error(m_ssl.get(), result);
        if (error == SSL_ERROR_WANT_READ)
            waitFor(POLLIN, deadline);
        else if (error == SSL_ERROR_WANT_WRITE)
            waitFor(POLLOUT, deadline);
        else
            failTls(result, "handshake");
    }
    context.checkPeer(m_ssl.get());
}

bool Connection::tlsSessionReused() const {
    return m_ssl && SSL_session_reused(m_ssl.get()) == 1;
}

std::string Connection::peerFingerprint() const {
    if (!m_ssl)
        return {};
    X509* certificate = SSL_get0_peer_certificate(m_ssl.get());
    return certificate != nullptr ? displayFingerprint(certificateFingerprint(certificate)) : std::string();
}

void Connection::failTls(int result, const char* what) const {
    const int error = SSL_get_error(m_ssl.get(), result);
    if (error == SSL_ERROR_SYSCALL) {
        if (errno != 0)
            throw socketError(errno);
        throw closedError();
    }
    const unsigned long code = ERR_peek_last_error();
    const char* reason = ERR_reason_error_string(code);
    throw NetError(NetErrorKind::Tls,
                   std::string("TLS ") + what + " failed: " + (reason != nullptr ? reason : "unknown error") + ".");
}

void Connection::endSending(const Deadline& deadline) {
    if (m_ssl && m_socket) {
        try {
            for (;;) {
                ERR_clear_error();
                const int result = SSL_shutdown(m_ssl.get());
                if (result >= 0)
                    break;
                const int error = SSL_get_error(m_ssl.get(), result);
                if (error == SSL_ERROR_WANT_WRITE)
                    waitFor(POLLOUT, deadline);
                else if (error == SSL_ERROR_WANT_READ)
                    waitFor(POLLIN, deadline);
                else
                    break;
            }
        } catch (const NetError&) {
        }
    }
    if (m_socket)
        ::shutdown(m_socket.get(), SHUT_WR);
}

void Connection::close() {
    m_ssl.reset();
    m_socket.reset();
    m_inbox.clear();
    m_inboxStart = 0;
}

SocketAddress Connection::localAddress() const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_socket.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw socketError(errno);
    return SocketAddress(reinterpret_cast<const sockaddr*>(&address), length);
}

SocketAddress Connection::peerAddress() const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(m_socket.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw socketError(errno);
    return SocketAddress(reinterpret_cast<const sockaddr*>(&address), length);
}

} // namespace quorvel
