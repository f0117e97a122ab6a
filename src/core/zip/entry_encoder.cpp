#include "core/zip/entry_encoder.h"

#include "core/util/percent.h"
#include "core/zip/read_ahead.h"
#include "core/zip/zip_crypto.h"
#include "core/zip/zip_format.h"
#include "core/zip/zip_writer.h"

#include <algorithm>
#include <memory>
#include <sys/stat.h>
#include <zlib.h>

namespace quorvel {

using namespace zipformat;

namespace {

constexpr int MaxAttempts = 3;

std::uint16_t levelFlags(int level) {
    if (level == 1 || level == 2)
        return 0x0004;
    if (level >= 8)
        return 0x0002;
    return 0;
}

// Cut short after it was read: the archive would hold more than the file has become.
bool shrankSince(const FileJob& file, std::uint64_t read) {
    struct stat now {};
    return ::fstat(file.fd.get(), &now) == 0 && static_cast<std::uint64_t>(now.st_size) < read;
}

} // namespace

EntryEncoder::EntryEncoder(TZipWriter& writer) : m_writer(writer), m_random(std::random_device{}()) {}

// A source that fails while it is read is the file's problem, not the archive's: it is told apart
// from a failing output, which ends the operation.
struct EntryEncoder::ReadFailure {};

void EntryEncoder::reportProgress(std::uint64_t read, std::uint64_t fileSize, std::uint64_t done, std::uint64_t total) {
    // While spanning the data is copied a second time, into the pieces: this is the first half.
    if (m_writer.OnFilePercentDone)
        m_writer.OnFilePercentDone(percentOf(read, fileSize) / (m_writer.m_stage ? 2 : 1));
    if (m_writer.OnTotalPercentDone && total > 0)
        m_writer.OnTotalPercentDone(percentOf(done, total));
    m_writer.serviceMessages();
}

bool EntryEncoder::write(ZipOutput& out, ReadAhead& ahead, FileJob& file, TZipHeaderInfo& entry,
                         std::uint64_t& doneBytes, std::uint64_t totalBytes) {
    bool zip64 = false;
    std::uint64_t doneBefore = doneBytes;
    try {
        for (int attemptNo = 0; attemptNo < MaxAttempts; ++attemptNo) {
            doneBytes = doneBefore;
            // Each attempt takes the file as it is now: one that was cut short is read again whole.
            if (attemptNo > 0)
                ahead.restart(file);
            entry.uncompressedSize = file.fileSize;
            zip64 = zip64 || entry.uncompressedSize >= Zip64Threshold;
            Attempt result = attempt(out, ahead, file, entry, zip64, doneBytes, totalBytes);
            if (result == Attempt::Done)
                return true;
            out.truncate(entry.relativeOffset);
            if (result == Attempt::NeedsZip64)
                zip64 = true;
        }
    } catch (const ReadFailure&) {
        // Nothing of the entry stays: the archive goes on from where the entry began.
        out.truncate(entry.relativeOffset);
    }
    doneBytes = doneBefore;
    bool retry = false;
    if (m_writer.OnSkippingFile)
        m_writer.OnSkippingFile(SkipCannotOpen, file.path, -1, retry);
    return false;
}

EntryEncoder::Attempt EntryEncoder::attempt(ZipOutput& out, ReadAhead& ahead, FileJob& file, TZipHeaderInfo& entry,
                                            bool zip64, std::uint64_t& doneBytes, std::uint64_t totalBytes) {
    std::shared_ptr<DataBlock> block = ahead.next(file);
    if (!block)
        throw ReadFailure{};
    const std::string& password = m_writer.Password;
    bool encrypt = !password.empty();
    bool stored = file.level == 0 || block->verdict->load() == Verdict::Store;
    int level = stored ? 0 : file.level;
    bool large = zip64 || entry.relativeOffset >= Max32;
    entry.versionNeeded = large ? 45 : 20;
    entry.versionMadeBy = static_cast<std::uint16_t>((HostUnix << 8) | entry.versionNeeded);
    entry.compressionMethod = level > 0 ? 8 : 0;
    entry.internalAttributes = level > 0 ? 2 : 0;
    entry.flag =
        static_cast<std::uint16_t>((entry.flag & FlagUtf8) | levelFlags(level) | (encrypt ? FlagEncrypted : 0));
    std::uint64_t fileSize = entry.uncompressedSize;
    std::string header = encodeLocalHeader(entry, zip64);
    out.keepTogether(header.size());
    out.write(header.data(), header.size());

    std::unique_ptr<ZipCrypto> crypto;
    std::uint64_t compressed = 0;
    auto emit = [&](unsigned char* data, std::size_t size) {
        if (m_writer.OnEncrypt && encrypt)
            m_writer.OnEncrypt(data, static_cast<int>(size), password);
        else if (crypto)
            crypto->encrypt(data, size);
        out.write(data, size);
        compressed += size;
    };
    std::uint32_t expectedCrc = 0;
    if (encrypt) {
        // The CRC of a one-block file comes with its block; a longer one was read for it first.
        if (!block->last && !file.checksum)
            return Attempt::Changed; // it grew past one block after the attempt began
        expectedCrc = block->last ? block->crc : *file.checksum;
        crypto = std::make_unique<ZipCrypto>(password);
        unsigned char head[ZipCrypto::HeaderSize];
        for (std::size_t i = 0; i < 10; ++i)
            head[i] = static_cast<unsigned char>((m_random() & 0x7FFF) >> 7);
        head[10] = static_cast<unsigned char>(expectedCrc >> 16);
        head[11] = static_cast<unsigned char>(expectedCrc >> 24);
        emit(head, sizeof head);
    }
    std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    std::uint64_t read = 0;
    while (true) {
        crc = static_cast<std::uint32_t>(crc32_combine(crc, block->crc, static_cast<z_off_t>(block->size)));
        std::vector<unsigned char>& data = stored ? block->raw : block->packed;
        if (!data.empty())
            emit(data.data(), data.size());
        for (std::size_t at = 0; at < block->size;) {
            std::size_t step = std::min(ProgressStep, block->size - at);
            at += step;
            doneBytes += step;
            reportProgress(read + at, fileSize, doneBytes, totalBytes);
        }
        read += block->size;
        if (block->last)
            break;
        block = ahead.next(file);
        if (!block)
            throw ReadFailure{};
    }
    if (read == 0)
        reportProgress(0, 0, doneBytes, totalBytes);
    if ((encrypt && crc != expectedCrc) || read < fileSize || shrankSince(file, read))
        return Attempt::Changed; // changed or cut short while it was read: not a copy of any one state
    entry.crc32 = crc;
    entry.uncompressedSize = read;
    entry.compressedSize = compressed;
    if (!zip64 && (read >= Max32 || compressed >= Max32))
        return Attempt::NeedsZip64;
    header = encodeLocalHeader(entry, zip64);
    out.rewrite(entry.relativeOffset, header.data(), header.size());
    return Attempt::Done;
}

} // namespace quorvel
