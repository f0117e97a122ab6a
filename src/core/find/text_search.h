#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace quorvel {

// Whether the regular file at `path` contains `text`, optionally without regard to ASCII
// case. The file is read in blocks of 4096 bytes, and a text that straddles two blocks is
// found as well. A file that cannot be opened or read counts as not containing the text
// (unless it was found before the read error). Setting `stop` ends the search early with
// false. An empty text is contained in every file.
bool fileContainsText(const std::string& path, std::string_view text, bool ignoreCase, const std::atomic<bool>& stop);

} // namespace quorvel
