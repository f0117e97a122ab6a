#include "gui/app/window_scheduler.h"

#include "core/util/errors.h"
#include "gui/app/background_task.h"
#include "gui/app/form_main.h"
#include "gui/app/tray_icon.h"
#include "gui/widgets/guarded.h"
#include "gui/widgets/qt_text.h"

#include <QApplication>
#include <QTimer>
#include <QToolButton>

namespace quorvel::gui {

WindowScheduler::WindowScheduler(TFormMain& form, QTimer& timer)
    : m_form(form), m_timer(timer), m_scheduler(form.dataFiles(), form.clock()) {
    m_timer.setInterval(scheduleTickInterval());
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { m_form.Timer1Timer(); });
}

void WindowScheduler::RebuildSchedule() {
    m_timer.stop();
    runGuarded(m_form.prompts(), [this] { m_scheduler.RebuildSchedule(); });
    takeLock();
    if (!m_scheduler.table().empty())
        m_timer.start();
}

bool WindowScheduler::schedules() const {
    return m_lock && (m_lock->owned() || !m_lock->heldElsewhere());
}

QString WindowScheduler::otherSchedulerNote() const {
    if (!m_lock || !m_lock->heldElsewhere())
        return {};
    return qs(m_lock->refusalMessage()) + QObject::tr(" It runs the scheduled backups, not this window.");
}

// A lock that another scheduler held is tried again at each tick: that one may have ended.
bool WindowScheduler::takeLock() {
    if (schedules())
        return true;
    const QString before = otherSchedulerNote();
    m_lock.emplace(m_form.dataFiles());
    if (otherSchedulerNote() != before)
        m_form.RefreshSchedulingIndicators();
    return schedules();
}

bool WindowScheduler::mayStart() const {
    return m_form.spEnable->isChecked() && !m_form.isEditing() && !m_form.isBusy() &&
           !m_form.backgroundTask().isRunning() && QApplication::activeModalWidget() == nullptr;
}

void WindowScheduler::tick() {
    if (!m_due.empty() || !takeLock() || !mayStart())
        return;
    // The command line may have changed the projects since the window last rebuilt the table.
    runGuarded(m_form.prompts(), [this] {
        m_scheduler.rebuildIfChanged();
        const std::vector<ScheduledRun> due = m_scheduler.dueRuns();
        m_due.assign(due.begin(), due.end());
    });
    runNext();
}

// Several projects due at one tick run one after the other, each as soon as the one before has
// ended; a project whose run another program (`quorvel-backup-cli run`) has under way stays due
// and is tried again at the next tick.
void WindowScheduler::runNext() {
    while (!m_due.empty()) {
        if (!mayStart()) {
            m_due.clear();
            return;
        }
        const ScheduledRun run = m_due.front();
        m_due.pop_front();
        if (ProjectRunLock(m_form.dataFiles(), run.projectName).refused())
            continue;
        if (m_form.startScheduledBackup(
                run, [this](const ScheduledRunReport& report, bool stopped) { runEnded(report, stopped); }))
            return;
    }
}

void WindowScheduler::runEnded(const ScheduledRunReport& report, bool stopped) {
    // Stopped because the program is closing: the occurrence did not run, and runs when the
    // program (or the background scheduler) is back.
    if (stopped)
        return;
    if (report.projectMissing) {
        RebuildSchedule();
    } else if (!report.refused()) {
        try {
            m_scheduler.served(report.run);
        } catch (const Error& error) {
            // Without the record, the next start of the program would run the occurrence again.
            m_form.TrayIcon1->showFailure(qs(error.what()), MessageKind::Error);
        }
    }
    if (report.mustBeShown())
        showRunFailure(*m_form.TrayIcon1, report);
    // After the run's own ending has been handled everywhere (the window's run-finished signal).
    QTimer::singleShot(0, &m_timer, [this] { runNext(); });
}

void showRunFailure(TrayIcon& tray, const ScheduledRunReport& report) {
    const bool filesLeftOut = report.outcome.status == BackupStatus::Succeeded;
    tray.showFailure(qs(report.headline()), filesLeftOut ? MessageKind::Warning : MessageKind::Error);
}

} // namespace quorvel::gui
