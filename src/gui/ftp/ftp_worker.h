#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>
#include <functional>
#include <memory>

// Core headers stay out of here: the meta-object compiler cannot read headers that reach <compare>.
namespace quorvel {
class CancelToken;
class TFtpClient;
} // namespace quorvel

namespace quorvel::gui {

// How a job on the FTP thread ended.
struct FtpJobOutcome {
    bool ok = true;
    QString error;          // the message to show
    bool cancelled = false; // stopped by abortTransfer() or closeConnection()
    QString fingerprint;    // of a server certificate that was refused
    bool connected = false; // the client's state after the job
};

// The FTP client of a window, on a thread of its own so that the window stays responsive while
// it waits on the network. Jobs run one after another on that thread; the client's events come
// back as signals (queued to the window's thread), progress at most every tenth of a second.
class FtpWorker final : public QObject {
    Q_OBJECT
public:
    using Job = std::function<void(TFtpClient& client)>;
    using Done = std::function<void(const FtpJobOutcome& outcome)>;

    explicit FtpWorker(QObject* parent = nullptr);
    // Drops the connection at once (no QUIT) and waits for the thread.
    ~FtpWorker() override;

    // Runs `job` on the FTP thread; `done` is called on this object's thread when it has ended.
    // A job given while none runs starts with any earlier stop request cleared.
    void run(Job job, Done done = {});
    bool busy() const { return m_pending > 0; }

    // Stops the job in progress; a transfer ends with an orderly ABOR (any thread).
    void abortTransfer();

signals:
    void status(const QString& text);
    void traffic(bool sent, const QByteArray& block);
    void workBegin(int mode, qint64 total);
    void work(int mode, qint64 count);
    void workEnd(int mode);
    void disconnected();
    // A job's word for the status bar (e.g. "Upload... ").
    void note(const QString& text);
    // The size of the file a job is about to download (-1 when the server does not say).
    void expectedSize(qint64 size);

private:
    void attachEvents();

    QThread m_thread;
    QObject* m_onThread = nullptr; // the context the jobs run in, owned by the thread
    std::shared_ptr<CancelToken> m_cancel;
    std::unique_ptr<TFtpClient> m_client; // touched only by jobs, on the FTP thread
    int m_pending = 0;
};

} // namespace quorvel::gui
