// A file that fails while it is read (an I/O error, a file cut short) is left out of the archive,
// reported as unreadable, and the archive is finished with everything else.
#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// Reading the file whose name ends in `victim` fails once `goodBytes` of it were read.
class FaultyDiskWriter : public TZipWriter {
public:
    std::string victim = "bad.bin";
    std::uint64_t goodBytes = 40000;

protected:
    std::size_t readSourceBlock(int fd, std::uint64_t offset, unsigned char* buffer, std::size_t size,
                                const std::string& path) override {
        if (path.ends_with(victim) && offset + size > goodBytes)
            throw IoError(systemError("Cannot read", path, EIO));
        return TZipWriter::readSourceBlock(fd, offset, buffer, size, path);
    }
};

struct ReadFaultFixture : ::testing::Test {
    TempDir dir;
    fs::path src = dir / "src";
    std::string archive = (dir / "out.zip").string();
    std::vector<std::string> skipped;

    void SetUp() override {
        writeFile(src / "a.txt", compressibleText(70000, 1));
        writeFile(src / "bad.bin", randomBytes(150000, 2));
        writeFile(src / "c.txt", compressibleText(90000, 3));
    }

    void watch(TZipWriter& writer) {
        writer.OnSkippingFile = [this](TSkipReason reason, const std::string& name, int, bool&) {
            if (reason == SkipCannotOpen)
                skipped.push_back(fs::path(name).filename().string());
        };
    }

    std::vector<std::string> filesIn(const fs::path& source) {
        return {(source / "a.txt").string(), (source / "bad.bin").string(), (source / "c.txt").string()};
    }

    // The archive holds a.txt and c.txt whole and nothing of bad.bin, as every reader sees it.
    void expectGoodFilesOnly(const std::string& path) {
        TZipReader reader;
        reader.setZipName(path);
        reader.ReadZip();
        std::vector<std::string> names;
        for (int i = 0; i < reader.Count(); ++i)
            names.push_back(reader.Entry(i).storedName());
        EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "c.txt"}));
        reader.setDestDir((dir / "x").string());
        reader.DoAll = true;
        EXPECT_EQ(reader.UnZip(), 2);
        EXPECT_EQ(readFile(dir / "x/a.txt"), readFile(src / "a.txt"));
        EXPECT_EQ(readFile(dir / "x/c.txt"), readFile(src / "c.txt"));
        ProcessResult python = runProcess({PythonInterpreter.string(), "-c",
                                           "import sys, zipfile\n"
                                           "z = zipfile.ZipFile(sys.argv[1])\n"
                                           "assert z.testzip() is None\n"
                                           "assert z.namelist() == ['a.txt', 'c.txt'], z.namelist()\n",
                                           path});
        EXPECT_EQ(python.exitCode, 0) << python.output;
    }
};

} // namespace

TEST_F(ReadFaultFixture, AReadErrorSkipsTheEntryInEveryEncoding) {
    struct Case {
        int level;
        std::string password;
    };
    for (const Case& c : {Case{0, ""}, Case{6, ""}, Case{9, "secret"}, Case{0, "secret"}}) {
        SCOPED_TRACE("level " + std::to_string(c.level) + (c.password.empty() ? "" : " encrypted"));
        skipped.clear();
        fs::remove_all(dir / "x");
        fs::remove(archive);
        FaultyDiskWriter writer;
        watch(writer);
        writer.setZipName(archive);
        writer.PackLevel = c.level;
        writer.Password = c.password;
        writer.FilesList = filesIn(src);
        EXPECT_EQ(writer.Zip(), 2);
        EXPECT_EQ(skipped, std::vector<std::string>{"bad.bin"});
        if (c.password.empty())
            expectGoodFilesOnly(archive);
        else
            EXPECT_EQ(writer.Count(), 2);
    }
}

// The CRC pass of an encrypted entry reads the file before anything of it is written.
TEST_F(ReadFaultFixture, AReadErrorInTheChecksumPassSkipsTheEntry) {
    FaultyDiskWriter writer;
    writer.goodBytes = 0;
    watch(writer);
    writer.setZipName(archive);
    writer.Password = "secret";
    writer.FilesList = filesIn(src);
    EXPECT_EQ(writer.Zip(), 2);
    EXPECT_EQ(skipped, std::vector<std::string>{"bad.bin"});
    EXPECT_EQ(writer.Count(), 2);
}

