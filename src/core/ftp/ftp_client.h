#pragma once

#include "core/ftp/ftp_list_items.h"
#include "core/net/connection.h"
#include "core/net/net_options.h"
#include "core/net/reply.h"
#include "core/util/clock.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

namespace quorvel {

class CancelToken;
class Listener;
class TlsContext;

enum TFtpTransferType { ftASCII, ftBinary };
// How the control connection is protected: not at all, or upgraded with "AUTH TLS" before the
// login, with the data connections protected too ("PBSZ 0", "PROT P").
enum class FtpTlsMode { None, Explicit };

// An FTP client (RFC 959, with RFC 4217 for TLS and RFC 2428 for IPv6 data connections) on one
// control connection, opening a data connection for each listing, upload and download.
//
// Every operation blocks until it is done, raises an Error on failure (the message is what the
// user reads: the server's reply text for a refused command) and keeps to the time-outs: no wait
// is unlimited. Events are called on the calling thread. AbortTransfer() may be called from any
// other thread: it stops the operation in progress at once, and a stopped transfer ends with an
// orderly ABOR so that the connection stays usable.
class TFtpClient {
public:
    explicit TFtpClient(const Clock& clock = systemClock());
    ~TFtpClient();
    TFtpClient(const TFtpClient&) = delete;
    TFtpClient& operator=(const TFtpClient&) = delete;

    // Properties, set before connecting.
    std::string Host;
    int Port = 21;
    std::string Username;
    std::string Password;
    bool Passive = false;
    int ReadTimeout = 60000;    // ms for each reply, from the command to its last line; 0 = default
    int ConnectTimeout = 60000; // ms for resolving, connecting and the TLS handshakes; 0 = default
    int DataTimeout = 60000;    // ms a data connection may move nothing; 0 = default
    int RecvBufferSize = 65536;
    int SendBufferSize = 65536;
    TMaxLineAction MaxLineAction = maException;
    FtpTlsMode UseTls = FtpTlsMode::None;
    // With TLS: the server certificate's SHA-256 fingerprint (any accepted notation) it must
    // have; empty: it must verify against the system's trust store.
    std::string TlsFingerprint;
    // Uploads under a real name go to "<name>.part" first and are renamed when complete.
    bool UploadViaTemporaryName = true;

    // Events.
    TrafficHook Intercept; // the control connection's bytes; a password is shown as "****"
    std::function<void(const std::string& text)> OnStatus;
    std::function<void(TWorkMode mode, std::int64_t total)> OnWorkBegin;
    std::function<void(TWorkMode mode, std::int64_t count)> OnWork;
    std::function<void(TWorkMode mode)> OnWorkEnd;
    std::function<void()> OnDisconnected;

    TFtpTransferType TransferType() const { return m_transferType; }
    // Sends "TYPE A" or "TYPE I" when connected and the type changes.
    void setTransferType(TFtpTransferType type);

    bool Connected() const { return m_control.isOpen(); }
    const Reply& LastReply() const { return m_lastReply; }
    // The SHA-256 fingerprint of the server's certificate (display form); empty without TLS.
    std::string ServerFingerprint() const { return m_control.peerFingerprint(); }
    // Whether the last data connection resumed the control connection's TLS session.
    bool LastDataSessionReused() const { return m_dataSessionReused; }

    // Stops from another thread; see the class comment. The request holds until the caller
    // clears it with cancelToken().reset() before its next command.
    void AbortTransfer();
    CancelToken& cancelToken() { return *m_cancel; }
    // Shares a caller's token instead of the client's own.
    void setCancelToken(std::shared_ptr<CancelToken> token);

    // "Already connected." when connected. Any failure leaves the client disconnected. With TLS,
    // a server that refuses "AUTH TLS" gets nothing more: no user name, no password.
    void ConnectAndLogin(bool autoLogin = true);
    // "QUIT" without waiting for the answer, then closes.
    void Logout();

    void ChangeFolder(const std::string& path);
    // The folder PWD names (between the first two double quotes); empty when it names none.
    std::string CurrentFolder();
    // LIST (details) or NLST; the text is kept and FolderEntries() parses it on first access.
    void ListFolder(bool details = true);
    const std::string& ListingText() const { return m_listing; }
    const TFtpListItems& FolderEntries();
    void CreateFolder(const std::string& name);
    void RemoveFolder(const std::string& name);
    void RemoveFile(const std::string& name);
    void Rename(const std::string& from, const std::string& to);
    // The size SIZE gives, or -1 when the server gives none.
    std::int64_t RemoteFileSize(const std::string& name);

    // STOU when the remote name is empty, APPE with append, else STOR (through a temporary
    // name when UploadViaTemporaryName). A refused or cut upload raises the server's reply.
    void UploadFile(const std::string& localPath, const std::string& remoteName, bool append = false);
    // RETR into a hidden file beside the local path, which takes the local path only when the
    // transfer ended well and its size is the one the server gave; with resume (when the server
    // supports REST) an existing local file is continued in place.
    void DownloadFile(const std::string& remoteName, const std::string& localPath, bool canOverwrite,
                      bool resume = false);

    // Sends a command and reads its reply, raising ProtocolError unless the code is allowed.
    const Reply& SendCmd(const std::string& command, std::initializer_list<int> allowed = {});

private:
    struct DataChannel;
    using Sink = std::function<void(const char* data, std::size_t size)>;
    using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

    static const Clock& systemClock();
    void status(const std::string& text) const;
    void requireConnected() const;
    Deadline replyLimit() const;
    Deadline connectLimit() const;
    Deadline dataLimit() const;
    const Reply& readReply(std::initializer_list<int> allowed);
    void sendLine(const std::string& line);
    void dropConnection();
    void secureControl();
    void login();
    bool supportsResume();

    // The data transfers (ftp_transfer.cpp).
    DataChannel openPassive();
    DataChannel openActive();
    Connection connectData(DataChannel& channel);
    void secureData(Connection& data);
    void endTransfer(Connection& data, TWorkMode mode, bool& begun);
    void receiveData(const std::string& command, std::int64_t restartAt, const Sink& sink, std::size_t limit);
    void sendData(const std::string& command, std::int64_t total, const Source& source);
    const Reply& readClosingReply();
    void afterFailedTransfer(bool commandAccepted);
    std::vector<Reply> resynchronize(bool sendAbort);
    void storeUnder(const std::string& localPath, int fd, std::int64_t size, const std::string& command);
    void storeSafely(const std::string& localPath, int fd, std::int64_t size, const std::string& remoteName);

    const Clock& m_clock;
    std::shared_ptr<CancelToken> m_cancel;
    std::unique_ptr<TlsContext> m_tls; // outlives the connections that use it
    Connection m_control;
    Reply m_lastReply;
    TFtpTransferType m_transferType = ftBinary;
    std::string m_listing;
    std::optional<TFtpListItems> m_entries;
    std::optional<bool> m_canResume;
    bool m_dataSessionReused = false;
};

} // namespace quorvel
