#include "core/zip/zip_output.h"

#include "core/util/errors.h"
#include "core/zip/archive_file.h"
#include "core/zip/zip_errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace quorvel {

namespace {

constexpr std::size_t OutputBufferSize = 1024 * 1024;

[[noreturn]] void throwWriteError(const std::string& path, int error) {
    if (error == ENOSPC || error == EDQUOT || error == EFBIG || error == 0)
        throw ENotEnoughRoom();
    throw IoError(systemError("Cannot write", path, error));
}

class FileZipOutput : public ZipOutput {
public:
    explicit FileZipOutput(const std::string& path) : m_path(path) {
        m_fd = UniqueFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (!m_fd)
            throw IoError(systemError("Cannot create", path, errno));
        m_buffer.reserve(OutputBufferSize);
    }
    ~FileZipOutput() override { discard(); }

    void write(const void* data, std::size_t size) override {
        auto* bytes = static_cast<const char*>(data);
        if (m_buffer.size() + size > OutputBufferSize)
            flush();
        if (size >= OutputBufferSize) {
            writeAt(m_flushed, bytes, size);
            m_flushed += size;
            return;
        }
        m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    }

    std::uint64_t position() const override { return m_flushed + m_buffer.size(); }

    void rewrite(std::uint64_t offset, const void* data, std::size_t size) override {
        auto* bytes = static_cast<const char*>(data);
        std::size_t direct = 0;
        if (offset < m_flushed) {
            direct = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_flushed - offset));
            writeAt(offset, bytes, direct);
        }
        if (direct < size)
            std::memcpy(m_buffer.data() + (offset + direct - m_flushed), bytes + direct, size - direct);
    }

    void truncate(std::uint64_t offset) override {
        if (offset >= m_flushed) {
            m_buffer.resize(static_cast<std::size_t>(offset - m_flushed));
            return;
        }
        m_buffer.clear();
        if (::ftruncate(m_fd.get(), static_cast<off_t>(offset)) != 0)
            throwWriteError(m_path, errno);
        m_flushed = offset;
    }

    void finish() override {
        flush();
        if (::fsync(m_fd.get()) != 0)
            throwWriteError(m_path, errno);
        if (::close(m_fd.release()) != 0)
            throwWriteError(m_path, errno);
        m_done = true;
    }

    void discard() noexcept override {
        if (m_done)
            return;
        m_fd.reset();
        ::unlink(m_path.c_str());
        m_done = true;
    }

private:
    void flush() {
        writeAt(m_flushed, m_buffer.data(), m_buffer.size());
        m_flushed += m_buffer.size();
        m_buffer.clear();
    }

    void writeAt(std::uint64_t offset, const char* data, std::size_t size) {
        while (size > 0) {
            ssize_t n = ::pwrite(m_fd.get(), data, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throwWriteError(m_path, n < 0 ? errno : 0);
            data += n;
            offset += static_cast<std::uint64_t>(n);
            size -= static_cast<std::size_t>(n);
        }
    }

    std::string m_path;
    UniqueFd m_fd;
    std::vector<char> m_buffer;
    std::uint64_t m_flushed = 0;
    bool m_done = false;
};

} // namespace

std::unique_ptr<ZipOutput> openFileOutput(const std::string& path) {
    return std::make_unique<FileZipOutput>(path);
}

} // namespace quorvel
