#include "cli/commands/log_command.h"

#include "cli/cli_app.h"
#include "core/backup/operation_log.h"
#include "core/project/app_settings.h"

#include <algorithm>

namespace quorvel::cli {

namespace {

// A tab or a line break inside a text would split its line or shift its columns: they are shown
// as \t, \r and \n, and a backslash as \\ so that the text can still be read back exactly.
std::string column(const std::string& text) {
    std::string shown;
    for (char c : text) {
        switch (c) {
        case '\\':
            shown += "\\\\";
            break;
        case '\t':
            shown += "\\t";
            break;
        case '\r':
            shown += "\\r";
            break;
        case '\n':
            shown += "\\n";
            break;
        default:
            shown += c;
        }
    }
    return shown;
}

} // namespace

std::string LogCommand::usage() const {
    return "log                   print the operation log, newest first: date, operation, status,\n"
           "                      project and information, separated by tabs (a tab, line break or\n"
           "                      backslash in a text is shown as \\t, \\r, \\n or \\\\)";
}

int LogCommand::run(CliContext& context) {
    if (!context.args.empty()) {
        context.err << usageText();
        return ExitUsage;
    }
    SystemClock clock;
    const AppSettings settings = loadSettingsAndProjects(IniFile(context.data.projectIni())).settings;
    OperationLog log(context.data.logFile(), clock, settings.logCount);
    log.LoadLog();
    for (int row = 1; row <= log.count(); ++row) {
        const LogRow& entry = log.row(row);
        // An entry missing from the file (a damaged log) has nothing to show.
        if (std::all_of(entry.begin(), entry.end(), [](const std::string& cell) { return cell.empty(); }))
            continue;
        context.out << column(entry[LogColumnDate]) << '\t' << column(entry[LogColumnOperation]) << '\t'
                    << column(entry[LogColumnStatus]) << '\t' << column(entry[LogColumnProject]) << '\t'
                    << column(entry[LogColumnInformation]) << '\n';
    }
    return ExitOk;
}

} // namespace quorvel::cli
