#include "core/restore/restore_session.h"

#include "core/backup/backup_runner.h"
#include "core/backup/operation_log.h"
#include "core/project/project_store.h"
#include "core/restore/archive_folder_listing.h"
#include "core/util/strings.h"
#include "core/zip/name_selection.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

namespace quorvel {

namespace {

// Thrown by the bad-password handler to end the extraction without a further message.
struct AbortRestore {};

RestoreOutcome declined() {
    RestoreOutcome outcome;
    outcome.status = RestoreStatus::Declined;
    return outcome;
}

std::string fileNamePart(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

} // namespace

struct RestoreSession::Run {
    std::vector<std::string> requested;    // the names asked for; empty for the whole archive
    bool exactNames = false;               // each requested name selects the entry stored under it alone
    std::unordered_set<std::string> exact; // the requested names, when they are exact
    RestoreTally tally;
    int selected = 0; // entries the reader set out to restore
    int count = 0;
    bool badPassword = false; // the failed-restore mark
};

RestoreSession::RestoreSession(RestoreServices services) : m_services(services) {
    m_reader.SortMode = ByName;
    m_reader.prompts = &m_services.prompts;
    m_reader.diskInfo = m_services.disks;
    attachEvents();
}

void RestoreSession::attachEvents() {
    RunProgress& progress = m_services.progress;
    m_reader.processMessages = [&progress] { progress.processMessages(); };
    m_reader.OnInCompleteZip = [this](TIncompleteZipMode& mode) { mode = m_services.questions.askIncompleteZip(); };
    // The disks of a spanned archive are asked for as the backup run asks for them while writing.
    m_reader.OnGetNextDisk = [this](int number, std::string& fileName) {
        askForNextDisk(m_services.prompts, m_services.progress, number, fileName);
    };
    m_reader.OnStartUnZipInfo = [this](int count, std::uint64_t, bool&) {
        if (m_run)
            m_run->selected = count;
        noteUnmatchedNames();
    };
    m_reader.OnStartUnZip = [this, &progress](int index, std::string& name, bool& skip) {
        // The reader selects by mask and ignores letter case; a listed name stands for itself.
        if (m_run && m_run->exactNames && !isRequestedExactly(m_reader.Entry(index).storedName())) {
            skip = true;
            --m_run->selected;
            return;
        }
        progress.setProgressFileName(fileNamePart(name));
    };
    m_reader.OnFilePercentDone = [&progress](int percent) { progress.setFilePercent(percent); };
    m_reader.OnTotalPercentDone = [&progress](int percent) { progress.setTotalPercent(percent); };
    m_reader.OnBadPassword = [this](int, std::string&) {
        m_services.prompts.showMessage(std::string(PasswordIncorrect), MessageKind::Error);
        if (m_run)
            m_run->badPassword = true;
        throw AbortRestore{};
    };
    m_reader.OnBadCRC = [this](std::uint32_t, std::uint32_t, int index) {
        if (m_run)
            m_run->tally.failed(index, m_reader.Entry(index).storedName(), "CRC error");
    };
    m_reader.OnUnZipError = [this](int index, const std::string&, const std::string& message) {
        if (m_run)
            m_run->tally.failed(index, m_reader.Entry(index).storedName(), message);
    };
    m_reader.OnSkippingFile = [this](TSkipReason reason, const std::string&, int index, bool&) {
        if (!m_run)
            return;
        if (reason == SkipNoOverwrite)
            m_run->tally.kept();
        else if (reason == SkipBadPassword)
            m_run->tally.failed(index, m_reader.Entry(index).storedName(), std::string(PasswordIncorrect));
        else
            m_run->tally.failed(index, m_reader.Entry(index).storedName(), "could not be created");
    };
    m_reader.OnUnZipComplete = [this](int count) {
        if (m_run)
            m_run->count = count;
    };
}

// A requested name that selects no entry would otherwise just make the count smaller.
void RestoreSession::noteUnmatchedNames() {
    if (!m_run || m_run->requested.empty())
        return;
    // A folder entry is in the archive also when no folders are re-created (the reader then has
    // nothing to do for it): a row naming it is found.
    std::vector<std::string> candidates;
    for (int i = 0; i < m_reader.Count(); ++i)
        candidates.push_back(m_reader.Entry(i).storedName());
    if (!m_run->exactNames) {
        for (const std::string& name : NameSelection(m_run->requested).unmatched(candidates))
            m_run->tally.notFound(name);
        return;
    }
    const std::unordered_set<std::string> stored(candidates.begin(), candidates.end());
    for (const std::string& name : m_run->requested)
        if (stored.count(name) == 0)
            m_run->tally.notFound(name);
}

bool RestoreSession::isRequestedExactly(const std::string& storedName) const {
    return m_run->exact.count(storedName) != 0;
}

std::vector<EntryRow> RestoreSession::ListArchiveEntries(const std::string& folder, const std::string& name) {
    const std::string file = trim(name);
    if (file.empty())
        return {};
    return quorvel::ListArchiveEntries(m_reader, archivePath(folder, file));
}

RestoreOutcome RestoreSession::restoreArchive(const RestoreRequest& request) {
    return restore(request, true);
}

RestoreOutcome RestoreSession::restoreSelected(const RestoreRequest& request) {
    return restore(request, false);
}

RestoreOutcome RestoreSession::restore(const RestoreRequest& request, bool wholeArchive) {
    UserPrompts& prompts = m_services.prompts;
    const std::string name = trim(request.archiveName);
    if (name.empty() || (!wholeArchive && request.entries.empty())) {
        if (wholeArchive)
            prompts.showMessage(std::string(NoArchiveToRestore), MessageKind::Information);
        return {};
    }
    const RestoreOptions& options = request.options;
    if (trim(options.destDir).empty()) {
        // The reader would put the files into whatever the working folder happens to be.
        prompts.showMessage(std::string(NoRestoreFolder), MessageKind::Warning);
        return {};
    }
    if (request.confirm) {
        const std::string question = wholeArchive ? restoreArchiveQuestion(name, options)
                                                  : restoreSelectedQuestion(request.entries.size(), name, options);
        if (!prompts.askYesNo(question, MessageKind::Warning))
            return declined();
    }

    configureReader(request, name, wholeArchive);
    Run run;
    run.requested = m_reader.FilesList;
    run.exactNames = !wholeArchive && request.exactNames;
    if (run.exactNames)
        run.exact.insert(run.requested.begin(), run.requested.end());
    RestoreOutcome outcome;
    outcome.error = extract(run);
    outcome.restored = run.count;
    outcome.kept = run.tally.keptCount();
    outcome.failures = run.tally.failures();
    outcome.leftOut = std::max(run.selected - outcome.restored - outcome.kept, 0) + run.tally.notFoundCount();
    outcome.wrongPassword = run.badPassword;
    const bool failed = outcome.wrongPassword || !outcome.error.empty() || !outcome.failures.empty();
    outcome.status = failed ? RestoreStatus::Failed : RestoreStatus::Succeeded;
    report(request, name, outcome);
    return outcome;
}

void RestoreSession::configureReader(const RestoreRequest& request, const std::string& archiveName, bool wholeArchive) {
    const RestoreOptions& options = request.options;
    m_reader.setZipName(archivePath(request.archiveFolder, archiveName));
    // The folder as the question showed it and the project keeps it: blanks typed around it are
    // not part of it.
    m_reader.setDestDir(trim(options.destDir));
    m_reader.RecreateDirs = options.useOriginalFolders;
    m_reader.DoAll = wholeArchive;
    m_reader.FilesList = wholeArchive ? std::vector<std::string>() : request.entries;
    m_reader.OverwriteMode = readerOverwriteMode(options.overwrite);
    if (!trim(options.password).empty())
        m_reader.Password = options.password; // a blank field keeps the password given before
}

// Runs the reader in the busy state; returns the error that ended it (empty when none).
std::string RestoreSession::extract(Run& run) {
    std::string error;
    m_run = &run;
    {
        BusyState busy(m_services.progress);
        m_services.progress.showProgressStrip(true);
        try {
            m_reader.UnZip();
        } catch (const AbortRestore&) {
            // "The password is incorrect" has been shown; the mark reports the rest.
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    m_run = nullptr;
    return error;
}

void RestoreSession::report(const RestoreRequest& request, const std::string& archiveName, RestoreOutcome& outcome) {
    UserPrompts& prompts = m_services.prompts;
    const std::string& zipName = m_reader.ZipName();
    const std::optional<std::uint64_t> sizeKb = archiveSizeKb(zipName);
    auto log = [&](std::string_view status, const std::string& information) {
        m_services.log.AppendLog(OperationRestore, status, information, request.projectName);
    };
    if (outcome.status == RestoreStatus::Succeeded) {
        prompts.showTimedMessage(restoreSucceededMessage(outcome.restored, request.projectName, archiveName),
                                 MessageKind::Information, 6);
        log(StatusSucceeds, restoreSucceededLogInformation(outcome.restored, zipName, sizeKb));
    } else if (outcome.wrongPassword) {
        prompts.showTimedMessage(std::string(RestoreFilesFails), MessageKind::Error, 6);
        log(StatusFails,
            restoreFailedLogInformation(zipName, sizeKb, withFilesLeftOut(PasswordIncorrect, outcome.leftOut)));
    } else if (!outcome.error.empty()) {
        // Recorded before the error is shown, so the log holds it even while the box waits.
        log(StatusFails,
            restoreFailedLogInformation(zipName, sizeKb, withFilesLeftOut(outcome.error, outcome.leftOut)));
        writeOptions(request);
        prompts.showMessage(restoreEndedMessage(outcome.error, outcome.restored, outcome.leftOut), MessageKind::Error);
        return;
    } else {
        prompts.showTimedMessage(
            restoreIncompleteMessage(outcome.restored, request.projectName, archiveName, outcome.failures),
            MessageKind::Error, 6);
        log(StatusFails, restoreFailedLogInformation(zipName, sizeKb, failuresSummary(outcome.failures)));
    }
    writeOptions(request);
}

void RestoreSession::writeOptions(const RestoreRequest& request) {
    if (trim(request.projectName).empty())
        return; // no project selected: there is no section to keep them in
    const RestoreOptions& options = request.options;
    m_services.store.writeRestoreOptions(request.projectName, options.destDir, options.useOriginalFolders,
                                         storedOverwriteValue(options.overwrite));
}

} // namespace quorvel
