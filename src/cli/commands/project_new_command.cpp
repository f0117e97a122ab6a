#include "cli/commands/project_new_command.h"

#include "cli/commands/archive_args.h"
#include "core/backup/backup_runner.h"
#include "core/backup/backup_sources.h"
#include "core/project/project_items.h"
#include "core/project/project_operations.h"
#include "core/project/project_store.h"
#include "core/project/validate_project_input.h"
#include "core/util/clock.h"
#include "core/util/strings.h"

#include <filesystem>

namespace quorvel::cli {

namespace fs = std::filesystem;

namespace {

// The values of an option that takes several: every following argument up to the next option.
std::vector<std::string> takeValues(ArgCursor& args) {
    std::vector<std::string> values;
    while (!args.atEnd() && args.peek().rfind("--", 0) != 0)
        values.push_back(args.take());
    return values;
}

std::optional<SuffixMode> suffixNamed(std::string_view word) {
    if (word == "none")
        return SuffixMode::None;
    if (word == "date")
        return SuffixMode::Date;
    if (word == "number")
        return SuffixMode::Number;
    return std::nullopt;
}

struct NewRequest {
    std::optional<std::string> name;
    std::vector<std::string> sources, excludes;
    std::optional<std::string> dest, prefix, passwordFile;
};

// Applies one option to the request and the project; an error text when it is not valid.
std::optional<std::string> applyOption(const std::string& option, ArgCursor& args, NewRequest& request,
                                       BackupProject& p) {
    if (option == "--source" || option == "--exclude") {
        std::vector<std::string> items = takeValues(args);
        if (items.empty())
            return option + " needs at least one item";
        auto& list = option == "--source" ? request.sources : request.excludes;
        list.insert(list.end(), items.begin(), items.end());
        return std::nullopt;
    }
    if (option == "--no-subfolders") {
        p.includeSubfolders = false;
        return std::nullopt;
    }
    if (option == "--no-paths") {
        p.storePaths = false;
        return std::nullopt;
    }
    const std::optional<std::string> value = args.value();
    if (!value)
        return option + " needs a value";
    if (option == "--dest")
        request.dest = *value;
    else if (option == "--prefix")
        request.prefix = *value;
    else if (option == "--password-file")
        request.passwordFile = *value;
    else if (option == "--comment") {
        p.storeComment = true;
        p.comment = *value;
    } else if (option == "--suffix") {
        const auto suffix = suffixNamed(*value);
        if (!suffix)
            return "--suffix is none, date or number";
        p.suffix = suffix;
    } else if (option == "--level") {
        const auto level = intWithin(*value, MinPackLevel, MaxPackLevel);
        if (!level)
            return "--level is 0 to 9";
        p.packLevel = *level;
    } else if (option == "--keep") {
        const auto keep = intWithin(*value, MinStoreNumber, MaxStoreNumber);
        if (!keep)
            return "--keep is 2 to 50000";
        p.storeNumber = *keep;
    } else if (option == "--ftp-site") {
        p.ftpSite = trim(*value);
    } else if (option == "--ftp-folder") {
        p.ftpFolder = trim(*value);
    } else if (option == "--schedule") {
        if (!applyScheduleOption(p, *value))
            return "--schedule is none, daily=HH:MM:SS, every=MINUTES (2 to 1000) or weekly=DAYNAME";
    } else {
        return "Unknown option " + option;
    }
    return std::nullopt;
}

} // namespace

std::optional<int> intWithin(std::string_view text, int low, int high) {
    const std::optional<int> value = parseInt(text);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return value;
}

bool applyScheduleOption(BackupProject& p, std::string_view text) {
    const size_t eq = text.find('=');
    const std::string_view kind = text.substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : text.substr(eq + 1);
    if (kind == "none" && eq == std::string_view::npos) {
        p.scheduleMode = ScheduleMode::None;
    } else if (kind == "daily") {
        const std::optional<DateTime> time = parseTime(value);
        if (!time)
            return false;
        p.scheduleMode = ScheduleMode::DailyOnce;
        p.dailyTime = *time;
    } else if (kind == "every") {
        const std::optional<int> minutes = intWithin(value, MinEveryMinutes, MaxEveryMinutes);
        if (!minutes)
            return false;
        p.scheduleMode = ScheduleMode::EveryMinutes;
        p.everyMinutes = *minutes;
    } else if (kind == "weekly") {
        for (int day = 0; day < 7; ++day)
            if (equalsIgnoreCase(value, WeekdayNames[day])) {
                p.scheduleMode = ScheduleMode::Weekly;
                p.weekday = day;
                return true;
            }
        return false;
    } else {
        return false;
    }
    return true;
}

std::string projectNewUsage() {
    return "project new NAME --source ITEM... [--exclude ITEM...] --dest FOLDER [--prefix TEXT]\n"
           "    [--suffix none|date|number] [--level 0-9] [--keep N] [--password-file FILE] [--comment TEXT]\n"
           "    [--no-subfolders] [--no-paths] [--schedule none|daily=HH:MM:SS|every=MINUTES|weekly=DAYNAME]\n"
           "    [--ftp-site LABEL [--ftp-folder DIR]]\n"
           "    Creates a project as the Add Project wizard does; a source folder means its contents;\n"
           "    with --ftp-site each archive is also copied to that FTP site after the run";
}

int runProjectNew(CliContext& context, const std::vector<std::string>& argv) {
    SystemClock clock;
    BackupProject p = newProjectDefaults("", clock.now());
    NewRequest request;
    ArgCursor args(argv);
    while (!args.atEnd()) {
        const std::string arg = args.take();
        if (arg.rfind("--", 0) != 0) {
            if (request.name) {
                context.err << "Only one project name, please: " << arg << "\n" << projectNewUsage() << "\n";
                return ExitUsage;
            }
            request.name = arg;
        } else if (auto error = applyOption(arg, args, request, p)) {
            context.err << *error << "\n" << projectNewUsage() << "\n";
            return ExitUsage;
        }
    }
    if (!request.name || request.sources.empty() || !request.dest) {
        context.err << "project new needs a NAME, --source and --dest\n" << projectNewUsage() << "\n";
        return ExitUsage;
    }

    const fs::path cwd = fs::current_path();
    p.name = trim(*request.name);
    p.filenamePrefix = request.prefix.value_or(*request.name);
    p.savePath = destinationFolder(*request.dest, cwd);
    for (const std::string& source : request.sources)
        p.backupItems.push_back(sourceItem(source, cwd));
    for (const std::string& exclude : request.excludes)
        p.excludeItems.push_back(exclusionItem(exclude, cwd));
    if (request.passwordFile) {
        p.usePassword = true;
        p.password = p.confirmPassword = readPasswordFile(*request.passwordFile);
    }

    ensureDataFolder(context.data.folder);
    IniFile ini(context.data.projectIni());
    const AppSettings settings = loadSettingsAndProjects(ini).settings;
    if (const auto problem = offsiteCopyProblem(p, context.data.accountIni())) {
        context.err << *problem << "\n";
        return ExitFailure;
    }
    try {
        ProjectOperations(context.data).create(p, previewFileName(p, settings, clock));
    } catch (const ProjectRefused& refused) {
        context.err << refused.what() << "\n";
        return ExitFailure;
    }
    if (missingBackupSources(p.backupItems).size() == p.backupItems.size())
        context.err << "Note: none of the sources exists yet; a run fails until one does\n";
    context.out << "Created project '" << p.name << "'\n";
    return ExitOk;
}

} // namespace quorvel::cli
