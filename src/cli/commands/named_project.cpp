#include "cli/commands/named_project.h"

#include "core/project/project_names.h"
#include "core/project/project_store.h"

namespace quorvel::cli {

std::optional<NamedProject> findNamedProject(CliContext& context, const ProjectStore& store, const std::string& typed) {
    NamedProject found{store.file().read(), {}};
    const std::vector<std::string> projects = ProjectStore::readProjectList(found.doc);
    const int index = findProjectName(projects, typed);
    if (index < 0) {
        context.err << "Project '" << typed << "' does not exist\n";
        return std::nullopt;
    }
    found.name = projects[static_cast<size_t>(index)];
    return found;
}

} // namespace quorvel::cli
