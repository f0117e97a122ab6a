#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel {

// Bytes that can be read at any offset: one archive file, or the disks of a spanned set seen as
// one run of bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `count` bytes at `offset`; fewer only where the bytes end.
    virtual std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const = 0;
    // True when all `count` bytes were read.
    bool readExactAt(std::uint64_t offset, void* buffer, std::size_t count) const {
        return readAt(offset, buffer, count) == count;
    }
};

} // namespace quorvel
