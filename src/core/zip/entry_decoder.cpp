#include "core/zip/entry_decoder.h"

#include "core/zip/byte_reader.h"
#include "core/zip/raw_inflater.h"
#include "core/zip/zip_crypto.h"
#include "core/zip/zip_errors.h"
#include "core/zip/zip_format.h"

#include <algorithm>
#include <libdeflate.h>
#include <zlib.h>

namespace quorvel {

DecodeBuffers::DecodeBuffers()
    : m_input(std::make_unique<unsigned char[]>(BlockSize)), m_output(std::make_unique<unsigned char[]>(BlockSize)),
      m_inflater(std::make_unique<RawInflater>()) {}

DecodeBuffers::~DecodeBuffers() = default;

EntryDecoder::EntryDecoder(const ByteSource& file, const TZipHeaderInfo& entry, DecodeBuffers& buffers)
    : m_file(file), m_entry(entry), m_buffers(buffers) {}

bool EntryDecoder::locate() {
    unsigned char fixed[zipformat::LocalHeaderSize];
    if (!m_file.readExactAt(m_entry.relativeOffset, fixed, sizeof fixed))
        return false;
    ByteReader in(fixed, sizeof fixed);
    zipformat::LocalHeader header;
    if (!zipformat::parseLocalHeader(in, header))
        return false;
    m_dataOffset = m_entry.relativeOffset + zipformat::LocalHeaderSize + header.nameLength + header.extraLength;
    return true;
}

void EntryDecoder::readData(std::uint64_t offset, unsigned char* buffer, std::size_t size) const {
    if (!m_file.readExactAt(offset, buffer, size))
        throw EFatalUnzipError();
}

bool EntryDecoder::passwordMatches(const std::string& password) const {
    if (m_entry.compressedSize < ZipCrypto::HeaderSize)
        return false;
    unsigned char header[ZipCrypto::HeaderSize];
    readData(m_dataOffset, header, sizeof header);
    ZipCrypto crypto(password);
    crypto.decrypt(header, sizeof header);
    std::uint8_t check = m_entry.hasDataDescriptor() ? static_cast<std::uint8_t>(m_entry.modifiedDateTime >> 8)
                                                     : static_cast<std::uint8_t>(m_entry.crc32 >> 24);
    return header[ZipCrypto::HeaderSize - 1] == check;
}

// Counts the CRC and the size of what the entry yields and hands it on; raises
// EBiggerThanUncompressed (after handing on the part allowed) once it outgrows the declared size.
class EntryDecoder::Output {
public:
    Output(std::uint64_t limit, const Sink& sink, const Progress& progress)
        : m_limit(limit), m_sink(sink), m_progress(progress) {}

    void emit(const unsigned char* data, std::size_t size) {
        const bool tooBig = size > m_limit - m_written;
        const std::size_t allowed = tooBig ? static_cast<std::size_t>(m_limit - m_written) : size;
        m_crc = libdeflate_crc32(m_crc, data, allowed);
        m_written += allowed;
        if (allowed > 0 && m_sink)
            m_sink(data, allowed);
        if (m_progress)
            m_progress(m_written);
        if (tooBig)
            throw EBiggerThanUncompressed();
    }
    std::uint32_t crc() const { return m_crc; }
    std::uint64_t written() const { return m_written; }

private:
    std::uint64_t m_limit;
    const Sink& m_sink;
    const Progress& m_progress;
    std::uint32_t m_crc = 0;
    std::uint64_t m_written = 0;
};

EntryDecoder::Result EntryDecoder::decode(const std::string& password, const Sink& sink, const Progress& progress) {
    Result result;
    if (!methodSupported(m_entry.compressionMethod)) {
        result.status = Status::UnknownMethod;
        return result;
    }
    result.status = Status::BadData;
    Cursor at{m_dataOffset, m_entry.compressedSize};
    std::unique_ptr<ZipCrypto> crypto;
    if (m_entry.isEncrypted() && !(crypto = startDecryption(password, at)))
        return result;
    Output out(m_entry.uncompressedSize, sink, progress);
    if (m_entry.compressionMethod == 8) {
        const Inflated inflated = inflateAll(at, crypto.get(), out);
        if (inflated == Inflated::Invalid)
            return result;
        if (inflated == Inflated::Truncated) {
            result.crc = out.crc();
            return result;
        }
    } else {
        copyAll(at, crypto.get(), out);
    }
    result.crc = out.crc();
    if (out.written() == m_entry.uncompressedSize && result.crc == m_entry.crc32)
        result.status = Status::Ok;
    return result;
}

// Reads the encryption header with the password's keys, so that the data behind it decrypts; null
// when the data is too short to hold one.
std::unique_ptr<ZipCrypto> EntryDecoder::startDecryption(const std::string& password, Cursor& at) const {
    if (at.remaining < ZipCrypto::HeaderSize)
        return nullptr;
    unsigned char header[ZipCrypto::HeaderSize];
    readData(at.offset, header, sizeof header);
    auto crypto = std::make_unique<ZipCrypto>(password);
    crypto->decrypt(header, sizeof header);
    at.offset += ZipCrypto::HeaderSize;
    at.remaining -= ZipCrypto::HeaderSize;
    return crypto;
}

// The next block of the entry's data, decrypted, in the input buffer; its size.
std::size_t EntryDecoder::nextBlock(Cursor& at, ZipCrypto* crypto) const {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(at.remaining, DecodeBuffers::BlockSize));
    unsigned char* input = m_buffers.m_input.get();
    readData(at.offset, input, n);
    at.offset += n;
    at.remaining -= n;
    if (crypto)
        crypto->decrypt(input, n);
    return n;
}

void EntryDecoder::copyAll(Cursor& at, ZipCrypto* crypto, Output& out) const {
    while (at.remaining > 0) {
        const std::size_t n = nextBlock(at, crypto);
        out.emit(m_buffers.m_input.get(), n);
    }
}

EntryDecoder::Inflated EntryDecoder::inflateAll(Cursor& at, ZipCrypto* crypto, Output& out) {
    z_stream& z = m_buffers.m_inflater->stream();
    inflateReset(&z);
    bool ended = false;
    while (at.remaining > 0 && !ended) {
        z.next_in = m_buffers.m_input.get();
        z.avail_in = static_cast<uInt>(nextBlock(at, crypto));
        while (z.avail_in > 0 && !ended) {
            const int rc = inflateInto(out);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
                return Inflated::Invalid;
            ended = rc == Z_STREAM_END;
            if (rc == Z_BUF_ERROR)
                break;
        }
    }
    return ended || drain(out) ? Inflated::Ended : Inflated::Truncated;
}

// Output the inflater still holds once the input is used up; true when the stream ended.
bool EntryDecoder::drain(Output& out) {
    z_stream& z = m_buffers.m_inflater->stream();
    for (;;) {
        z.next_in = m_buffers.m_input.get();
        z.avail_in = 0;
        const int rc = inflateInto(out);
        if (rc == Z_STREAM_END)
            return true;
        if (z.avail_out != 0 || rc != Z_OK)
            return false;
    }
}

// One call of inflate into the output buffer; what it produced goes out unless the data is invalid.
int EntryDecoder::inflateInto(Output& out) {
    z_stream& z = m_buffers.m_inflater->stream();
    unsigned char* output = m_buffers.m_output.get();
    z.next_out = output;
    z.avail_out = DecodeBuffers::BlockSize;
    const int rc = inflate(&z, Z_NO_FLUSH);
    if (rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR)
        out.emit(output, DecodeBuffers::BlockSize - z.avail_out);
    return rc;
}

} // namespace quorvel
