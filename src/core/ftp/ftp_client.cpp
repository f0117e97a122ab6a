#include "core/ftp/ftp_client.h"

#include "core/net/cancel_token.h"
#include "core/net/tls_context.h"
#include "core/util/strings.h"

namespace quorvel {

namespace {

constexpr std::string_view PassCommand = "PASS ";

// What the log shows of a block sent: a password never reaches a log.
std::string_view maskedForLog(std::string_view block) {
    return block.starts_with(PassCommand) ? std::string_view("PASS ****\r\n") : block;
}

} // namespace

TFtpClient::TFtpClient(const Clock& clock) : m_clock(clock), m_cancel(std::make_shared<CancelToken>()) {}

TFtpClient::~TFtpClient() = default;

const Clock& TFtpClient::systemClock() {
    static const SystemClock clock;
    return clock;
}

void TFtpClient::status(const std::string& text) const {
    if (OnStatus)
        OnStatus(text);
}

void TFtpClient::AbortTransfer() {
    m_cancel->cancel();
}

void TFtpClient::setCancelToken(std::shared_ptr<CancelToken> token) {
    m_cancel = std::move(token);
    m_control.setCancel(m_cancel.get());
}

Deadline TFtpClient::replyLimit() const {
    return replyDeadline(Milliseconds(ReadTimeout));
}

Deadline TFtpClient::connectLimit() const {
    return connectDeadline(Milliseconds(ConnectTimeout));
}

Deadline TFtpClient::dataLimit() const {
    return dataDeadline(Milliseconds(DataTimeout));
}

void TFtpClient::requireConnected() const {
    if (!m_control.isOpen())
        throw notConnectedError();
}

void TFtpClient::dropConnection() {
    if (!m_control.isOpen())
        return;
    status("Disconnecting.");
    m_control.close();
    status("Disconnected.");
    if (OnDisconnected)
        OnDisconnected();
}

void TFtpClient::sendLine(const std::string& line) {
    requireConnected();
    try {
        sendCommandLine(m_control, line, replyLimit());
    } catch (const NetError& e) {
        // A refused name leaves the connection as it was; anything else leaves it unusable.
        if (e.kind() != NetErrorKind::Refused)
            dropConnection();
        throw;
    }
}

const Reply& TFtpClient::readReply(std::initializer_list<int> allowed) {
    requireConnected();
    try {
        m_lastReply = quorvel::readReply(m_control, replyLimit());
    } catch (const NetError&) {
        // Whatever is left of the reply would be read as the next one: the connection is lost.
        dropConnection();
        throw;
    }
    requireCode(m_lastReply, allowed);
    return m_lastReply;
}

const Reply& TFtpClient::SendCmd(const std::string& command, std::initializer_list<int> allowed) {
    sendLine(command);
    return readReply(allowed);
}

void TFtpClient::ConnectAndLogin(bool autoLogin) {
    if (m_control.isOpen())
        throw Error(ErrorKind::Refused, "Already connected.");
    m_canResume.reset();
    try {
        m_control = Connection::open(Host, Port, connectLimit(), m_cancel.get(),
                                     [this](const std::string& text) { status(text); });
        m_control.setTrafficHook([this](Traffic direction, std::string_view block) {
            if (Intercept)
                Intercept(direction, direction == Traffic::Sent ? maskedForLog(block) : block);
        });
        readReply({220});
        if (UseTls == FtpTlsMode::Explicit)
            secureControl();
        if (autoLogin)
            login();
        status("Connection established");
    } catch (...) {
        dropConnection();
        throw;
    }
}

void TFtpClient::secureControl() {
    m_tls = std::make_unique<TlsContext>(tlsPolicyFor(TlsFingerprint));
    sendLine("AUTH TLS");
    const Reply& reply = readReply({});
    if (reply.code != 234)
        throw NetError(NetErrorKind::Tls, "The server refused TLS, so nothing more was sent to it.\r\n" + reply.text());
    m_control.startTls(*m_tls, Host, true, false, connectLimit());
    SendCmd("PBSZ 0", {200});
    SendCmd("PROT P", {200});
}

void TFtpClient::login() {
    if (SendCmd("USER " + Username, {230, 331}).code == 331)
        SendCmd(std::string(PassCommand) + Password, {230});
    SendCmd(m_transferType == ftBinary ? "TYPE I" : "TYPE A", {200});
    SendCmd("SYST", {200, 215, 500, 502, 504});
}

void TFtpClient::Logout() {
    if (!m_control.isOpen())
        return;
    try {
        // Sent without waiting for the answer, and only briefly if the server does not take it.
        sendCommandLine(m_control, "QUIT",
                        replyDeadline(Milliseconds(ReadTimeout > 0 ? std::min(ReadTimeout, 5000) : 5000)));
    } catch (const NetError&) {
    }
    status("Disconnecting.");
    m_control.endSending(replyDeadline(Milliseconds(1000)));
    m_control.close();
    status("Disconnected.");
    if (OnDisconnected)
        OnDisconnected();
}

void TFtpClient::setTransferType(TFtpTransferType type) {
    if (type != m_transferType && m_control.isOpen())
        SendCmd(type == ftBinary ? "TYPE I" : "TYPE A", {200});
    m_transferType = type;
}

void TFtpClient::ChangeFolder(const std::string& path) {
    SendCmd("CWD " + path, {200, 250});
}

std::string TFtpClient::CurrentFolder() {
    const std::string line = SendCmd("PWD", {257}).firstLine();
    const std::size_t open = line.find('"');
    const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos)
        return {};
    return line.substr(open + 1, close - open - 1);
}

void TFtpClient::CreateFolder(const std::string& name) {
    SendCmd("MKD " + name, {257});
}

void TFtpClient::RemoveFolder(const std::string& name) {
    SendCmd("RMD " + name, {250});
}

void TFtpClient::RemoveFile(const std::string& name) {
    SendCmd("DELE " + name, {250});
}

void TFtpClient::Rename(const std::string& from, const std::string& to) {
    SendCmd("RNFR " + from, {350});
    SendCmd("RNTO " + to, {250});
}

std::int64_t TFtpClient::RemoteFileSize(const std::string& name) {
    const Reply& reply = SendCmd("SIZE " + name);
    if (reply.code != 213)
        return -1;
    std::string text = trim(reply.firstLine());
    const std::size_t blank = text.find(' ');
    if (blank != std::string::npos)
        text = trim(text.substr(blank + 1));
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoll(text);
}

bool TFtpClient::supportsResume() {
    if (!m_canResume) {
        m_canResume = SendCmd("REST 1").code == 350;
        if (*m_canResume)
            SendCmd("REST 0");
    }
    return *m_canResume;
}

const TFtpListItems& TFtpClient::FolderEntries() {
    if (!m_entries)
        m_entries = parseListing(m_listing, m_clock.now());
    return *m_entries;
}

} // namespace quorvel
