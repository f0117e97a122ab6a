#include "cli/commands/project_set_command.h"

#include "cli/commands/archive_args.h"
#include "cli/commands/named_project.h"
#include "cli/commands/project_new_command.h"
#include "core/backup/backup_runner.h"
#include "core/project/project_items.h"
#include "core/project/project_operations.h"
#include "core/project/project_store.h"
#include "core/project/validate_project_input.h"
#include "core/util/strings.h"

#include <filesystem>

namespace quorvel::cli {

namespace fs = std::filesystem;

namespace {

// The project as the keys given so far leave it, with the two values that are checked once
// every key is in: the last number used ("Value") and the schedule text.
struct Change {
    BackupProject p;
    int lastValue = 0;
    std::optional<std::string> scheduleText;
    bool restoreChanged = false;
    fs::path cwd;
};

using Problem = std::optional<std::string>;

struct BoolKey {
    const char* key;
    bool BackupProject::*field;
};
constexpr BoolKey BoolKeys[] = {
    {"Whether include Subdirectory", &BackupProject::includeSubfolders},
    {"Whether password Project", &BackupProject::usePassword},
    {"Whether store path in Zip", &BackupProject::storePaths},
    {"Whether store comment in Zip", &BackupProject::storeComment},
    {"isUseNew", &BackupProject::onlyNewer},
    {"isUseToday", &BackupProject::useLastBackupDate},
    {"Restore to orig path", &BackupProject::restoreToOrigPath},
};

struct IntKey {
    const char* key;
    int BackupProject::*field;
    int low, high;
};
constexpr IntKey IntKeys[] = {
    {"Increase Value", &BackupProject::increaseValue, MinNumber, MaxNumber},
    {"PackLevel", &BackupProject::packLevel, MinPackLevel, MaxPackLevel},
    {"Store Number", &BackupProject::storeNumber, MinStoreNumber, MaxStoreNumber},
};

std::string range(const std::string& key, int low, int high) {
    return key + " is " + std::to_string(low) + " to " + std::to_string(high);
}

// "Backup" + index or "NoBackup" + index: the index, or -1.
int itemIndex(std::string_view key, std::string_view prefix) {
    if (key.size() <= prefix.size() || !startsWithIgnoreCase(key, prefix))
        return -1;
    const std::string_view digits = key.substr(prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string_view::npos)
        return -1;
    return parseIntOr(digits, -1);
}

Problem setListCount(std::vector<std::string>& items, const std::string& key, const std::string& value) {
    const std::optional<int> count = intWithin(value, 0, static_cast<int>(items.size()));
    if (!count)
        return key + " can only shorten the list, which holds " + std::to_string(items.size());
    items.resize(static_cast<size_t>(*count));
    return std::nullopt;
}

// An item replaced, appended at the end, or removed by an empty value.
Problem setListItem(std::vector<std::string>& items, const std::string& prefix, int index, const std::string& item) {
    const auto size = static_cast<int>(items.size());
    const auto at = items.begin() + index;
    if (index < size && item.empty())
        items.erase(at);
    else if (index < size)
        *at = item;
    else if (index == size && !item.empty())
        items.push_back(item);
    else
        return "The list holds " + std::to_string(size) + " items: the next one is " + prefix + std::to_string(size);
    return std::nullopt;
}

Problem setListKey(Change& c, const std::string& key, const std::string& value, bool& handled) {
    handled = true;
    if (equalsIgnoreCase(key, "Backup Directory Count"))
        return setListCount(c.p.backupItems, key, value);
    if (equalsIgnoreCase(key, "No Backup Directory Count"))
        return setListCount(c.p.excludeItems, key, value);
    const std::string typed = trim(value);
    if (const int index = itemIndex(key, "NoBackup"); index >= 0)
        return setListItem(c.p.excludeItems, "NoBackup", index, typed.empty() ? "" : exclusionItem(typed, c.cwd));
    if (const int index = itemIndex(key, "Backup"); index >= 0)
        return setListItem(c.p.backupItems, "Backup", index, typed.empty() ? "" : sourceItem(typed, c.cwd));
    handled = false;
    return std::nullopt;
}

Problem setTypedKey(Change& c, const std::string& key, const std::string& value, bool& handled) {
    handled = true;
    for (const BoolKey& k : BoolKeys)
        if (equalsIgnoreCase(key, k.key)) {
            if (value != "0" && value != "1")
                return key + " is 0 or 1";
            c.p.*k.field = value == "1";
            c.restoreChanged |= k.field == &BackupProject::restoreToOrigPath;
            return std::nullopt;
        }
    for (const IntKey& k : IntKeys)
        if (equalsIgnoreCase(key, k.key)) {
            const std::optional<int> number = intWithin(value, k.low, k.high);
            if (!number)
                return range(key, k.low, k.high);
            c.p.*k.field = *number;
            return std::nullopt;
        }
    handled = false;
    return std::nullopt;
}

Problem setKey(Change& c, const std::string& key, const std::string& value) {
    bool handled = false;
    if (Problem problem = setListKey(c, key, value, handled); handled)
        return problem;
    if (Problem problem = setTypedKey(c, key, value, handled); handled)
        return problem;
    auto choice = [&](int low, int high) -> std::optional<int> { return intWithin(value, low, high); };
    if (equalsIgnoreCase(key, "Filename prefix")) {
        c.p.filenamePrefix = value;
    } else if (equalsIgnoreCase(key, "Comment")) {
        c.p.comment = value;
    } else if (equalsIgnoreCase(key, "Save Path")) {
        c.p.savePath = destinationFolder(value, c.cwd);
    } else if (equalsIgnoreCase(key, "Restore path")) {
        c.p.restorePath = destinationFolder(value, c.cwd);
        c.restoreChanged = true;
    } else if (equalsIgnoreCase(key, "Value")) {
        const std::optional<int> last = parseInt(value);
        if (!last)
            return "Value is a number";
        c.lastValue = *last;
    } else if (equalsIgnoreCase(key, "StartTime_or_Increase")) {
        c.scheduleText = value;
    } else if (equalsIgnoreCase(key, "NewDateTime")) {
        const std::optional<DateTime> when = parseDateTime(value);
        if (!when)
            return "NewDateTime is a date and time such as 2026-12-07 23:16:06";
        c.p.filterDateTime = *when;
    } else if (equalsIgnoreCase(key, "Suffix")) {
        if (!choice(0, 2))
            return "Suffix is 0 (none), 1 (date) or 2 (number)";
        c.p.suffix = static_cast<SuffixMode>(*choice(0, 2));
    } else if (equalsIgnoreCase(key, "BackupMode")) {
        if (!choice(0, 3))
            return "BackupMode is 0 (daily at a time), 1 (every N minutes), 2 (weekly) or 3 (none)";
        c.p.scheduleMode = static_cast<ScheduleMode>(*choice(0, 3));
    } else if (equalsIgnoreCase(key, "Overwrite Mode")) {
        if (!choice(0, 4))
            return range(key, 0, 4);
        c.p.overwriteMode = choice(0, 4);
        c.restoreChanged = true;
    } else if (equalsIgnoreCase(key, FtpSiteKey)) {
        c.p.ftpSite = trim(value);
    } else if (equalsIgnoreCase(key, FtpFolderKey)) {
        c.p.ftpFolder = trim(value);
    } else if (equalsIgnoreCase(key, "Password")) {
        return "A password is given only with --password-file FILE";
    } else {
        return "Unknown key " + key;
    }
    return std::nullopt;
}

// The values checked once every key is in, as the window's controls would hold them.
Problem finish(Change& c) {
    c.p.nextNumber = c.lastValue + c.p.increaseValue;
    if (c.p.nextNumber < MinNumber || c.p.nextNumber > MaxNumber)
        return "Value + Increase Value must lie within 1 to 1000";
    const ScheduleMode mode = c.p.scheduleMode.value_or(ScheduleMode::None);
    if (c.scheduleText && mode != ScheduleMode::None) {
        static const char* forms[] = {"daily=", "every=", "weekly="};
        if (!applyScheduleOption(c.p, forms[static_cast<int>(mode)] + *c.scheduleText))
            return "StartTime_or_Increase is a time HH:MM:SS for BackupMode 0, minutes 2 to 1000 for 1, a day name "
                   "for 2";
    }
    if (mode == ScheduleMode::Weekly && !c.p.weekday)
        return "A weekly schedule needs StartTime_or_Increase=DAYNAME";
    return std::nullopt;
}

int usageError(CliContext& context, const std::string& message) {
    context.err << message << "\n" << projectSetUsage() << "\n";
    return ExitUsage;
}

} // namespace

std::string projectSetUsage() {
    return "project set NAME KEY=VALUE... [--password-file FILE]\n"
           "    Changes keys as `show` prints them (BackupN=ITEM replaces or appends an item, an empty\n"
           "    value removes it); checked as Save Project checks; the password only from FILE";
}

int runProjectSet(CliContext& context, const std::vector<std::string>& argv) {
    ArgCursor args(argv);
    std::vector<std::string> assignments;
    std::optional<std::string> passwordFile;
    while (!args.atEnd()) {
        std::string arg = args.take();
        if (arg == "--password-file") {
            if (!(passwordFile = args.value()))
                return usageError(context, "--password-file needs a file");
        } else {
            assignments.push_back(std::move(arg));
        }
    }
    if (assignments.empty() || (assignments.size() == 1 && !passwordFile))
        return usageError(context, "project set needs a NAME and at least one KEY=VALUE");

    SystemClock clock;
    ProjectStore store(context.data.projectIni(), clock);
    const std::optional<NamedProject> found = findNamedProject(context, store, assignments.front());
    if (!found)
        return ExitFailure;
    Change change{ProjectStore::fromDocument(found->doc, found->name, clock), 0, std::nullopt, false,
                  fs::current_path()};
    change.lastValue = change.p.nextNumber - change.p.increaseValue;
    for (size_t i = 1; i < assignments.size(); ++i) {
        const size_t eq = assignments[i].find('=');
        if (eq == std::string::npos)
            return usageError(context, "Not KEY=VALUE: " + assignments[i]);
        if (Problem problem = setKey(change, trim(assignments[i].substr(0, eq)), assignments[i].substr(eq + 1)))
            return usageError(context, *problem);
    }
    if (passwordFile) {
        change.p.usePassword = true;
        change.p.password = change.p.confirmPassword = readPasswordFile(*passwordFile);
    }
    if (Problem problem = finish(change))
        return usageError(context, *problem);

    const BackupProject& p = change.p;
    const std::string fileName = previewFileName(p, loadSettingsAndProjects(found->doc).settings, clock);
    if (Problem problem = projectSettingsProblem(p, fileName);
        problem || (problem = offsiteCopyProblem(p, context.data.accountIni()))) {
        context.err << *problem << "\n";
        return ExitFailure;
    }
    store.save(p, fileName);
    if (change.restoreChanged)
        store.writeRestoreOptions(p.name, p.restorePath, p.restoreToOrigPath,
                                  p.overwriteMode.value_or(RestoreOverwriteNever));
    context.out << "Changed project '" << p.name << "'\n";
    return ExitOk;
}

} // namespace quorvel::cli
