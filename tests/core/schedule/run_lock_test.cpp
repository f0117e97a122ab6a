// One run of a project at a time, one scheduler per data folder, and locks of dead processes.
#include "core/backup/backup_run_fixture.h"
#include "core/schedule/project_run_lock.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using RunLock = BackupRunFixture;

// A child process that holds the project's lock until it is killed.
pid_t childHoldingLock(const DataFiles& data, const std::string& project) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        const ProjectRunLock lock(data, project);
        const char held = lock.refused() ? 'n' : 'y';
        if (::write(ready[1], &held, 1) != 1)
            ::_exit(1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char held = 0;
    EXPECT_EQ(::read(ready[0], &held, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(held, 'y');
    return pid;
}

} // namespace

TEST_F(RunLock, ASecondRunOfTheProjectIsRefusedAndChangesNothing) {
    const BackupOutcome first = [&] {
        // Another run (another window, the tray, the command line) is under way; the name's case
        // does not matter.
        const ProjectRunLock running(DataFiles{data}, "  DOCS ");
        EXPECT_FALSE(running.refused());
        return run();
    }();
    const std::string message = "A backup of the project 'Docs' is already running (process " +
                                std::to_string(::getpid()) + "); this run was not started.";
    EXPECT_EQ(first.status, BackupStatus::Refused);
    EXPECT_EQ(first.message, message);
    expectOnlyMessage(message, MessageKind::Error);
    EXPECT_TRUE(destNames().empty());
    EXPECT_EQ(log.count(), 0);
    EXPECT_TRUE(progress.events.empty()); // never busy, so the window's controls were not touched

    // Once that run has ended the lock is free, and a run holds it only while it runs.
    EXPECT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_FALSE(ProjectRunLock(DataFiles{data}, "Docs").refused());
    EXPECT_FALSE(ProjectRunLock(DataFiles{data}, "Other").refused());
}

TEST_F(RunLock, TheLockOfAKilledProcessIsTakenOver) {
    const pid_t child = childHoldingLock(DataFiles{data}, "Docs");
    {
        const ProjectRunLock refused(DataFiles{data}, "docs");
        EXPECT_TRUE(refused.refused());
        EXPECT_NE(refused.refusalMessage().find("(process " + std::to_string(child) + ")"), std::string::npos);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(fs::exists(projectLockPath(DataFiles{data}, "Docs"))); // the file stays; the lock went
    EXPECT_EQ(run().status, BackupStatus::Succeeded);
}

TEST_F(RunLock, ASecondSchedulerOnTheDataFolderIsRefused) {
    auto first = std::make_unique<SchedulerLock>(DataFiles{data});
    ASSERT_TRUE(first->owned()) << first->refusalMessage();
    const SchedulerLock second(DataFiles{data});
    EXPECT_FALSE(second.owned());
    EXPECT_EQ(second.refusalMessage(), "A scheduler is already running on the data folder '" + data.string() +
                                           "' (process " + std::to_string(::getpid()) + ").");
    // Another data folder has its own scheduler; a project run does not count as one.
    EXPECT_TRUE(SchedulerLock(DataFiles{dir / "other"}).owned());
    EXPECT_FALSE(ProjectRunLock(DataFiles{data}, "scheduler").refused());
    first.reset();
    EXPECT_TRUE(SchedulerLock(DataFiles{data}).owned());
}
