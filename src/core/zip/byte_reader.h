#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvel {

// Little-endian reader over a byte range. Reading past the end trips a failure flag that stays
// set; failed reads give zero, so a parser checks ok() once after a record instead of every field.
class ByteReader {
public:
    ByteReader(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}
    explicit ByteReader(std::string_view bytes)
        : ByteReader(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) {}

    bool ok() const { return !m_failed; }
    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_failed ? 0 : m_size - m_pos; }

    std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
    std::uint64_t u64() { return take(8); }

    std::string_view bytes(std::size_t count) {
        if (!claim(count))
            return {};
        std::string_view view(reinterpret_cast<const char*>(m_data + m_pos), count);
        m_pos += count;
        return view;
    }
    void skip(std::size_t count) {
        if (claim(count))
            m_pos += count;
    }

private:
    bool claim(std::size_t count) {
        if (m_failed || count > m_size - m_pos)
            m_failed = true;
        return !m_failed;
    }
    std::uint64_t take(std::size_t count) {
        if (!claim(count))
            return 0;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < count; ++i)
            value |= static_cast<std::uint64_t>(m_data[m_pos + i]) << (8 * i);
        m_pos += count;
        return value;
    }

    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

} // namespace quorvel
