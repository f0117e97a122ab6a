// The data connections of TFtpClient: listings, uploads and downloads, and how a transfer that
// failed or was stopped leaves the control connection in step with the server.
#include "core/ftp/ftp_client.h"

#include "core/backup/pending_archive.h"
#include "core/ftp/ftp_data_address.h"
#include "core/net/cancel_token.h"
#include "core/net/listener.h"
#include "core/util/errors.h"
#include "core/zip/archive_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvel {

namespace {

// A listing larger than this is refused rather than held in memory.
constexpr std::size_t MaxListingBytes = 64u << 20;
// Replies read while putting the control connection back in step, at most.
constexpr std::size_t MaxResyncReplies = 16;

std::size_t blockSize(int configured) {
    return static_cast<std::size_t>(std::clamp(configured, 512, 1 << 20));
}

bool isClosingSuccess(int code) {
    return code == 225 || code == 226 || code == 250;
}

// While a stopped transfer says goodbye, only a close request may interrupt the control connection.
class ClosingOnly {
public:
    explicit ClosingOnly(Connection& connection) : m_connection(connection) {
        m_connection.setCancelScope(CancelScope::ClosingOnly);
    }
    ~ClosingOnly() { m_connection.setCancelScope(CancelScope::Any); }
    ClosingOnly(const ClosingOnly&) = delete;
    ClosingOnly& operator=(const ClosingOnly&) = delete;

private:
    Connection& m_connection;
};

void writeAll(int fd, const char* data, std::size_t size, const std::string& path) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw IoError::of("Cannot write", path, errno);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

NetError abortedError() {
    return NetError(NetErrorKind::Cancelled, "Transfer aborted.");
}

} // namespace

// Where the next data connection comes from: the passive target, or our listener.
struct TFtpClient::DataChannel {
    SocketAddress target;
    std::unique_ptr<Listener> listener;
};

TFtpClient::DataChannel TFtpClient::openPassive() {
    const SocketAddress peer = m_control.peerAddress();
    DataChannel channel;
    if (peer.isIpv6()) {
        const Reply& reply = SendCmd("EPSV", {229});
        const std::optional<int> port = parseExtendedPassiveReply(reply.firstLine());
        if (!port)
            throw NetError(NetErrorKind::Protocol, "The server's answer to EPSV cannot be read:\r\n" + reply.text());
        channel.target = peer.withPort(*port);
        return channel;
    }
    const Reply& reply = SendCmd("PASV", {227});
    const std::optional<PassiveAddress> passive = parsePassiveReply(reply.firstLine());
    if (!passive)
        throw NetError(NetErrorKind::Protocol, "The server's answer to PASV cannot be read:\r\n" + reply.text());
    if (passive->address != peer.hostText())
        status("The server named " + passive->address + " for data; its own address " + peer.hostText() + " is used.");
    channel.target = peer.withPort(passive->port);
    return channel;
}

TFtpClient::DataChannel TFtpClient::openActive() {
    DataChannel channel;
    channel.listener = std::make_unique<Listener>(m_control.localAddress());
    const SocketAddress address = channel.listener->address();
    if (address.isIpv6())
        SendCmd("EPRT " + extendedPortArgument(address), {200});
    else
        SendCmd("PORT " + portArgument(address), {200});
    return channel;
}

Connection TFtpClient::connectData(DataChannel& channel) {
    if (channel.listener)
        return channel.listener->accept(m_control.peerAddress(), connectLimit(), m_cancel.get());
    return Connection::openTo(channel.target, connectLimit(), m_cancel.get());
}

void TFtpClient::secureData(Connection& data) {
    if (!m_tls)
        return;
    data.startTls(*m_tls, Host, false, true, connectLimit());
    m_dataSessionReused = data.tlsSessionReused();
}

void TFtpClient::endTransfer(Connection& data, TWorkMode mode, bool& begun) {
    data.close();
    if (begun && OnWorkEnd)
        OnWorkEnd(mode);
    begun = false;
    status("Transfer complete");
}

std::vector<Reply> TFtpClient::resynchronize(bool sendAbort) {
    const Deadline limit = replyLimit();
    if (sendAbort)
        sendCommandLine(m_control, "ABOR", limit);
    // Every reply before NOOP's answer belongs to the transfer; after it the connection is in step.
    sendCommandLine(m_control, "NOOP", limit);
    std::vector<Reply> replies;
    for (;;) {
        Reply reply = quorvel::readReply(m_control, limit);
        if (reply.code == 200)
            return replies;
        if (replies.size() >= MaxResyncReplies)
            throw NetError(NetErrorKind::Protocol, "The server does not answer NOOP.");
        if (reply.code == 426 || reply.code == 450 || reply.code == 451)
            status("Transfer aborted");
        replies.push_back(std::move(reply));
    }
}

void TFtpClient::afterFailedTransfer(bool commandAccepted) {
    if (!m_control.isOpen())
        return;
    if (m_cancel->closing()) {
        dropConnection();
        return;
    }
    if (!commandAccepted && !m_cancel->cancelled())
        return;
    ClosingOnly scope(m_control);
    try {
        const std::vector<Reply> replies = resynchronize(commandAccepted);
        if (!replies.empty())
            m_lastReply = replies.front();
    } catch (const NetError&) {
        dropConnection();
    }
}

