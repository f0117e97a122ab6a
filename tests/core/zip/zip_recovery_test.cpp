// Archives whose end was cut off (an interrupted copy or download) give back what is whole.
#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct RecoveryFixture : ::testing::Test {
    TempDir dir;
    fs::path src = dir / "src";
    std::string archive = (dir / "whole.zip").string();
    std::string cut = (dir / "cut.zip").string();
    std::vector<TZipHeaderInfo> entries;

    void SetUp() override {
        writeFile(src / "a.txt", compressibleText(20000, 1));
        writeFile(src / "b.bin", randomBytes(30000, 2));
        writeFile(src / "c.txt", compressibleText(50000, 3));
        writeFile(src / "d.bin", randomBytes(10000, 4));
        fs::permissions(src / "d.bin", fs::perms(0640));
        TZipWriter writer;
        writer.setZipName(archive);
        for (const char* name : {"a.txt", "b.bin", "c.txt", "d.bin"})
            writer.FilesList.push_back((src / name).string());
        ASSERT_EQ(writer.Zip(), 4);
        entries.assign(writer.directory().begin(), writer.directory().end());
    }

    void cutAt(std::uint64_t size) { writeFile(cut, readFile(archive).substr(0, static_cast<std::size_t>(size))); }

    std::vector<std::string> recovered(TZipReader& reader) {
        reader.setZipName(cut);
        reader.IncompleteZipMode = izAssumeBad;
        reader.ReadZip();
        std::vector<std::string> names;
        for (const TZipHeaderInfo& e : reader.directory())
            names.push_back(e.storedName());
        return names;
    }
};

} // namespace

TEST_F(RecoveryFixture, EntriesWhoseDataIsWholeAreKept) {
    // Cut inside c.txt's data: a.txt and b.bin are whole.
    cutAt(entries[2].relativeOffset + 30 + 5 + entries[2].compressedSize / 2);
    TZipReader reader;
    std::vector<TIncompleteZipMode> asked;
    reader.OnInCompleteZip = [&](TIncompleteZipMode& mode) { asked.push_back(mode); };
    EXPECT_EQ(recovered(reader), (std::vector<std::string>{"a.txt", "b.bin"}));
    EXPECT_EQ(asked, std::vector<TIncompleteZipMode>{izAssumeBad});
    reader.setDestDir((dir / "out").string());
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 2);
    EXPECT_EQ(readFile(dir / "out/a.txt"), readFile(src / "a.txt"));
    EXPECT_EQ(readFile(dir / "out/b.bin"), readFile(src / "b.bin"));

    // Without a decision the reader does not guess.
    TZipReader undecided;
    undecided.setZipName(cut);
    undecided.ReadZip();
    EXPECT_EQ(undecided.Count(), 0);
}

TEST_F(RecoveryFixture, WhatIsLeftOfTheDirectoryCompletesTheEntries) {
    // Cut inside the end record: every entry is whole, and the central records still give
    // d.bin its permissions.
    std::uint64_t centralStart = entries[3].relativeOffset + 30 + 5 + entries[3].compressedSize;
    cutAt(centralStart + 4 * (46 + 5) + 10);
    TZipReader reader;
    EXPECT_EQ(recovered(reader).size(), 4u);
    reader.setDestDir((dir / "out").string());
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 4);
    EXPECT_EQ(treeOf(dir / "out"), treeOf(src));
    EXPECT_EQ(fs::status(dir / "out/d.bin").permissions() & fs::perms::all, fs::perms(0640));
}

TEST_F(RecoveryFixture, AddingToARecoveredArchiveRepairsIt) {
    cutAt(entries[3].relativeOffset + 10);
    writeFile(dir / "new.txt", "added after the loss");
    TZipWriter writer;
    writer.setZipName(cut);
    writer.IncompleteZipMode = izAssumeBad;
    writer.FilesList = {(dir / "new.txt").string()};
    EXPECT_EQ(writer.Zip(), 1);

    TZipReader reader; // an ordinary reader: the end record is back
    reader.setZipName(cut);
    reader.IncompleteZipMode = izAssumeNotAZip;
    reader.setDestDir((dir / "out").string());
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 4);
    EXPECT_EQ(readFile(dir / "out/c.txt"), readFile(src / "c.txt"));
    EXPECT_EQ(readFile(dir / "out/new.txt"), "added after the loss");
}
