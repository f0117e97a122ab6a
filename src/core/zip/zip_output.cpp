#include "core/zip/zip_output.h"

#include "core/platform/leftover_files.h"
#include "core/util/errors.h"
#include "core/zip/zip_errors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr std::size_t OutputBufferSize = 1024 * 1024;

[[noreturn]] void throwWriteError(const std::string& path, int error) {
    if (error == ENOSPC || error == EDQUOT || error == EFBIG || error == 0)
        throw ENotEnoughRoom();
    throw IoError::of("Cannot write", path, error);
}

} // namespace

FileZipOutput::FileZipOutput(const std::string& path) : m_path(path), m_shown(path) {
    // Archives hold copies of private files: only their owner may read them.
    m_fd = UniqueFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    if (!m_fd)
        throw IoError::of("Cannot create", path, errno);
    // Locked before it is emptied: a file that another writer is at work on is left to it.
    if (takeWriterLock(m_fd.get()) == WriterLock::HeldByOther)
        throw IoError("Cannot create " + path + ": another program is writing it", path);
    if (::ftruncate(m_fd.get(), 0) != 0)
        throwWriteError(path, errno);
    m_buffer.reserve(OutputBufferSize);
}

FileZipOutput::FileZipOutput(UniqueFd fd, std::string shownName) : m_shown(std::move(shownName)), m_fd(std::move(fd)) {
    m_buffer.reserve(OutputBufferSize);
}

std::unique_ptr<FileZipOutput> FileZipOutput::anonymous(const std::string& folder) {
    std::string path = folder + (folder.ends_with('/') ? "" : "/") + std::string(UpdateTemporaryPrefix) + "XXXXXX";
    UniqueFd fd(::mkostemp(path.data(), O_CLOEXEC));
    if (!fd)
        throw IoError::of("Cannot create a temporary file in", folder, errno);
    ::unlink(path.c_str());
    return std::unique_ptr<FileZipOutput>(new FileZipOutput(std::move(fd), path));
}

FileZipOutput::~FileZipOutput() {
    discard();
}

void FileZipOutput::write(const void* data, std::size_t size) {
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

void FileZipOutput::rewrite(std::uint64_t offset, const void* data, std::size_t size) {
    auto* bytes = static_cast<const char*>(data);
    std::size_t direct = 0;
    if (offset < m_flushed) {
        direct = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_flushed - offset));
        writeAt(offset, bytes, direct);
    }
    if (direct < size)
        std::memcpy(m_buffer.data() + (offset + direct - m_flushed), bytes + direct, size - direct);
}

void FileZipOutput::truncate(std::uint64_t offset) {
    if (offset >= m_flushed) {
        m_buffer.resize(static_cast<std::size_t>(offset - m_flushed));
        return;
    }
    m_buffer.clear();
    if (::ftruncate(m_fd.get(), static_cast<off_t>(offset)) != 0)
        throwWriteError(m_shown, errno);
    m_flushed = offset;
}

void FileZipOutput::finish() {
    flush();
    if (::fsync(m_fd.get()) != 0)
        throwWriteError(m_shown, errno);
    // The file stays open, and locked, until this object goes: its owner may still have to move
    // it into place.
    m_done = true;
}

void FileZipOutput::discard() noexcept {
    if (m_done)
        return;
    m_fd.reset();
    if (!m_path.empty())
        ::unlink(m_path.c_str());
    m_done = true;
}

std::size_t FileZipOutput::readAt(std::uint64_t offset, void* buffer, std::size_t size) {
    flush();
    return readFully(m_fd.get(), offset, buffer, size, m_shown);
}

void FileZipOutput::flush() {
    writeAt(m_flushed, m_buffer.data(), m_buffer.size());
    m_flushed += m_buffer.size();
    m_buffer.clear();
}

void FileZipOutput::writeAt(std::uint64_t offset, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::pwrite(m_fd.get(), data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throwWriteError(m_shown, n < 0 ? errno : 0);
        data += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
}

bool isUpdateTemporaryName(const std::string& name) {
    return name.size() == UpdateTemporaryPrefix.size() + 6 && name.starts_with(UpdateTemporaryPrefix) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(UpdateTemporaryPrefix.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

std::unique_ptr<ZipOutput> openFileOutput(const std::string& path) {
    return std::make_unique<FileZipOutput>(path);
}

} // namespace quorvel
