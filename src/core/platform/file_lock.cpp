#include "core/platform/file_lock.h"

#include "core/util/strings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

std::optional<long> readHolder(int fd) {
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return std::nullopt;
    const std::optional<int> pid = parseInt(std::string_view(text, static_cast<std::size_t>(n)));
    if (!pid || *pid <= 0)
        return std::nullopt;
    return *pid;
}

void writeHolder(int fd) {
    const std::string text = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, text.data(), text.size(), 0) < 0) {
        // Only informative: a holder whose id could not be written holds the lock all the same.
    }
}

} // namespace

FileLock::FileLock(std::filesystem::path path) : m_path(std::move(path)) {
    std::error_code ec;
    const std::filesystem::path folder = m_path.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        ::chmod(folder.c_str(), 0700);
    }
    // Close-on-exec: a program started while the lock is held must not keep it after we end.
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = std::strerror(errno);
        return;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (errno == EWOULDBLOCK) {
            m_busy = true;
            m_holder = readHolder(fd);
        } else {
            m_error = std::strerror(errno);
        }
        ::close(fd);
        return;
    }
    m_fd = fd;
    writeHolder(m_fd);
}

FileLock::~FileLock() {
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock; the file stays for the next taker
}

} // namespace quorvel
