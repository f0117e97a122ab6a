#include "core/backup/pending_archive.h"

#include "core/platform/atomic_file.h"
#include "core/platform/leftover_files.h"
#include "core/util/errors.h"
#include "core/util/path_parts.h"
#include "core/util/strings.h"
#include "core/zip/zip_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr std::size_t TagLength = 8;
constexpr std::string_view PartSuffix = ".part";

std::string randomTag() {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Letters - 2);
    std::string tag(TagLength, 'x');
    for (char& c : tag)
        c = Letters[pick(device)];
    return tag;
}

bool nameIsFree(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

} // namespace

std::string unusedHiddenName(const std::string& finalPath) {
    const std::string folder = folderPart(finalPath);
    const std::string name = fileNamePart(finalPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder + "." + name + "." + randomTag() + std::string(PartSuffix);
        if (nameIsFree(candidate))
            return candidate;
    }
    throw IoError("Cannot find a free temporary name beside '" + finalPath + "'", finalPath);
}

bool isPendingArchiveName(const std::string& name) {
    const std::size_t tail = 1 + TagLength + PartSuffix.size(); // ".xxxxxxxx.part"
    if (name.size() < tail + 2 || name.front() != '.' || !name.ends_with(PartSuffix))
        return false;
    const std::size_t dot = name.size() - tail;
    const auto tagChar = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
    return name[dot] == '.' && std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dot) + 1,
                                           name.begin() + static_cast<std::ptrdiff_t>(dot + 1 + TagLength), tagChar);
}

PendingArchive::PendingArchive(std::string finalPath, Mode mode) : m_finalPath(std::move(finalPath)), m_mode(mode) {
    if (mode == Hidden)
        removeArchiveLeftovers(folderPart(m_finalPath));
    m_writePath = mode == Hidden ? unusedHiddenName(m_finalPath) : m_finalPath;
}

// Pending archives of killed runs, and the hidden copies that killed updates of archives in this
// folder made on their way in from another file system.
int removeArchiveLeftovers(const std::string& folder) {
    return removeLeftovers(
        folder.empty() ? std::string(".") : folder,
        [](const std::string& name) {
            return isPendingArchiveName(name) || toLowerAscii(replacedTargetOf(name)).ends_with(".zip");
        },
        ArchiveMagic);
}

PendingArchive::~PendingArchive() {
    if (m_mode == Hidden && !m_completed)
        ::unlink(m_writePath.c_str());
}

void PendingArchive::complete() {
    if (m_mode == Hidden) {
        if (std::rename(m_writePath.c_str(), m_finalPath.c_str()) != 0)
            throw IoError("Cannot rename '" + m_writePath + "' to '" + m_finalPath + "': " + std::strerror(errno),
                          m_finalPath);
        syncFolder(std::filesystem::absolute(m_finalPath).parent_path());
    }
    m_completed = true;
}

} // namespace quorvel
