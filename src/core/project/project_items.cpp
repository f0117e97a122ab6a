#include "core/project/project_items.h"

#include "core/util/strings.h"
#include "core/zip/wildcard_match.h"

namespace quorvel {

namespace fs = std::filesystem;

namespace {

std::string absoluteIn(std::string_view typed, const fs::path& workingFolder) {
    fs::path path{std::string(typed)};
    if (path.is_relative())
        path = workingFolder / path;
    std::string text = path.lexically_normal().string();
    // "folder/." normalises to "folder/": keep a trailing "/" only where one was typed.
    if (text.size() > 1 && text.back() == '/' && !typed.empty() && typed.back() != '/')
        text.pop_back();
    return text;
}

} // namespace

std::string wildcardItem(std::string_view folder, std::string_view mask) {
    std::string item(folder);
    if (item.empty() || item.back() != '/')
        item += '/';
    return item + trim(mask);
}

bool isMaskItem(std::string_view item) {
    const size_t cut = item.find_last_of("/:");
    const std::string_view name = cut == std::string_view::npos ? item : item.substr(cut + 1);
    return name.empty() || name.find_first_of("*?<>") != std::string_view::npos;
}

std::string sourceItem(std::string_view typed, const fs::path& workingFolder) {
    std::string lead;
    if (!typed.empty() && (typed.front() == '>' || typed.front() == '|')) {
        lead = std::string(1, typed.front());
        typed.remove_prefix(1);
    }
    std::string item = absoluteIn(typed, workingFolder);
    std::error_code ec;
    if (!IsWildcardName(item) && item.back() != '/' && fs::is_directory(item, ec))
        item += "/*";
    return lead + item;
}

std::string exclusionItem(std::string_view typed, const fs::path& workingFolder) {
    if (typed.find('/') == std::string_view::npos)
        return std::string(typed);
    return sourceItem(typed, workingFolder);
}

std::string destinationFolder(std::string_view typed, const fs::path& workingFolder) {
    std::string folder = absoluteIn(trim(typed), workingFolder);
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace quorvel
