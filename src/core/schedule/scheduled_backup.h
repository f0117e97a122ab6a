#pragma once

#include "core/schedule/scheduler.h"
#include "core/schedule/unattended_backup.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

inline constexpr std::string_view SchedulerStoppedMessage = "Backup stopped: the scheduler was asked to end";

// What one scheduled run did, and whether the user must be told: a run that failed, was
// interrupted or left files out is shown (the desktop's notification and the tray's failure
// state), a run that succeeded with every file is not.
struct ScheduledRunReport {
    ScheduledRun run;
    BackupOutcome outcome;
    bool projectMissing = false; // the project left the list before its run; nothing was done
    // The questions the run asked, each with the safe answer it took.
    std::vector<std::pair<std::string, std::string>> unanswered;

    // Another run of the project held its lock: nothing was done, and the occurrence stays due.
    bool refused() const { return outcome.status == BackupStatus::Refused; }
    bool mustBeShown() const;
    // "Succeeds", "Fails" or "Interrupt" as the log says; "Busy" for a refused run, "Skipped"
    // for a project that no longer exists.
    std::string statusText() const;
    // One line: the project, the status and what happened ("'Docs': Fails: <reason>").
    std::string headline() const;
};

// Runs a due occurrence as the scheduler does: the project as project.ini holds it now, without
// the question before the run, every other question answered with its safe answer. A run that
// failed without a log entry of its own (an input check), or that had to answer a question, gets
// a log entry saying so, so that no scheduled run fails unseen on the Log page.
ScheduledRunReport runScheduledBackup(const UnattendedContext& context, const ScheduledRun& run, UserPrompts& reporter,
                                      RunProgress& progress, OperationLog& log);

// A run's progress for a caller that may have to stop it: once `stopRequested` says so, the
// writer is stopped at its next block or file (the run is interrupted, logged "Interrupt", and
// leaves no archive behind).
class StoppableProgress : public RunProgress {
public:
    explicit StoppableProgress(std::function<bool()> stopRequested) : m_stopRequested(std::move(stopRequested)) {}
    void processMessages() override;

private:
    std::function<bool()> m_stopRequested;
};

} // namespace quorvel
