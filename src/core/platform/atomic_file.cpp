#include "core/platform/atomic_file.h"

#include "core/util/errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

std::string reason() { return std::strerror(errno); }

// Closes the descriptor and removes the temporary file unless it was handed over.
class TempFile {
public:
    TempFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed)
            ::unlink(m_path.c_str());
    }
    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }
    bool close() {
        int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }
    void commit() { m_committed = true; }

private:
    int m_fd;
    std::string m_path;
    bool m_committed = false;
};

} // namespace

void writeFileAtomically(const std::filesystem::path& target, std::string_view contents) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw IoError("Cannot write '" + target.string() + "': " + reason());
    TempFile temp(fd, pattern);

    mode_t mode = 0600;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    ::fchmod(temp.fd(), mode);

    const char* data = contents.data();
    size_t left = contents.size();
    while (left > 0) {
        ssize_t n = ::write(temp.fd(), data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw IoError("Cannot write '" + target.string() + "': " + (n < 0 ? reason() : "short write"));
        data += n;
        left -= static_cast<size_t>(n);
    }
    if (::fsync(temp.fd()) != 0)
        throw IoError("Cannot write '" + target.string() + "': " + reason());
    if (!temp.close())
        throw IoError("Cannot write '" + target.string() + "': " + reason());
    if (::rename(temp.path().c_str(), target.c_str()) != 0)
        throw IoError("Cannot replace '" + target.string() + "': " + reason());
    temp.commit();
    syncFolder(folder);
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
