#include "core/zip/archive_file.h"

#include "core/util/errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

ArchiveFile::ArchiveFile(const std::string& path) : m_path(path) {
    m_fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!m_fd)
        throw IoError::of("Cannot open", path, errno);
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0)
        throw IoError::of("Cannot read", path, errno);
    m_size = static_cast<std::uint64_t>(st.st_size);
    m_mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::size_t ArchiveFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    return readFully(m_fd.get(), offset, buffer, count, m_path);
}

std::size_t readFully(int fd, std::uint64_t offset, void* buffer, std::size_t count, const std::string& shownName) {
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw IoError::of("Cannot read", shownName, errno);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool statFile(const std::string& path, std::int64_t& mtimeNs, std::uint64_t& size) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

} // namespace quorvel
