#include "core/backup/backup_runner.h"

#include "core/backup/after_run.h"
#include "core/backup/backup_messages.h"
#include "core/backup/backup_sources.h"
#include "core/backup/pending_archive.h"
#include "core/backup/project_writer_settings.h"
#include "core/backup/retention.h"
#include "core/backup/run_record.h"
#include "core/ini/ini_file.h"
#include "core/project/backup_file_name.h"
#include "core/project/project_names.h"
#include "core/project/validate_project_input.h"
#include "core/schedule/project_run_lock.h"
#include "core/util/path_parts.h"
#include "core/util/strings.h"
#include "core/zip/zip_writer.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <utility>

namespace quorvel {

namespace {

namespace fs = std::filesystem;

SuffixMode suffixOf(const BackupProject& project) {
    return project.suffix.value_or(SuffixMode::Number);
}

std::optional<std::pair<dev_t, ino_t>> deviceAndInode(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return std::make_pair(st.st_dev, st.st_ino);
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return std::nullopt;
    return size;
}

// One call of the procedure, with what it learns on the way.
class BackupRun {
public:
    struct Services {
        const DataFiles& data;
        OperationLog& log;
        const Clock& clock;
        const DiskInfo& disks;
        const BackupRunner::WriterFactory& makeWriter;
        const RunRecorder::StepObserver& stepObserver;
    };

    BackupRun(const Services& services, BackupControls& controls, const AppSettings& settings, UserPrompts& prompts,
              RunProgress& progress)
        : m_services(services), m_controls(controls), m_project(controls.project), m_settings(settings),
          m_prompts(prompts), m_progress(progress) {}

    BackupOutcome run();

private:
    bool confirmed();
    bool inputValid();
    bool numberFree();
    bool destinationReady();
    bool folderReady(const std::string& folder);
    bool archiveNameFree();
    void writeArchive();
    void configure(TZipWriter& writer, const std::string& writePath);
    void bindEvents(TZipWriter& writer, PendingArchive& pending);
    void filterFile(const std::string& path, bool& skip);
    void nextDisk(int number, std::string& fileName);
    std::optional<std::uint64_t> archiveSizeKb(const std::string& lastPiece) const;
    void complete(PendingArchive& pending, int filesAdded);
    RunJournal journalOf(const PendingArchive& pending, const BackupSummary& summary) const;
    void writerFailed(const std::exception& error);
    void advanceControls(const RunJournal& journal);
    RunRecorder recorder() const {
        return RunRecorder(m_services.data, m_services.log, m_project, m_services.stepObserver);
    }

    void interrupt(const std::string& message, const std::string& logText);
    void fail(const std::string& message);
    std::string projectName() const { return m_project.name; }

    const Services& m_services;
    BackupControls& m_controls;
    BackupProject& m_project;
    const AppSettings& m_settings;
    UserPrompts& m_prompts;
    RunProgress& m_progress;

