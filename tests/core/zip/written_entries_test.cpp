// The writer keeps the entries it has written as their directory records until the directory is
// written; they must come back exactly as they went in, however many blocks they fill.
#include "core/zip/sorted_zip.h"
#include "core/zip/written_entries.h"
#include "core/zip/zip_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvel;
using namespace quorvel::zipformat;

namespace {

TZipHeaderInfo entryNumbered(int i) {
    TZipHeaderInfo e;
    e.versionMadeBy = (HostUnix << 8) | 20;
    e.crc32 = 0x01020304u + static_cast<std::uint32_t>(i);
    e.compressedSize = 100u + static_cast<std::uint64_t>(i);
    e.uncompressedSize = 300u + static_cast<std::uint64_t>(i);
    e.relativeOffset = 1000u * static_cast<std::uint64_t>(i);
    e.modifiedDateTime = 0x5a2b3c4du;
    e.externalAttributes = 0100644u << 16;
    e.filePath = "folder" + std::to_string(i % 7) + "/";
    e.fileName = "file " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 90), 'x') + ".txt";
    e.fileNameLength = static_cast<std::uint16_t>(e.storedName().size());
    return e;
}

} // namespace

TEST(WrittenEntries, GiveBackEveryRecordAndEntryInOrderAcrossManyBlocks) {
    WrittenEntries written;
    std::vector<TZipHeaderInfo> expected;
    // Enough records to fill several blocks, so that records meet block ends at many places.
    for (int i = 0; i < 30000; ++i) {
        expected.push_back(entryNumbered(i));
        written.push_back(expected.back());
    }
    // Large sizes and offsets, a comment and a foreign extra field must survive as well.
    TZipHeaderInfo big = entryNumbered(7);
    big.uncompressedSize = 6'000'000'000ull;
    big.compressedSize = 5'000'000'000ull;
    big.relativeOffset = 4'500'000'000ull;
    big.versionNeeded = 45;
    big.fileComment = "kept with the entry";
    big.centralExtra = std::string("\x55\x54\x05\x00\x01\x10\x20\x30\x40", 9);
    expected.push_back(big);
    written.push_back(big);
    ASSERT_EQ(written.size(), expected.size());

    std::size_t i = 0;
    for (auto it = written.begin(); it != written.end(); ++it, ++i) {
        ASSERT_LT(i, expected.size());
        EXPECT_EQ(it.record(), encodeCentralRecord(expected[i])) << i;
        TZipHeaderInfo back = *it;
        EXPECT_EQ(back.storedName(), expected[i].storedName()) << i;
        EXPECT_EQ(back.crc32, expected[i].crc32) << i;
        EXPECT_EQ(back.compressedSize, expected[i].compressedSize) << i;
        EXPECT_EQ(back.uncompressedSize, expected[i].uncompressedSize) << i;
        EXPECT_EQ(back.relativeOffset, expected[i].relativeOffset) << i;
        EXPECT_EQ(back.externalAttributes, expected[i].externalAttributes) << i;
        EXPECT_EQ(back.fileComment, expected[i].fileComment) << i;
    }
    EXPECT_EQ(i, expected.size());

    std::vector<TZipHeaderInfo> taken = std::move(written);
    ASSERT_EQ(taken.size(), expected.size());
    EXPECT_EQ(taken.back().uncompressedSize, big.uncompressedSize);
    EXPECT_EQ(encodeCentralRecord(taken[12345]), encodeCentralRecord(expected[12345]));
    EXPECT_TRUE(written.empty());
    EXPECT_TRUE(written.begin() == written.end());
}

TEST(WrittenEntries, NamesOfMsDosHostsReadBackAsTheWriterIsSetUp) {
    TZipHeaderInfo dos;
    dos.versionMadeBy = (HostMsDos << 8) | 20;
    dos.rawName = "caf\x82.txt"; // code page 437
    dos.fileName = "café.txt";
    dos.fileNameLength = static_cast<std::uint16_t>(dos.rawName.size());

    WrittenEntries converted;
    converted.push_back(dos);
    EXPECT_EQ((*converted.begin()).fileName, "café.txt");
    EXPECT_EQ((*converted.begin()).rawName, dos.rawName);

    WrittenEntries asStored;
    asStored.setOemConvert(false);
    asStored.push_back(dos);
    EXPECT_EQ((*asStored.begin()).fileName, dos.rawName);
}

// Sorting by the full name compares folder and name as one text: "a/bc" comes before "ab/c"
// because '/' sorts before letters, whatever the split.
TEST(SortedZip, ByNameComparesTheWholeStoredNameIgnoringCase) {
    auto named = [](const std::string& path, const std::string& name) {
        TZipHeaderInfo e;
        e.filePath = path;
        e.fileName = name;
        return e;
    };
    TSortedZip sorted;
    sorted.add(named("ab/", "c"));
    sorted.add(named("A/", "bc"));
    sorted.add(named("a/", "B"));
    sorted.add(named("", "ab"));
    sorted.add(named("a/", "b"));
    sorted.sort(ByName);
    std::vector<std::string> order;
    for (std::size_t i = 0; i < sorted.size(); ++i)
        order.push_back(sorted[i].storedName());
    // Equal names keep their order: the sort is stable.
    EXPECT_EQ(order, (std::vector<std::string>{"a/B", "a/b", "A/bc", "ab", "ab/c"}));
}