const Reply& TFtpClient::readClosingReply() {
    // Unlike other replies, a failure here leaves the connection to the transfer's own recovery:
    // a stop while the server finishes is an abort (ABOR), not a lost connection.
    m_lastReply = quorvel::readReply(m_control, replyLimit());
    return m_lastReply;
}

void TFtpClient::receiveData(const std::string& command, std::int64_t restartAt, const Sink& sink, std::size_t limit) {
    requireConnected();
    status("Starting FTP transfer");
    bool accepted = false;
    bool begun = false;
    Connection data;
    try {
        DataChannel channel = Passive ? openPassive() : openActive();
        if (Passive)
            data = connectData(channel);
        if (restartAt > 0)
            SendCmd("REST " + std::to_string(restartAt), {350});
        SendCmd(command, {125, 150, 154});
        accepted = true;
        if (!Passive)
            data = connectData(channel);
        secureData(data);
        if (OnWorkBegin)
            OnWorkBegin(wmRead, 0);
        begun = true;
        std::vector<char> buffer(blockSize(RecvBufferSize));
        std::size_t count = 0;
        for (;;) {
            const std::size_t got = data.receive(buffer.data(), buffer.size(), dataLimit());
            if (got == 0)
                break;
            count += got;
            if (limit != 0 && count > limit)
                throw NetError(NetErrorKind::TooLong, "The folder listing is too large.");
            sink(buffer.data(), got);
            if (OnWork)
                OnWork(wmRead, static_cast<std::int64_t>(count));
        }
        endTransfer(data, wmRead, begun);
        const Reply& closing = readClosingReply();
        accepted = false;
        if (!isClosingSuccess(closing.code))
            throw ProtocolError(closing.code, closing.lines);
    } catch (const ProtocolError&) {
        // A whole reply was read: the connection is in step.
        endTransfer(data, wmRead, begun);
        throw;
    } catch (...) {
        endTransfer(data, wmRead, begun);
        const bool cancelled = m_cancel->cancelled();
        afterFailedTransfer(accepted);
        if (cancelled)
            throw abortedError();
        throw;
    }
}

void TFtpClient::sendData(const std::string& command, std::int64_t total, const Source& source) {
    requireConnected();
    status("Starting FTP transfer");
    bool sent = false;
    bool begun = false;
    Connection data;
    try {
        DataChannel channel = Passive ? openPassive() : openActive();
        if (Passive) {
            sendLine(command);
            sent = true;
            data = connectData(channel);
            readReply({110, 125, 150});
        } else {
            SendCmd(command, {125, 150});
            sent = true;
            data = connectData(channel);
        }
        secureData(data);
        if (OnWorkBegin)
            OnWorkBegin(wmWrite, total);
        begun = true;
        std::vector<char> buffer(blockSize(SendBufferSize));
        std::int64_t count = 0;
        for (;;) {
            const std::size_t got = source(buffer.data(), buffer.size());
            if (got == 0)
                break;
            data.send(std::string_view(buffer.data(), got), dataLimit());
            count += static_cast<std::int64_t>(got);
            if (OnWork)
                OnWork(wmWrite, count);
        }
        data.endSending(dataLimit());
        if (OnWorkEnd)
            OnWorkEnd(wmWrite);
        begun = false;
        // The data connection stays open until the server says it has everything.
        const Reply& closing = readClosingReply();
        sent = false;
        endTransfer(data, wmWrite, begun);
        if (!isClosingSuccess(closing.code))
            throw ProtocolError(closing.code, closing.lines);
    } catch (const ProtocolError&) {
        endTransfer(data, wmWrite, begun);
        throw;
    } catch (const NetError& e) {
        endTransfer(data, wmWrite, begun);
        const bool cancelled = m_cancel->cancelled();
        afterFailedTransfer(sent);
        if (cancelled)
            throw abortedError();
        // A server that refuses the data (full disk, quota) closes the data connection and says
        // why on the control connection: that reply is the reason the user needs to read.
        if (m_lastReply.code >= 400 && (e.kind() == NetErrorKind::Socket || e.kind() == NetErrorKind::Closed))
            throw ProtocolError(m_lastReply.code, m_lastReply.lines);
        throw;
    } catch (...) {
        endTransfer(data, wmWrite, begun);
        afterFailedTransfer(sent);
        throw;
    }
}

void TFtpClient::ListFolder(bool details) {
    m_entries.reset();
    m_listing.clear();
    std::string text;
    receiveData(
        details ? "LIST" : "NLST", 0, [&text](const char* data, std::size_t size) { text.append(data, size); },
        MaxListingBytes);
    m_listing = std::move(text);
}

