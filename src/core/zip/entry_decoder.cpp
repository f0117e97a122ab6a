#include "core/zip/entry_decoder.h"

#include "core/zip/byte_reader.h"
#include "core/zip/zip_crypto.h"
#include "core/zip/zip_errors.h"
#include "core/zip/zip_format.h"

#include <algorithm>
#include <zlib.h>

namespace quorvel {

struct DecodeBuffers::Inflater {
    z_stream stream{};
    Inflater() {
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            throw std::bad_alloc();
    }
    ~Inflater() { inflateEnd(&stream); }
};

DecodeBuffers::DecodeBuffers()
    : m_input(std::make_unique<unsigned char[]>(BlockSize)), m_output(std::make_unique<unsigned char[]>(BlockSize)),
      m_inflater(std::make_unique<Inflater>()) {}

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

EntryDecoder::Result EntryDecoder::decode(const std::string& password, const Sink& sink, const Progress& progress) {
    Result result;
    if (!methodSupported(m_entry.compressionMethod)) {
        result.status = Status::UnknownMethod;
        return result;
    }
    std::uint64_t offset = m_dataOffset;
    std::uint64_t remaining = m_entry.compressedSize;
    std::unique_ptr<ZipCrypto> crypto;
    if (m_entry.isEncrypted()) {
        if (remaining < ZipCrypto::HeaderSize) {
            result.status = Status::BadData;
            return result;
        }
        unsigned char header[ZipCrypto::HeaderSize];
        readData(offset, header, sizeof header);
        crypto = std::make_unique<ZipCrypto>(password);
        crypto->decrypt(header, sizeof header);
        offset += ZipCrypto::HeaderSize;
        remaining -= ZipCrypto::HeaderSize;
    }

    std::uint32_t crc = crc32(0, nullptr, 0);
    std::uint64_t written = 0;
    const std::uint64_t limit = m_entry.uncompressedSize;
    auto emit = [&](const unsigned char* data, std::size_t size) {
        bool tooBig = size > limit - written;
        std::size_t allowed = tooBig ? static_cast<std::size_t>(limit - written) : size;
        crc = crc32(crc, data, static_cast<uInt>(allowed));
        written += allowed;
        if (allowed > 0 && sink)
            sink(data, allowed);
        if (progress)
            progress(written);
        if (tooBig)
            throw EBiggerThanUncompressed();
    };

    z_stream& z = m_buffers.m_inflater->stream;
    bool deflated = m_entry.compressionMethod == 8;
    bool streamEnded = !deflated;
    if (deflated)
        inflateReset(&z);
    unsigned char* input = m_buffers.m_input.get();
    unsigned char* output = m_buffers.m_output.get();
    while (remaining > 0 && !(deflated && streamEnded)) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, DecodeBuffers::BlockSize));
        readData(offset, input, n);
        offset += n;
        remaining -= n;
        if (crypto)
            crypto->decrypt(input, n);
        if (!deflated) {
            emit(input, n);
            continue;
        }
        z.next_in = input;
        z.avail_in = static_cast<uInt>(n);
        while (z.avail_in > 0 && !streamEnded) {
            z.next_out = output;
            z.avail_out = DecodeBuffers::BlockSize;
            int rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                result.status = Status::BadData;
                return result;
            }
            emit(output, DecodeBuffers::BlockSize - z.avail_out);
            streamEnded = rc == Z_STREAM_END;
            if (rc == Z_BUF_ERROR)
                break;
        }
    }
    // Output still buffered inside the inflater once the input is used up.
    while (deflated && !streamEnded) {
        z.next_in = input;
        z.avail_in = 0;
        z.next_out = output;
        z.avail_out = DecodeBuffers::BlockSize;
        int rc = inflate(&z, Z_NO_FLUSH);
        emit(output, DecodeBuffers::BlockSize - z.avail_out);
        if (rc == Z_STREAM_END)
            streamEnded = true;
        else if (z.avail_out != 0 || rc != Z_OK)
            break;
    }
    result.crc = crc;
    bool complete = streamEnded && written == limit;
    result.status = complete && crc == m_entry.crc32 ? Status::Ok : Status::BadData;
    return result;
}

} // namespace quorvel
