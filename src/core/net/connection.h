#pragma once

#include "core/net/net_options.h"
#include "core/net/socket_address.h"
#include "core/net/socket_wait.h"
#include "core/net/tls_context.h"
#include "core/util/unique_fd.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel {

class CancelToken;

// One TCP connection, plain or TLS, with blocking calls that each keep to a deadline and give way
// to a cancel token at once. Used on one thread at a time; only the token is touched by others.
// The control connections of FTP and SMTP read lines through readLine(); data connections move
// blocks through send() and receive(). A plain connection is upgraded in place (FTP "AUTH TLS",
// SMTP "STARTTLS"), or TLS starts right after connecting (implicit TLS).
class Connection {
public:
    Connection() = default;
    // Takes over a connected socket (an accepted data connection).
    explicit Connection(UniqueFd socket);
    ~Connection();
    Connection(Connection&&) noexcept = default;
    Connection& operator=(Connection&&) noexcept = default;

    // Resolves the host and connects to its addresses in turn, reporting "Resolving hostname %s."
    // (names only), "Connecting to %s." and "Connected.". Raises NetError.
    static Connection open(const std::string& host, int port, const Deadline& deadline, const CancelToken* cancel,
                           const StatusHook& status = {});
    // Connects to one address, without statuses (data connections).
    static Connection openTo(const SocketAddress& address, const Deadline& deadline, const CancelToken* cancel);

    bool isOpen() const { return static_cast<bool>(m_socket); }
    void setCancel(const CancelToken* cancel, CancelScope scope = CancelScope::Any);
    void setCancelScope(CancelScope scope) { m_scope = scope; }
    // Sees every block sent and received, after TLS decryption.
    void setTrafficHook(TrafficHook hook) { m_traffic = std::move(hook); }

    // Sends everything. Raises NetError (Socket, Timeout, Cancelled, Tls, NotConnected).
    void send(std::string_view data, const Deadline& deadline);
    // Up to `size` bytes; 0 when the peer has closed the connection.
    std::size_t receive(char* buffer, std::size_t size, const Deadline& deadline);
    // One line without its LF (and without a CR before it). Raises TooLong "Max line length
    // exceeded." for a longer line, Closed "Connection Closed Gracefully." when the peer closes.
    std::string readLine(std::size_t maxLength, const Deadline& deadline);

    // The TLS handshake on this connection, then the certificate check of the context's policy.
    // Bytes the peer sent ahead of the handshake are refused (they could be forged answers).
    // keepSessions: this connection's sessions are kept in the context for later connections;
    // resume: offers the kept session (FTP data connections).
    void startTls(TlsContext& context, const std::string& serverName, bool keepSessions, bool resume,
                  const Deadline& deadline);
    bool tlsActive() const { return static_cast<bool>(m_ssl); }
    bool tlsSessionReused() const;
    // The SHA-256 fingerprint of the peer's certificate in display form; empty without TLS.
    std::string peerFingerprint() const;

    // Says that nothing more will be sent: a TLS goodbye, then the TCP half-close. The socket
    // stays open, since closing it while the peer's last bytes are unread would reset the
    // connection and could destroy data the peer has not read yet; close it once the protocol
    // confirms the peer has everything (FTP: the transfer's closing reply). Problems are ignored:
    // the caller learns from the protocol whether the data arrived.
    void endSending(const Deadline& deadline);
    // Drops the connection at once.
    void close();

    SocketAddress localAddress() const;
    SocketAddress peerAddress() const;
    int socket() const { return m_socket.get(); }

private:
    void waitFor(short events, const Deadline& deadline) const {
        waitReady(m_socket.get(), events, deadline, m_cancel, m_scope);
    }
    std::size_t receiveRaw(char* buffer, std::size_t size, const Deadline& deadline);
    void requireOpen() const;
    [[noreturn]] void failTls(int result, const char* what) const;

    UniqueFd m_socket;
    UniqueSsl m_ssl;
    const CancelToken* m_cancel = nullptr;
    CancelScope m_scope = CancelScope::Any;
    TrafficHook m_traffic;
    std::string m_inbox; // received and not yet taken
    std::size_t m_inboxStart = 0;
};

} // namespace quorvel
