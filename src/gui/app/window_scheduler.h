#pragma once

#include "core/schedule/project_run_lock.h"
#include "core/schedule/scheduled_backup.h"
#include "core/schedule/scheduler.h"

#include <QString>
#include <deque>
#include <optional>

class QTimer;

namespace quorvel::gui {

class TFormMain;
class TrayIcon;

// The main window's scheduler: the schedule table of the data folder, ticked by the window's
// 30-second timer `Timer1`, whose due projects run one after the other through the window's
// worker. A tick starts nothing while scheduling is switched off, a project is being edited,
// a backup, restore or archive change runs, or a dialog of the program is open (a run would
// change the project list or project.ini under it).
//
// Only one scheduler works on a data folder: the window schedules while it holds the scheduler
// lock. When `quorvel-backup-cli schedule` (the background service) holds it, that one runs the
// scheduled backups and the window says so; the window takes over at a tick after it has ended.
class WindowScheduler {
public:
    WindowScheduler(TFormMain& form, QTimer& timer);
    WindowScheduler(const WindowScheduler&) = delete;
    WindowScheduler& operator=(const WindowScheduler&) = delete;

    // Builds the table from project.ini; the timer runs only while it holds a project.
    void RebuildSchedule();
    // One tick of the timer.
    void tick();

    const Scheduler& scheduler() const { return m_scheduler; }
    // Whether this window runs the scheduled backups of its data folder.
    bool schedules() const;
    // What the window tells when another scheduler runs them; empty otherwise.
    QString otherSchedulerNote() const;

private:
    bool takeLock();
    bool mayStart() const;
    void runNext();
    void runEnded(const ScheduledRunReport& report, bool stopped);

    TFormMain& m_form;
    QTimer& m_timer;
    Scheduler m_scheduler;
    std::optional<SchedulerLock> m_lock;
    std::deque<ScheduledRun> m_due; // found due at the last tick, not yet started
};

// A run that nobody watched, or one started from the tray, failed, was interrupted or left files
// out: the tray shows it until the Log page is opened, and a notification says it.
void showRunFailure(TrayIcon& tray, const ScheduledRunReport& report);

} // namespace quorvel::gui
