#pragma once

// Pieces shared by the writer's source files (new archives, updates, spanning); not for callers.

#include "core/zip/entry_encoder.h"
#include "core/zip/read_ahead.h"
#include "core/zip/zip_writer.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <sys/types.h>
#include <utility>

namespace quorvel {

// The state of one Zip call while files are written.
struct WriteFileJob {
    WriteFileJob(TZipWriter& writer, std::uint64_t& total, const std::string& archive);

    std::pair<dev_t, ino_t> archiveId{}; // the archive itself is never added to it
    EntryEncoder encoder;
    ReadAhead ahead;
    std::string path;                 // the file being written
    std::size_t listIndex = SIZE_MAX; // its place in FilesList, when it is written from there
    std::uint64_t& totalBytes;        // of all files to write, less those left out
    std::uint64_t doneBytes = 0;      // read so far
};

// Puts the writer back into its idle state when an operation ends, however it ends.
struct TZipWriter::RunScope {
    explicit RunScope(TZipWriter& writer);
    ~RunScope() { end(); }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
    void end();

    TZipWriter& writer;
    bool keepZipOpen;
    bool ended = false;
};

// MS-DOS time stamp of a file time.
std::uint32_t dosTimeOf(std::time_t when);

} // namespace quorvel
