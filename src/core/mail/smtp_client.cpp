#include "core/mail/smtp_client.h"

#include "core/mail/mail_error.h"
#include "core/mail/mail_message.h"
#include "core/net/cancel_token.h"
#include "core/net/tls_context.h"
#include "core/util/strings.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace quorvel {

namespace {

// A server may announce any number of mechanisms; more than this are not worth keeping.
constexpr std::size_t MaxMechanisms = 32;
constexpr int QuitTimeoutMs = 5000;

bool isHostName(std::string_view name) {
    return !name.empty() && name.size() <= 255 && name.front() != '-' && name.front() != '.' &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '.';
           });
}

std::string megabytes(std::uint64_t bytes) {
    const std::uint64_t tenths = (bytes * 10 + 524288) / 1048576;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB (" + std::to_string(bytes) +
           " bytes)";
}

} // namespace

TSmtpClient::TSmtpClient() : m_cancel(std::make_shared<CancelToken>()) {}

TSmtpClient::~TSmtpClient() = default;

void TSmtpClient::setAuthenticationType(TAuthenticationType type) {
    m_authentication = type;
    if (type == atLogin)
        m_useEhlo = true;
}

void TSmtpClient::setUseEhlo(bool use) {
    m_useEhlo = use;
    if (!use)
        m_authentication = atNone;
}

void TSmtpClient::status(const std::string& text) const {
    if (OnStatus)
        OnStatus(text);
}

void TSmtpClient::Cancel() {
    m_cancel->cancel();
}

void TSmtpClient::setCancelToken(std::shared_ptr<CancelToken> token) {
    m_cancel = std::move(token);
    m_connection.setCancel(m_cancel.get());
}

Deadline TSmtpClient::replyLimit() const {
    return replyDeadline(Milliseconds(ReadTimeout));
}

void TSmtpClient::requireConnected() const {
    if (!m_connection.isOpen())
        throw notConnectedError();
}

void TSmtpClient::dropConnection() {
    m_authenticated = false;
    if (!m_connection.isOpen())
        return;
    status("Disconnecting.");
    m_connection.close();
    status("Disconnected.");
    if (OnDisconnected)
        OnDisconnected();
}

void TSmtpClient::sendLine(const std::string& line, std::size_t secretFrom) {
    requireConnected();
    if (secretFrom != std::string::npos)
        m_maskedLine = line.substr(0, secretFrom) + "****\r\n";
    try {
        sendCommandLine(m_connection, line, replyLimit());
        m_maskedLine.clear();
    } catch (const NetError& e) {
        m_maskedLine.clear();
        // A refused text leaves the connection as it was; anything else leaves it unusable.
        if (e.kind() != NetErrorKind::Refused)
            dropConnection();
        throw;
    }
}

const Reply& TSmtpClient::readReply(std::initializer_list<int> allowed, const Deadline& deadline) {
    requireConnected();
    try {
        m_lastReply = quorvel::readReply(m_connection, deadline);
    } catch (const NetError&) {
        // Whatever is left of the reply would be read as the next one: the connection is lost.
        dropConnection();
        throw;
    }
    requireCode(m_lastReply, allowed);
    return m_lastReply;
}

const Reply& TSmtpClient::SendCmd(const std::string& command, std::initializer_list<int> allowed) {
    sendLine(command);
    return readReply(allowed, replyLimit());
}

void TSmtpClient::ConnectAndGreet() {
    if (m_connection.isOpen())
        throw Error(ErrorKind::Refused, "Already connected.");
    m_authenticated = false;
    try {
        // A pin that is no fingerprint is refused before anything goes out.
        m_tls.reset();
        if (UseTls != SmtpTlsMode::None)
            m_tls = std::make_unique<TlsContext>(tlsPolicyFor(TlsFingerprint));
        m_connection = Connection::open(Host, Port, connectDeadline(Milliseconds(ConnectTimeout)), m_cancel.get(),
                                        [this](const std::string& text) { status(text); });
        m_connection.setTrafficHook([this](Traffic direction, std::string_view block) {
            if (Intercept)
                Intercept(direction, direction == Traffic::Sent && !m_maskedLine.empty() ? m_maskedLine : block);
        });
        if (UseTls == SmtpTlsMode::Implicit)
            m_connection.startTls(*m_tls, Host, false, false, connectDeadline(Milliseconds(ConnectTimeout)));
        readReply({220}, replyLimit());
        greet();
        if (UseTls == SmtpTlsMode::StartTls)
            secure();
    } catch (const ProtocolError&) {
        // The server is still listening: say goodbye properly.
        Logout();
        throw;
    } catch (...) {
        dropConnection();
        throw;
    }
}

