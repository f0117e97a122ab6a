#include "gui/app/tray_icon.h"

#include "core/backup/backup_messages.h"
#include "gui/dialogs/msg_form.h"
#include "gui/resources/app_icons.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace quorvel::gui {

namespace {

const QString BaseToolTip = QStringLiteral("Quorvel ZIP Backup. Right-click to backup");
constexpr int NotificationMilliseconds = 15000;

QAction* action(QMenu* menu, const char* name, const QString& text) {
    QAction* item = menu->addAction(text);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

// The indicator with a red disc and a white "!" over its upper left part: still recognisable as
// the program, and with the scheduling state still visible in its lower right corner.
QIcon withFailureBadge(const QIcon& icon) {
    QIcon badged;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = icon.pixmap(size, size);
        if (pixmap.isNull())
            continue;
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal disc = size * 0.62;
        const QRectF badge(0, 0, disc, disc);
        painter.setPen(QPen(Qt::white, std::max(1.0, size / 24.0)));
        painter.setBrush(QColor(0xd3, 0x1f, 0x1f));
        painter.drawEllipse(badge.adjusted(0.5, 0.5, -0.5, -0.5));
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(std::max(7, static_cast<int>(disc * 0.8)));
        painter.setFont(font);
        painter.drawText(badge, Qt::AlignCenter, QStringLiteral("!"));
        painter.end();
        badged.addPixmap(pixmap);
    }
    return badged;
}

QSystemTrayIcon::MessageIcon trayIconOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Error:
        return QSystemTrayIcon::Critical;
    case MessageKind::Warning:
        return QSystemTrayIcon::Warning;
    default:
        return QSystemTrayIcon::Information;
    }
}

} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    TrayIcon1 = new QSystemTrayIcon(this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->setToolTip(BaseToolTip);
    PopupMenu2 = new QMenu;
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    OpenMainWindow1 = action(PopupMenu2, "OpenMainWindow1", tr("Open main window"));
    PopupMenu2->addSeparator()->setObjectName(QStringLiteral("N2"));
    menuEnDis = action(PopupMenu2, "menuEnDis", tr("Disabled all scheduling"));
    menuEnDis->setCheckable(true);
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
    connect(TrayIcon1, &QSystemTrayIcon::messageClicked, this, &TrayIcon::notificationClicked);
    // The file is asked when the submenu opens, so a schedule set by the command line shows too.
    connect(menuBackup, &QMenu::aboutToShow, this, &TrayIcon::refreshMarkers);
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
    refreshMarkers();
}

void TrayIcon::setBackupItemsEnabled(bool enabled) {
    m_itemsEnabled = enabled;
    for (QAction* item : menuBackup->actions())
        item->setEnabled(enabled);
}

QList<QAction*> TrayIcon::backupItems() const {
    return menuBackup->actions();
}

void TrayIcon::setScheduleQuery(std::function<bool(const QString&)> query) {
    m_scheduled = std::move(query);
    refreshMarkers();
}

void TrayIcon::refreshMarkers() {
    const QIcon marker(scheduleMarker());
    for (QAction* item : menuBackup->actions())
        item->setIcon(m_scheduled && m_scheduled(item->text()) ? marker : QIcon());
}

bool TrayIcon::available() const {
    return m_probe ? m_probe() : QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setAvailabilityProbe(std::function<bool()> probe) {
    m_probe = std::move(probe);
}

void TrayIcon::showSchedulingState(bool on) {
    m_schedulingOn = on;
    menuEnDis->setText(on ? tr("Enabled Scheduling") : tr("Disabled Scheduling"));
    menuEnDis->setChecked(on);
    updateIcon();
}

void TrayIcon::setNote(const QString& note) {
    m_note = note;
    TrayIcon1->setToolTip(toolTip());
}

void TrayIcon::showFailure(const QString& headline, MessageKind kind) {
    m_failures << headline;
    updateIcon();
    notify(tr("A backup needs your attention"), headline + QLatin1Char('\n') + tr("The Log page tells more."), kind);
}

void TrayIcon::clearFailures() {
    if (m_failures.isEmpty())
        return;
    m_failures.clear();
    updateIcon();
}

QIcon TrayIcon::currentIcon() const {
    const QIcon indicator = m_schedulingOn ? forautoIcon() : fornormalIcon();
    return m_failures.isEmpty() ? indicator : withFailureBadge(indicator);
}

QString TrayIcon::toolTip() const {
    QString text = BaseToolTip;
    if (!m_failures.isEmpty()) {
        text += QLatin1Char('\n') + tr("Needs attention: ") + m_failures.back();
        if (m_failures.size() > 1)
            text += tr(" (and %n more)", nullptr, static_cast<int>(m_failures.size() - 1));
        text += QLatin1Char('\n') + tr("Open the Log page to see what happened.");
    }
    if (!m_note.isEmpty())
        text += QLatin1Char('\n') + m_note;
    return text;
}

void TrayIcon::notify(const QString& title, const QString& text, MessageKind kind) {
    if (available() && QSystemTrayIcon::supportsMessages() && TrayIcon1->isVisible()) {
        TrayIcon1->showMessage(title, text, trayIconOf(kind), NotificationMilliseconds);
        emit notified(text, true);
        return;
    }
    // Not modal and not waited for: it closes by itself, and nothing stops while it shows.
    TMsgForm* window = CreateTimedMessageForm(title + QLatin1Char('\n') + text, kind, BackupMessageSeconds).release();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    emit notified(text, false);
}

void TrayIcon::updateIcon() {
    TrayIcon1->setIcon(currentIcon());
    TrayIcon1->setToolTip(toolTip());
    emit iconChanged();
}

} // namespace quorvel::gui