    BackupOutcome m_outcome;
    std::string m_archivePath;
    std::optional<std::pair<dev_t, ino_t>> m_previousArchive; // kept under the final name until replaced
    DateTime m_filter;
    DateTime m_writerStart;
    int m_unreadable = 0;
    std::vector<std::string> m_missing; // items that named nothing: the run is incomplete
    bool m_archiveInPlace = false;
    // Spanning: the sizes of the pieces left on the disks before the one in the drive, by disk
    // (1-based); a size that could not be read is unknown.
    std::map<int, std::optional<std::uint64_t>> m_earlierDisks;
};

BackupOutcome BackupRun::run() {
    try {
        if (!confirmed() || !inputValid())
            return m_outcome;
        recorder().completeStoppedRun();
        if (!numberFree())
            return m_outcome;
        if (suffixOf(m_project) == SuffixMode::Date)
            m_controls.fileNameField = previewFileName(m_project, m_settings, m_services.clock);
        m_archivePath = trim(m_controls.fileNameField);
        m_outcome.archivePath = m_archivePath;
        if (!destinationReady())
            return m_outcome;
        writeArchive();
        m_outcome.status = m_missing.empty() ? BackupStatus::Succeeded : BackupStatus::Incomplete;
    } catch (const std::exception& error) {
        fail(error.what());
        if (isCancellation(error))
            m_outcome.status = BackupStatus::Interrupted;
    }
    return m_outcome;
}

bool BackupRun::confirmed() {
    if (m_settings.promptBeforeBackup &&
        !m_prompts.askYesNo(backupQuestion(trim(m_project.name)), MessageKind::Information)) {
        m_outcome.status = BackupStatus::Declined;
        return false;
    }
    return true;
}

bool BackupRun::inputValid() {
    if (const auto message = ValidateProjectInput(m_project, m_controls.fileNameField)) {
        m_prompts.showMessage(*message, MessageKind::Error);
        m_outcome.status = BackupStatus::Invalid;
        m_outcome.message = *message;
        return false;
    }
    return true;
}

// The number the run is about to use must be past the last one used, which another program (the
// command line while the window shows the project) or a stopped run may have moved on since the
// controls were loaded: using it again would overwrite that archive, or stop at "exists".
bool BackupRun::numberFree() {
    if (suffixOf(m_project) != SuffixMode::Number)
        return true;
    const std::optional<std::string> stored =
        IniFile(m_services.data.projectIni()).read().value(m_project.name, "Value");
    const std::optional<int> used = stored ? parseInt(*stored) : std::nullopt;
    if (!used)
        return true;
    const long long next = static_cast<long long>(*used) + m_project.increaseValue;
    if (m_project.nextNumber >= next)
        return true;
    if (next > MaxNumber) {
        const std::string message = numberExhaustedMessage(MaxNumber);
        interrupt(message, message);
        return false;
    }
    m_project.nextNumber = static_cast<int>(next);
    m_controls.fileNameField = previewFileName(m_project, m_settings, m_services.clock);
    return true;
}

bool BackupRun::destinationReady() {
    const std::string folder = folderPart(m_archivePath);
    if (folder.empty()) {
        fail(std::string(UnableToCreateDirectory));
        return false;
    }
    return folderReady(folder) && archiveNameFree();
}

bool BackupRun::folderReady(const std::string& folder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    fs::create_directories(folder, ec);
    if (!ec && fs::is_directory(folder, ec))
        return true;
    const std::string message = folderNotCreatedMessage(folder);
    interrupt(message, message);
    return false;
}

bool BackupRun::archiveNameFree() {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(m_archivePath, ec)) || fs::is_directory(m_archivePath, ec))
        return true;
    if (!m_settings.overwrite) {
        interrupt(archiveExistsMessage(m_archivePath), archiveExistsLogText(m_archivePath));
        return false;
    }
    // The old archive is replaced only by the complete new one; see writeArchive().
    m_previousArchive = deviceAndInode(m_archivePath);
    return true;
}

void BackupRun::writeArchive() {
    const std::string folder = folderPart(m_archivePath);
    const DriveType drive = m_services.disks.driveType(folder);
    const bool spanned = drive == DriveType::Removable || drive == DriveType::CdRom;
    if (spanned && m_previousArchive) {
        // A set spanned over disks is written in place: the old archive has to go first.
        std::error_code ignored;
        fs::remove(m_archivePath, ignored);
        m_previousArchive.reset();
    }
    PendingArchive pending(m_archivePath, spanned ? PendingArchive::Direct : PendingArchive::Hidden);
    std::unique_ptr<TZipWriter> writer =
        m_services.makeWriter ? m_services.makeWriter() : std::make_unique<TZipWriter>();
    configure(*writer, pending.writePath());

    BusyState busy(m_progress);
    m_filter = m_project.filterDateTime;
    writer->diskInfo = &m_services.disks;
    writer->MultiZipInfo.MultiMode = spanned ? mmSpan : mmNone;
    m_progress.showProgressStrip(true);
    bindEvents(*writer, pending);
    try {
        m_missing = missingBackupSources(m_project.backupItems);
        if (m_missing.size() == m_project.backupItems.size())
            throw Error(ErrorKind::NotFound, nothingToBackUpMessage());
        m_writerStart = m_services.clock.now();
        writer->Zip();
        if (!pending.completed())
            throw Error(ErrorKind::Incomplete, "The archive was not completed", m_archivePath);
    } catch (const std::exception& error) {
        if (!m_archiveInPlace)
            writerFailed(error);
        throw;
    }
    // Everything the run records is on the disk before the summary waits its seconds: closing
    // the program or logging out meanwhile must not lose the log entry, the ring or the number.
    m_prompts.showTimedMessage(m_outcome.message, m_missing.empty() ? MessageKind::Information : MessageKind::Warning,
                               BackupMessageSeconds);
}

