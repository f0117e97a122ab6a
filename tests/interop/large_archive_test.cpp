// A file beyond 4 GiB must round-trip through Zip64 fields. The file is sparse (zeros), written
// at level 1, and compared by streaming, so the test stays quick and needs little disk.
// Our own CRC check stands for the reader side; the peers check CRC and size, and one byte-compares.
// Updates must move kept entries across 4 GiB with their Zip64 fields written anew.
#include "core/zip/zip_writer.h"

#include "interop_helpers.h"

#include <fcntl.h>
#include <fstream>
#include <map>
#include <unistd.h>
#include <zlib.h>

using namespace quorvel;
using namespace quorvel::test;

TEST(LargeArchive, FileBeyondFourGiBRoundTrips) {
    REQUIRE_PEERS();
    TempDir dir;
    const std::uint64_t size = (4ull << 30) + 65536 + 3;
    fs::path big = dir / "big.img";
    writeFile(big, "");
    fs::resize_file(big, size);
    writeFile(dir / "small.txt", "after the big one");

    fs::path archive = dir / "large.zip";
    TZipWriter writer;
    writer.setZipName(archive.string());
    writer.PackLevel = 1;
    writer.FilesList = {big.string(), (dir / "small.txt").string()};
    ASSERT_EQ(writer.Zip(), 2);
    ASSERT_EQ(writer.Count(), 2);
    EXPECT_EQ(writer.UnCompressedSize(0), size);
    EXPECT_EQ(writer.Entry(0).versionNeeded, 45);
    EXPECT_TRUE(writer.testEntry(0).ok);
    EXPECT_TRUE(writer.testEntry(1).ok);

    runOk({"7zz", "t", archive.string()});
    std::string check = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\n"
                        "assert z.getinfo('big.img').file_size == int(sys.argv[2])\n"
                        "assert z.read('small.txt') == b'after the big one'\n";
    runOk({Python, "-c", check, archive.string(), std::to_string(size)});
    // unzip checks the CRC while it streams the data out; cmp checks every byte.
    runOk({"sh", "-c", "unzip -p \"$1\" big.img | cmp - \"$2\"", "sh", archive.string(), big.string()});
}

namespace {

// Appends to a file, leaving a hole for data that is all zeros.
class SparseArchive {
public:
    explicit SparseArchive(const fs::path& path) : m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)) {}
    ~SparseArchive() { ::close(m_fd); }
    std::uint64_t position() const { return m_position; }
    void write(const std::string& bytes) {
        EXPECT_EQ(::pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(m_position)),
                  static_cast<ssize_t>(bytes.size()));
        m_position += bytes.size();
    }
    void zeros(std::uint64_t count) {
        m_position += count;
        EXPECT_EQ(::ftruncate(m_fd, static_cast<off_t>(m_position)), 0);
    }

private:
    int m_fd;
    std::uint64_t m_position = 0;
};

std::uint32_t crcOfZeros(std::uint64_t count) {
    std::string block(1 << 20, '\0');
    uLong blockCrc = crc32(0, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size()));
    uLong crc = crc32(0, nullptr, 0);
    for (; count >= block.size(); count -= block.size())
        crc = crc32_combine(crc, blockCrc, static_cast<z_off_t>(block.size()));
    return static_cast<std::uint32_t>(
        crc32(crc, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(count)));
}

// The extra field of each central record of an archive whose directory lies in its last MiB.
std::map<std::string, std::string> centralExtras(const fs::path& archive, const TZipReader& reader) {
    std::uintmax_t size = fs::file_size(archive);
    std::uint64_t tailStart = size - std::min<std::uintmax_t>(size, 1 << 20);
    std::ifstream in(archive, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(tailStart));
    std::string tail((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<std::string, std::string> extras;
    for (const TZipHeaderInfo& e : reader.directory()) {
        std::size_t at = static_cast<std::size_t>(e.centralOffset - tailStart);
        extras[e.storedName()] = tail.substr(at + 46 + e.fileNameLength, e.centralExtraLength);
    }
    return extras;
}

} // namespace

// Kept entries that move past 4 GiB get Zip64 offsets written anew; the other tools' extra fields
// stay, once. (Moving back below 4 GiB drops the Zip64 field: see the central record tests.)
TEST(LargeArchive, UpdatesMoveEntriesAcrossFourGiB) {
    REQUIRE_PEERS();
    TempDir dir;
    const std::uint64_t bigSize = (4ull << 30) - 2000;
    const std::string timestamp("\x55\x54\x05\x00\x01\x00\x00\x00\x01", 9);
    fs::path archive = dir / "large.zip";
    {
        SparseArchive out(archive);
        std::vector<TZipHeaderInfo> entries;
        auto add = [&](const std::string& name, const std::string& data, std::uint64_t zeros, std::uint32_t crc) {
            TZipHeaderInfo e = ArchiveBuilder::entryFor(name, data, 0);
            e.relativeOffset = out.position();
            e.compressedSize = e.uncompressedSize = data.size() + zeros;
            e.crc32 = crc;
            e.centralExtra = name == "a.txt" ? std::string() : timestamp;
            out.write(zipformat::encodeLocalHeader(e, false) + data);
            out.zeros(zeros);
            entries.push_back(e);
        };
        add("a.txt", std::string(100, 'a'), 0,
            static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(std::string(100, 'a').data()), 100)));
        add("big.img", "", bigSize, crcOfZeros(bigSize));
        std::string c = randomBytes(1900, 5);
        add("c.txt", c, 0,
            static_cast<std::uint32_t>(
                crc32(0, reinterpret_cast<const Bytef*>(c.data()), static_cast<uInt>(c.size()))));
        add("d.txt", "after the boundary", 0,
            static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>("after the boundary"), 18)));
        TEndCentral end;
        end.centralOffset = out.position();
        std::string central;
        for (const TZipHeaderInfo& e : entries)
            central += zipformat::encodeCentralRecord(e);
        end.centralSize = central.size();
        end.totalEntries = end.entriesThisDisk = entries.size();
        out.write(central + zipformat::encodeEnd(end));
    }

    // A newer, longer a.txt pushes c.txt past 4 GiB; d.txt's Zip64 offset is written anew.
    writeFile(dir / "a.txt", std::string(3000, 'A'));
    TZipWriter writer;
    writer.setZipName(archive.string());
    writer.TempPath = dir.path().string();
    writer.PackLevel = 0;
    writer.FilesList = {(dir / "a.txt").string()};
    ASSERT_EQ(writer.Zip(), 1);
    const std::uint64_t cOffset = 30 + 5 + 3000 + 30 + 7 + bigSize;
    ASSERT_EQ(writer.Count(), 4);
    EXPECT_EQ(writer.directory()[2].relativeOffset, cOffset);
    auto zip64 = [](std::uint64_t offset) {
        std::string field("\x01\x00\x08\x00", 4);
        for (int i = 0; i < 8; ++i)
            field.push_back(static_cast<char>(offset >> (8 * i)));
        return field;
    };
    auto extras = centralExtras(archive, writer);
    EXPECT_EQ(extras["c.txt"], zip64(cOffset) + timestamp);
    EXPECT_EQ(extras["d.txt"], zip64(cOffset + 30 + 5 + 1900) + timestamp);
    runOk({"7zz", "t", archive.string()});
    std::string check = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nz.read('c.txt')\n"
                        "assert z.read('a.txt') == b'A' * 3000\nassert z.read('d.txt') == b'after the boundary'\n";
    runOk({Python, "-c", check, archive.string()});

    EXPECT_TRUE(writer.testEntry(2).ok);
}
