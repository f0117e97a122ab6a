#include "cli/commands/show_command.h"

#include "cli/cli_app.h"
#include "core/project/project_names.h"
#include "core/project/project_store.h"

namespace quorvel::cli {

namespace {

void printList(std::ostream& out, const std::string& countKey, const std::string& itemPrefix,
               const std::vector<std::string>& items) {
    out << countKey << "=" << items.size() << "\n";
    for (size_t i = 0; i < items.size(); ++i)
        out << itemPrefix << i << "=" << items[i] << "\n";
}

} // namespace

std::string ShowCommand::usage() const {
    return "show NAME             print the settings of a project as key=value lines";
}

// Stored values outside their set print as a freshly opened window shows them: the number
// suffix, no schedule, and the overwrite mode "never" that a save of the options would write.
void ShowCommand::print(const BackupProject& p, std::ostream& out) {
    auto flag = [](bool value) { return value ? "1" : "0"; };
    ScheduleMode mode = p.scheduleMode.value_or(ScheduleMode::None);
    out << "Filename prefix=" << p.filenamePrefix << "\n"
        << "Suffix=" << static_cast<int>(p.suffix.value_or(SuffixMode::Number)) << "\n"
        << "Increase Value=" << p.increaseValue << "\n"
        << "Value=" << p.nextNumber - p.increaseValue << "\n"
        << "Save Path=" << p.savePath << "\n";
    printList(out, "Backup Directory Count", "Backup", p.backupItems);
    printList(out, "No Backup Directory Count", "NoBackup", p.excludeItems);
    out << "Whether include Subdirectory=" << flag(p.includeSubfolders) << "\n"
        << "Whether password Project=" << flag(p.usePassword) << "\n"
        << "Password=" << (p.password.empty() ? "" : "<set>") << "\n"
        << "Whether store path in Zip=" << flag(p.storePaths) << "\n"
        << "Whether store comment in Zip=" << flag(p.storeComment) << "\n"
        << "Comment=" << p.comment << "\n"
        << "BackupMode=" << static_cast<int>(mode) << "\n"
        << "StartTime_or_Increase="
        << (mode == ScheduleMode::None ? p.startTimeOrIncrease : scheduleText(p).value_or("")) << "\n"
        << "PackLevel=" << p.packLevel << "\n"
        << "Store Number=" << p.storeNumber << "\n"
        << "isUseNew=" << flag(p.onlyNewer) << "\n"
        << "isUseToday=" << flag(p.useLastBackupDate) << "\n"
        << "NewDateTime=" << formatDateTime(p.filterDateTime) << "\n"
        << "Restore path=" << p.restorePath << "\n"
        << "Restore to orig path=" << flag(p.restoreToOrigPath) << "\n"
        << "Overwrite Mode=" << p.overwriteMode.value_or(RestoreOverwriteNever) << "\n"
        << FtpSiteKey << "=" << p.ftpSite << "\n"
        << FtpFolderKey << "=" << p.ftpFolder << "\n";
}

int ShowCommand::run(CliContext& context) {
    if (context.args.size() != 1) {
        context.err << usageText();
        return ExitUsage;
    }
    SystemClock clock;
    ProjectStore store(context.data.projectIni(), clock);
    IniDocument doc = store.file().read();
    auto projects = ProjectStore::readProjectList(doc);
    int index = findProjectName(projects, context.args[0]);
    if (index < 0) {
        context.err << "Project '" << context.args[0] << "' does not exist\n";
        return ExitFailure;
    }
    print(ProjectStore::fromDocument(doc, projects[static_cast<size_t>(index)], clock), context.out);
    return ExitOk;
}

} // namespace quorvel::cli
