#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

// Appends little-endian fields to a byte string.
class ByteWriter {
public:
    ByteWriter& u16(std::uint64_t value) { return put(value, 2); }
    ByteWriter& u32(std::uint64_t value) { return put(value, 4); }
    ByteWriter& u64(std::uint64_t value) { return put(value, 8); }
    ByteWriter& bytes(std::string_view data) {
        m_out.append(data);
        return *this;
    }
    const std::string& data() const { return m_out; }
    std::string take() { return std::move(m_out); }

private:
    ByteWriter& put(std::uint64_t value, int count) {
        for (int i = 0; i < count; ++i)
            m_out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        return *this;
    }
    std::string m_out;
};

} // namespace quorvel
