#include "core/restore/restore_session.h"

#include "core/backup/backup_runner.h"
#include "core/backup/operation_log.h"
#include "core/project/project_store.h"
#include "core/restore/archive_folder_listing.h"
#include "core/util/strings.h"

#include <algorithm>
#include <filesystem>

namespace quorvel {

namespace {

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
    showProgressOf(m_reader, progress);
    m_reader.OnInCompleteZip = [this](TIncompleteZipMode& mode) { mode = m_services.questions.askIncompleteZip(); };
    // The disks of a spanned archive are asked for as the backup run asks for them while writing.
    m_reader.OnGetNextDisk = [this](int number, std::string& fileName) {
        askForNextDisk(m_services.prompts, m_services.progress, number, fileName);
    };
    // A requested name that selects no entry would otherwise just make the count smaller.
    m_reader.OnNoSuchEntry = [this](const std::string& name) {
        if (m_run)
            m_run->tally.notFound(name);
    };
    m_reader.OnStartUnZipInfo = [this](int count, std::uint64_t, bool&) {
        if (m_run)
            m_run->selected = count;
    };
    m_reader.OnStartUnZip = [&progress](int, std::string& name, bool&) {
        progress.setProgressFileName(fileNamePart(name));
    };
    // A wrong password abandons the extraction; the report says so.
    m_reader.OnBadPassword = [this](int index, std::string&) {
        throw Error(ErrorKind::WrongPassword, std::string(PasswordIncorrect), m_reader.Entry(index).storedName());
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
    m_reader.FilesList.clear();
    m_reader.ExactNames.clear();
    if (!wholeArchive)
        (request.exactNames ? m_reader.ExactNames : m_reader.FilesList) = request.entries;
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
        } catch (const Error& e) {
            if (e.kind() == ErrorKind::WrongPassword)
                run.badPassword = true;
            else
                error = e.what();
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
        prompts.showMessage(std::string(PasswordIncorrect), MessageKind::Error);
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
