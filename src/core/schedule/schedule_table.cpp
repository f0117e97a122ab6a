#include "core/schedule/schedule_table.h"

#include "core/project/backup_project.h"
#include "core/util/strings.h"

#include <algorithm>

namespace quorvel {

namespace {

constexpr std::int64_t OneHour = 3600;
constexpr std::int64_t MinutesPerDay = 1440;
constexpr int WeeklyNoMatchOffset = 8;
constexpr DateTime Noon{1899, 12, 30, 12, 0, 0};

DateTime onDay(const DateTime& day, const DateTime& timeOfDay) {
    return DateTime{day.year, day.month, day.day, timeOfDay.hour, timeOfDay.minute, timeOfDay.second};
}

// The occurrence `steps` intervals after the occurrence `anchor`.
DateTime stepFrom(const tautobackup& entry, const DateTime& anchor, std::int64_t steps) {
    return addSeconds(anchor, steps * entry.intervalSeconds);
}

std::int64_t stepsUntil(const tautobackup& entry, const DateTime& moment) {
    return floorDiv(toNaiveSeconds(moment) - toNaiveSeconds(entry.nextDue), entry.intervalSeconds);
}

} // namespace

std::optional<tautobackup> scheduleEntry(std::string projectName, int backupMode, std::string_view text, DateTime now) {
    tautobackup entry;
    entry.projectName = std::move(projectName);
    const DateTime today = now.datePart();
    switch (backupMode) {
    case static_cast<int>(ScheduleMode::DailyOnce):
        entry.nextDue = onDay(today, parseTime(text).value_or(Noon));
        entry.intervalSeconds = SecondsPerDay;
        entry.fixedPhase = true;
        return entry;
    case static_cast<int>(ScheduleMode::EveryMinutes): {
        const std::optional<int> minutes = parseInt(text);
        const bool usable = minutes && *minutes > 0 && *minutes < MinutesPerDay;
        entry.intervalSeconds = usable ? *minutes * SecondsPerMinute : OneHour;
        entry.nextDue = addSeconds(now, entry.intervalSeconds);
        return entry;
    }
    case static_cast<int>(ScheduleMode::Weekly): {
        int offset = 0;
        while (offset <= 7 && text != WeekdayNames[dayOfWeek(addDays(today, offset))])
            ++offset;
        const bool matched = offset <= 7;
        entry.nextDue = onDay(addDays(today, matched ? offset : WeeklyNoMatchOffset), Noon);
        entry.intervalSeconds = 7 * SecondsPerDay;
        entry.fixedPhase = matched;
        return entry;
    }
    default:
        return std::nullopt;
    }
}

DateTime latestOccurrence(const tautobackup& entry, DateTime moment) {
    return stepFrom(entry, entry.nextDue, stepsUntil(entry, moment));
}

tautobackup applyLastServed(tautobackup entry, DateTime lastServed, DateTime now) {
    if (lastServed > addSeconds(now, OneHour))
        lastServed = now;
    if (!entry.fixedPhase)
        entry.nextDue = lastServed; // the rhythm counts from the last run
    const DateTime firstAfterServed = stepFrom(entry, entry.nextDue, stepsUntil(entry, lastServed) + 1);
    entry.nextDue = std::max(firstAfterServed, latestOccurrence(entry, now));
    return entry;
}

} // namespace quorvel