void TFtpClient::storeUnder(const std::string& localPath, int fd, std::int64_t size, const std::string& command) {
    if (::lseek(fd, 0, SEEK_SET) != 0)
        throw IoError::of("Cannot read", localPath, errno);
    sendData(command, size, [fd, &localPath](char* buffer, std::size_t capacity) {
        for (;;) {
            const ssize_t got = ::read(fd, buffer, capacity);
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno != EINTR)
                throw IoError::of("Cannot read", localPath, errno);
        }
    });
}

void TFtpClient::storeSafely(const std::string& localPath, int fd, std::int64_t size, const std::string& remoteName) {
    const std::string temporary = remoteName + ".part";
    const auto removeTemporary = [this, &temporary] {
        if (!m_control.isOpen() || m_cancel->closing())
            return;
        ClosingOnly scope(m_control);
        try {
            SendCmd("DELE " + temporary);
        } catch (const Error&) {
        }
    };
    try {
        storeUnder(localPath, fd, size, "STOR " + temporary);
        // The server's own count of what arrived, where it gives one.
        const std::int64_t stored = m_transferType == ftBinary ? RemoteFileSize(temporary) : -1;
        if (stored >= 0 && stored != size)
            throw Error(ErrorKind::Incomplete,
                        "The server received " + std::to_string(stored) + " of the " + std::to_string(size) +
                            " bytes of '" + remoteName + "'.",
                        remoteName);
    } catch (...) {
        removeTemporary();
        throw;
    }
    const Reply from = SendCmd("RNFR " + temporary);
    if (from.code == 500 || from.code == 502 || from.code == 504) {
        // A server without renaming gets the file under its real name after all.
        storeUnder(localPath, fd, size, "STOR " + remoteName);
        removeTemporary();
        return;
    }
    if (from.code != 350) {
        removeTemporary();
        throw ProtocolError(from.code, from.lines);
    }
    const Reply to = SendCmd("RNTO " + remoteName);
    if (to.code == 250)
        return;
    // Some servers do not rename over an existing file; the complete upload stays under its
    // temporary name when even that fails.
    if (SendCmd("DELE " + remoteName).code == 250 && SendCmd("RNFR " + temporary).code == 350 &&
        SendCmd("RNTO " + remoteName).code == 250)
        return;
    throw Error(ErrorKind::Protocol,
                "The upload is complete under the name '" + temporary + "', but the server did not rename it:\r\n" +
                    m_lastReply.text(),
                remoteName);
}

void TFtpClient::UploadFile(const std::string& localPath, const std::string& remoteName, bool append) {
    requireConnected();
    UniqueFd fd(::open(localPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0)
        throw IoError::of("Cannot open", localPath, errno);
    if (!S_ISREG(st.st_mode))
        throw IoError("'" + localPath + "' is not a file.");
    const std::int64_t size = st.st_size;
    if (remoteName.empty())
        storeUnder(localPath, fd.get(), size, "STOU");
    else if (append)
        storeUnder(localPath, fd.get(), size, "APPE " + remoteName);
    else if (UploadViaTemporaryName)
        storeSafely(localPath, fd.get(), size, remoteName);
    else
        storeUnder(localPath, fd.get(), size, "STOR " + remoteName);
}

void TFtpClient::DownloadFile(const std::string& remoteName, const std::string& localPath, bool canOverwrite,
                              bool resume) {
    requireConnected();
    struct stat st {};
    const bool exists = ::lstat(localPath.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        throw IoError("'" + localPath + "' is a folder.");
    const bool continuing = exists && resume && S_ISREG(st.st_mode) && supportsResume();
    if (exists && !continuing && !canOverwrite)
        throw Error(ErrorKind::Refused, "Destination file already exists.", localPath);
    const std::int64_t expected = m_transferType == ftBinary ? RemoteFileSize(remoteName) : -1;
    std::int64_t received = 0;
    const auto writeTo = [&received](int fd, const std::string& path) {
        return [fd, &path, &received](const char* data, std::size_t size) {
            writeAll(fd, data, size, path);
            received += static_cast<std::int64_t>(size);
        };
    };
    const auto checkSize = [&](std::int64_t total) {
        if (expected >= 0 && total != expected)
            throw Error(ErrorKind::Incomplete,
                        "The download of '" + remoteName + "' is incomplete: " + std::to_string(total) + " of " +
                            std::to_string(expected) + " bytes arrived.",
                        remoteName);
    };
    if (continuing) {
        UniqueFd fd(::open(localPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        if (!fd)
            throw IoError::of("Cannot open", localPath, errno);
        const std::int64_t offset = st.st_size;
        receiveData("RETR " + remoteName, offset, writeTo(fd.get(), localPath), 0);
        checkSize(offset + received);
        return;
    }
    PendingArchive pending(localPath, PendingArchive::Hidden);
    UniqueFd fd(::open(pending.writePath().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd)
        throw IoError::of("Cannot create", pending.writePath(), errno);
    receiveData("RETR " + remoteName, 0, writeTo(fd.get(), pending.writePath()), 0);
    checkSize(received);
    if (::fsync(fd.get()) != 0 || ::close(fd.release()) != 0)
        throw IoError::of("Cannot write", pending.writePath(), errno);
    pending.complete();
}

} // namespace quorvel
