#pragma once

#include "core/backup/backup_runner.h"
#include "core/backup/run_journal.h"

#include <functional>

namespace quorvel {

// Records what a backup run did, in an order that leaves every stop recoverable: StoreNumber.txt
// first notes the archive about to take its final name; once it has it, the ring (with the
// archives that leave it, in the same write), the log entry, the removals, "Value" and
// "NewDateTime" follow, and the note goes last. The next run of the project finds a note left
// behind and completes what is missing before it starts, so a stopped run neither blocks the
// project ("exists") nor lets a later run take its number, and its archive still enters the ring.
class RunRecorder {
public:
    using StepObserver = std::function<void(RunStep)>;

    RunRecorder(const DataFiles& data, OperationLog& log, const BackupProject& project, const StepObserver& observer);

    // Before the archive takes its final name.
    void noteArchive(const RunJournal& journal);
    // After: every step is tried, and the first error is raised once all have been.
    void record(const RunJournal& journal);
    // Completes what a stopped run of this project left noted; nothing when there is no note.
    void completeStoppedRun();

private:
    void complete(RunJournal journal, bool stopped);
    std::string recordInRingOf(RunJournal& journal, bool stopped);
    void advanceProject(const RunJournal& journal, bool stopped);
    void reached(RunStep step, bool stopped) const;

    const DataFiles& m_data;
    OperationLog& m_log;
    const BackupProject& m_project;
    const StepObserver& m_observer;
};

} // namespace quorvel
