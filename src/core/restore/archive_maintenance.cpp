#include "core/restore/archive_maintenance.h"

#include "core/platform/atomic_file.h"
#include "core/restore/archive_folder_listing.h"
#include "core/util/errors.h"
#include "core/util/strings.h"

#include <filesystem>
#include <unistd.h>

namespace quorvel {

namespace {

// A folder as the messages show it: without a trailing "/", except for "/" itself.
std::string shownFolder(std::string_view folder) {
    std::string text(folder);
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// Copies after asking about an existing destination, and tells the user how it went.
// `verb` is "Export" or "Import".
ArchiveCopyResult copyArchive(UserPrompts& prompts, const std::string& verb, const std::string& source,
                              std::string_view destinationFolder, const std::string& destination) {
    if (exists(destination) && !prompts.askYesNo(std::string(OverwriteQuestion), MessageKind::Warning))
        return ArchiveCopyResult::Declined;
    const std::string what = verb + " '" + source + "' to '" + shownFolder(destinationFolder) + "'";
    try {
        copyFileReplacing(source, destination);
    } catch (const IoError& error) {
        prompts.showMessage(what + " failed:\n" + error.what(), MessageKind::Error);
        return ArchiveCopyResult::Failed;
    }
    prompts.showTimedMessage(what + " Successful!", MessageKind::Information, 6);
    return ArchiveCopyResult::Copied;
}

} // namespace

std::string deleteFilesQuestion(std::size_t count) {
    return "Do you want to delete the " + std::to_string(count) + " files ";
}

std::string deleteFilesQuestion(std::size_t count, const std::string& where, const std::vector<std::string>& names) {
    constexpr std::size_t AllUpTo = 10, FirstOfMore = 8;
    std::vector<std::string> named;
    for (const std::string& name : names)
        if (!name.empty())
            named.push_back(name);
    std::string text = deleteFilesQuestion(count);
    if (named.empty())
        return text;
    text += "\r" + where + ":";
    const std::size_t shown = named.size() <= AllUpTo ? named.size() : FirstOfMore;
    for (std::size_t i = 0; i < shown; ++i)
        text += "\r    " + named[i];
    if (shown < named.size())
        text += "\r    and " + std::to_string(named.size() - shown) + " more";
    return text;
}

std::size_t deleteArchives(UserPrompts& prompts, std::string_view folder, const std::vector<std::string>& names) {
    const std::string where = "in the folder '" + shownFolder(trim(folder)) + "'";
    if (!prompts.askYesNo(deleteFilesQuestion(names.size(), where, names), MessageKind::Warning))
        return 0;
    std::size_t deleted = 0;
    for (const std::string& name : names) {
        if (name.empty() || name.find('/') != std::string::npos)
            continue;
        // unlink, unlike a general remove, never takes a folder away.
        if (::unlink(archivePath(folder, name).c_str()) == 0)
            ++deleted;
    }
    return deleted;
}

ArchiveCopyResult exportArchive(UserPrompts& prompts, std::string_view archiveFolder, std::string_view name,
                                std::string_view destinationFolder) {
    const std::string file = trim(name);
    if (file.empty())
        return ArchiveCopyResult::NothingToCopy;
    return copyArchive(prompts, "Export", archivePath(archiveFolder, file), destinationFolder,
                       archivePath(destinationFolder, file));
}

ArchiveCopyResult importArchive(UserPrompts& prompts, std::string_view archiveFolder, std::string_view source) {
    const std::string fileName = std::filesystem::path(source).filename().string();
    if (fileName.empty())
        return ArchiveCopyResult::NothingToCopy;
    const std::string folder = trim(archiveFolder);
    return copyArchive(prompts, "Import", std::string(source), folder, archivePath(folder, fileName));
}

} // namespace quorvel
