#include "core/backup/pending_archive.h"

#include "core/platform/atomic_file.h"
#include "core/util/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

std::string randomTag() {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Letters - 2);
    std::string tag(8, 'x');
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
    const std::size_t slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder + "." + name + "." + randomTag() + ".part";
        if (nameIsFree(candidate))
            return candidate;
    }
    throw IoError("Cannot find a free temporary name beside '" + finalPath + "'");
}

PendingArchive::PendingArchive(std::string finalPath, Mode mode)
    : m_finalPath(std::move(finalPath)), m_writePath(mode == Hidden ? unusedHiddenName(m_finalPath) : m_finalPath),
      m_mode(mode) {}

PendingArchive::~PendingArchive() {
    if (m_mode == Hidden && !m_completed)
        ::unlink(m_writePath.c_str());
}

void PendingArchive::complete() {
    if (m_mode == Hidden) {
        if (std::rename(m_writePath.c_str(), m_finalPath.c_str()) != 0)
            throw IoError("Cannot rename '" + m_writePath + "' to '" + m_finalPath + "': " + std::strerror(errno));
        syncFolder(std::filesystem::absolute(m_finalPath).parent_path());
    }
    m_completed = true;
}

} // namespace quorvel