void BackupRun::configure(TZipWriter& writer, const std::string& writePath) {
    writer.setZipName(writePath);
    applyWriterSettings(writer, writerSettingsOf(m_project));
    const std::string comment = trim(m_project.comment);
    writer.setZipComment(m_project.storeComment && !comment.empty() ? comment : std::string());
    writer.FilesList.clear();
    for (const std::string& item : m_project.backupItems)
        writer.FilesList.push_back(backupItemSpec(item));
    writer.ExcludeList = m_project.excludeItems;
}

void BackupRun::bindEvents(TZipWriter& writer, PendingArchive& pending) {
    writer.DoProcessMessages = true;
    showProgressOf(writer, m_progress);
    writer.OnStartZip = [this](const std::string& path, TZipHeaderInfo&, bool& skip) { filterFile(path, skip); };
    writer.OnSkippingFile = [this](TSkipReason reason, const std::string&, int, bool&) {
        if (reason == SkipCannotOpen)
            ++m_unreadable;
    };
    writer.OnGetNextDisk = [this](int number, std::string& fileName) { nextDisk(number, fileName); };
    writer.OnZipComplete = [this, &pending](int filesAdded) { complete(pending, filesAdded); };
}

// The piece named here is complete on the disk that is about to leave the drive: its size is
// taken now, as nothing can read it once the next disk is in.
void BackupRun::nextDisk(int number, std::string& fileName) {
    if (number > 1)
        m_earlierDisks[number - 1] = fileSize(fileName);
    askForNextDisk(m_prompts, m_progress, number, fileName);
}

// The whole archive: on removable disks the last piece plus the pieces left on earlier disks.
std::optional<std::uint64_t> BackupRun::archiveSizeKb(const std::string& lastPiece) const {
    std::optional<std::uint64_t> total = fileSize(lastPiece);
    for (const auto& [disk, size] : m_earlierDisks)
        total = total && size ? std::optional<std::uint64_t>(*total + *size) : std::nullopt;
    return total ? std::optional<std::uint64_t>(*total / 1024) : std::nullopt;
}

void BackupRun::filterFile(const std::string& path, bool& skip) {
    if (m_project.onlyNewer || m_previousArchive) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            // The archive this run replaces, when the destination lies inside the source: it
            // would have been deleted before the run and must not be backed up into its successor.
            if (m_previousArchive && std::make_pair(st.st_dev, st.st_ino) == *m_previousArchive)
                skip = true;
            if (m_project.onlyNewer && fromTimeT(st.st_mtime) < m_filter)
                skip = true;
        }
    }
    const std::string name = fileNamePart(path);
    if (isPendingArchiveName(name))
        skip = true;
    if (!skip)
        m_progress.setProgressFileName(name);
}

void BackupRun::complete(PendingArchive& pending, int filesAdded) {
    m_outcome.filesAdded = filesAdded;
    m_outcome.unreadableFiles = m_unreadable;
    m_outcome.missingItems = m_missing;
    m_outcome.disks = 1 + static_cast<int>(m_earlierDisks.size());

    BackupSummary summary;
    summary.filesAdded = filesAdded;
    summary.project = projectName();
    summary.archivePath = m_archivePath;
    summary.sizeKb = archiveSizeKb(pending.writePath());
    summary.unreadableFiles = m_unreadable;
    summary.disks = 1 + static_cast<int>(m_earlierDisks.size());
    summary.missingItems = m_missing;
    m_outcome.message = summaryMessage(summary);

    // The note comes first, so that a run stopped from here on is completed by the next one. A
    // note that cannot be written does not cost the archive: the ring, written to the same file
    // next, reports the trouble. Without a suffix every run writes the same name and keeps no
    // ring or number, so there is nothing a stopped run could leave half done.
    const RunJournal journal = journalOf(pending, summary);
    RunRecorder recording = recorder();
    if (suffixOf(m_project) != SuffixMode::None) {
        try {
            recording.noteArchive(journal);
        } catch (const std::exception&) {
        }
    }
    pending.complete();
    m_archiveInPlace = true;
    if (m_services.stepObserver)
        m_services.stepObserver(RunStep::ArchivePlaced);
    try {
        recording.record(journal);
    } catch (const std::exception&) {
        advanceControls(journal);
        throw;
    }
    advanceControls(journal);
}

