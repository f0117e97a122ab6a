#include "core/restore/archive_folder_listing.h"

#include "core/find/file_finder.h"
#include "core/util/strings.h"

#include <sys/stat.h>

namespace quorvel {

std::vector<FolderArchive> listArchiveFolder(std::string_view folder) {
    std::vector<FolderArchive> files;
    TFileFinder finder;
    // A folder + mask path rather than Location: the folder name is then taken literally.
    finder.IncludeFiles = {archivePath(folder, "*.zip")};
    finder.Subfolders = false;
    finder.OnFound = [&files](const std::string&, TSearchRec& info) {
        files.push_back({info.name, info.size, info.modified});
    };
    finder.Execute();
    return files;
}

std::optional<FolderArchive> archiveFileOf(std::string_view folder, std::string_view name) {
    struct stat st {};
    if (::stat(archivePath(folder, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FolderArchive{std::string(name), static_cast<std::uint64_t>(st.st_size), fromTimeT(st.st_mtime)};
}

ArchiveRow archiveRowOf(const FolderArchive& file) {
    return {file.name, std::to_string(file.size / 1024), formatDateTimeShort(file.modified)};
}

std::vector<ArchiveRow> archiveRowsOf(const std::vector<FolderArchive>& files) {
    std::vector<ArchiveRow> rows;
    rows.reserve(files.size());
    for (const FolderArchive& file : files)
        rows.push_back(archiveRowOf(file));
    return rows;
}

std::string archivePath(std::string_view folder, std::string_view name) {
    std::string path = trim(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + std::string(name);
}

std::string totalFilesCaption(std::size_t count) {
    return "(Total " + std::to_string(count) + " files)";
}

} // namespace quorvel
