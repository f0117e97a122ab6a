#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// The scrambling of passwords stored in our INI files, keyed by the section that holds them.
// It keeps a password from being read at a glance; it is not encryption.
class IniPasswordCodec {
public:
    static std::string encode(std::string_view plain, std::string_view section);
    static std::string decode(std::string_view stored, std::string_view section);
};

} // namespace quorvel
