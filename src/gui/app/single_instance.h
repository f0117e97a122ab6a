#pragma once

#include <QLocalServer>
#include <QObject>
#include <filesystem>

namespace quorvel::gui {

// One running program per user and data folder. The first start listens on a local socket;
// a later start tells it to come forward and ends, before it opens any data file.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);

    // The socket name for a data folder: private to the user (in $XDG_RUNTIME_DIR when set).
    static QString serverNameFor(const std::filesystem::path& dataFolder);

    // Asks a running instance to raise its window; true when one answered.
    static bool notifyRunning(const QString& serverName, int timeoutMs = 2000);

    // True when this process is the first: it then listens for later starts. False when
    // another instance runs and has been asked to come forward.
    bool claim();

    const QString& serverName() const { return m_name; }

signals:
    void raiseRequested();

private:
    void acceptConnection();

    QString m_name;
    QLocalServer m_server;
};

} // namespace quorvel::gui
