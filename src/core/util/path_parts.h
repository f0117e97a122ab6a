#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// The folder part of a path: everything up to and including its last "/" (empty without one).
std::string folderPart(std::string_view path);

// The file-name part of a path: everything after its last "/" (the whole path without one).
std::string fileNamePart(std::string_view path);

} // namespace quorvel
