#include "core/find/search_targets.h"

#include "core/util/strings.h"

#include <algorithm>
#include <filesystem>

namespace quorvel {

namespace {

std::string fullFolderPath(const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path absolute = folder.empty() ? fs::current_path() : fs::absolute(folder);
    std::string result = absolute.lexically_normal().string();
    if (result.empty() || result.back() != '/')
        result += '/';
    return result;
}

void addUnlessListed(std::vector<SearchTarget>& targets, SearchTarget target) {
    const bool listed = std::any_of(targets.begin(), targets.end(), [&](const SearchTarget& other) {
        return other.folder == target.folder && equalsIgnoreCase(other.mask, target.mask);
    });
    if (!listed)
        targets.push_back(std::move(target));
}

std::string maskOf(const std::string& filename) {
    std::string mask = filename.empty() ? "*.*" : filename;
    if (mask.find('.') == std::string::npos)
        mask += ".*";
    return mask;
}

} // namespace

std::vector<SearchTarget> buildSearchTargets(const std::vector<std::string>& includeFiles, const std::string& location,
                                             const std::string& filename) {
    std::vector<SearchTarget> targets;
    if (!includeFiles.empty()) {
        for (const std::string& include : includeFiles) {
            const size_t slash = include.rfind('/');
            const std::string folder = slash == std::string::npos ? std::string() : include.substr(0, slash + 1);
            const std::string mask = slash == std::string::npos ? include : include.substr(slash + 1);
            addUnlessListed(targets, {fullFolderPath(folder), mask});
        }
        return targets;
    }
    const std::string mask = maskOf(filename);
    for (const std::string& folder : split(location, ';'))
        addUnlessListed(targets, {fullFolderPath(folder), mask});
    return targets;
}

std::string folderForEvents(const std::string& folderWithSlash) {
    if (folderWithSlash.size() > 1 && folderWithSlash.back() == '/')
        return folderWithSlash.substr(0, folderWithSlash.size() - 1);
    return folderWithSlash;
}

} // namespace quorvel
