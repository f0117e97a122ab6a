#include "cli/commands/wildcards_command.h"

#include "core/project/wildcard_library.h"

namespace quorvel::cli {

std::string WildcardsCommand::usage() const {
    return "wildcards [add|remove MASK...]\n"
           "    Lists the stored file masks, or adds masks to / removes them from the list";
}

int WildcardsCommand::run(CliContext& context) {
    IniFile ini(context.data.projectIni());
    std::vector<std::string> masks = loadWildcardLibrary(ini);
    if (context.args.empty()) {
        for (const std::string& mask : masks)
            context.out << mask << "\n";
        return ExitOk;
    }
    const std::string& action = context.args.front();
    if ((action != "add" && action != "remove") || context.args.size() < 2) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    int code = ExitOk;
    for (auto mask = context.args.begin() + 1; mask != context.args.end(); ++mask) {
        if (action == "add" && !addWildcard(masks, *mask)) {
            context.err << "'" << *mask << "' is in the list already, or blank\n";
        } else if (action == "remove" && !removeWildcard(masks, *mask)) {
            context.err << "'" << *mask << "' is not in the list\n";
            code = ExitFailure;
        }
    }
    ensureDataFolder(context.data.folder);
    saveWildcardLibrary(ini, masks);
    return code;
}

} // namespace quorvel::cli
