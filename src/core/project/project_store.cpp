#include "core/project/project_store.h"

#include "core/ini/ini_password_codec.h"
#include "core/platform/data_folder.h"
#include "core/project/project_names.h"
#include "core/util/path_parts.h"
#include "core/util/strings.h"

#include <algorithm>
#include <map>

namespace quorvel {

namespace {

int clampInt(long long value, int low, int high) {
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

// The index of a key "<prefix><digits>", or -1. Only the plain decimal form counts, as the
// program writes it.
long long indexOfKey(std::string_view key, std::string_view prefix) {
    if (key.size() <= prefix.size() || !startsWithIgnoreCase(key, prefix))
        return -1;
    std::string_view digits = key.substr(prefix.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits.front() == '0'))
        return -1;
    long long index = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        index = index * 10 + (c - '0');
    }
    return index;
}

void writeList(IniDocument& doc, std::string_view section, std::string_view countKey, std::string_view itemPrefix,
               const std::vector<std::string>& items) {
    doc.writeInteger(section, countKey, static_cast<int>(items.size()));
    for (size_t i = 0; i < items.size(); ++i)
        doc.writeString(section, std::string(itemPrefix) + std::to_string(i), items[i]);
}

void readSchedule(const IniDocument& doc, const std::string& section, BackupProject& p) {
    p.startTimeOrIncrease = doc.readString(section, "StartTime_or_Increase");
    int mode = doc.readInteger(section, "BackupMode", 3);
    p.scheduleMode = (mode >= 0 && mode <= 3) ? std::optional(static_cast<ScheduleMode>(mode)) : std::nullopt;
    const std::string& text = p.startTimeOrIncrease;
    if (auto time = parseTime(text))
        p.dailyTime = *time;
    if (auto minutes = parseInt(text))
        p.everyMinutes = clampInt(*minutes, MinEveryMinutes, MaxEveryMinutes);
    for (int day = 0; day < 7; ++day)
        if (text == WeekdayNames[day])
            p.weekday = day;
}

} // namespace

std::optional<std::string> scheduleText(const BackupProject& p) {
    switch (p.scheduleMode.value_or(ScheduleMode::DailyOnce)) {
    case ScheduleMode::None:
        return std::nullopt;
    case ScheduleMode::Weekly:
        return p.weekday ? std::string(WeekdayNames[*p.weekday % 7]) : std::string();
    case ScheduleMode::EveryMinutes:
        return std::to_string(p.everyMinutes);
    case ScheduleMode::DailyOnce:
        break;
    }
    return formatTime(p.dailyTime);
}

std::vector<std::string> readIndexedList(const IniDocument& doc, std::string_view section, std::string_view countKey,
                                         std::string_view itemPrefix) {
    // Walks the keys that exist instead of every index below the count, so a damaged count
    // of two billion costs nothing.
    long long count = doc.readInteger(section, countKey, 0);
    std::map<long long, std::string> byIndex;
    for (const auto& key : doc.keys(section)) {
        long long index = indexOfKey(key, itemPrefix);
        if (index < 0 || index >= count || byIndex.count(index) != 0)
            continue;
        std::string value = doc.readString(section, key);
        if (!value.empty())
            byIndex.emplace(index, std::move(value));
    }
    std::vector<std::string> items;
    for (auto& [index, value] : byIndex)
        items.push_back(std::move(value));
    return items;
}

ProjectStore::ProjectStore(std::filesystem::path projectIni, const Clock& clock)
    : m_ini(std::move(projectIni)), m_clock(clock) {}

BackupProject ProjectStore::load(std::string_view name) {
    const IniDocument doc = m_ini.read();
    BackupProject project = fromDocument(doc, name, m_clock);
    m_seen[toLowerAscii(project.name)] = runKeysOf(doc, project.name);
    return project;
}

ProjectStore::RunKeys ProjectStore::runKeysOf(const IniDocument& doc, std::string_view section) {
    return {doc.value(section, "Value"), doc.value(section, "NewDateTime")};
}

