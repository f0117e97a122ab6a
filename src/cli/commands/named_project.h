#pragma once

#include "cli/cli_command.h"
#include "core/ini/ini_document.h"

#include <optional>
#include <string>

namespace quorvel {
class ProjectStore;
}

namespace quorvel::cli {

// A project named on the command line, with project.ini as it was read for the command.
struct NamedProject {
    IniDocument doc;
    std::string name; // as the project list spells it
};

// Finds the project as the project selector would; tells the user and gives nullopt when none
// has that name.
std::optional<NamedProject> findNamedProject(CliContext& context, const ProjectStore& store, const std::string& typed);

} // namespace quorvel::cli
