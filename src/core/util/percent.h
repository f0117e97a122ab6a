#pragma once

#include <algorithm>
#include <cstdint>

namespace quorvel {

// How much of `whole` `part` is, rounded to a whole percent and never above 100; nothing of an
// empty whole is done yet.
inline int percentOf(std::uint64_t part, std::uint64_t whole) {
    if (whole == 0)
        return 0;
    return static_cast<int>(std::min<std::uint64_t>((part * 100 + whole / 2) / whole, 100));
}

} // namespace quorvel
