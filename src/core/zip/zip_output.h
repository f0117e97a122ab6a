#pragma once

#include "core/zip/archive_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Where the writer puts archive bytes. The archive file is the usual one; a device that cuts the
// archive into pieces, or one that fails on purpose in tests, is another.
class ZipOutput {
public:
    virtual ~ZipOutput() = default;
    // Writes everything or raises ENotEnoughRoom.
    virtual void write(const void* data, std::size_t size) = 0;
    // Bytes written so far to the current piece, i.e. the offset of the next byte on its disk.
    virtual std::uint64_t position() const = 0;
    // The number (0-based) of the piece being written; always 0 for one file.
    virtual std::uint32_t disk() const { return 0; }
    // Overwrites bytes written earlier (a local header once its sizes are known).
    virtual void rewrite(std::uint64_t offset, const void* data, std::size_t size) = 0;
    // Drops everything from `offset` on, so that an entry can be written again.
    virtual void truncate(std::uint64_t offset) = 0;
    // The next `size` bytes form one record that must not be split across pieces.
    virtual void keepTogether(std::size_t size) { (void)size; }
    // Flushes and makes the archive durable; nothing more is written.
    virtual void finish() = 0;
    // Closes and deletes what was written (the operation failed).
    virtual void discard() noexcept = 0;
};

// One file written through a 1 MiB buffer. The file is locked as its writer's (see
// leftover_files.h) from its creation until this object goes, also after finish().
class FileZipOutput final : public ZipOutput {
public:
    // Creates the file, or truncates an existing one.
    explicit FileZipOutput(const std::string& path);
    // A nameless read-write file in `folder` that disappears when closed (entry data staged for
    // spanning); it can be read back with copyTo().
    static std::unique_ptr<FileZipOutput> anonymous(const std::string& folder);
    ~FileZipOutput() override;

    void write(const void* data, std::size_t size) override;
    std::uint64_t position() const override { return m_flushed + m_buffer.size(); }
    void rewrite(std::uint64_t offset, const void* data, std::size_t size) override;
    void truncate(std::uint64_t offset) override;
    void finish() override;
    void discard() noexcept override;

    // Reads back bytes written earlier (anonymous files only).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t size);

private:
    FileZipOutput(UniqueFd fd, std::string shownName);
    void flush();
    void writeAt(std::uint64_t offset, const char* data, std::size_t size);

    std::string m_path; // empty for an anonymous file
    std::string m_shown;
    UniqueFd m_fd;
    std::vector<char> m_buffer;
    std::uint64_t m_flushed = 0;
    bool m_done = false;
};

// Temporary archives of updates and the data staged while spanning get names the file system
// makes from this prefix.
inline constexpr std::string_view UpdateTemporaryPrefix = "XQZ";
// The first bytes of every archive we write (a local header, or the end record of an empty one).
inline constexpr std::string_view ArchiveMagic = "PK";
// Whether a file name is one of those temporary names: the prefix and six letters or digits.
bool isUpdateTemporaryName(const std::string& name);

// A new archive file (an existing file of that name is replaced), buffered, synced by finish().
std::unique_ptr<ZipOutput> openFileOutput(const std::string& path);

} // namespace quorvel
