#pragma once

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace quorvel::gui {

// The notification-area icon and its menu.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    QSystemTrayIcon* TrayIcon1;
    QMenu* PopupMenu2;
    QAction* OpenMainWindow1;
    QAction* menuEnDis;
    QMenu* menuBackup;
    QAction* Help3;
    QAction* Exit1;

    // One item per project, in list order, captioned with the project name.
    void RebuildBackupMenu(const QStringList& projects);
    // The busy state: the project items are disabled while a backup, restore or update runs.
    void setBackupItemsEnabled(bool enabled);
    QList<QAction*> backupItems() const;

signals:
    void openRequested();                           // left click or "Open main window"
    void backupProjectRequested(const QString& name); // an item of "Backup Project"

private:
    bool m_itemsEnabled = true;
};

} // namespace quorvel::gui
