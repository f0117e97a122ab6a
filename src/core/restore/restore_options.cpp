#include "core/restore/restore_options.h"

#include "core/project/backup_project.h"
#include "core/util/strings.h"

namespace quorvel {

std::optional<StoredOverwriteMode> storedOverwriteModeOf(int storedValue) {
    if (storedValue < 0 || storedValue > 4)
        return std::nullopt;
    return static_cast<StoredOverwriteMode>(storedValue);
}

int storedOverwriteValue(std::optional<StoredOverwriteMode> selected) {
    return selected ? static_cast<int>(*selected) : DefaultStoredOverwriteMode;
}

std::string_view overwriteCaption(StoredOverwriteMode mode) {
    for (const OverwriteRadio& radio : OverwriteRadios) {
        if (radio.mode == mode)
            return radio.caption;
    }
    return {};
}

TUZOverwriteMode readerOverwriteMode(std::optional<StoredOverwriteMode> selected) {
    switch (selected.value_or(StoredOverwriteMode::Never)) {
    case StoredOverwriteMode::Prompt:
        return Prompt;
    case StoredOverwriteMode::Always:
        return Always;
    case StoredOverwriteMode::IfNewer:
        return ifNewer;
    case StoredOverwriteMode::IfOlder:
        return ifOlder;
    case StoredOverwriteMode::Never:
        break;
    }
    return Never;
}

RestoreOptions RestoreOptions::ofProject(const BackupProject& project) {
    RestoreOptions options;
    options.destDir = project.restorePath;
    options.useOriginalFolders = project.restoreToOrigPath;
    options.overwrite = project.overwriteMode ? storedOverwriteModeOf(*project.overwriteMode) : std::nullopt;
    return options;
}

std::string restoreOptionLines(const RestoreOptions& options) {
    const std::string_view caption = options.overwrite ? overwriteCaption(*options.overwrite) : std::string_view();
    return "Extract to:          '" + trim(options.destDir) + "'\r" + "Use original folder: '" +
           (options.useOriginalFolders ? "Yes" : "No") + "'\r" + "Overwrite Mode:      '" + std::string(caption) + "'";
}

std::string restoreArchiveQuestion(std::string_view archiveName, const RestoreOptions& options) {
    return "Do you want to restore the file '" + std::string(archiveName) + "'?\r" + restoreOptionLines(options);
}

std::string restoreSelectedQuestion(std::size_t count, std::string_view archiveName, const RestoreOptions& options) {
    return "Do you want to restore " + std::to_string(count) + " files from '" + std::string(archiveName) + "'?\r" +
           restoreOptionLines(options);
}

} // namespace quorvel
