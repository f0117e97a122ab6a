#pragma once

#include "core/backup/operation_log.h"
#include "core/backup/run_progress.h"
#include "core/platform/data_folder.h"
#include "core/platform/disk_info.h"
#include "core/project/app_settings.h"
#include "core/project/backup_project.h"
#include "core/util/clock.h"
#include "core/util/user_prompts.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

class TZipWriter;

// What a backup run reads from the Backup page and changes on it: the project as its controls
// show it (the name is the selector's trimmed text) and the file-name field, which the user may
// have typed into. After a run the field holds the recomposed preview, the project the next
// number and the filter date-time the page should show.
struct BackupControls {
    BackupProject project;
    std::string fileNameField;
};

enum class BackupStatus {
    Declined,    // the question before the run was answered No
    Invalid,     // an input check failed; nothing was written
    Interrupted, // the destination folder, an existing archive or a cancelled disk request stopped
                 // the run ("Interrupt" logged)
    Failed,      // an error was shown; a failure while writing is logged as "Fails"
    Incomplete,  // the archive is under its final name but items to back up were missing ("Fails" logged)
    Succeeded,   // the archive is complete under its final name ("Succeeds" logged)
    Refused      // another run of the same project was under way; nothing was done or logged
};

// What a run records once its archive is written, in this order.
enum class RunStep {
    JournalWritten,     // StoreNumber.txt notes the archive about to take its final name
    ArchivePlaced,      // the archive has its final name
    RingRecorded,       // the retention ring names it
    Logged,             // the log entry is written
    OldArchivesRemoved, // the archives that left the ring are deleted
    ProjectAdvanced,    // "Value" and "NewDateTime" are written
    JournalCleared      // the note is gone: the run is complete
};

struct BackupOutcome {
    BackupStatus status = BackupStatus::Declined;
    std::string archivePath; // the archive the run was for, once it was known
    int filesAdded = 0;
    int unreadableFiles = 0;               // files left out of a completed archive because they could not be read
    std::vector<std::string> missingItems; // items to back up that named nothing that exists
    int disks = 1;                         // removable disks a spanned archive took
    std::string message;                   // the last text shown: the error, the warning or the summary
};

// The backup procedure shared by Create Backup, the tray's project items, the scheduler and the
// command line. Everything it has to say goes through the caller's UserPrompts (questions,
// input errors, the timed outcome messages) and RunProgress (busy state, progress strip).
// The scheduler runs it with a copy of the settings whose promptBeforeBackup is off, so the
// program's own setting is never touched.
class BackupRunner {
public:
    using WriterFactory = std::function<std::unique_ptr<TZipWriter>()>;

    // The log is the one the Log page shows (loaded, so that appends continue its numbering).
    BackupRunner(DataFiles data, OperationLog& log, const Clock& clock, const DiskInfo& disks,
                 WriterFactory makeWriter = {});

    // One run of the project in `controls`, followed by the after-run actions (the off-site
    // copy), which never change the outcome. Errors are shown through `prompts` and never thrown.
    BackupOutcome run(BackupControls& controls, const AppSettings& settings, UserPrompts& prompts,
                      RunProgress& progress);

    // Called after each durable step of a run; tests stop the process there.
    void setStepObserver(std::function<void(RunStep)> observer) { m_stepObserver = std::move(observer); }

private:
    DataFiles m_data;
    OperationLog& m_log;
    const Clock& m_clock;
    const DiskInfo& m_disks;
    WriterFactory m_makeWriter;
    std::function<void(RunStep)> m_stepObserver;
};

// The file-name field as the preview shows it for the project's controls now.
std::string previewFileName(const BackupProject& project, const AppSettings& settings, const Clock& clock);

// The answer to the writer's request for the next disk of a spanned archive: OK keeps the name,
// Cancel empties it, which stops the writer.
void askForNextDisk(UserPrompts& prompts, RunProgress& progress, int nextDisk, std::string& fileName);

} // namespace quorvel