void TSmtpClient::greet() {
    m_mechanisms.clear();
    m_startTlsOffered = m_sizeOffered = false;
    m_sizeLimit = 0;
    const std::string name = heloName();
    if (m_useEhlo) {
        const Reply& reply = SendCmd("EHLO " + name);
        if (reply.code == 250) {
            readExtensions(reply);
            return;
        }
    }
    SendCmd("HELO " + name, {250});
}

void TSmtpClient::readExtensions(const Reply& reply) {
    for (std::size_t i = 1; i < reply.lines.size(); ++i) {
        const std::string line = toUpperAscii(trim(reply.lines[i]));
        if (line.starts_with("AUTH ") || line.starts_with("AUTH=")) {
            std::string words = line.substr(5);
            std::replace(words.begin(), words.end(), '=', ' ');
            for (const std::string& word : split(words, ' '))
                if (!word.empty() && m_mechanisms.size() < MaxMechanisms &&
                    std::find(m_mechanisms.begin(), m_mechanisms.end(), word) == m_mechanisms.end())
                    m_mechanisms.push_back(word);
        } else if (line == "STARTTLS") {
            m_startTlsOffered = true;
        } else if (line == "SIZE" || line.starts_with("SIZE ")) {
            m_sizeOffered = true;
            const std::string number = trim(line.substr(4));
            if (!number.empty() && number.size() <= 18 && number.find_first_not_of("0123456789") == std::string::npos)
                m_sizeLimit = std::stoull(number);
        }
    }
}

void TSmtpClient::secure() {
    if (!m_startTlsOffered)
        throw NetError(NetErrorKind::Tls, "The server does not offer STARTTLS, so nothing more was sent to it.");
    sendLine("STARTTLS");
    const Reply& reply = readReply({}, replyLimit());
    if (reply.code != 220)
        throw NetError(NetErrorKind::Tls,
                       "The server refused STARTTLS, so nothing more was sent to it.\r\n" + reply.text());
    m_connection.startTls(*m_tls, Host, false, false, connectDeadline(Milliseconds(ConnectTimeout)));
    // What the server said before TLS may have been forged on the way: ask again.
    greet();
}

std::string TSmtpClient::heloName() const {
    if (!HeloName.empty())
        return HeloName;
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) == 0 && isHostName(name))
        return name;
    // A machine without a usable name gives its address, as RFC 5321 asks.
    const std::string address = m_connection.localAddress().hostText();
    return address.find(':') != std::string::npos ? "[IPv6:" + address + "]" : "[" + address + "]";
}

void TSmtpClient::authenticate() {
    if (m_authentication != atLogin || m_authenticated)
        return;
    const auto offered = [this](std::string_view mechanism) {
        return std::find(m_mechanisms.begin(), m_mechanisms.end(), mechanism) != m_mechanisms.end();
    };
    if (offered("LOGIN")) {
        SendCmd("AUTH LOGIN", {334});
        sendLine(base64(Username), 0);
        readReply({334}, replyLimit());
        sendLine(base64(Password), 0);
        readReply({235}, replyLimit());
    } else if (offered("PLAIN")) {
        const std::string credentials = base64(std::string(1, '\0') + Username + '\0' + Password);
        sendLine("AUTH PLAIN " + credentials, 11);
        // A server that wants the credentials on a line of their own asks with 334.
        if (readReply({235, 334}, replyLimit()).code == 334) {
            sendLine(credentials, 0);
            readReply({235}, replyLimit());
        }
    } else {
        // A server that offers no login the program knows gets none: it decides whether it
        // takes the message without one.
        return;
    }
    m_authenticated = true;
}

