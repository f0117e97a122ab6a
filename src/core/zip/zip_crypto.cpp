#include "core/zip/zip_crypto.h"

#include <zlib.h>

namespace quorvel {

namespace {

std::uint32_t crcByte(std::uint32_t crc, std::uint8_t b) {
    static const z_crc_t* table = get_crc_table();
    return table[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

} // namespace

ZipCrypto::ZipCrypto(std::string_view password) : m_keys{0x12345678, 0x23456789, 0x34567890} {
    for (char c : password)
        update(static_cast<std::uint8_t>(c));
}

std::uint8_t ZipCrypto::keyByte() const {
    std::uint32_t temp = (m_keys[2] | 2) & 0xFFFF;
    return static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
}

void ZipCrypto::update(std::uint8_t plain) {
    m_keys[0] = crcByte(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813 + 1;
    m_keys[2] = crcByte(m_keys[2], static_cast<std::uint8_t>(m_keys[1] >> 24));
}

void ZipCrypto::encrypt(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        std::uint8_t plain = data[i];
        data[i] = plain ^ keyByte();
        update(plain);
    }
}

void ZipCrypto::decrypt(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        data[i] ^= keyByte();
        update(data[i]);
    }
}

} // namespace quorvel
