#pragma once

#include "core/platform/data_folder.h"
#include "core/schedule/schedule_table.h"
#include "core/schedule/served_records.h"
#include "core/util/clock.h"

#include <chrono>
#include <string>
#include <vector>

namespace quorvel {

// An occurrence that is due: the caller backs the project up and then reports it served.
struct ScheduledRun {
    std::string projectName;
    DateTime occurrence; // the latest occurrence at or before the moment it was found due
};

// The schedule table of the data folder's projects and the rules of the timer tick, on an
// injected clock. The desktop program ticks it from its 30-second timer, `quorvel-backup-cli
// schedule` from its own loop; both decide themselves whether a tick may start anything
// (scheduling switched off, a project being edited, a run under way).
//
// An occurrence runs once: the one served is recorded in schedule.ini, so neither a rebuild nor
// a restart runs it again. Occurrences missed while the program was not running, the machine
// slept or scheduling was off make the project due once, soon after; its rhythm then resumes.
class Scheduler {
public:
    Scheduler(DataFiles data, const Clock& clock);

    // Builds the table from project.ini: the projects of the list that have a schedule, in list
    // order, with their due times after the last served occurrences. A project whose schedule is
    // the same as at the last rebuild keeps its due time (a save of another project changes
    // nothing for it).
    void RebuildSchedule();
    // Rebuilds when the project list or a project's schedule in project.ini changed since the
    // last rebuild, for a scheduler that is not told of saves. True when it rebuilt.
    bool rebuildIfChanged();

    const std::vector<tautobackup>& table() const { return m_table; }

    // The occurrences due now (the clock strictly later than the due time), in table order.
    // Nothing changes until they are served.
    std::vector<ScheduledRun> dueRuns() const;
    // The run has ended (whatever its outcome): its occurrence is recorded in schedule.ini and
    // the project is next due one interval after it. A run refused because the project was being
    // backed up by another run is not served; it stays due. Throws IoError when schedule.ini
    // cannot be written; the table has advanced all the same.
    void served(const ScheduledRun& run);

    // "Enable schedule" as project.ini holds it now.
    bool scheduleEnabled() const;

private:
    struct Source {
        std::string projectName;
        int backupMode = 3;
        std::string text;
        bool operator==(const Source&) const = default;
    };
    std::vector<Source> readSources() const;
    void rebuildFrom(std::vector<Source> sources);
    const tautobackup* unchangedEntry(const Source& source) const;

    DataFiles m_data;
    const Clock& m_clock;
    ServedRecords m_records;
    std::vector<Source> m_sources; // the project list the table was built from
    std::vector<tautobackup> m_table;
};

// How often a scheduler looks at the table: 30 seconds. Tests shorten it through the environment
// variable QUORVEL_SCHEDULE_TICK_MS; nobody else has a reason to.
std::chrono::milliseconds scheduleTickInterval();

// Writes "Enable schedule" at once, for a program that changes the switch while another
// scheduler on the data folder follows project.ini.
void writeScheduleEnabled(const DataFiles& data, bool enabled);

} // namespace quorvel
