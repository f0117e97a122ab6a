// `schedule --list` in-process, and `schedule` as the real program on a short tick.
#include "cli_child.h"
#include "run_project_fixture.h"

#include "cli/commands/stop_signals.h"
#include "core/backup/operation_log.h"
#include "core/schedule/project_run_lock.h"

#include <pthread.h>
#include <thread>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const std::string Listed = "Broken\t2026-03-14 11:00:00\t60\n"
                           "Docs\t2026-03-14 08:00:00\t1440\n"
                           "Every\t2026-03-14 11:30:00\t90\n"
                           "Weekly\t2026-03-16 12:00:00\t10080\n";

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

class ScheduleCommand : public RunProjectFixture {
protected:
    Child scheduler() {
        return Child({"--data-dir", (dir / "data").string(), "schedule"}, dir.path(), RLIM_INFINITY,
                     {{"QUORVEL_SCHEDULE_TICK_MS", "200"}});
    }
    std::size_t archives() const {
        return fs::exists(dest) ? static_cast<std::size_t>(std::distance(fs::directory_iterator(dest), {})) : 0;
    }
};

// The run at midnight would belong to the next day: start well clear of it.
void stayClearOfMidnight() {
    const DateTime now = currentDateTime();
    if (now.hour == 23 && now.minute >= 58)
        std::this_thread::sleep_for(std::chrono::seconds((60 - now.minute) * 60 - now.second + 2));
}

} // namespace

