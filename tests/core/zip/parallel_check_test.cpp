// Entries are checked on worker threads: the results, and the order they are reported in, are
// those of checking the entries one by one, whatever the number of threads.
#include "core/zip/zip_reader.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct Reported {
    int index;
    bool ok;
    std::string message;
    std::uint32_t crc;
    bool operator==(const Reported&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Reported& r) {
    return out << r.index << (r.ok ? " ok " : " failed ") << r.message << " " << r.crc;
}

struct ParallelCheck : ::testing::Test {
    TempDir dir;
    std::string archive = (dir / "mixed.zip").string();

    void SetUp() override {
        ArchiveBuilder builder;
        for (int i = 0; i < 60; ++i) {
            std::string name = "f" + std::to_string(i) + ".txt";
            std::string data = compressibleText(static_cast<std::size_t>(500 + 997 * i), static_cast<std::uint32_t>(i));
            if (i % 3 == 0)
                builder.addStored(name, data);
            else
                builder.addDeflated(name, data);
        }
        std::string text = compressibleText(20000, 99);
        TZipHeaderInfo lying = ArchiveBuilder::entryFor("wrong-crc.txt", text, 8);
        std::string packed = ArchiveBuilder::deflateRaw(text);
        lying.compressedSize = packed.size();
        lying.crc32 ^= 0x1234;
        builder.addRaw(lying, packed);
        TZipHeaderInfo broken = ArchiveBuilder::entryFor("broken.txt", text, 8);
        broken.compressedSize = 4000;
        builder.addRaw(broken, randomBytes(4000, 5));
        builder.addRaw(ArchiveBuilder::entryFor("folder/", "", 0), "");
        builder.addRaw(ArchiveBuilder::entryFor("odd-method.bin", "abc", 99), "abc");
        builder.addDeflated("last.txt", compressibleText(150000, 7));
        writeFile(archive, builder.build());
    }

    std::vector<Reported> oneByOne(TZipSortMode mode) {
        TZipReader reader;
        reader.setZipName(archive);
        reader.SortMode = mode;
        reader.ReadZip();
        std::vector<Reported> out;
        for (int i = 0; i < reader.Count(); ++i) {
            TEntryCheck check = reader.testEntry(i);
            out.push_back({i, check.ok, check.message, check.calculatedCrc});
        }
        return out;
    }

    std::vector<Reported> together(int threads, TZipSortMode mode) {
        TZipReader reader;
        reader.setZipName(archive);
        reader.SortMode = mode;
        reader.Threads = threads;
        reader.ReadZip();
        std::vector<Reported> out;
        reader.testEntries([&](int i, const TEntryCheck& check) {
            out.push_back({i, check.ok, check.message, check.calculatedCrc});
        });
        return out;
    }
};

} // namespace

TEST_F(ParallelCheck, ResultsAndTheirOrderDoNotDependOnTheThreads) {
    for (TZipSortMode mode : {ByNone, ByName}) {
        std::vector<Reported> expected = oneByOne(mode);
        ASSERT_EQ(expected.size(), 65u);
        int failed = 0;
        for (const Reported& r : expected)
            failed += r.ok ? 0 : 1;
        EXPECT_EQ(failed, 3); // the wrong CRC, the broken data and the unknown method
        EXPECT_EQ(together(1, mode), expected) << "mode " << mode;
        EXPECT_EQ(together(4, mode), expected) << "mode " << mode;
    }
    std::vector<Reported> physical = oneByOne(ByNone);
    EXPECT_EQ(physical[60].message, "CRC error");
    EXPECT_FALSE(physical[61].ok);
    EXPECT_TRUE(physical[62].ok);
    EXPECT_EQ(physical[63].message, "Unknown Compression Method");
}

TEST_F(ParallelCheck, AReportThatRaisesEndsTheCheckAndLeavesTheReaderUsable) {
    TZipReader reader;
    reader.setZipName(archive);
    reader.Threads = 4;
    reader.ReadZip();
    int seen = 0;
    EXPECT_THROW(reader.testEntries([&](int, const TEntryCheck&) {
        if (++seen == 10)
            throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_EQ(seen, 10);
    EXPECT_TRUE(reader.testEntry(64).ok);
}
