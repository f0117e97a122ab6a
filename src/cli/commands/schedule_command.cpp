#include "cli/commands/schedule_command.h"

#include "cli/cli_app.h"
#include "cli/commands/console_prompts.h"
#include "cli/commands/stop_signals.h"
#include "core/project/app_settings.h"
#include "core/schedule/project_run_lock.h"
#include "core/schedule/scheduled_backup.h"
#include "core/util/strings.h"

#include <cstdlib>
#include <set>
#include <sstream>

namespace quorvel::cli {

namespace {

constexpr const char* ScheduleOffNote =
    "Scheduling is off (\"Enable schedule\"): no project runs until it is turned on";

// The moment `schedule --list --now` asks about.
class GivenClock final : public Clock {
public:
    explicit GivenClock(DateTime now) : m_now(now) {}
    DateTime now() const override { return m_now; }

private:
    DateTime m_now;
};

int listSchedule(CliContext& context, const Clock& clock) {
    Scheduler scheduler(context.data, clock);
    scheduler.RebuildSchedule();
    for (const tautobackup& entry : scheduler.table())
        context.out << entry.projectName << '\t' << formatDateTime(entry.nextDue) << '\t'
                    << entry.intervalSeconds / SecondsPerMinute << '\n';
    if (!scheduler.scheduleEnabled())
        context.err << ScheduleOffNote << '\n';
    return ExitOk;
}

// The scheduler's loop and what it prints: one line per event, stamped, flushed at once so a
// journal shows it as it happens.
class ForegroundScheduler {
public:
    ForegroundScheduler(CliContext& context, StopSignals& signals)
        : m_context(context), m_signals(signals), m_scheduler(context.data, m_clock) {}

    void tick();

private:
    void runDue(const ScheduledRun& run);
    void say(const std::string& line) { m_context.out << formatDateTime(m_clock.now()) << ' ' << line << std::endl; }

    CliContext& m_context;
    StopSignals& m_signals;
    SystemClock m_clock;
    SystemDiskInfo m_disks;
    Scheduler m_scheduler;
    std::optional<bool> m_enabled;
    std::set<std::string> m_waiting; // projects whose scheduled run waits for another run to end
};

void ForegroundScheduler::tick() {
    if (m_scheduler.rebuildIfChanged()) {
        say(std::to_string(m_scheduler.table().size()) + " scheduled project(s)");
        for (const tautobackup& entry : m_scheduler.table())
            say("  '" + entry.projectName + "' next due " + formatDateTime(entry.nextDue));
    }
    const bool enabled = m_scheduler.scheduleEnabled();
    if (enabled != m_enabled)
        say(enabled ? "Scheduling is on" : ScheduleOffNote);
    m_enabled = enabled;
    if (!enabled)
        return;
    for (const ScheduledRun& run : m_scheduler.dueRuns()) {
        if (m_signals.requested())
            return;
        try {
            runDue(run);
        } catch (const std::exception& error) {
            m_context.err << "'" << run.projectName << "': " << error.what() << std::endl;
        }
    }
}

void ForegroundScheduler::runDue(const ScheduledRun& run) {
    // The run's own messages are held until it ends, so that a run refused at every tick while
    // another run of the project goes on is reported once.
    std::ostringstream out, err;
    ConsolePrompts prompts(out, err);
    StoppableProgress progress([this] { return m_signals.requested(); });
    const IniFile projectIni(m_context.data.projectIni());
    OperationLog log(m_context.data.logFile(), m_clock, loadSettingsAndProjects(projectIni).settings.logCount);
    log.LoadLog();
    const std::string started = formatDateTime(m_clock.now());
    const ScheduledRunReport report =
        runScheduledBackup(UnattendedContext{m_context.data, m_clock, m_disks}, run, prompts, progress, log);
    if (report.refused()) {
        if (m_waiting.insert(run.projectName).second)
            say(report.headline() + " The scheduled run waits until that run has ended.");
        return;
    }
    m_waiting.erase(run.projectName);
    m_context.out << started << " Scheduled backup of '" << run.projectName << "' (due "
                  << formatDateTime(run.occurrence) << ")\n"
                  << out.str() << std::flush;
    m_context.err << err.str() << std::flush;
    say(report.headline());
    // A run stopped by the request to end did not happen: it runs again when the scheduler is back.
    if (!(m_signals.requested() && report.outcome.status == BackupStatus::Interrupted))
        m_scheduler.served(run);
}

int runScheduler(CliContext& context) {
    ensureDataFolder(context.data.folder);
    const SchedulerLock lock(context.data);
    if (!lock.owned()) {
        context.err << lock.refusalMessage() << '\n';
        return ExitFailure;
    }
    StopSignals signals;
    ForegroundScheduler scheduler(context, signals);
    const std::chrono::milliseconds interval = scheduleTickInterval();
    context.out << "Scheduler started on the data folder '" << context.data.folder.string() << "'" << std::endl;
    do {
        scheduler.tick();
    } while (!signals.waitFor(interval));
    context.out << "Scheduler stopped" << std::endl;
    return ExitOk;
}

} // namespace

std::string ScheduleCommand::usage() const {
    return "schedule              run the scheduled backups in the foreground until SIGINT or SIGTERM\n"
           "schedule --list [--now \"yyyy-mm-dd HH:mm:ss\"]\n"
           "                      print each scheduled project: name, next due time, interval in minutes";
}

int ScheduleCommand::run(CliContext& context) {
    const std::vector<std::string>& args = context.args;
    if (args.empty())
        return runScheduler(context);
    std::optional<DateTime> now;
    bool list = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--list") {
            list = true;
        } else if (args[i] == "--now" && i + 1 < args.size() && !now) {
            now = parseDateTime(args[++i]);
            if (!now) {
                context.err << "--now needs a date-time \"yyyy-mm-dd HH:mm:ss\", not '" << args[i] << "'\n";
                return ExitUsage;
            }
        } else {
            list = false;
            break;
        }
    }
    if (!list) {
        context.err << usageText();
        return ExitUsage;
    }
    if (now)
        return listSchedule(context, GivenClock(*now));
    return listSchedule(context, SystemClock());
}

} // namespace quorvel::cli
