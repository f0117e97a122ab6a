#include "core/backup/backup_sources.h"

#include "core/zip/wildcard_match.h"

#include <filesystem>

namespace quorvel {

namespace {

namespace fs = std::filesystem;

bool sourceExists(std::string item) {
    if (!item.empty() && (item.front() == '>' || item.front() == '|'))
        item.erase(0, 1);
    std::error_code ec;
    if (!item.empty() && item.back() == '/')
        return fs::is_directory(item, ec);
    if (!IsWildcardName(item))
        return fs::exists(item, ec);
    const std::size_t slash = item.rfind('/');
    if (slash == std::string::npos)
        return true;
    const std::string folder = slash == 0 ? "/" : item.substr(0, slash);
    return IsWildcardName(folder) || fs::is_directory(folder, ec);
}

} // namespace

bool anyBackupSourceExists(const std::vector<std::string>& items) {
    for (const std::string& item : items) {
        if (sourceExists(item))
            return true;
    }
    return false;
}

} // namespace quorvel
