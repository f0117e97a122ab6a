#pragma once

#include "core/zip/zip_format.h"
#include "core/zip/zip_output.h"
#include "core/zip/zip_reader.h"
#include "support/test_support.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>
#include <zlib.h>

namespace quorvel::test {

// Assembles archives byte by byte, so that tests can put any lie into any field.
class ArchiveBuilder {
public:
    // An entry whose fields are taken from `entry` as given (sizes, CRC and method are not checked).
    ArchiveBuilder& addRaw(TZipHeaderInfo entry, const std::string& data) {
        entry.relativeOffset = m_bytes.size();
        m_bytes += zipformat::encodeLocalHeader(entry, false) + data;
        m_entries.push_back(entry);
        return *this;
    }
    // An entry whose local header carries an extra field the directory record does not.
    ArchiveBuilder& addWithLocalExtra(TZipHeaderInfo entry, const std::string& data, const std::string& localExtra) {
        entry.relativeOffset = m_bytes.size();
        m_bytes += zipformat::encodeLocalHeader(entry, false, localExtra) + data;
        m_entries.push_back(entry);
        return *this;
    }
    // A well-formed stored entry.
    ArchiveBuilder& addStored(const std::string& name, const std::string& data) {
        return addRaw(entryFor(name, data, 0), data);
    }
    // A well-formed deflated entry.
    ArchiveBuilder& addDeflated(const std::string& name, const std::string& data) {
        std::string packed = deflateRaw(data);
        TZipHeaderInfo e = entryFor(name, data, 8);
        e.compressedSize = packed.size();
        return addRaw(e, packed);
    }
    // A directory record alone, pointing wherever `entry.relativeOffset` says.
    ArchiveBuilder& addRecordOnly(const TZipHeaderInfo& entry) {
        m_entries.push_back(entry);
        return *this;
    }
    const TZipHeaderInfo& last() const { return m_entries.back(); }
    // `declaredCount` puts another entry count into the end record (and leaves out the Zip64 one).
    std::string build(const std::string& comment = {}, std::optional<std::uint64_t> declaredCount = {}) {
        TEndCentral end;
        end.centralOffset = m_bytes.size();
        std::string central;
        for (const TZipHeaderInfo& e : m_entries)
            central += zipformat::encodeCentralRecord(e);
        end.centralSize = central.size();
        end.totalEntries = end.entriesThisDisk = declaredCount.value_or(m_entries.size());
        end.comment = comment;
        return m_bytes + central + zipformat::encodeEnd(end);
    }

    static TZipHeaderInfo entryFor(const std::string& name, const std::string& data, std::uint16_t method) {
        TZipHeaderInfo e;
        std::size_t slash = name.rfind('/');
        e.filePath = slash == std::string::npos ? "" : name.substr(0, slash + 1);
        e.fileName = slash == std::string::npos ? name : name.substr(slash + 1);
        e.versionMadeBy = (3 << 8) | 20;
        e.compressionMethod = method;
        e.crc32 = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        e.compressedSize = e.uncompressedSize = data.size();
        e.modifiedDateTime = toDosDateTime(DateTime{2020, 5, 17, 10, 30, 0});
        e.externalAttributes = (0100644u << 16) | 0x20;
        return e;
    }
    static std::string deflateRaw(const std::string& data) {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&z, data.size()) + 16, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z.avail_in = static_cast<uInt>(data.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, Z_FINISH);
        out.resize(z.total_out);
        deflateEnd(&z);
        return out;
    }

private:
    std::string m_bytes;
    std::vector<TZipHeaderInfo> m_entries;
};

// Fails after a number of bytes, as a full disk would.
class FailingOutput : public ZipOutput {
public:
    FailingOutput(std::unique_ptr<ZipOutput> inner, std::uint64_t limit) : m_inner(std::move(inner)), m_limit(limit) {}
    void write(const void* data, std::size_t size) override {
        if (m_inner->position() + size > m_limit)
            throw ENotEnoughRoom();
        m_inner->write(data, size);
    }
    std::uint64_t position() const override { return m_inner->position(); }
    void rewrite(std::uint64_t offset, const void* data, std::size_t size) override {
        m_inner->rewrite(offset, data, size);
    }
    void truncate(std::uint64_t offset) override { m_inner->truncate(offset); }
    void finish() override { m_inner->finish(); }
    void discard() noexcept override { m_inner->discard(); }

private:
    std::unique_ptr<ZipOutput> m_inner;
    std::uint64_t m_limit;
};

// One entry of each kind, sound or lying, under `prefix`: a sound deflated and a sound stored entry,
// data that inflates past or short of its declared size, a wrong CRC, a cut stream, stored data
// longer or shorter than declared, and a local extra field longer than the central one.
inline void addSoundAndLyingEntries(ArchiveBuilder& builder, const std::string& prefix, const std::string& text) {
    const std::string packed = ArchiveBuilder::deflateRaw(text);
    builder.addDeflated(prefix + "sound.txt", text);
    builder.addStored(prefix + "stored.txt", text);

    TZipHeaderInfo longer = ArchiveBuilder::entryFor(prefix + "inflates-past-size.txt", text, 8);
    longer.compressedSize = packed.size();
    longer.uncompressedSize = text.size() - 1;
    builder.addRaw(longer, packed);

    TZipHeaderInfo shorter = ArchiveBuilder::entryFor(prefix + "inflates-short.txt", text, 8);
    shorter.compressedSize = packed.size();
    shorter.uncompressedSize = text.size() + 1;
    builder.addRaw(shorter, packed);

    TZipHeaderInfo wrongCrc = ArchiveBuilder::entryFor(prefix + "wrong-crc.txt", text, 8);
    wrongCrc.compressedSize = packed.size();
    wrongCrc.crc32 ^= 1;
    builder.addRaw(wrongCrc, packed);

    TZipHeaderInfo cut = ArchiveBuilder::entryFor(prefix + "cut-stream.txt", text, 8);
    cut.compressedSize = packed.size() / 2;
    builder.addRaw(cut, packed.substr(0, packed.size() / 2));

    TZipHeaderInfo storedLonger = ArchiveBuilder::entryFor(prefix + "stored-past-size.txt", text, 0);
    storedLonger.uncompressedSize = text.size() - 1;
    builder.addRaw(storedLonger, text);

    TZipHeaderInfo storedShorter = ArchiveBuilder::entryFor(prefix + "stored-short.txt", text, 0);
    storedShorter.uncompressedSize = text.size() + 1;
    builder.addRaw(storedShorter, text);

    TZipHeaderInfo localExtra = ArchiveBuilder::entryFor(prefix + "long-local-extra.txt", text, 8);
    localExtra.compressedSize = packed.size();
    // An unknown field (id 0x7777) of 1,000 bytes, only in the local header.
    std::string extra = std::string("\x77\x77\xe8\x03", 4) + std::string(1000, 'x');
    builder.addWithLocalExtra(localExtra, packed, extra);
}

// Every regular file below a folder, by relative path, with its contents.
inline std::vector<std::pair<std::string, std::string>> treeOf(const fs::path& root) {
    std::vector<std::pair<std::string, std::string>> files;
    if (!fs::exists(root))
        return files;
    for (const auto& item : fs::recursive_directory_iterator(root))
        if (item.is_regular_file())
            files.emplace_back(fs::relative(item.path(), root).string(), readFile(item.path()));
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace quorvel::test
