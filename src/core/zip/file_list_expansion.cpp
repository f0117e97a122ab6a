#include "core/util/path_parts.h"
#include "core/zip/zip_writer.h"

#include "core/util/strings.h"
#include "core/zip/dir_search.h"
#include "core/zip/wildcard_match.h"

#include <sys/stat.h>

namespace quorvel {

namespace {

bool matchesAny(const std::vector<std::string>& masks, const std::string& path) {
    const std::string name = fileNamePart(path);
    for (const std::string& mask : masks) {
        if (WildcardMatch(mask, mask.find('/') != std::string::npos ? path : name))
            return true;
    }
    return false;
}

} // namespace

bool TZipWriter::isExcluded(const std::string& path) const {
    return matchesAny(ExcludeList, path);
}

bool TZipWriter::isNoCompress(const std::string& path) const {
    return matchesAny(NoCompressList, path);
}

// Freshening only ever replaces what the archive already holds.
bool TZipWriter::mayAdd(const std::string& path) const {
    return !m_freshenOnly || m_freshenNames.count(storedNameOf(path)) > 0;
}

// Plain files and folder entries stay in FilesList in their order, followed by the files that
// the wildcard entries find, entry by entry. Returns the total size of the files.
std::uint64_t TZipWriter::expandFilesList() {
    std::uint64_t totalBytes = 0;
    std::vector<std::string> kept;
    std::vector<std::string> wildcards;
    for (std::string entry : FilesList) {
        if (entry.empty())
            continue;
        if (entry.back() == '/') {
            if (mayAdd(entry))
                kept.push_back(entry);
            continue;
        }
        if (IsWildcardName(entry)) {
            wildcards.push_back(entry);
            continue;
        }
        if (entry.find('/') == std::string::npos)
            entry = m_rootDir + entry;
        if (isExcluded(entry) || !mayAdd(entry))
            continue;
        struct stat st {};
        if (::stat(entry.c_str(), &st) != 0) {
            if (OnNoSuchFile)
                OnNoSuchFile(entry);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (mayAdd(entry + "/"))
                kept.push_back(entry + "/"); // a folder named without its trailing "/"
            continue;
        }
        totalBytes += static_cast<std::uint64_t>(st.st_size);
        kept.push_back(entry);
    }
    for (const std::string& entry : wildcards)
        expandWildcard(entry, kept, totalBytes);
    FilesList = std::move(kept);
    return totalBytes;
}

void TZipWriter::expandWildcard(const std::string& original, std::vector<std::string>& found,
                                std::uint64_t& totalBytes) {
    std::string entry = original;
    bool recurse = Recurse;
    if (entry.front() == '>' || entry.front() == '|') {
        recurse = entry.front() == '>';
        entry.erase(0, 1);
    }
    std::size_t slash = entry.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : entry.substr(0, slash == 0 ? 1 : slash);
    std::string mask = slash == std::string::npos ? entry : entry.substr(slash + 1);
    if (folder.empty())
        folder = m_rootDir.empty() ? std::string(".") : m_rootDir;
    if (mask == "*.*")
        mask = "*";
    struct stat st {};
    if (!IsWildcardName(folder) && (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
        return;
    TDirSearch search(folder, recurse, mask);
    TDirSearch::Hit hit;
    while (search.next(hit)) {
        if (OnRecursingFile)
            OnRecursingFile(hit.path);
        serviceMessages();
        if (hit.isFolder) {
            if (recurse && AddDirEntriesOnRecurse && mayAdd(hit.path))
                found.push_back(hit.path);
            continue;
        }
        if (isExcluded(hit.path) || hit.path == m_zipName || !mayAdd(hit.path))
            continue;
        found.push_back(hit.path);
        totalBytes += hit.size;
    }
}

} // namespace quorvel