void ProjectStore::keepNewerRunKeys(const RunKeys& seen, const RunKeys& now, BackupProject& p) {
    if (now.value != seen.value) {
        const auto number = [](const std::optional<std::string>& text) {
            return static_cast<long long>(text ? parseIntOr(*text, 1) : 1);
        };
        const long long typed = static_cast<long long>(p.nextNumber) - p.increaseValue;
        const long long stored = number(now.value);
        const long long used = typed == number(seen.value) ? stored : std::max(typed, stored);
        p.nextNumber = clampInt(used + p.increaseValue, MinNumber, MaxNumber);
    }
    if (now.newDateTime != seen.newDateTime && seen.newDateTime &&
        formatDateTime(p.filterDateTime) == *seen.newDateTime) {
        if (const auto stored = parseDateTime(now.newDateTime.value_or(std::string())))
            p.filterDateTime = *stored;
    }
}

BackupProject ProjectStore::fromDocument(const IniDocument& doc, std::string_view name, const Clock& clock) {
    BackupProject p;
    p.name = trim(name);
    const std::string& s = p.name;

    p.filenamePrefix = doc.readString(s, "Filename prefix");
    int suffix = doc.readInteger(s, "Suffix", 2);
    p.suffix = (suffix >= 0 && suffix <= 2) ? std::optional(static_cast<SuffixMode>(suffix)) : std::nullopt;
    p.increaseValue = clampInt(doc.readInteger(s, "Increase Value", 1), MinNumber, MaxIncrease);
    p.nextNumber =
        clampInt(static_cast<long long>(doc.readInteger(s, "Value", 1)) + p.increaseValue, MinNumber, MaxNumber);
    p.savePath = doc.readString(s, "Save Path", homeFolder());

    p.backupItems = readIndexedList(doc, s, "Backup Directory Count", "Backup");
    p.excludeItems = readIndexedList(doc, s, "No Backup Directory Count", "NoBackup");

    p.includeSubfolders = doc.readBool(s, "Whether include Subdirectory", true);
    p.usePassword = doc.readBool(s, "Whether password Project", true);
    std::string stored = doc.readString(s, "Password");
    if (p.usePassword && !stored.empty())
        p.password = IniPasswordCodec::decode(stored, s);
    p.confirmPassword = p.password;

    p.storePaths = doc.readBool(s, "Whether store path in Zip", true);
    p.storeComment = doc.readBool(s, "Whether store comment in Zip", true);
    p.comment = doc.readString(s, "Comment");

    readSchedule(doc, s, p);

    p.packLevel = clampInt(doc.readInteger(s, "PackLevel", 6), MinPackLevel, MaxPackLevel);
    p.storeNumber = clampInt(doc.readInteger(s, "Store Number", 50), MinStoreNumber, MaxStoreNumber);
    p.onlyNewer = doc.readBool(s, "isUseNew", false);
    p.useLastBackupDate = doc.readBool(s, "isUseToday", false);
    DateTime now = clock.now();
    p.filterDateTime = parseDateTime(doc.readString(s, "NewDateTime", formatDateTime(now))).value_or(now);

    p.restorePath = doc.readString(s, "Restore path", homeFolder());
    p.restoreToOrigPath = doc.readBool(s, "Restore to orig path", true);
    int overwrite = doc.readInteger(s, "Overwrite Mode", RestoreOverwriteNever);
    p.overwriteMode = (overwrite >= 0 && overwrite <= 4) ? std::optional(overwrite) : std::nullopt;

    p.ftpSite = trim(doc.readString(s, FtpSiteKey));
    p.ftpFolder = trim(doc.readString(s, FtpFolderKey));
    return p;
}

BackupProject ProjectStore::save(const BackupProject& project, std::string_view fileNameField) {
    BackupProject saved = project;
    const std::string section = trim(project.name);
    const std::string key = toLowerAscii(section);
    RunKeys written;
    m_ini.edit([&](IniDocument& doc) {
        if (const auto seen = m_seen.find(key); seen != m_seen.end())
            keepNewerRunKeys(seen->second, runKeysOf(doc, section), saved);
        writeProject(doc, saved, fileNameField);
        written = runKeysOf(doc, section);
    });
    m_seen[key] = written;
    return saved;
}

