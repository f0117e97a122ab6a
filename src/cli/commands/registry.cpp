#include "cli/cli_app.h"
#include "cli/commands/add_command.h"
#include "cli/commands/delete_command.h"
#include "cli/commands/extract_command.h"
#include "cli/commands/ftp_command.h"
#include "cli/commands/ftp_site_command.h"
#include "cli/commands/list_command.h"
#include "cli/commands/log_command.h"
#include "cli/commands/mail_account_command.h"
#include "cli/commands/mail_command.h"
#include "cli/commands/project_manage_command.h"
#include "cli/commands/projects_command.h"
#include "cli/commands/restore_command.h"
#include "cli/commands/run_command.h"
#include "cli/commands/schedule_command.h"
#include "cli/commands/show_command.h"
#include "cli/commands/test_command.h"
#include "cli/commands/wildcards_command.h"
#include "cli/commands/zip_command.h"

namespace quorvel::cli {

// Add each new command here, in the order the usage text should list it.
std::vector<std::unique_ptr<CliCommand>> allCommands() {
    std::vector<std::unique_ptr<CliCommand>> commands;
    commands.push_back(std::make_unique<ZipCommand>());
    commands.push_back(std::make_unique<ListCommand>());
    commands.push_back(std::make_unique<TestCommand>());
    commands.push_back(std::make_unique<ExtractCommand>());
    commands.push_back(std::make_unique<ProjectsCommand>());
    commands.push_back(std::make_unique<ShowCommand>());
    commands.push_back(std::make_unique<ProjectCommand>());
    commands.push_back(std::make_unique<WildcardsCommand>());
    commands.push_back(std::make_unique<RunCommand>());
    commands.push_back(std::make_unique<LogCommand>());
    commands.push_back(std::make_unique<RestoreCommand>());
    commands.push_back(std::make_unique<ScheduleCommand>());
    commands.push_back(std::make_unique<AddCommand>());
    commands.push_back(std::make_unique<DeleteCommand>());
    commands.push_back(std::make_unique<FtpSiteCommand>());
    commands.push_back(std::make_unique<FtpCommand>());
    commands.push_back(std::make_unique<MailAccountCommand>());
    commands.push_back(std::make_unique<MailCommand>());
    return commands;
}

} // namespace quorvel::cli