RunJournal BackupRun::journalOf(const PendingArchive& pending, const BackupSummary& summary) const {
    const bool complete = m_missing.empty();
    RunJournal journal;
    journal.archive = m_archivePath;
    journal.identity = fileIdentity(pending.writePath());
    if (suffixOf(m_project) == SuffixMode::Number)
        journal.number = m_project.nextNumber;
    // A run that missed an item or could not read a file leaves the filter where it was: those
    // files are taken by the next run that finds and reads them, whenever they were written.
    if (m_project.useLastBackupDate && complete && m_unreadable == 0)
        journal.filter = m_writerStart;
    // Every disk of a spanned archive carries the archive's name, so the ring records that name
    // like any other. Retention removes by name on the medium in the drive now: a file there under
    // a name that left the ring is that old archive, or its piece on this disk; pieces on disks
    // that are not in the drive are out of reach and left to the user. An incomplete archive stays
    // out of the ring, so that it never pushes a complete one out.
    journal.ring = suffixOf(m_project) != SuffixMode::None && complete;
    journal.status = std::string(complete ? StatusSucceeds : StatusFails);
    journal.information = runLogText(summary);
    return journal;
}

// A run that failed while writing is logged: an unattended run that failed must show in the
// log, or nobody learns that the backup is missing. A cancelled disk request is an interruption.
void BackupRun::writerFailed(const std::exception& error) {
    try {
        m_services.log.AppendLog(OperationBackup, isCancellation(error) ? StatusInterrupt : StatusFails, error.what(),
                                 projectName());
    } catch (const std::exception&) {
        // The error being reported matters more than the log that could not take it.
    }
}

// The controls show what the run has written to project.ini.
void BackupRun::advanceControls(const RunJournal& journal) {
    if (journal.number > 0)
        m_project.nextNumber = std::clamp(journal.number + m_project.increaseValue, MinNumber, MaxNumber);
    if (journal.filter)
        m_project.filterDateTime = *journal.filter;
    m_controls.fileNameField = previewFileName(m_project, m_settings, m_services.clock);
}

void BackupRun::interrupt(const std::string& message, const std::string& logText) {
    m_prompts.showTimedMessage(message, MessageKind::Warning, BackupMessageSeconds);
    m_services.log.AppendLog(OperationBackup, StatusInterrupt, logText, projectName());
    m_outcome.status = BackupStatus::Interrupted;
    m_outcome.message = message;
}

void BackupRun::fail(const std::string& message) {
    m_prompts.showMessage(message, MessageKind::Error);
    m_outcome.status = BackupStatus::Failed;
    m_outcome.message = message;
}

} // namespace

BackupRunner::BackupRunner(DataFiles data, OperationLog& log, const Clock& clock, const DiskInfo& disks,
                           WriterFactory makeWriter)
    : m_data(std::move(data)), m_log(log), m_clock(clock), m_disks(disks), m_makeWriter(std::move(makeWriter)) {}

BackupOutcome BackupRunner::run(BackupControls& controls, const AppSettings& settings, UserPrompts& prompts,
                                RunProgress& progress) {
    const ProjectRunLock lock(m_data, controls.project.name);
    if (lock.refused())
        return lock.refuse(prompts);
    const LogRow newestBefore = m_log.row(1);
    const BackupRun::Services services{m_data, m_log, m_clock, m_disks, m_makeWriter, m_stepObserver};
    const BackupOutcome outcome = BackupRun(services, controls, settings, prompts, progress).run();
    // Still under the project's lock: no other run can remove the archive while it is sent.
    const std::optional<LogRow> runLog =
        entryAppendedSince(m_log, newestBefore, OperationBackup, controls.project.name);
    runAfterRunActions({outcome, controls.project, m_data, m_clock, runLog, prompts, progress}, m_log);
    return outcome;
}

std::string previewFileName(const BackupProject& project, const AppSettings& settings, const Clock& clock) {
    return composeBackupFileName(project.savePath, project.filenamePrefix, suffixOf(project), project.nextNumber,
                                 settings.appendZero, settings.width, clock.now());
}

void askForNextDisk(UserPrompts& prompts, RunProgress& progress, int nextDisk, std::string& fileName) {
    progress.setWaitCursor(false);
    if (!prompts.askOkCancel(nextDiskQuestion(nextDisk), MessageKind::Confirmation))
        fileName.clear();
    progress.setWaitCursor(true);
}

} // namespace quorvel
