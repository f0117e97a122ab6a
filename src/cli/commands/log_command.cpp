#include "cli/commands/log_command.h"

#include "cli/cli_app.h"
#include "core/backup/operation_log.h"
#include "core/project/app_settings.h"

namespace quorvel::cli {

std::string LogCommand::usage() const {
    return "log                   print the operation log, newest first: date, operation, status,\n"
           "                      project and information, separated by tabs";
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
        context.out << entry[LogColumnDate] << '\t' << entry[LogColumnOperation] << '\t' << entry[LogColumnStatus]
                    << '\t' << entry[LogColumnProject] << '\t' << entry[LogColumnInformation] << '\n';
    }
    return ExitOk;
}

} // namespace quorvel::cli
