#include "core/backup/project_writer_settings.h"

#include "core/project/backup_project.h"
#include "core/util/strings.h"
#include "core/zip/zip_writer.h"

#include <algorithm>

namespace quorvel {

ProjectWriterSettings writerSettingsOf(const BackupProject& project) {
    ProjectWriterSettings settings;
    settings.recurse = project.includeSubfolders;
    settings.storePaths = project.storePaths;
    const std::string password = trim(project.password);
    settings.password = project.usePassword && !password.empty() ? password : std::string();
    settings.packLevel = std::clamp(project.packLevel, MinPackLevel, MaxPackLevel);
    return settings;
}

void applyWriterSettings(TZipWriter& writer, const ProjectWriterSettings& settings) {
    writer.Recurse = settings.recurse;
    writer.StorePaths = settings.storePaths;
    writer.Password = settings.password;
    writer.PackLevel = settings.packLevel;
    writer.AddDirEntriesOnRecurse = false;
}

} // namespace quorvel