TEST_F(ScheduleCommand, ListPrintsTheTableAsTheSchedulerWouldComputeItThen) {
    writeProject("Weekly", {{"BackupMode", "2"}, {"StartTime_or_Increase", "Monday"}});
    writeProject("Docs", {{"BackupMode", "0"}, {"StartTime_or_Increase", "08:00:00"}});
    writeProject("Every", {{"BackupMode", "1"}, {"StartTime_or_Increase", "90"}});
    writeProject("Plain", {{"BackupMode", "3"}, {"StartTime_or_Increase", "08:00:00"}});
    writeProject("Broken", {{"BackupMode", "1"}, {"StartTime_or_Increase", "abc"}});
    CliRun listed = cli({"schedule", "--list", "--now", "2026-03-14 10:00:00"});
    EXPECT_EQ(listed.code, cli::ExitOk) << listed.err;
    EXPECT_EQ(listed.out, Listed);
    EXPECT_EQ(listed.err, "");

    // This morning's occurrence already ran; scheduling off is said on the error stream.
    IniFile(dir / "data/schedule.ini").writeString("docs", "Last Served", "2026-03-14 08:00:00");
    writeCommon("Enable schedule", "0");
    listed = cli({"schedule", "--now", "2026-03-14 10:00:00", "--list"});
    EXPECT_EQ(listed.code, cli::ExitOk);
    EXPECT_NE(listed.out.find("Docs\t2026-03-15 08:00:00\t1440\n"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.err, "Scheduling is off (\"Enable schedule\"): no project runs until it is turned on\n");

    for (const auto& args : std::vector<std::vector<std::string>>{{"schedule", "--now", "2026-03-14 10:00:00"},
                                                                  {"schedule", "--list", "--now", "soon"},
                                                                  {"schedule", "--list", "--now"},
                                                                  {"schedule", "now"}})
        EXPECT_EQ(cli(args).code, cli::ExitUsage) << args.back();
}

// The occurrence that ran moves with a renamed project, so the rename does not run it again; a
// deleted project's record goes with it, so a new project of that name is due like any new one.
TEST_F(ScheduleCommand, RenameKeepsTheLastRunAndDeleteForgetsIt) {
    writeProject("Docs", {{"Filename prefix", "Docs"}, {"BackupMode", "0"}, {"StartTime_or_Increase", "08:00:00"}});
    IniFile(dir / "data/schedule.ini").writeString("Docs", "Last Served", "2026-03-14 08:00:00");
    ASSERT_EQ(cli({"project", "rename", "Docs", "Papers"}).code, cli::ExitOk);
    CliRun listed = cli({"schedule", "--list", "--now", "2026-03-14 10:00:00"});
    EXPECT_EQ(listed.out, "Papers\t2026-03-15 08:00:00\t1440\n");
    ASSERT_EQ(cli({"project", "delete", "papers"}).code, cli::ExitOk);
    EXPECT_EQ(readFile(dir / "data/schedule.ini"), "");
}

TEST_F(ScheduleCommand, RunAndScheduleAreRefusedWhileTheLockIsHeld) {
    writeProject("Docs", {{"Filename prefix", "Docs"}});
    {
        const ProjectRunLock running(DataFiles{dir / "data"}, "Docs");
        const CliRun refused = cli({"run", "docs"});
        EXPECT_EQ(refused.code, cli::ExitFailure);
        EXPECT_NE(refused.err.find("A backup of the project 'Docs' is already running"), std::string::npos)
            << refused.err;
        EXPECT_EQ(archives(), 0u);
    }
    EXPECT_EQ(cli({"run", "docs"}).code, cli::ExitOk);

    const SchedulerLock scheduling(DataFiles{dir / "data"});
    const CliRun second = cli({"schedule"});
    EXPECT_EQ(second.code, cli::ExitFailure);
    EXPECT_NE(second.err.find("A scheduler is already running on the data folder"), std::string::npos) << second.err;
}

TEST_F(ScheduleCommand, APassedDailyProjectRunsOnceAndARestartDoesNotRunItAgain) {
    stayClearOfMidnight();
    writeProject("Docs", {{"Filename prefix", "Docs"}, {"BackupMode", "0"}, {"StartTime_or_Increase", "00:00:00"}});
    const std::string tomorrow = formatDate(addDays(currentDateTime(), 1)) + " 00:00:00";
    {
        Child first = scheduler();
        ASSERT_TRUE(first.waitForOutput("'Docs': Succeeds", std::chrono::seconds(120))) << first.seen();
        std::this_thread::sleep_for(std::chrono::seconds(1)); // several more ticks
        first.signal(SIGTERM);
        EXPECT_EQ(first.wait(), 0);
        const std::string output = first.output();
        EXPECT_EQ(count(output, "Scheduled backup of 'Docs'"), 1u) << output;
        EXPECT_TRUE(output.ends_with("Scheduler stopped\n")) << output;
    }
    EXPECT_EQ(archives(), 1u);

    Child restarted = scheduler();
    ASSERT_TRUE(restarted.waitForOutput("'Docs' next due " + tomorrow, std::chrono::seconds(60))) << restarted.seen();
    // A second scheduler on the same data folder is refused while this one runs.
    const CliRun second = cli({"schedule"});
    EXPECT_EQ(second.code, cli::ExitFailure);
    EXPECT_NE(second.err.find("A scheduler is already running"), std::string::npos) << second.err;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    restarted.signal(SIGINT);
    EXPECT_EQ(restarted.wait(), 0);
    EXPECT_EQ(count(restarted.output(), "Scheduled backup"), 0u) << restarted.seen();
    EXPECT_EQ(archives(), 1u);
    OperationLog log(dir / "data/log.txt", SystemClock());
    log.LoadLog();
    EXPECT_EQ(log.count(), 1);
}

// The scheduler's stop: a signal only asks, so that a backup under way can end cleanly.
TEST(StopSignals, ASignalIsARequestAndNeverEndsTheProcess) {
    {
        cli::StopSignals signals;
        EXPECT_FALSE(signals.requested());
        EXPECT_FALSE(signals.waitFor(std::chrono::milliseconds(10)));
        ::raise(SIGTERM);
        EXPECT_TRUE(signals.requested()); // seen between blocks of a backup, without waiting
        EXPECT_TRUE(signals.waitFor(std::chrono::milliseconds(0)));
    }
    sigset_t blocked;
    pthread_sigmask(SIG_SETMASK, nullptr, &blocked);
    EXPECT_EQ(sigismember(&blocked, SIGTERM), 0); // as before, and the pending signal was taken
}
