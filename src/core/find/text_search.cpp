#include "core/find/text_search.h"

#include "core/util/strings.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr size_t BlockSize = 4096;

// Closes the descriptor when the search ends, however it ends.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {}
    ~ReadOnlyFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Only regular files are searched: a pipe or a device could block or never end.
    bool isRegularFile() const {
        struct stat info {};
        return m_fd >= 0 && ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode);
    }

    // Bytes read, 0 at the end, -1 on an error.
    ssize_t read(char* buffer, size_t size) const {
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, size);
            if (n >= 0 || errno != EINTR)
                return n;
        }
    }

private:
    int m_fd;
};

} // namespace

bool fileContainsText(const std::string& path, std::string_view text, bool ignoreCase, const std::atomic<bool>& stop) {
    ReadOnlyFile file(path);
    if (!file.isRegularFile())
        return false;
    if (text.empty())
        return true;
    const std::string needle = ignoreCase ? toUpperAscii(text) : std::string(text);
    // The window holds the tail of the previous block (one byte short of the text's length)
    // followed by the new block, so a text across the border is seen whole.
    std::string window;
    std::array<char, BlockSize> block;
    while (!stop) {
        const ssize_t n = file.read(block.data(), block.size());
        if (n <= 0)
            return false;
        window.append(block.data(), static_cast<size_t>(n));
        if (ignoreCase)
            window = toUpperAscii(window);
        if (window.find(needle) != std::string::npos)
            return true;
        window.erase(0, window.size() - std::min(window.size(), needle.size() - 1));
    }
    return false;
}

} // namespace quorvel
