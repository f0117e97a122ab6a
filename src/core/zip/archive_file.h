#pragma once

#include "core/util/errors.h"
#include "core/util/unique_fd.h"
#include "core/zip/byte_source.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvel {

// An archive opened for reading at arbitrary offsets.
class ArchiveFile final : public ByteSource {
public:
    // Raises IoError naming the path when the file cannot be opened.
    explicit ArchiveFile(const std::string& path);

    std::uint64_t size() const { return m_size; }
    std::int64_t modificationNs() const { return m_mtimeNs; }
    const std::string& path() const { return m_path; }
    // Reads up to `count` bytes at `offset`; fewer only at the end of the file.
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const override;

private:
    UniqueFd m_fd;
    std::string m_path;
    std::uint64_t m_size = 0;
    std::int64_t m_mtimeNs = 0;
};

// Reads up to `count` bytes at `offset` of an open file, fewer only at its end; raises IoError
// naming `shownName` when reading fails.
std::size_t readFully(int fd, std::uint64_t offset, void* buffer, std::size_t count, const std::string& shownName);

// Modification time (ns) and size of a file, or nullopt-like zero size and time when missing.
bool statFile(const std::string& path, std::int64_t& mtimeNs, std::uint64_t& size);

} // namespace quorvel
