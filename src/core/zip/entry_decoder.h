#pragma once

#include "core/zip/byte_source.h"
#include "core/zip/zip_types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvel {

class RawInflater;
class ZipCrypto;

// Work buffers and the inflate state, allocated once per operation and reused for every entry.
class DecodeBuffers {
public:
    static constexpr std::size_t BlockSize = 32 * 1024;
    DecodeBuffers();
    ~DecodeBuffers();
    DecodeBuffers(const DecodeBuffers&) = delete;
    DecodeBuffers& operator=(const DecodeBuffers&) = delete;

private:
    friend class EntryDecoder;
    std::unique_ptr<unsigned char[]> m_input;
    std::unique_ptr<unsigned char[]> m_output;
    std::unique_ptr<RawInflater> m_inflater;
};

// Streams one entry's data out of the archive: locates it behind its local header, decrypts,
// decompresses, counts the CRC and never lets the output grow past the declared size.
class EntryDecoder {
public:
    enum class Status { Ok, BadData, UnknownMethod };
    struct Result {
        Status status = Status::Ok;
        std::uint32_t crc = 0;
        bool crcMatches() const { return status == Status::Ok; }
    };
    using Sink = std::function<void(const unsigned char* data, std::size_t size)>;
    using Progress = std::function<void(std::uint64_t written)>;

    EntryDecoder(const ByteSource& file, const TZipHeaderInfo& entry, DecodeBuffers& buffers);

    static bool methodSupported(std::uint16_t method) { return method == 0 || method == 8; }
    // Finds the data behind the local header; false when no local header is where the directory says.
    bool locate();
    // True when the encryption header decrypts to the entry's check byte with this password.
    bool passwordMatches(const std::string& password) const;
    // Raises EFatalUnzipError when the archive ends early and EBiggerThanUncompressed when the data
    // outgrows the declared size (after handing the allowed part to the sink).
    Result decode(const std::string& password, const Sink& sink, const Progress& progress);

private:
    class Output;
    struct Cursor {
        std::uint64_t offset; // of the next byte of the entry's data in the archive
        std::uint64_t remaining;
    };
    enum class Inflated { Ended, Truncated, Invalid };

    void readData(std::uint64_t offset, unsigned char* buffer, std::size_t size) const;
    std::unique_ptr<ZipCrypto> startDecryption(const std::string& password, Cursor& at) const;
    std::size_t nextBlock(Cursor& at, ZipCrypto* crypto) const;
    void copyAll(Cursor& at, ZipCrypto* crypto, Output& out) const;
    Inflated inflateAll(Cursor& at, ZipCrypto* crypto, Output& out);
    bool drain(Output& out);
    int inflateInto(Output& out);

    const ByteSource& m_file;
    const TZipHeaderInfo& m_entry;
    DecodeBuffers& m_buffers;
    std::uint64_t m_dataOffset = 0;
};

} // namespace quorvel
