#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// Whether a name from a server may be used as a file name in a local folder: not empty, not "."
// or "..", without "/" and NUL. A downloaded file never lands outside the folder chosen for it.
bool isSafeLocalName(std::string_view name);

// The last component of a remote path ("backups/a.zip" gives "a.zip").
std::string remoteBaseName(std::string_view path);

} // namespace quorvel
