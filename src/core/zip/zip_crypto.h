#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvel {

// The traditional PKWARE stream cipher: three keys updated by every plain byte.
class ZipCrypto {
public:
    static constexpr std::size_t HeaderSize = 12;

    explicit ZipCrypto(std::string_view password);
    void encrypt(std::uint8_t* data, std::size_t size);
    void decrypt(std::uint8_t* data, std::size_t size);

private:
    std::uint8_t keyByte() const;
    void update(std::uint8_t plain);

    std::uint32_t m_keys[3];
};

} // namespace quorvel
