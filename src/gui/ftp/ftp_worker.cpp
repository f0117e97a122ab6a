#include "gui/ftp/ftp_worker.h"

#include "core/ftp/ftp_client.h"
#include "core/net/cancel_token.h"

#include <QElapsedTimer>
#include <QMetaObject>

namespace quorvel::gui {

namespace {

// Progress is passed on this often at most: enough for a smooth bar, few enough events.
constexpr qint64 ProgressIntervalMs = 100;

} // namespace

FtpWorker::FtpWorker(QObject* parent)
    : QObject(parent), m_cancel(std::make_shared<CancelToken>()), m_client(std::make_unique<TFtpClient>()) {
    m_client->setCancelToken(m_cancel);
    attachEvents();
    m_onThread = new QObject;
    m_onThread->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_onThread, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("ftp"));
    m_thread.start();
}

FtpWorker::~FtpWorker() {
    m_cancel->close();
    m_thread.quit();
    m_thread.wait();
}

void FtpWorker::attachEvents() {
    TFtpClient& client = *m_client;
    client.OnStatus = [this](const std::string& text) { emit status(QString::fromStdString(text)); };
    client.Intercept = [this](Traffic direction, std::string_view block) {
        emit traffic(direction == Traffic::Sent, QByteArray(block.data(), static_cast<qsizetype>(block.size())));
    };
    client.OnDisconnected = [this] { emit disconnected(); };
    auto clock = std::make_shared<QElapsedTimer>();
    client.OnWorkBegin = [this, clock](TWorkMode mode, std::int64_t total) {
        clock->start();
        emit workBegin(mode, total);
    };
    client.OnWork = [this, clock](TWorkMode mode, std::int64_t count) {
        if (clock->elapsed() < ProgressIntervalMs)
            return;
        clock->restart();
        emit work(mode, count);
    };
    client.OnWorkEnd = [this](TWorkMode mode) { emit workEnd(mode); };
}

void FtpWorker::run(Job job, Done done) {
    if (m_pending == 0)
        m_cancel->reset();
    ++m_pending;
    QMetaObject::invokeMethod(
        m_onThread,
        [this, job = std::move(job), done = std::move(done)] {
            FtpJobOutcome outcome;
            try {
                job(*m_client);
            } catch (const CertificateError& e) {
                outcome.ok = false;
                outcome.error = QString::fromStdString(e.what());
                outcome.fingerprint = QString::fromStdString(e.fingerprint());
            } catch (const NetError& e) {
                outcome.ok = false;
                outcome.error = QString::fromStdString(e.what());
                outcome.cancelled = e.kind() == NetErrorKind::Cancelled;
            } catch (const std::exception& e) {
                outcome.ok = false;
                outcome.error = QString::fromStdString(e.what());
            }
            outcome.cancelled = outcome.cancelled || (!outcome.ok && m_cancel->cancelled());
            outcome.connected = m_client->Connected();
            QMetaObject::invokeMethod(
                this,
                [this, outcome, done] {
                    --m_pending;
                    if (done)
                        done(outcome);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void FtpWorker::abortTransfer() {
    m_cancel->cancel();
}

} // namespace quorvel::gui
