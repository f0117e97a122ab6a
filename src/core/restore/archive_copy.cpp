#include "core/restore/archive_copy.h"

#include "core/platform/atomic_file.h"
#include "core/util/errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The temporary file beside the destination; removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& destination) {
        const std::filesystem::path folder = destination.has_parent_path() ? destination.parent_path() : ".";
        m_path = (folder / ("." + destination.filename().string() + ".XXXXXX")).string();
        m_fd = ::mkstemp(m_path.data());
        if (m_fd < 0)
            throw IoError("Cannot write " + quoted(destination) + ": " + reason());
    }
    ~TemporaryFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_renamed)
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }
    bool renameTo(const std::filesystem::path& destination) {
        m_renamed = ::rename(m_path.c_str(), destination.c_str()) == 0;
        return m_renamed;
    }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_renamed = false;
};

bool isSameFile(const struct stat& source, const std::filesystem::path& destination) {
    struct stat target {};
    return ::stat(destination.c_str(), &target) == 0 && target.st_dev == source.st_dev &&
           target.st_ino == source.st_ino;
}

void writeAll(int fd, const char* data, size_t size, const std::filesystem::path& destination) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw IoError("Cannot write " + quoted(destination) + ": " + (n < 0 ? reason() : "nothing written"));
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void copyContents(int from, int to, const std::filesystem::path& source, const std::filesystem::path& destination) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw IoError("Cannot read " + quoted(source) + ": " + reason());
        if (n == 0)
            return;
        writeAll(to, buffer.data(), static_cast<size_t>(n), destination);
    }
}

} // namespace

void copyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& destination) {
    Descriptor from(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (from.get() < 0 || ::fstat(from.get(), &info) != 0)
        throw IoError("Cannot read " + quoted(source) + ": " + reason());
    if (!S_ISREG(info.st_mode))
        throw IoError("Cannot read " + quoted(source) + ": not a regular file");
    if (isSameFile(info, destination))
        return;

    TemporaryFile temp(destination);
    copyContents(from.get(), temp.fd(), source, destination);
    ::fchmod(temp.fd(), info.st_mode & 0777);
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(temp.fd(), times);
    if (::fsync(temp.fd()) != 0 || !temp.close())
        throw IoError("Cannot write " + quoted(destination) + ": " + reason());
    if (!temp.renameTo(destination))
        throw IoError("Cannot replace " + quoted(destination) + ": " + reason());
    syncFolder(destination.has_parent_path() ? destination.parent_path() : ".");
}

} // namespace quorvel
