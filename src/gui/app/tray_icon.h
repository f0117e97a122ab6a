#pragma once

#include "core/util/user_prompts.h"

#include <QIcon>
#include <QObject>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace quorvel::gui {

// The notification-area icon and its menu, and what the program shows through them: the
// scheduling switch, the marker of scheduled projects, a note when another scheduler works on
// the data folder, and the failure state of an unattended run, which lasts until the user has
// looked at the Log page. Everything it shows is kept here as well, so that it holds and can be
// checked where the desktop has no tray.
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
    // Asked for each project item whenever the list is rebuilt or the submenu opens: does the
    // project carry a schedule? Those items show the marker.
    void setScheduleQuery(std::function<bool(const QString& project)> query);
    void refreshMarkers();

    // Whether the desktop shows a tray now. Without one, minimising must not hide the window and
    // notifications come as self-closing message windows.
    bool available() const;
    // Replaces the question to the desktop (tests, and a tray that is known to be there).
    void setAvailabilityProbe(std::function<bool()> probe);

    // The scheduling indicators: "forauto" or "fornormal", and the caption and check mark of
    // menuEnDis.
    void showSchedulingState(bool on);
    // A line under the tooltip, for instance that another scheduler runs the scheduled backups;
    // empty for none.
    void setNote(const QString& note);

    // The failure state: the icon carries a red badge and the tooltip names what failed, until
    // clearFailures(). Shown also through a desktop notification.
    void showFailure(const QString& headline, MessageKind kind);
    void clearFailures();
    bool failureShown() const { return !m_failures.isEmpty(); }
    const QStringList& failures() const { return m_failures; }

    // The icon the program shows now: the scheduling indicator, with the badge while a failure is
    // shown. The main window takes it as its own.
    QIcon currentIcon() const;
    QString toolTip() const;

    // A desktop notification: the tray's message where there is a tray, otherwise a message
    // window that closes by itself.
    void notify(const QString& title, const QString& text, MessageKind kind);

signals:
    void openRequested();                             // left click or "Open main window"
    void backupProjectRequested(const QString& name); // an item of "Backup Project"
    void notificationClicked();
    // The icon changed (scheduling switched, a failure shown or cleared).
    void iconChanged();
    // A notification went out: through the tray, or as a message window.
    void notified(const QString& text, bool throughTray);

private:
    void updateIcon();

    bool m_itemsEnabled = true;
    bool m_schedulingOn = true;
    QString m_note;
    QStringList m_failures;
    std::function<bool(const QString&)> m_scheduled;
    std::function<bool()> m_probe;
};

} // namespace quorvel::gui
