#pragma once

#include "core/find/file_attributes.h"
#include "core/util/date_time.h"

#include <cstdint>
#include <string>

namespace quorvel {

// What the finder reports about one hit.
struct TSearchRec {
    std::string name;       // without folder
    std::uint64_t size = 0; // bytes; 0 for folders
    TFileAttributes attributes;
    std::uint32_t dosTime = 0; // last modification as an MS-DOS date-time (two-second steps)
    DateTime modified;         // last modification, local time, to the second
};

} // namespace quorvel