// A file of Zip64 size (sparse, so nothing of it takes room) fails early in its data: the rewind
// takes its larger header with it.
TEST_F(ReadFaultFixture, AZip64EntryIsRewoundToo) {
    {
        UniqueFd fd(::open((src / "bad.bin").c_str(), O_WRONLY | O_TRUNC));
        ASSERT_TRUE(fd);
        ASSERT_EQ(::ftruncate(fd.get(), 0x100001000LL), 0);
    }
    FaultyDiskWriter writer;
    watch(writer);
    writer.setZipName(archive);
    writer.PackLevel = 1;
    writer.FilesList = filesIn(src);
    EXPECT_EQ(writer.Zip(), 2);
    EXPECT_EQ(skipped, std::vector<std::string>{"bad.bin"});
    expectGoodFilesOnly(archive);
}

TEST_F(ReadFaultFixture, NumberedPiecesAndUpdatesAreFinishedWithoutTheFile) {
    {
        FaultyDiskWriter writer;
        watch(writer);
        writer.setZipName(archive);
        writer.TempPath = dir.path().string();
        writer.MultiZipInfo.MultiMode = mmBlocks;
        writer.MultiZipInfo.FirstBlockSize = writer.MultiZipInfo.BlockSize = 1 << 20;
        writer.FilesList = filesIn(src);
        EXPECT_EQ(writer.Zip(), 2);
        EXPECT_EQ(skipped, std::vector<std::string>{"bad.bin"});
        expectGoodFilesOnly(archive);
    }
    // Adding to an archive: the old entries stay, the unreadable file is left out.
    fs::remove_all(dir / "x");
    skipped.clear();
    fs::remove(archive);
    TZipWriter first;
    first.setZipName(archive);
    first.FilesList = {(src / "a.txt").string()};
    ASSERT_EQ(first.Zip(), 1);
    FaultyDiskWriter writer;
    watch(writer);
    writer.setZipName(archive);
    writer.TempPath = dir.path().string();
    writer.FilesList = {(src / "bad.bin").string(), (src / "c.txt").string()};
    EXPECT_EQ(writer.Zip(), 1);
    EXPECT_EQ(skipped, std::vector<std::string>{"bad.bin"});
    expectGoodFilesOnly(archive);
}

// A file cut short while it is read (truncated by another program) is read again as it is now;
// a file that keeps shrinking under every attempt is left out, never stored torn.
TEST_F(ReadFaultFixture, AFileCutShortWhileReadIsReadAgainOrLeftOut) {
    for (bool keepsShrinking : {false, true}) {
        SCOPED_TRACE(keepsShrinking ? "keeps shrinking" : "cut once");
        skipped.clear();
        fs::remove(archive);
        fs::remove_all(dir / "x");
        writeFile(src / "bad.bin", randomBytes(150000, 2));
        TZipWriter writer;
        watch(writer);
        writer.setZipName(archive);
        writer.PackLevel = 0;
        int cuts = 0;
        writer.OnFilePercentDone = [&](int percent) {
            std::uintmax_t size = fs::file_size(src / "bad.bin");
            if (percent > 0 && percent < 100 && size > 1000 && (keepsShrinking || cuts == 0)) {
                ++cuts;
                fs::resize_file(src / "bad.bin", keepsShrinking ? size - 1000 : size / 2);
            }
        };
        writer.FilesList = {(src / "bad.bin").string()};
        if (keepsShrinking) {
            EXPECT_EQ(writer.Zip(), 0);
            EXPECT_EQ(skipped, std::vector<std::string>{"bad.bin"});
            EXPECT_EQ(writer.Count(), 0);
            continue;
        }
        EXPECT_EQ(writer.Zip(), 1);
        EXPECT_TRUE(skipped.empty());
        ASSERT_EQ(writer.Count(), 1);
        EXPECT_EQ(writer.Entry(0).uncompressedSize, 75000u);
        writer.setDestDir((dir / "x").string());
        writer.DoAll = true;
        EXPECT_EQ(writer.UnZip(), 1);
        EXPECT_EQ(readFile(dir / "x/bad.bin"), randomBytes(150000, 2).substr(0, 75000));
    }
}
