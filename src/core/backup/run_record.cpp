#include "core/backup/run_record.h"

#include "core/backup/backup_messages.h"
#include "core/backup/retention.h"
#include "core/ini/ini_file.h"

#include <algorithm>
#include <exception>

namespace quorvel {

namespace {

ArchiveOwner ownerOf(const BackupProject& project) {
    return {project.savePath, project.filenamePrefix};
}

} // namespace

RunRecorder::RunRecorder(const DataFiles& data, OperationLog& log, const BackupProject& project,
                         const StepObserver& observer)
    : m_data(data), m_log(log), m_project(project), m_observer(observer) {}

void RunRecorder::noteArchive(const RunJournal& journal) {
    IniFile(m_data.storeNumber()).edit([&](IniDocument& doc) { writeRunJournal(doc, m_project.name, journal); });
    reached(RunStep::JournalWritten, false);
}

void RunRecorder::record(const RunJournal& journal) {
    complete(journal, false);
}

void RunRecorder::completeStoppedRun() {
    IniFile storeNumber(m_data.storeNumber());
    const std::optional<RunJournal> journal = readRunJournal(storeNumber.read(), m_project.name);
    if (!journal)
        return;
    // The identity differs when the run stopped before the rename: its archive never took the
    // final name (a file there is an older one), and there is nothing to record.
    if (!journal->identity.empty() && fileIdentity(journal->archive) == journal->identity)
        complete(*journal, true);
    else
        storeNumber.edit([&](IniDocument& doc) { clearRunJournal(doc, m_project.name); });
}

void RunRecorder::complete(RunJournal journal, bool stopped) {
    std::exception_ptr firstError;
    const auto attempt = [&](RunStep step, const std::function<void()>& action) {
        try {
            action();
            reached(step, stopped);
        } catch (const std::exception&) {
            if (!firstError)
                firstError = std::current_exception();
        }
    };

    const bool logged = stopped && m_log.holdsEntry(m_project.name, journal.status, journal.information);
    std::string notes;
    if (journal.ring) {
        try {
            notes = recordInRingOf(journal, stopped);
            reached(RunStep::RingRecorded, stopped);
        } catch (const std::exception& error) {
            notes = notRecordedNote(error.what());
            firstError = std::current_exception();
        }
    }
    if (!logged) {
        attempt(RunStep::Logged, [&] {
            m_log.AppendLog(OperationBackup, journal.status,
                            journal.information + notes + (stopped ? recordedLaterNote() : std::string()),
                            m_project.name);
        });
    }
    attempt(RunStep::OldArchivesRemoved, [&] {
        const IniDocument ring = IniFile(m_data.storeNumber()).read();
        removeLeftArchives(journal.leaving, archivesInRing(ring, m_project.name), ownerOf(m_project));
    });
    attempt(RunStep::ProjectAdvanced, [&] { advanceProject(journal, stopped); });
    attempt(RunStep::JournalCleared, [&] {
        IniFile(m_data.storeNumber()).edit([&](IniDocument& doc) { clearRunJournal(doc, m_project.name); });
    });
    if (firstError)
        std::rethrow_exception(firstError);
}

// The ring and the archives that leave it, in one write of StoreNumber.txt; returns what the
// log entry should add about it.
std::string RunRecorder::recordInRingOf(RunJournal& journal, bool stopped) {
    RingChange change;
    IniFile(m_data.storeNumber()).edit([&](IniDocument& doc) {
        // A stopped run may have written its ring already; the archives that left it are noted.
        if (stopped && archivesInRing(doc, m_project.name).count(normalisedPath(journal.archive)) != 0)
            return;
        change = recordInRing(doc, m_project.name, journal.archive, m_project.storeNumber, ownerOf(m_project));
        journal.leaving.insert(journal.leaving.end(), change.leaving.begin(), change.leaving.end());
        writeRunJournal(doc, m_project.name, journal);
    });
    return retentionNote(change.leftAlone, change.restarted);
}

// The number just used never goes back (another program may have gone further meanwhile); the
// filter date of a stopped run is taken only when it is later than what the file holds now.
void RunRecorder::advanceProject(const RunJournal& journal, bool stopped) {
    if (journal.number <= 0 && !journal.filter)
        return;
    IniFile(m_data.projectIni()).edit([&](IniDocument& doc) {
        if (journal.number > 0)
            doc.writeInteger(m_project.name, "Value",
                             std::max(journal.number, doc.readInteger(m_project.name, "Value", 0)));
        if (journal.filter) {
            const std::optional<DateTime> stored = parseDateTime(doc.readString(m_project.name, "NewDateTime"));
            if (!stopped || !stored || *stored < *journal.filter)
                doc.writeString(m_project.name, "NewDateTime", formatDateTime(*journal.filter));
        }
    });
}

void RunRecorder::reached(RunStep step, bool stopped) const {
    if (!stopped && m_observer)
        m_observer(step);
}

} // namespace quorvel
