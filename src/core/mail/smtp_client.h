#pragma once

#include "core/net/connection.h"
#include "core/net/net_options.h"
#include "core/net/reply.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

class CancelToken;
class MailContent;
class TMailMessage;
class TlsContext;

enum TAuthenticationType { atNone, atLogin };
// How the connection is protected: not at all, upgraded with "STARTTLS" after the greeting
// (port 587), or TLS from the first byte (port 465).
enum class SmtpTlsMode { None, StartTls, Implicit };

// An SMTP client (RFC 5321, with STARTTLS, AUTH LOGIN and PLAIN, and SIZE) that delivers mail
// messages to one server.
//
// Every operation blocks until it is done, raises an Error on failure (the server's reply text
// for a refused command; MailError for a message that cannot be sent; IoError for an attachment
// that cannot be read) and keeps to the time-outs: no wait is unlimited. Events are called on
// the calling thread. Cancel() may be called from any other thread and stops the operation in
// progress at once; a message cut short that way is never completed at the server.
class TSmtpClient {
public:
    TSmtpClient();
    ~TSmtpClient();
    TSmtpClient(const TSmtpClient&) = delete;
    TSmtpClient& operator=(const TSmtpClient&) = delete;

    // Properties, set before connecting.
    std::string Host;
    int Port = 25;
    std::string Username;
    std::string Password;
    std::string HeloName;        // the name given in EHLO/HELO; empty: this machine's host name
    std::string MailAgent;       // the "X-Mailer" header; empty: none
    int ReadTimeout = 60000;     // ms for each reply, from the command to its last line; 0 = default
    int ConnectTimeout = 60000;  // ms for resolving, connecting and the TLS handshake; 0 = default
    int DataTimeout = 60000;     // ms the message data may move nothing; 0 = default
    int DataEndTimeout = 600000; // ms for the reply to the end of the message (servers check it first)
    int SendBufferSize = 32768;
    TMaxLineAction MaxLineAction = maException;
    SmtpTlsMode UseTls = SmtpTlsMode::None;
    // With TLS: the server certificate's SHA-256 fingerprint (any accepted notation) it must
    // have; empty: it must verify against the system's trust store.
    std::string TlsFingerprint;

    // atLogin also switches UseEhlo on; switching UseEhlo off sets atNone.
    TAuthenticationType AuthenticationType() const { return m_authentication; }
    void setAuthenticationType(TAuthenticationType type);
    bool UseEhlo() const { return m_useEhlo; }
    void setUseEhlo(bool use);

    // Events.
    TrafficHook Intercept; // the connection's bytes; credentials are shown as "****"
    std::function<void(const std::string& text)> OnStatus;
    std::function<void(TWorkMode mode, std::int64_t total)> OnWorkBegin;
    std::function<void(TWorkMode mode, std::int64_t count)> OnWork;
    std::function<void(TWorkMode mode)> OnWorkEnd;
    std::function<void()> OnDisconnected;

    bool Connected() const { return m_connection.isOpen(); }
    bool Authenticated() const { return m_authenticated; }
    const Reply& LastReply() const { return m_lastReply; }
    // The mechanisms the server announced in its EHLO reply, upper case, without duplicates.
    const std::vector<std::string>& AuthMechanisms() const { return m_mechanisms; }
    bool StartTlsOffered() const { return m_startTlsOffered; }
    // The largest message the server takes (its SIZE extension); 0 when it names no limit.
    std::uint64_t SizeLimit() const { return m_sizeLimit; }
    // The SHA-256 fingerprint of the server's certificate (display form); empty without TLS.
    std::string ServerFingerprint() const { return m_connection.peerFingerprint(); }

    // Stops from another thread; see the class comment.
    void Cancel();
    CancelToken& cancelToken() { return *m_cancel; }
    // Shares a caller's token instead of the client's own.
    void setCancelToken(std::shared_ptr<CancelToken> token);

    // Connects, reads the greeting, says EHLO (HELO when the server refuses it), and with TLS
    // secures the connection first. "Already connected." when connected; any failure leaves the
    // client disconnected. With TLS asked for, a server that does not offer it or a handshake
    // that fails gets nothing more: no credentials, no message.
    void ConnectAndGreet();
    // RSET, the login (once per connection), MAIL FROM, RCPT TO for every recipient, DATA and
    // the message. The message is checked before anything is sent; a message larger than the
    // server's SIZE limit is refused before any command. A refused recipient fails the whole
    // delivery (the message is never sent, so nobody receives it). Returns once the server has
    // accepted the message (250 after its end).
    void DeliverMessage(const TMailMessage& message);
    // "QUIT" without waiting for the answer, then closes.
    void Logout();

    // Sends a command and reads its reply, raising ProtocolError unless the code is allowed.
    const Reply& SendCmd(const std::string& command, std::initializer_list<int> allowed = {});

private:
    void status(const std::string& text) const;
    void requireConnected() const;
    Deadline replyLimit() const;
    const Reply& readReply(std::initializer_list<int> allowed, const Deadline& deadline);
    // Sends a command line; the log hook sees it only up to `secretFrom`, then "****".
    void sendLine(const std::string& line, std::size_t secretFrom = std::string::npos);
    void dropConnection();
    void greet();
    void readExtensions(const Reply& reply);
    void secure();
    void authenticate();
    std::string heloName() const;
    void sendData(const MailContent& content);

    std::shared_ptr<CancelToken> m_cancel;
    std::unique_ptr<TlsContext> m_tls; // outlives the connection that uses it
    Connection m_connection;
    Reply m_lastReply;
    TAuthenticationType m_authentication = atNone;
    bool m_useEhlo = true;
    bool m_authenticated = false;
    bool m_startTlsOffered = false;
    bool m_sizeOffered = false;
    std::uint64_t m_sizeLimit = 0;
    std::vector<std::string> m_mechanisms;
    std::string m_maskedLine; // what the log hook sees of the line on its way, when it holds a secret
};

// ConnectAndGreet, DeliverMessage and Logout: one message on a connection of its own, which is
// closed also when the delivery fails.
void sendOnNewConnection(TSmtpClient& client, const TMailMessage& message);

} // namespace quorvel
