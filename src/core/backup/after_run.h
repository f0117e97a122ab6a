#pragma once

#include "core/backup/backup_runner.h"
#include "core/backup/operation_log.h"
#include "core/backup/run_progress.h"
#include "core/platform/data_folder.h"
#include "core/project/backup_project.h"
#include "core/util/clock.h"
#include "core/util/user_prompts.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// What the work that follows a backup run is told about the run. The run is over when this is
// made: its archive, log entry, retention ring and number are written, and nothing done from here
// on can change them.
struct AfterRunContext {
    const BackupOutcome& outcome;        // the status, the archive path (once known) and the message shown
    const BackupProject& project;        // the project as the run used it (its name is the log's project)
    const DataFiles& data;               // account.ini and the other files of the data folder
    const Clock& clock;                  // the time of the run's end
    const std::optional<LogRow>& runLog; // the "Backup" entry the run wrote, when it wrote one
    UserPrompts& prompts;                // where the outcome of each action is shown
    RunProgress& progress;               // the progress strip; processMessages() raises EUserCanceled on a cancel
};

// One piece of work after a backup run, logged as an operation of its own. `perform` decides from
// the context whether the run and the project call for it: nothing when they do not (nothing is
// logged or shown); the information of its "Succeeds" entry when it was done. It raises an Error
// whose text is the information of a "Fails" entry, or EUserCanceled ("Interrupt") when the
// progress asked it to stop. Each outcome is also shown as a timed message.
struct AfterRunAction {
    std::string_view operation; // the log's operation: "FTP", "Email"
    std::function<std::optional<std::string>(const AfterRunContext&)> perform;
};

// The actions after every run, in order: the off-site copy, then the failure report.
std::vector<AfterRunAction> afterRunActions();

// Performs the actions in order, logs and shows the outcome of each. Whatever an action does or
// raises stays its own: the next action still runs, and the run's outcome is untouched. A cancel
// also skips the actions after the one it stopped: whoever cancelled wants the work to end.
void runAfterRunActions(const AfterRunContext& run, OperationLog& log,
                        const std::vector<AfterRunAction>& actions = afterRunActions());

} // namespace quorvel
