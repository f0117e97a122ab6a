#include "core/backup/backup_sources.h"

#include "core/zip/wildcard_match.h"

#include <filesystem>

namespace quorvel {

namespace {

namespace fs = std::filesystem;

// The item without its ">" (always search subfolders) or "|" (never) in front.
std::string withoutRecurseMark(std::string item) {
    if (!item.empty() && (item.front() == '>' || item.front() == '|'))
        item.erase(0, 1);
    return item;
}

bool sourceExists(const std::string& item) {
    const std::string path = withoutRecurseMark(item);
    std::error_code ec;
    if (!path.empty() && path.back() == '/')
        return fs::is_directory(path, ec);
    if (!IsWildcardName(path))
        return fs::exists(path, ec);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return true;
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    return IsWildcardName(folder) || fs::is_directory(folder, ec);
}

} // namespace

std::vector<std::string> missingBackupSources(const std::vector<std::string>& items) {
    std::vector<std::string> missing;
    for (const std::string& item : items) {
        if (!sourceExists(item))
            missing.push_back(item);
    }
    return missing;
}

std::string backupItemSpec(const std::string& item) {
    const std::string path = withoutRecurseMark(item);
    std::error_code ec;
    if (path.empty() || path.back() == '/' || IsWildcardName(path) || !fs::is_directory(path, ec))
        return item;
    return item + "/*";
}

} // namespace quorvel
