#pragma once

#include "core/util/date_time.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// "Suffix" of a project: what follows the prefix in the archive name.
enum class SuffixMode { None = 0, Date = 1, Number = 2 };

// "BackupMode" of a project.
enum class ScheduleMode { DailyOnce = 0, EveryMinutes = 1, Weekly = 2, None = 3 };

// Ranges of the number controls; a value read from project.ini is held inside them. The running
// number goes on past 1000: stopping there made every later run write the same archive again.
// Its end is out of reach in practice (a run a minute for 1900 years) and far from overflow.
inline constexpr int MinNumber = 1, MaxNumber = 999'999'999;
inline constexpr int MaxIncrease = 1000;
inline constexpr int MinEveryMinutes = 2, MaxEveryMinutes = 1000;
inline constexpr int MinPackLevel = 0, MaxPackLevel = 9;
inline constexpr int MinStoreNumber = 2, MaxStoreNumber = 50000;
inline constexpr int RestoreOverwriteNever = 2;

// The weekday names a weekly schedule stores, indexed by dayOfWeek() (0 = Sunday).
inline constexpr const char* WeekdayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                "Thursday", "Friday", "Saturday"};

// One backup project as the Backup page shows it: every field of its section in project.ini,
// after defaults and clamping. Where a stored value is outside its set (Suffix, BackupMode,
// Overwrite Mode) the field is empty, because the window then keeps what it showed before.
struct BackupProject {
    std::string name; // the section name: the trimmed project name

    std::string filenamePrefix;
    std::optional<SuffixMode> suffix = SuffixMode::Number;
    int increaseValue = 1;
    int nextNumber = 2;   // what the number control shows: last used number + increment
    std::string savePath; // destination folder, normally ending in "/"

    std::vector<std::string> backupItems;
    std::vector<std::string> excludeItems;

    bool includeSubfolders = true;
    bool usePassword = true;
    std::string password; // plain text; both password fields show it
    std::string confirmPassword;
    bool storePaths = true;
    bool storeComment = true;
    std::string comment;

    std::optional<ScheduleMode> scheduleMode = ScheduleMode::None;
    DateTime dailyTime{1899, 12, 30, 12, 0, 0}; // mode DailyOnce: the time of day
    int everyMinutes = 5;                       // mode EveryMinutes
    std::optional<int> weekday;                 // mode Weekly: 0 = Sunday; empty when none is selected
    std::string startTimeOrIncrease;            // the stored text the three above were read from

    int packLevel = 6;
    int storeNumber = 50;
    bool onlyNewer = false;
    bool useLastBackupDate = false;
    DateTime filterDateTime;

    // Restore options of the project; Save Project leaves them as they are in the file.
    std::string restorePath;
    bool restoreToOrigPath = true;
    std::optional<int> overwriteMode = RestoreOverwriteNever; // 0 always .. 4 if older

    // The off-site copy: after a run that made an archive, it is uploaded to this FTP site of
    // account.ini (its label; empty: no copy) into this remote folder (empty: the login folder).
    std::string ftpSite;
    std::string ftpFolder;
};

// The "StartTime_or_Increase" text a save writes for the project's schedule mode
// (nullopt for no schedule: the key is then left as it is).
std::optional<std::string> scheduleText(const BackupProject& project);

} // namespace quorvel
