#pragma once

#include <filesystem>

namespace quorvel {

// Copies `source` to `destination` so that the destination name only ever holds the old file
// or the complete copy: the data go to a hidden temporary file beside the destination, are
// flushed to the disk and then renamed over the destination. The copy keeps the source's
// permission bits (never set-id bits) and its modification time, as a copied archive should
// still show when it was made. Copying a file onto itself, under the same name or another
// link, leaves it as it is.
// Throws IoError naming the path and the system's reason; nothing is left behind then.
void copyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& destination);

} // namespace quorvel
