#include "core/platform/atomic_file.h"

#include "core/platform/leftover_files.h"
#include "core/util/errors.h"
#include "core/util/unique_fd.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quorvel {

namespace {

std::string reason() {
    return std::strerror(errno);
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

std::filesystem::path folderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

bool isSameFile(const struct stat& source, const std::filesystem::path& destination) {
    struct stat target {};
    return ::stat(destination.c_str(), &target) == 0 && target.st_dev == source.st_dev &&
           target.st_ino == source.st_ino;
}

} // namespace

std::string replacedTargetOf(const std::string& name) {
    constexpr std::size_t Tail = 7; // "." and the six characters mkstemp puts in place of "XXXXXX"
    if (name.size() < Tail + 2 || name.front() != '.' || name[name.size() - Tail] != '.')
        return {};
    for (std::size_t i = name.size() - Tail + 1; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return {};
    return name.substr(1, name.size() - Tail - 1);
}

AtomicReplacement::AtomicReplacement(std::filesystem::path target) : m_target(std::move(target)) {
    const std::string name = m_target.filename().string();
    removeLeftovers(folderOf(m_target), [&name](const std::string& entry) { return replacedTargetOf(entry) == name; });
    m_tempPath = (folderOf(m_target) / ("." + name + ".XXXXXX")).string();
    m_fd = ::mkostemp(m_tempPath.data(), O_CLOEXEC);
    if (m_fd < 0)
        throw IoError("Cannot write " + quoted(m_target) + ": " + reason());
    takeWriterLock(m_fd); // a name just made is nobody else's: only where locks work does it count
}

AtomicReplacement::~AtomicReplacement() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed)
        ::unlink(m_tempPath.c_str());
}

void AtomicReplacement::write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw IoError("Cannot write " + quoted(m_target) + ": " + (n < 0 ? reason() : "nothing written"));
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void AtomicReplacement::commit() {
    if (::fsync(m_fd) != 0)
        throw IoError("Cannot write " + quoted(m_target) + ": " + reason());
    // Renamed while still open, so its lock keeps it from being taken for a leftover until then.
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        throw IoError("Cannot replace " + quoted(m_target) + ": " + reason());
    m_committed = true;
    ::close(std::exchange(m_fd, -1)); // the data is on the disk: nothing is left to fail
    syncFolder(folderOf(m_target));
}

void writeFileAtomically(const std::filesystem::path& target, std::string_view contents) {
    AtomicReplacement file(target); // private, as mkstemp creates it, even where the old file was not
    file.write(contents.data(), contents.size());
    file.commit();
}

void copyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& destination) {
    UniqueFd from(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (from.get() < 0 || ::fstat(from.get(), &info) != 0)
        throw IoError("Cannot read " + quoted(source) + ": " + reason());
    if (!S_ISREG(info.st_mode))
        throw IoError("Cannot read " + quoted(source) + ": not a regular file");
    if (isSameFile(info, destination))
        return;

    AtomicReplacement copy(destination);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(from.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw IoError("Cannot read " + quoted(source) + ": " + reason());
        if (n == 0)
            break;
        copy.write(buffer.data(), static_cast<std::size_t>(n));
    }
    ::fchmod(copy.fd(), info.st_mode & 0777);
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(copy.fd(), times);
    copy.commit();
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return std::move(buffer).str();
}

void syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace quorvel
