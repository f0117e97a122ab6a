#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quorvel {

// Where the writer puts archive bytes. The archive file is the usual one; a device that cuts the
// archive into pieces, or one that fails on purpose in tests, is another.
class ZipOutput {
public:
    virtual ~ZipOutput() = default;
    // Writes everything or raises ENotEnoughRoom.
    virtual void write(const void* data, std::size_t size) = 0;
    // Bytes written so far, i.e. the offset of the next byte.
    virtual std::uint64_t position() const = 0;
    // Overwrites bytes written earlier (a local header once its sizes are known).
    virtual void rewrite(std::uint64_t offset, const void* data, std::size_t size) = 0;
    // Drops everything from `offset` on, so that an entry can be written again.
    virtual void truncate(std::uint64_t offset) = 0;
    // The next `size` bytes form one record that must not be split across pieces.
    virtual void keepTogether(std::size_t size) { (void)size; }
    // Flushes, makes the archive durable and closes it.
    virtual void finish() = 0;
    // Closes and deletes what was written (the operation failed).
    virtual void discard() noexcept = 0;
};

// A new archive file (an existing file of that name is replaced), buffered, synced by finish().
std::unique_ptr<ZipOutput> openFileOutput(const std::string& path);

} // namespace quorvel
