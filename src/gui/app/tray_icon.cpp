#include "gui/app/tray_icon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace quorvel::gui {

namespace {

QAction* action(QMenu* menu, const char* name, const QString& text) {
    QAction* item = menu->addAction(text);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    TrayIcon1 = new QSystemTrayIcon(this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->setToolTip(tr("Quorvel ZIP Backup. Right-click to backup"));
    PopupMenu2 = new QMenu;
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    OpenMainWindow1 = action(PopupMenu2, "OpenMainWindow1", tr("Open main window"));
    PopupMenu2->addSeparator()->setObjectName(QStringLiteral("N2"));
    menuEnDis = action(PopupMenu2, "menuEnDis", tr("Disabled all scheduling"));
    menuBackup = PopupMenu2->addMenu(tr("Backup Project"));
    menuBackup->setObjectName(QStringLiteral("menuBackup"));
    PopupMenu2->addSeparator()->setObjectName(QStringLiteral("N1"));
    Help3 = action(PopupMenu2, "Help3", tr("Help..."));
    // Shown in the menu's shortcut column; the key itself is the main window's Help item's.
    Help3->setShortcut(QKeySequence(Qt::Key_F1));
    Help3->setShortcutContext(Qt::WidgetShortcut);
    Exit1 = action(PopupMenu2, "Exit1", tr("E&xit"));
    TrayIcon1->setContextMenu(PopupMenu2);

    connect(OpenMainWindow1, &QAction::triggered, this, &TrayIcon::openRequested);
    connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit openRequested();
    });
}

TrayIcon::~TrayIcon() {
    TrayIcon1->setContextMenu(nullptr);
    delete PopupMenu2;
}

void TrayIcon::RebuildBackupMenu(const QStringList& projects) {
    menuBackup->clear();
    for (const QString& name : projects) {
        QAction* item = menuBackup->addAction(name);
        item->setEnabled(m_itemsEnabled);
        connect(item, &QAction::triggered, this, [this, name] { emit backupProjectRequested(name); });
    }
}

void TrayIcon::setBackupItemsEnabled(bool enabled) {
    m_itemsEnabled = enabled;
    for (QAction* item : menuBackup->actions())
        item->setEnabled(enabled);
}

QList<QAction*> TrayIcon::backupItems() const {
    return menuBackup->actions();
}

} // namespace quorvel::gui
