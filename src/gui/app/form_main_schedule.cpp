#include "gui/app/form_main.h"

#include "core/project/backup_project.h"
#include "core/project/project_store.h"
#include "core/schedule/scheduled_backup.h"
#include "gui/app/tray_icon.h"
#include "gui/app/window_scheduler.h"
#include "gui/resources/app_icons.h"
#include "gui/widgets/qt_text.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWindowStateChangeEvent>

namespace quorvel::gui {

namespace {
constexpr int TrayWatchMilliseconds = 5000;
}

void TFormMain::connectTray() {
    connect(TrayIcon1, &TrayIcon::backupProjectRequested, this, &TFormMain::menuBackupItemClick);
    connect(TrayIcon1, &TrayIcon::notificationClicked, this, [this] {
        restoreProgram();
        PageControl1->setCurrentWidget(TabLog);
    });
    connect(TrayIcon1, &TrayIcon::iconChanged, this, [this] {
        const QIcon icon = TrayIcon1->currentIcon();
        setWindowIcon(icon);
        QApplication::setWindowIcon(icon);
    });
    // A failure is shown until the user has looked at the log.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (PageControl1->currentWidget() == TabLog)
            TrayIcon1->clearFailures();
    });
    TrayIcon1->setScheduleQuery([this](const QString& name) { return projectHasSchedule(name); });
    connect(this, &TFormMain::projectSaved, this, &TFormMain::RebuildSchedule);
    connect(this, &TFormMain::projectListChanged, this, &TFormMain::RebuildSchedule);
    m_trayWatch = new QTimer(this);
    m_trayWatch->setInterval(TrayWatchMilliseconds);
    connect(m_trayWatch, &QTimer::timeout, this, &TFormMain::checkTrayStillThere);
    connect(this, &TFormMain::busyChanged, this, [this](bool busy) {
        if (!busy && m_switchUnwritten)
            writeSchedulingSwitch();
    });
    // The program lives as long as its main window: hidden in the tray, it must not end when a
    // message window that closed by itself was the last one shown. Closing the main window ends it.
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

bool TFormMain::projectHasSchedule(const QString& name) const {
    try {
        return m_store->storedScheduleMode(ss(name)) != static_cast<int>(ScheduleMode::None);
    } catch (const std::exception&) {
        return false; // drawing must not fail because the file cannot be read
    }
}

void TFormMain::RebuildSchedule() {
    m_scheduler->RebuildSchedule();
    TrayIcon1->refreshMarkers();
}

void TFormMain::Timer1Timer() {
    m_scheduler->tick();
}

void TFormMain::spEnableClick() {
    guarded([this] {
        if (!spEnable->isChecked() &&
            !m_prompts.askYesNo("Do you want to disable all scheduling?", MessageKind::Warning))
            spEnable->setChecked(true);
        const bool changed = m_settings.enableSchedule != spEnable->isChecked();
        m_settings.enableSchedule = spEnable->isChecked();
        RefreshSchedulingIndicators();
        if (changed)
            writeSchedulingSwitch();
    });
}

void TFormMain::menuEnDisClick() {
    spEnable->setChecked(!spEnable->isChecked());
    spEnableClick();
}

// A background scheduler on the same data folder follows the switch in project.ini, so it is
// written at once rather than at close. Not while a run writes project.ini from the worker (it
// is written when the run ends), and not while there is no project: closing then leaves the file
// as it was.
void TFormMain::writeSchedulingSwitch() {
    m_switchUnwritten = isBusy();
    if (m_switchUnwritten || projectNames().isEmpty())
        return;
    guarded([this] { writeScheduleEnabled(m_data, m_settings.enableSchedule); });
}

void TFormMain::RefreshSchedulingIndicators() {
    const bool on = spEnable->isChecked();
    const QString note = m_scheduler->otherSchedulerNote();
    const QString state = on ? tr("Enabled Scheduling") : tr("Disabled Scheduling");
    spEnable->setToolTip(note.isEmpty() ? state : state + QLatin1Char('\n') + note);
    spEnable->setIcon(on ? forautoIcon() : fornormalIcon());
    TrayIcon1->setNote(note);
    TrayIcon1->showSchedulingState(on); // the tray's icon, and the window's through iconChanged
}

void TFormMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (isMinimized() && !(change->oldState() & Qt::WindowMinimized))
        ApplicationEvents1Minimize();
}

// After a minimised start the program sits minimised on the task bar; from then on minimising
// hides it in the tray. Where the desktop has no tray, the task bar stays the way back.
void TFormMain::ApplicationEvents1Minimize() {
    if (m_startMinimised) {
        m_startMinimised = false;
        return;
    }
    if (!isVisible() || !TrayIcon1->available())
        return;
    // Once the state change has been handled, not in the middle of it.
    QTimer::singleShot(0, this, [this] {
        if (!isMinimized())
            return;
        hide();
        m_trayWatch->start();
    });
}

void TFormMain::checkTrayStillThere() {
    if (isVisible()) {
        m_trayWatch->stop();
        return;
    }
    if (TrayIcon1->available())
        return;
    m_trayWatch->stop();
    showMinimized();
}

void TFormMain::menuBackupItemClick(const QString& name) {
    if (isBusy() || !selectProject(name))
        return;
    startBackup(m_settings, [this, name](const BackupOutcome& outcome) {
        if (outcome.status == BackupStatus::Declined)
            return; // the person answered No: their choice, not a failure
        ScheduledRunReport report;
        report.run = ScheduledRun{ss(name), m_clock.now()};
        report.outcome = outcome;
        if (report.mustBeShown())
            showRunFailure(*TrayIcon1, report);
    });
}

} // namespace quorvel::gui
