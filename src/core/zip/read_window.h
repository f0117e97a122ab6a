#pragma once

#include "core/zip/byte_source.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

// A sliding read window over a source read front to back: one large read serves many small ones,
// and nothing is ever read whole.
class ReadWindow {
public:
    ReadWindow(const ByteSource& source, std::size_t size) : m_source(source), m_size(size) {}

    // `count` bytes at `offset`, or nullptr when the bytes end before them. The pointer is valid
    // until the next call.
    const unsigned char* at(std::uint64_t offset, std::size_t count) {
        if (offset < m_start || offset + count > m_start + m_buffer.size()) {
            if (offset > UINT64_MAX - count)
                return nullptr;
            m_buffer.resize(std::max(m_size, count));
            std::size_t got = m_source.readAt(offset, m_buffer.data(), m_buffer.size());
            m_buffer.resize(got);
            m_start = offset;
            if (got < count)
                return nullptr;
        }
        return m_buffer.data() + (offset - m_start);
    }

private:
    const ByteSource& m_source;
    std::size_t m_size;
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_start = 0;
};

} // namespace quorvel
