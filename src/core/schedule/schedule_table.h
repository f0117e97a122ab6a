#pragma once

#include "core/util/date_time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

inline constexpr std::int64_t SecondsPerMinute = 60;
inline constexpr std::int64_t SecondsPerDay = 86400;

// One scheduled project of the schedule table.
struct tautobackup {
    std::string projectName;
    DateTime nextDue;                 // the project is due once the clock is strictly later
    std::int64_t intervalSeconds = 0; // added to the due time each time an occurrence is served
    // Daily and weekly projects keep the time of day or weekday they were given, whenever they
    // last ran; the others count their rhythm from the moment they last ran.
    bool fixedPhase = false;

    bool operator==(const tautobackup&) const = default;
};

// The entry a rebuild at `now` makes of a project's "BackupMode" and "StartTime_or_Increase",
// without regard to when it last ran; nullopt for a project without a schedule.
//  0 daily once: today at the stored time ("12:00:00" when it is not a time), every day; today's
//    time counts even when it has passed.
//  1 every N minutes: now + N minutes; one hour when the text is not a whole number from 1 to
//    1439 (0 would make the project due at every tick).
//  2 weekly: 12:00:00 on the first day from today whose weekday name is the text, every 7 days;
//    8 days from today when no name matches.
//  Other values (3, or a value the program never writes) have no schedule.
std::optional<tautobackup> scheduleEntry(std::string projectName, int backupMode, std::string_view text, DateTime now);

// The latest occurrence of the entry's rhythm at or before `moment`.
DateTime latestOccurrence(const tautobackup& entry, DateTime moment);

// The entry's due time once the occurrence served at `lastServed` is taken into account: the
// first occurrence after it, or, when occurrences were missed since (the program was not running,
// the machine slept), only the latest of them, so that it runs once and the rhythm resumes.
// A served moment more than an hour in the future (the clock was set back) counts as `now`, so
// it cannot hold the project back; within the hour it is kept, so the hour repeated when summer
// time ends does not run a project twice.
tautobackup applyLastServed(tautobackup entry, DateTime lastServed, DateTime now);

} // namespace quorvel
