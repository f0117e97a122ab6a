#include "gui/app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <cstdlib>
#include <unistd.h>

namespace quorvel::gui {

namespace {
const QByteArray RaiseMessage = "raise\n";
const QByteArray Answer = "ok\n";
} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent) : QObject(parent), m_name(std::move(serverName)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

QString SingleInstance::serverNameFor(const std::filesystem::path& dataFolder) {
    QByteArray folder = QByteArray::fromStdString(std::filesystem::absolute(dataFolder).lexically_normal().string());
    QString hash = QString::fromLatin1(QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(12));
    QString name = QStringLiteral("quorvel-backup-%1-%2").arg(::getuid()).arg(hash);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/' && QDir(QString::fromLocal8Bit(runtime)).exists())
        return QDir(QString::fromLocal8Bit(runtime)).filePath(name);
    return name;
}

bool SingleInstance::notifyRunning(const QString& serverName, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(RaiseMessage);
    socket.waitForBytesWritten(timeoutMs);
    // Someone listens: whether or not the answer comes in time, another instance runs.
    socket.waitForReadyRead(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::claim() {
    if (notifyRunning(m_name))
        return false;
    if (m_server.listen(m_name))
        return true;
    // Either a socket left behind by a program that crashed, or a start racing this one.
    if (notifyRunning(m_name))
        return false;
    QLocalServer::removeServer(m_name);
    // If listening still fails the program runs anyway: a missing guard is better than no program.
    m_server.listen(m_name);
    return true;
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->readAll().contains("raise"))
                return;
            socket->write(Answer);
            socket->flush();
            emit raiseRequested();
        });
    }
}

} // namespace quorvel::gui
