#include "core/ini/ini_password_codec.h"

namespace quorvel {

namespace {

std::string xorWithKey(std::string_view input, std::string_view section) {
    const std::string key = std::string(section) + std::to_string(section.size());
    std::string out(input);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] =
            static_cast<char>(static_cast<unsigned char>(out[i]) ^ static_cast<unsigned char>(key[i % key.size()]));
    return out;
}

} // namespace

std::string IniPasswordCodec::encode(std::string_view plain, std::string_view section) {
    std::string out;
    for (char c : xorWithKey(plain, section))
        out += "#" + std::to_string(static_cast<unsigned char>(c));
    return out;
}

std::string IniPasswordCodec::decode(std::string_view stored, std::string_view section) {
    if (stored.empty())
        return {};
    std::string bytes;
    if (stored.front() == '#') {
        bool inRun = false;
        unsigned value = 0;
        for (char c : stored) {
            if (c >= '0' && c <= '9') {
                // Only the low byte of an over-long run can be meant; keep the arithmetic in range.
                value = (value * 10 + static_cast<unsigned>(c - '0')) & 0xFF;
                inRun = true;
            } else if (inRun) {
                bytes += static_cast<char>(value);
                value = 0;
                inRun = false;
            }
        }
        if (inRun)
            bytes += static_cast<char>(value);
    } else {
        bytes = std::string(stored);
    }
    return xorWithKey(bytes, section);
}

} // namespace quorvel
