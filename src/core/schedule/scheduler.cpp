#include "core/schedule/scheduler.h"

#include "core/project/app_settings.h"
#include "core/project/backup_project.h"
#include "core/project/project_store.h"
#include "core/util/strings.h"

#include <algorithm>
#include <cstdlib>

namespace quorvel {

Scheduler::Scheduler(DataFiles data, const Clock& clock)
    : m_data(std::move(data)), m_clock(clock), m_records(m_data.scheduleIni()) {}

std::vector<Scheduler::Source> Scheduler::readSources() const {
    const IniDocument doc = IniFile(m_data.projectIni()).read();
    std::vector<Source> sources;
    for (const std::string& name : ProjectStore::readProjectList(doc))
        sources.push_back({name, doc.readInteger(name, "BackupMode", static_cast<int>(ScheduleMode::None)),
                           doc.readString(name, "StartTime_or_Increase")});
    return sources;
}

void Scheduler::RebuildSchedule() {
    rebuildFrom(readSources());
}

bool Scheduler::rebuildIfChanged() {
    std::vector<Source> sources = readSources();
    if (sources == m_sources)
        return false;
    rebuildFrom(std::move(sources));
    return true;
}

const tautobackup* Scheduler::unchangedEntry(const Source& source) const {
    if (std::find(m_sources.begin(), m_sources.end(), source) == m_sources.end())
        return nullptr;
    const auto kept = std::find_if(m_table.begin(), m_table.end(),
                                   [&](const tautobackup& entry) { return entry.projectName == source.projectName; });
    return kept == m_table.end() ? nullptr : &*kept;
}

void Scheduler::rebuildFrom(std::vector<Source> sources) {
    const DateTime now = m_clock.now();
    const IniDocument served = m_records.read();
    std::vector<tautobackup> table;
    for (const Source& source : sources) {
        if (const tautobackup* kept = unchangedEntry(source)) {
            table.push_back(*kept);
            continue;
        }
        std::optional<tautobackup> entry = scheduleEntry(source.projectName, source.backupMode, source.text, now);
        if (!entry)
            continue;
        if (const std::optional<DateTime> last = ServedRecords::lastServed(served, source.projectName))
            entry = applyLastServed(*entry, *last, now);
        table.push_back(*entry);
    }
    m_table = std::move(table);
    m_sources = std::move(sources);
}

std::vector<ScheduledRun> Scheduler::dueRuns() const {
    const DateTime now = m_clock.now();
    std::vector<ScheduledRun> due;
    for (const tautobackup& entry : m_table) {
        if (now > entry.nextDue)
            due.push_back({entry.projectName, latestOccurrence(entry, now)});
    }
    return due;
}

void Scheduler::served(const ScheduledRun& run) {
    for (tautobackup& entry : m_table) {
        if (entry.projectName == run.projectName && entry.nextDue <= run.occurrence)
            entry.nextDue = addSeconds(run.occurrence, entry.intervalSeconds);
    }
    m_records.record(run.projectName, run.occurrence);
}

bool Scheduler::scheduleEnabled() const {
    return loadSettingsAndProjects(IniFile(m_data.projectIni())).settings.enableSchedule;
}

std::chrono::milliseconds scheduleTickInterval() {
    constexpr std::chrono::milliseconds Default{30000};
    const char* text = std::getenv("QUORVEL_SCHEDULE_TICK_MS");
    const std::optional<int> ms = text ? parseInt(text) : std::nullopt;
    return ms && *ms > 0 ? std::chrono::milliseconds(*ms) : Default;
}

void writeScheduleEnabled(const DataFiles& data, bool enabled) {
    IniFile(data.projectIni()).writeBool(CommonSection, "Enable schedule", enabled);
}

} // namespace quorvel
