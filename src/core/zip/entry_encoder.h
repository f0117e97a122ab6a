#pragma once

#include "core/zip/deflate_stream.h"
#include "core/zip/zip_output.h"
#include "core/zip/zip_types.h"

#include <cstdint>
#include <memory>
#include <random>
#include <string>

namespace quorvel {

class TZipWriter;

// Writes one file as an entry: local header, optional encryption header, the stored or deflated
// data, then the local header again with the final CRC and sizes. A file that changes between the
// CRC pass and the data pass of encryption, or outgrows 4 GiB without Zip64 fields, is written again.
class EntryEncoder {
public:
    static constexpr std::size_t BlockSize = 32 * 1024;
    // Files from this size on get Zip64 sizes in their local header (deflate may add a little).
    static constexpr std::uint64_t Zip64Threshold = 0xFF000000;

    explicit EntryEncoder(TZipWriter& writer);
    // False when the file could not be read consistently; nothing of it is left in the output then.
    bool write(ZipOutput& out, int fd, const std::string& path, TZipHeaderInfo& entry, int level,
               std::uint64_t& doneBytes, std::uint64_t totalBytes);

private:
    enum class Attempt { Done, Changed, NeedsZip64 };
    struct ReadFailure;
    Attempt attempt(ZipOutput& out, int fd, TZipHeaderInfo& entry, int level, bool zip64, std::uint64_t& doneBytes,
                    std::uint64_t totalBytes);
    std::size_t readBlock(int fd, std::uint64_t offset);
    std::uint32_t crcPass(int fd);
    void reportProgress(std::uint64_t read, std::uint64_t fileSize, std::uint64_t done, std::uint64_t total);

    TZipWriter& m_writer;
    DeflateStream m_deflate;
    std::unique_ptr<unsigned char[]> m_block;
    std::mt19937 m_random;
    std::string m_path;
};

} // namespace quorvel
