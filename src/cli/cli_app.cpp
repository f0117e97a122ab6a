#include "cli/cli_app.h"
#include "cli/commands/console_prompts.h"

#include "build_info.h"
#include "core/util/errors.h"

#include <exception>
#include <sstream>

namespace quorvel::cli {

std::string usageText() {
    std::ostringstream text;
    text << "Usage: quorvel-backup-cli [--data-dir DIR] COMMAND [ARGS...]\n"
            "       quorvel-backup-cli --help | --version\n\nCommands:\n";
    for (const auto& command : allCommands()) {
        std::istringstream lines(command->usage());
        for (std::string line; std::getline(lines, line);)
            text << "  " << line << "\n";
    }
    text << "\nWithout --data-dir the program's data folder is used "
            "($XDG_CONFIG_HOME/quorvel-backup, or ~/.config/quorvel-backup).\n"
            "Exit status: 0 success, 1 failure, 2 wrong usage. More in quorvel-backup-cli(1).\n";
    return text.str();
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::filesystem::path dataDir;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == "--data-dir") {
            if (i + 1 >= args.size()) {
                err << "--data-dir needs a folder\n" << usageText();
                return ExitUsage;
            }
            dataDir = args[++i];
        } else if (args[i] == "-h" || args[i] == "--help" || args[i] == "help") {
            out << usageText();
            return ExitOk;
        } else if (args[i] == "--version") {
            out << "quorvel-backup-cli " << QUORVEL_VERSION << "\n";
            return ExitOk;
        } else {
            break;
        }
    }
    if (i >= args.size()) {
        err << usageText();
        return ExitUsage;
    }
    const std::string& name = args[i];
    for (const auto& command : allCommands()) {
        if (command->name() != name)
            continue;
        try {
            if (dataDir.empty())
                dataDir = resolveDataFolder(executableFolder());
            CliContext context{
                {args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end()}, DataFiles{dataDir}, out, err};
            return command->run(context);
        } catch (const std::exception& e) {
            err << consoleText(e.what()) << "\n";
            return ExitFailure;
        }
    }
    err << "Unknown command '" << name << "'\n" << usageText();
    return ExitUsage;
}

} // namespace quorvel::cli
