// Archives written in pieces: numbered files of a fixed size, or one file per removable disk.
#include "core/zip/zip_writer.h"

#include "core/platform/atomic_file.h"
#include "core/zip/byte_reader.h"
#include "core/zip/span_output.h"
#include "core/zip/writer_run.h"
#include "core/zip/zip_format.h"

#include <algorithm>
#include <filesystem>

namespace quorvel {

using namespace zipformat;

namespace {

constexpr std::size_t StagedBlockSize = 16 * 1024;

int percentOf(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(part * 100 / whole, 100));
}

std::uint64_t positive(std::int64_t value) {
    return value > 0 ? static_cast<std::uint64_t>(value) : 0;
}

} // namespace

int TZipWriter::writeSpannedArchive(std::uint64_t& totalBytes) {
    startZipInfo(totalBytes);
    SpanOutput::Setup setup;
    setup.mode = MultiZipInfo.MultiMode;
    setup.zipName = m_zipName;
    setup.firstBlockSize = positive(MultiZipInfo.FirstBlockSize);
    setup.blockSize = positive(MultiZipInfo.BlockSize);
    setup.firstDiskReserve =
        positive(MultiZipInfo.SaveOnFirstDisk) + (MultiZipInfo.SaveZipInfoOnFirstDisk ? sideFileReserve() : 0);
    setup.disks = &disks();
    setup.askForDisk = [this](int number, const std::string& current) {
        return askForDisk(number, current, "User canceled Zip operation");
    };
    setup.prepareDisk = [this](int number) {
        if (OnPrepareNextDisk)
            OnPrepareNextDisk(number);
    };
    setup.openPiece = [this](const std::string& path) { return openOutput(path); };
    m_stage = FileZipOutput::anonymous(temporaryFolder());
    SpanOutput out(std::move(setup));
    WriteFileJob job(*this, totalBytes, m_zipName);
    int count = writeEntries(out, job);
    writeDirectoryAndEnd(out);
    out.finish();
    m_stage.reset();
    std::string firstName = m_zipName;
    m_zipName = out.lastPiece();
    syncFolder(std::filesystem::absolute(m_zipName).parent_path());
    if (out.pieceCount() == 1) {
        releaseWritten();
        ReadZip();
        return count;
    }
    if (MultiZipInfo.SaveZipInfoOnFirstDisk)
        writeSideFile(firstName);
    adoptSpannedSet(std::move(m_written), m_endCentral, MultiZipInfo.MultiMode);
    releaseWritten();
    return count;
}

// Puts a complete staged entry into the pieces: its local header where a whole header fits, then
// its data, which may run on into the following pieces.
void TZipWriter::copyStaged(ZipOutput& out, TZipHeaderInfo& entry) {
    std::uint64_t total = m_stage->position();
    unsigned char fixed[LocalHeaderSize];
    LocalHeader header;
    ByteReader in(fixed, sizeof fixed);
    if (m_stage->readAt(0, fixed, sizeof fixed) != sizeof fixed || !parseLocalHeader(in, header))
        throw IoError("Cannot read back the staged data of " + entry.storedName(), entry.storedName());
    out.keepTogether(LocalHeaderSize + header.nameLength + header.extraLength);
    entry.relativeOffset = out.position();
    entry.diskNumberStart = out.disk();
    if (entry.relativeOffset >= Max32)
        entry.versionNeeded = std::max<std::uint16_t>(entry.versionNeeded, 45);
    std::vector<unsigned char> block(StagedBlockSize);
    for (std::uint64_t done = 0; done < total;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(total - done, block.size()));
        if (m_stage->readAt(done, block.data(), n) != n)
            throw IoError("Cannot read back the staged data of " + entry.storedName(), entry.storedName());
        out.write(block.data(), n);
        done += n;
        if (OnFilePercentDone)
            OnFilePercentDone(50 + percentOf(done, total) / 2);
        serviceMessages();
    }
}

// Room for the side file on the first disk: the customary estimate, or what the directory really
// needs when its names are longer.
std::uint64_t TZipWriter::sideFileReserve() const {
    std::uint64_t comment = m_endCentral.comment.size();
    std::uint64_t estimate = FilesList.size() * (StorePaths ? 83 : 58) + comment + 2070;
    std::uint64_t needed = EndRecordSize + Zip64EndSize + Zip64LocatorSize + comment;
    for (const std::string& path : FilesList)
        needed += CentralHeaderSize + storedNameOf(path).size() + 28;
    return std::max(estimate, needed);
}

// A copy of the directory and end records beside the first piece, so that the set can be listed
// from its first disk alone.
void TZipWriter::writeSideFile(const std::string& firstName) {
    std::string first = firstName;
    if (MultiZipInfo.MultiMode == mmSpan) {
        try {
            first = askForDisk(1, firstName, "User canceled Zip operation");
        } catch (const EUserCanceled&) {
            return; // the user chose to go without it
        }
    }
    std::string path = std::filesystem::path(first).replace_extension(".zfc").string();
    const char* failure = "Unable to create Zip Configuration File to disk";
    try {
        FileZipOutput side(path);
        failure = "Unable to save Zip Configuration File to disk";
        for (const TZipHeaderInfo& entry : m_written) {
            std::string record = encodeCentralRecord(entry);
            side.write(record.data(), record.size());
        }
        std::string end = encodeEnd(m_endCentral, m_endCentral.centralSize);
        side.write(end.data(), end.size());
        side.finish();
    } catch (const Error&) {
        throw IoError(failure, path);
    }
}

} // namespace quorvel
