#pragma once

#include "core/zip/zip_output.h"
#include "core/zip/zip_types.h"

#include <cstdint>
#include <random>
#include <string>

namespace quorvel {

class ReadAhead;
class TZipWriter;
struct FileJob;

// Writes one file as an entry: local header, optional encryption header, the stored or deflated
// data as the read-ahead delivers it, then the local header again with the final CRC and sizes.
// A file that changed while it was read, or outgrows 4 GiB without Zip64 fields, is written again.
// A file whose data does not shrink is stored; for a file of several blocks the first one decides.
class EntryEncoder {
public:
    // Files from this size on get Zip64 sizes in their local header (deflate may add a little).
    static constexpr std::uint64_t Zip64Threshold = 0xFF000000;
    // Progress is told after every 32 KiB of a file, as it has always been.
    static constexpr std::size_t ProgressStep = 32 * 1024;

    explicit EntryEncoder(TZipWriter& writer);
    // False when the file could not be read consistently; nothing of it is left in the output then.
    bool write(ZipOutput& out, ReadAhead& ahead, FileJob& file, TZipHeaderInfo& entry, std::uint64_t& doneBytes,
               std::uint64_t totalBytes);

private:
    enum class Attempt { Done, Changed, NeedsZip64 };
    struct ReadFailure;
    Attempt attempt(ZipOutput& out, ReadAhead& ahead, FileJob& file, TZipHeaderInfo& entry, bool zip64,
                    std::uint64_t& doneBytes, std::uint64_t totalBytes);
    void reportProgress(std::uint64_t read, std::uint64_t fileSize, std::uint64_t done, std::uint64_t total);

    TZipWriter& m_writer;
    std::mt19937 m_random;
};

} // namespace quorvel
