#pragma once

#include "core/ini/ini_file.h"
#include "core/project/backup_project.h"
#include "core/util/clock.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

inline constexpr std::string_view CommonSection = "Common";
// The keys of the off-site copy, beside the keys Save Project has always written.
inline constexpr std::string_view FtpSiteKey = "FTP Site";
inline constexpr std::string_view FtpFolderKey = "FTP Folder";

// Loading and saving of project sections and of the project list in project.ini.
// Nothing is cached: every call reads or writes the file as it is now.
class ProjectStore {
public:
    ProjectStore(std::filesystem::path projectIni, const Clock& clock);

    // The project as the Backup page shows it after loading its section; a missing section
    // gives the defaults. `name` is trimmed.
    BackupProject load(std::string_view name);
    static BackupProject fromDocument(const IniDocument& doc, std::string_view name, const Clock& clock);

    // Writes the project's section in one atomic replacement of the file. The save path
    // written is the folder part of the trimmed file-name field; the restore keys are left
    // as they are. The caller validates first (ValidateProjectInput).
    //
    // A backup run of another program (the command line, while the window shows the project)
    // writes "Value" and "NewDateTime" meanwhile. Where the file holds other values than this
    // store last read or wrote, a field the user left as loaded takes the file's value, and a
    // number the user changed never goes behind the file's: writing the older number back would
    // make the next run overwrite the archive just made. Returns the project as written.
    BackupProject save(const BackupProject& project, std::string_view fileNameField);
    static void writeProject(IniDocument& doc, const BackupProject& project, std::string_view fileNameField);

    // The project names of "Common" in the selector's order; empty entries are skipped, and a
    // name that repeats another without regard to case is taken once.
    std::vector<std::string> projectList() const;
    static std::vector<std::string> readProjectList(const IniDocument& doc);
    // "Project Count" and every "Count" key from 0, in the given order.
    void saveProjectList(const std::vector<std::string>& names);
    static void writeProjectList(IniDocument& doc, const std::vector<std::string>& names);

    // "BackupMode" of a project as stored (3 when missing), read from the file on each call.
    int storedScheduleMode(std::string_view name) const;

    // The per-project restore options, written after a restore.
    void writeRestoreOptions(std::string_view name, std::string_view restorePath, bool restoreToOrigPath,
                             int overwriteMode);

    const IniFile& file() const { return m_ini; }

private:
    // "Value" and "NewDateTime" of a section as this store last read or wrote them.
    struct RunKeys {
        std::optional<std::string> value;
        std::optional<std::string> newDateTime;
    };
    static RunKeys runKeysOf(const IniDocument& doc, std::string_view section);
    static void keepNewerRunKeys(const RunKeys& seen, const RunKeys& now, BackupProject& project);

    IniFile m_ini;
    const Clock& m_clock;
    std::map<std::string, RunKeys> m_seen; // by section name in lower case
};

// The values of "name" + index keys from index 0 below the count stored under `countKey`,
// in index order, leaving out empty and missing entries.
std::vector<std::string> readIndexedList(const IniDocument& doc, std::string_view section, std::string_view countKey,
                                         std::string_view itemPrefix);

} // namespace quorvel