void ProjectStore::writeProject(IniDocument& doc, const BackupProject& p, std::string_view fileNameField) {
    const std::string s = trim(p.name);
    doc.writeString(s, "Filename prefix", trim(p.filenamePrefix));
    doc.writeInteger(s, "Suffix", static_cast<int>(p.suffix.value_or(SuffixMode::Number)));
    doc.writeInteger(s, "Increase Value", p.increaseValue);
    doc.writeInteger(s, "Value", p.nextNumber - p.increaseValue);
    doc.writeString(s, "Save Path", folderPart(trim(fileNameField)));
    writeList(doc, s, "Backup Directory Count", "Backup", p.backupItems);
    writeList(doc, s, "No Backup Directory Count", "NoBackup", p.excludeItems);
    doc.writeBool(s, "Whether include Subdirectory", p.includeSubfolders);
    doc.writeBool(s, "Whether password Project", p.usePassword);
    std::string password = trim(p.password);
    if (p.usePassword && !password.empty())
        doc.writeString(s, "Password", IniPasswordCodec::encode(password, s));
    else if (p.usePassword)
        // Left in place, an earlier password would be read back with the box still checked and
        // encrypt the next backups with a password the user cleared.
        doc.removeKey(s, "Password");
    doc.writeBool(s, "Whether store path in Zip", p.storePaths);
    doc.writeBool(s, "Whether store comment in Zip", p.storeComment);
    if (p.storeComment && !trim(p.comment).empty())
        doc.writeString(s, "Comment", p.comment);
    ScheduleMode mode = p.scheduleMode.value_or(ScheduleMode::DailyOnce);
    doc.writeInteger(s, "BackupMode", static_cast<int>(mode));
    if (auto text = scheduleText(p))
        doc.writeString(s, "StartTime_or_Increase", *text);
    doc.writeInteger(s, "PackLevel", p.packLevel);
    doc.writeInteger(s, "Store Number", p.storeNumber);
    doc.writeBool(s, "isUseNew", p.onlyNewer);
    doc.writeBool(s, "isUseToday", p.useLastBackupDate);
    doc.writeString(s, "NewDateTime", formatDateTime(p.filterDateTime));
    // Written only when set, so that a project without an off-site copy keeps its section as the
    // earlier versions of the program wrote it.
    for (const auto& [key, value] :
         {std::pair{FtpSiteKey, trim(p.ftpSite)}, std::pair{FtpFolderKey, trim(p.ftpFolder)}}) {
        if (value.empty())
            doc.removeKey(s, key);
        else
            doc.writeString(s, key, value);
    }
}

std::vector<std::string> ProjectStore::projectList() const {
    return readProjectList(m_ini.read());
}

std::vector<std::string> ProjectStore::readProjectList(const IniDocument& doc) {
    std::vector<std::string> names;
    for (const auto& entry : readIndexedList(doc, CommonSection, "Project Count", "Count")) {
        std::string name = trim(entry);
        if (!name.empty() && findProjectName(names, name) < 0)
            names.push_back(std::move(name));
    }
    sortProjectNames(names);
    return names;
}

void ProjectStore::saveProjectList(const std::vector<std::string>& names) {
    m_ini.edit([&](IniDocument& doc) { writeProjectList(doc, names); });
}

void ProjectStore::writeProjectList(IniDocument& doc, const std::vector<std::string>& names) {
    writeList(doc, CommonSection, "Project Count", "Count", names);
}

int ProjectStore::storedScheduleMode(std::string_view name) const {
    return m_ini.readInteger(trim(name), "BackupMode", static_cast<int>(ScheduleMode::None));
}

void ProjectStore::writeRestoreOptions(std::string_view name, std::string_view restorePath, bool restoreToOrigPath,
                                       int overwriteMode) {
    const std::string s = trim(name);
    m_ini.edit([&](IniDocument& doc) {
        doc.writeString(s, "Restore path", trim(restorePath));
        doc.writeBool(s, "Restore to orig path", restoreToOrigPath);
        doc.writeInteger(s, "Overwrite Mode", overwriteMode);
    });
}

} // namespace quorvel