void TSmtpClient::DeliverMessage(const TMailMessage& message) {
    requireConnected();
    TMailMessage sent = message;
    sent.setExtraHeader("X-Mailer", MailAgent);
    const MailContent content(sent, std::time(nullptr));
    if (m_sizeLimit > 0 && content.size() > m_sizeLimit)
        throw MailError("The message is " + megabytes(content.size()) + ", more than the server takes: at most " +
                        megabytes(m_sizeLimit) + ". Nothing was sent.");
    SendCmd("RSET");
    authenticate();
    std::string mailFrom = "MAIL FROM:<" + message.From.Address + ">";
    if (m_sizeOffered)
        mailFrom += " SIZE=" + std::to_string(content.size());
    SendCmd(mailFrom, {250});
    for (const TEmailAddressList* list : {&message.Recipients, &message.CCList, &message.BccList})
        for (const TEmailAddressItem& recipient : *list)
            SendCmd("RCPT TO:<" + recipient.Address + ">", {250, 251});
    SendCmd("DATA", {354});
    try {
        sendData(content);
    } catch (...) {
        // Without its end the message is never completed: the server drops what it got.
        dropConnection();
        throw;
    }
    readReply({250}, replyDeadline(Milliseconds(std::max(ReadTimeout, DataEndTimeout))));
}

void TSmtpClient::sendData(const MailContent& content) {
    const std::size_t blockSize = static_cast<std::size_t>(std::clamp(SendBufferSize, 512, 1 << 24));
    std::string block;
    block.reserve(blockSize + 1024);
    std::int64_t written = 0, reported = 0;
    bool atLineStart = true;
    const auto flush = [&] {
        if (block.empty())
            return;
        m_connection.send(block, dataDeadline(Milliseconds(DataTimeout)));
        block.clear();
        if (OnWork && written != reported)
            OnWork(wmWrite, written);
        reported = written;
    };
    const auto sink = [&](std::string_view bytes) {
        std::size_t i = 0;
        while (i < bytes.size()) {
            // A line starting with "." gets another one, which the server removes again.
            if (atLineStart && bytes[i] == '.')
                block += '.';
            const std::size_t lineEnd = bytes.find('\n', i);
            const std::size_t end = lineEnd == std::string_view::npos ? bytes.size() : lineEnd + 1;
            block.append(bytes.substr(i, end - i));
            written += static_cast<std::int64_t>(end - i);
            atLineStart = lineEnd != std::string_view::npos;
            i = end;
            if (block.size() >= blockSize)
                flush();
        }
    };
    if (OnWorkBegin)
        OnWorkBegin(wmWrite, static_cast<std::int64_t>(std::min<std::uint64_t>(content.size(), INT64_MAX)));
    content.write(
        sink, [this](const std::string& text) { status(text); }, blockSize);
    block += atLineStart ? ".\r\n" : "\r\n.\r\n";
    flush();
    if (OnWorkEnd)
        OnWorkEnd(wmWrite);
}

void TSmtpClient::Logout() {
    m_authenticated = false;
    if (!m_connection.isOpen())
        return;
    try {
        // Sent without waiting for the answer, and only briefly if the server does not take it.
        sendCommandLine(
            m_connection, "QUIT",
            replyDeadline(Milliseconds(ReadTimeout > 0 ? std::min(ReadTimeout, QuitTimeoutMs) : QuitTimeoutMs)));
    } catch (const NetError&) {
    }
    status("Disconnecting.");
    m_connection.endSending(replyDeadline(Milliseconds(1000)));
    m_connection.close();
    status("Disconnected.");
    if (OnDisconnected)
        OnDisconnected();
}

void sendOnNewConnection(TSmtpClient& client, const TMailMessage& message) {
    client.ConnectAndGreet();
    try {
        client.DeliverMessage(message);
    } catch (...) {
        client.Logout();
        throw;
    }
    client.Logout();
}

} // namespace quorvel
