#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// Names written by MS-DOS hosts without the UTF-8 flag are in code page 437.
std::string cp437ToUtf8(std::string_view bytes);

} // namespace quorvel
