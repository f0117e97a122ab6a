#include "core/zip/entry_encoder.h"

#include "core/zip/archive_file.h"
#include "core/zip/zip_crypto.h"
#include "core/zip/zip_format.h"
#include "core/zip/zip_writer.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace quorvel {

using namespace zipformat;

namespace {

constexpr int MaxAttempts = 3;

int percentOf(std::uint64_t part, std::uint64_t whole) {
    if (whole == 0)
        return 0;
    return static_cast<int>(std::min<std::uint64_t>((part * 100 + whole / 2) / whole, 100));
}

std::uint16_t levelFlags(int level) {
    if (level == 1 || level == 2)
        return 0x0004;
    if (level >= 8)
        return 0x0002;
    return 0;
}

} // namespace

EntryEncoder::EntryEncoder(TZipWriter& writer)
    : m_writer(writer), m_block(std::make_unique<unsigned char[]>(BlockSize)), m_random(std::random_device{}()) {}

// A source that fails while it is read is the file's problem, not the archive's: it is told apart
// from a failing output, which ends the operation.
struct EntryEncoder::ReadFailure {};

std::size_t EntryEncoder::readBlock(int fd, std::uint64_t offset) {
    try {
        return m_writer.readSourceBlock(fd, offset, m_block.get(), BlockSize, m_path);
    } catch (const IoError&) {
        throw ReadFailure{};
    }
}

std::uint32_t EntryEncoder::crcPass(int fd) {
    std::uint32_t crc = crc32(0, nullptr, 0);
    std::uint64_t offset = 0;
    for (std::size_t n; (n = readBlock(fd, offset)) > 0; offset += n)
        crc = crc32(crc, m_block.get(), static_cast<uInt>(n));
    return crc;
}

void EntryEncoder::reportProgress(std::uint64_t read, std::uint64_t fileSize, std::uint64_t done, std::uint64_t total) {
    // While spanning the data is copied a second time, into the pieces: this is the first half.
    if (m_writer.OnFilePercentDone)
        m_writer.OnFilePercentDone(percentOf(read, fileSize) / (m_writer.m_stage ? 2 : 1));
    if (m_writer.OnTotalPercentDone && total > 0)
        m_writer.OnTotalPercentDone(percentOf(done, total));
    m_writer.serviceMessages();
}

bool EntryEncoder::write(ZipOutput& out, int fd, const std::string& path, TZipHeaderInfo& entry, int level,
                         std::uint64_t& doneBytes, std::uint64_t totalBytes) {
    m_path = path;
    bool zip64 = false;
    std::uint64_t doneBefore = doneBytes;
    try {
        for (int attemptNo = 0; attemptNo < MaxAttempts; ++attemptNo) {
            doneBytes = doneBefore;
            // Each attempt takes the file as it is now: one that was cut short is read again whole.
            struct stat st {};
            if (::fstat(fd, &st) != 0)
                throw ReadFailure{};
            entry.uncompressedSize = static_cast<std::uint64_t>(st.st_size);
            zip64 = zip64 || entry.uncompressedSize >= Zip64Threshold;
            Attempt result = attempt(out, fd, entry, level, zip64, doneBytes, totalBytes);
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
        m_writer.OnSkippingFile(SkipCannotOpen, path, -1, retry);
    return false;
}

EntryEncoder::Attempt EntryEncoder::attempt(ZipOutput& out, int fd, TZipHeaderInfo& entry, int level, bool zip64,
                                            std::uint64_t& doneBytes, std::uint64_t totalBytes) {
    const std::string& password = m_writer.Password;
    bool encrypt = !password.empty();
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
        expectedCrc = crcPass(fd);
        crypto = std::make_unique<ZipCrypto>(password);
        unsigned char head[ZipCrypto::HeaderSize];
        for (std::size_t i = 0; i < 10; ++i)
            head[i] = static_cast<unsigned char>((m_random() & 0x7FFF) >> 7);
        head[10] = static_cast<unsigned char>(expectedCrc >> 16);
        head[11] = static_cast<unsigned char>(expectedCrc >> 24);
        emit(head, sizeof head);
    }
    if (level > 0)
        m_deflate.reset(level);
    std::uint32_t crc = crc32(0, nullptr, 0);
    std::uint64_t read = 0;
    for (std::size_t n; (n = readBlock(fd, read)) > 0;) {
        crc = crc32(crc, m_block.get(), static_cast<uInt>(n));
        read += n;
        doneBytes += n;
        if (level > 0)
            m_deflate.compress(m_block.get(), n, false, emit);
        else
            emit(m_block.get(), n);
        reportProgress(read, fileSize, doneBytes, totalBytes);
    }
    if (read == 0)
        reportProgress(0, 0, doneBytes, totalBytes);
    if (level > 0)
        m_deflate.compress(nullptr, 0, true, emit);
    if ((encrypt && crc != expectedCrc) || read < fileSize)
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
