#pragma once

#include "core/backup/backup_runner.h"
#include "core/platform/data_folder.h"
#include "core/platform/file_lock.h"
#include "core/util/user_prompts.h"

#include <string>
#include <string_view>

namespace quorvel {

// One run of a project at a time, whoever starts it (window, tray, scheduler, command line):
// every backup run holds its project's lock file in the data folder's "locks" folder while it
// works. Project names that differ only in letter case share a lock, as they are one project.
class ProjectRunLock {
public:
    ProjectRunLock(const DataFiles& data, std::string_view project);

    // Another run of the project holds the lock. A lock file that cannot be opened at all (a
    // read-only data folder) does not refuse the run: the backup matters more than the guard.
    bool refused() const { return m_lock.busy(); }
    std::string refusalMessage() const;
    // Shows the refusal as an error and gives the outcome of the run that did not start.
    BackupOutcome refuse(UserPrompts& prompts) const;

private:
    std::string m_project;
    FileLock m_lock;
};

// One scheduler per data folder: the desktop program's timer and `quorvel-backup-cli schedule`
// hold it while they schedule.
class SchedulerLock {
public:
    explicit SchedulerLock(const DataFiles& data);

    bool owned() const { return m_lock.owned(); }
    // Another scheduler holds it. When the lock cannot be had for another reason (a read-only
    // data folder), a scheduler may go on without it.
    bool heldElsewhere() const { return m_lock.busy(); }
    // Why it is not owned: another scheduler, or the system's reason.
    std::string refusalMessage() const;

private:
    std::string m_folder;
    FileLock m_lock;
};

// The lock file of a project's runs.
std::filesystem::path projectLockPath(const DataFiles& data, std::string_view project);

} // namespace quorvel
