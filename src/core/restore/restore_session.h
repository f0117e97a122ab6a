#pragma once

#include "core/backup/run_progress.h"
#include "core/restore/archive_entry_listing.h"
#include "core/restore/archive_questions.h"
#include "core/restore/restore_options.h"
#include "core/restore/restore_report.h"
#include "core/util/user_prompts.h"
#include "core/zip/zip_reader.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class OperationLog;
class ProjectStore;

// What a restore talks to: the person (questions and reports), the window (busy state and
// progress), the incomplete-archive question, the operation log, the project file and the
// drives the archives lie on (the real system when null).
struct RestoreServices {
    UserPrompts& prompts;
    RunProgress& progress;
    ArchiveQuestions& questions;
    OperationLog& log;
    ProjectStore& store;
    const DiskInfo* disks = nullptr;
};

// One restore as the Restore page (or the command line) asks for it.
struct RestoreRequest {
    std::string archiveFolder; // the archive folder field
    std::string archiveName;   // the current row of the archive list
    // The selected entries' stored names (or masks); only read by restoreSelected.
    std::vector<std::string> entries;
    // The entries are stored names as listed (the reader's ExactNames): letter case counts and "*"
    // or "?" in a name are part of it. Otherwise they select as the reader's FilesList does.
    bool exactNames = false;
    RestoreOptions options;
    std::string projectName; // the project selector's text
    bool confirm = true;     // ask before restoring (the command line does not)
};

enum class RestoreStatus {
    NothingToRestore, // no archive, no entry selected, or no folder to extract to
    Declined,         // a question was answered No
    Succeeded,        // every requested entry was restored or kept by the overwrite mode
    Failed            // wrong password, entries left out, or the extraction ended with an error
};

struct RestoreOutcome {
    RestoreStatus status = RestoreStatus::NothingToRestore;
    int restored = 0; // files (and folders) the reader wrote
    int kept = 0;     // existing files the overwrite mode kept
    std::vector<EntryFailure> failures;
    int leftOut = 0; // requested files not restored: the failures, and those an error kept from being reached
    bool wrongPassword = false; // the failed-restore mark: the extraction was abandoned
    std::string error;          // the error that ended the extraction, if any
};

// The restore side of the Restore page: one zip reader that lists archives and restores from
// them, kept between operations so that a blank password field reuses the password given
// before. Every outcome is reported to the user, logged as a "Restore" entry and leaves the
// options used in the project's section.
//
// A restore is reported as failed, never as a success, when the password was wrong, when the
// extraction ended with an error, or when any requested entry was not restored: bad CRC, a file
// that could not be created, a name refused as unsafe, an unknown compression method, or a
// requested name that is not in the archive, or a second entry of the same name coming to a file
// this restore already wrote (names restored without their folders). The report says how many
// files were left out and why; the log entry of every failed restore carries its reason. Files
// kept because of the overwrite mode are not failures.
class RestoreSession {
public:
    explicit RestoreSession(RestoreServices services);
    RestoreSession(const RestoreSession&) = delete;
    RestoreSession& operator=(const RestoreSession&) = delete;

    // The rows of the archive `name` (trimmed) in `folder`; none for an empty name. Errors of
    // the reader are raised.
    std::vector<EntryRow> ListArchiveEntries(const std::string& folder, const std::string& name);

    // Restores the whole archive. Without an archive "No Zip file to restore!" is shown; a blank
    // "Extract to:" is refused with NoRestoreFolder rather than extracting into the working folder.
    RestoreOutcome restoreArchive(const RestoreRequest& request);
    // Restores the entries named in the request. Without an archive or entries nothing happens.
    RestoreOutcome restoreSelected(const RestoreRequest& request);

    TZipReader& ZipReader1() { return m_reader; }

private:
    struct Run;

    RestoreOutcome restore(const RestoreRequest& request, bool wholeArchive);
    void attachEvents();
    void configureReader(const RestoreRequest& request, const std::string& archiveName, bool wholeArchive);
    std::string extract(Run& run);
    void report(const RestoreRequest& request, const std::string& archiveName, RestoreOutcome& outcome);
    void writeOptions(const RestoreRequest& request);

    RestoreServices m_services;
    TZipReader m_reader;
    Run* m_run = nullptr; // the restore under way
};

} // namespace quorvel
