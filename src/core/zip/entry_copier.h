#pragma once

#include "core/zip/archive_file.h"
#include "core/zip/read_window.h"
#include "core/zip/zip_output.h"
#include "core/zip/zip_types.h"

#include <cstdint>
#include <functional>

namespace quorvel {

// Copies an entry of an existing archive into a new one without decompressing it: a local header
// written from the directory's fields, the old local extra field, then the data (compressed and
// possibly encrypted) and its data descriptor byte for byte, through one fixed buffer. Only the
// Zip64 fields are written anew, since the entry's offset changes.
class EntryCopier {
public:
    // Entries lie one after the other: one read of this size serves many small entries.
    static constexpr std::size_t WindowSize = 1024 * 1024;
    // Called after every block with the number of bytes copied by this copier so far.
    using Progress = std::function<void(std::uint64_t copied)>;

    // Entries must lie wholly before `dataLimit` (where the old central directory starts).
    EntryCopier(const ArchiveFile& source, std::uint64_t dataLimit, Progress progress);

    // Writes the entry at the output's position; `entry` gets its new offset and local extra
    // length. Raises EBadZipFile, naming the entry, when its header or data is not where the
    // directory says: a damaged archive is never read out of bounds.
    void copy(ZipOutput& out, TZipHeaderInfo& entry);

private:
    std::uint64_t descriptorLength(const TZipHeaderInfo& entry, std::uint64_t dataEnd, bool zip64);
    [[noreturn]] void damaged(const TZipHeaderInfo& entry, const std::string& what) const;

    std::uint64_t m_limit;
    Progress m_progress;
    std::uint64_t m_copied = 0;
    ReadWindow m_window;
};

} // namespace quorvel
