// Crafted archives, each paired with the exact outcome it must produce: nothing is ever written
// outside the destination folder, lies about sizes and checksums are caught, and damaged
// archives end with the documented errors instead of hanging or crashing.
#include "core/zip/zip_reader.h"
#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct HostileFixture : ::testing::Test {
    TempDir dir;
    std::string archive = (dir / "in.zip").string();
    fs::path dest = dir / "dest";
    TZipReader reader;
    std::vector<std::string> errors;
    std::vector<TSkipReason> skips;
    std::vector<std::string> badCrc;

    void SetUp() override {
        fs::create_directories(dest);
        reader.DoAll = true;
        reader.RecreateDirs = true;
        reader.OverwriteMode = Always;
        reader.OnUnZipError = [&](int, const std::string&, const std::string& message) { errors.push_back(message); };
        reader.OnSkippingFile = [&](TSkipReason r, const std::string&, int, bool&) { skips.push_back(r); };
        reader.OnBadCRC = [&](std::uint32_t, std::uint32_t, int i) { badCrc.push_back(reader.Filename(i)); };
    }
    int extract(const std::string& bytes) {
        writeFile(archive, bytes);
        reader.setZipName(archive);
        reader.setDestDir(dest.string());
        reader.DoAll = true;
        return reader.UnZip();
    }
    // Everything below the test folder except the archive itself.
    std::vector<std::string> everythingWritten() {
        std::vector<std::string> paths;
        for (const auto& item : fs::recursive_directory_iterator(dir.path()))
            if (item.path() != archive)
                paths.push_back(fs::relative(item.path(), dir.path()).string());
        std::sort(paths.begin(), paths.end());
        return paths;
    }
};

} // namespace

TEST_F(HostileFixture, TraversalNamesStayInsideTheDestination) {
    ArchiveBuilder b;
    b.addStored("../escape.txt", "1");
    b.addStored("a/../../escape2.txt", "2");
    b.addStored("/etc/abs.txt", "3");    // absolute: lands below the destination
    b.addStored("..\\..\\win.txt", "4"); // backslashes are separators too
    b.addStored("C:/drive/d.txt", "5");  // a drive is taken off
    b.addStored("ok/fine.txt", "6");
    EXPECT_EQ(extract(b.build()), 3);
    EXPECT_EQ(everythingWritten(), (std::vector<std::string>{"dest", "dest/drive", "dest/drive/d.txt", "dest/etc",
                                                             "dest/etc/abs.txt", "dest/ok", "dest/ok/fine.txt"}));
    EXPECT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0], "Unsafe name in archive, not extracted: ../escape.txt");
    EXPECT_EQ(skips, std::vector<TSkipReason>(3, SkipCannotCreate));
}

TEST_F(HostileFixture, ExistingLinksAreNeverFollowed) {
    fs::create_directories(dir / "outside");
    fs::create_directory_symlink(dir / "outside", dest / "linkdir");
    writeFile(dir / "outside/victim.txt", "precious");
    fs::create_symlink(dir / "outside/victim.txt", dest / "link.txt");
    ArchiveBuilder b;
    b.addStored("linkdir/new.txt", "planted");
    b.addStored("link.txt", "overwritten");
    b.addStored("linkdir/", "");
    EXPECT_EQ(extract(b.build()), 0);
    EXPECT_EQ(readFile(dir / "outside/victim.txt"), "precious");
    EXPECT_FALSE(fs::exists(dir / "outside/new.txt"));
    EXPECT_TRUE(fs::is_symlink(dest / "link.txt"));
    EXPECT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[1], "Refusing to replace the symbolic link " + (dest / "link.txt").string());
}

TEST_F(HostileFixture, SymbolicLinkEntriesBecomePlainFiles) {
    TZipHeaderInfo e = ArchiveBuilder::entryFor("evil", "/etc/passwd", 0);
    e.externalAttributes = (0120777u << 16);
    EXPECT_EQ(extract(ArchiveBuilder().addRaw(e, "/etc/passwd").build()), 1);
    EXPECT_FALSE(fs::is_symlink(dest / "evil"));
    EXPECT_EQ(readFile(dest / "evil"), "/etc/passwd");
}

TEST_F(HostileFixture, DataLargerThanDeclaredStopsAndIsDeleted) {
    std::string data(100000, 'z');
    std::string packed = ArchiveBuilder::deflateRaw(data);
    TZipHeaderInfo e = ArchiveBuilder::entryFor("bomb.txt", data, 8);
    e.uncompressedSize = 1000;
    e.compressedSize = packed.size();
    ArchiveBuilder b;
    b.addRaw(e, packed).addStored("after.txt", "still extracted");
    EXPECT_EQ(extract(b.build()), 1);
    EXPECT_EQ(errors, std::vector<std::string>{"File is larger than uncompressed size!"});
    EXPECT_EQ(everythingWritten(), (std::vector<std::string>{"dest", "dest/after.txt"}));
}

TEST_F(HostileFixture, WrongCrcDeletesTheFileAndKeepsAnOldOne) {
    writeFile(dest / "a.txt", "old contents");
    TZipHeaderInfo e = ArchiveBuilder::entryFor("a.txt", "new contents", 0);
    e.crc32 ^= 1;
    EXPECT_EQ(extract(ArchiveBuilder().addRaw(e, "new contents").build()), 0);
    EXPECT_EQ(badCrc, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(readFile(dest / "a.txt"), "old contents");
    EXPECT_EQ(everythingWritten(), (std::vector<std::string>{"dest", "dest/a.txt"}));
    EXPECT_FALSE(reader.testEntry(0).ok);
}

TEST_F(HostileFixture, UnknownMethodFailsTheEntryOnly) {
    TZipHeaderInfo e = ArchiveBuilder::entryFor("bz.txt", "data", 12);
    ArchiveBuilder b;
    b.addRaw(e, "data").addStored("ok.txt", "ok");
    EXPECT_EQ(extract(b.build()), 1);
    EXPECT_EQ(errors, std::vector<std::string>{"Unknown Compression Method"});
    EXPECT_EQ(everythingWritten(), (std::vector<std::string>{"dest", "dest/ok.txt"}));
}

TEST_F(HostileFixture, TruncatedDataEndsTheOperation) {
    std::string good = ArchiveBuilder().addStored("big.bin", randomBytes(100000, 3)).build();
    // The directory still claims 100000 bytes of data, but the file ends after 50000.
    std::string central = good.substr(30 + 7 + 100000);
    std::string cut = good.substr(0, 30 + 7 + 50000);
    TEndCentral end;
    end.centralOffset = 30 + 7 + 100000;
    writeFile(archive, cut + central);
    // Offsets now point past the end: the directory is rebuilt from the local header.
    reader.setZipName(archive);
    reader.setDestDir(dest.string());
    int completed = -1;
    reader.OnUnZipComplete = [&](int n) { completed = n; };
    try {
        reader.UnZip();
        FAIL();
    } catch (const EFatalUnzipError& e) {
        EXPECT_STREQ(e.what(), "Premature end of file reached");
    }
    EXPECT_EQ(completed, 0);
    EXPECT_EQ(everythingWritten(), std::vector<std::string>{"dest"});
}

TEST_F(HostileFixture, BadOffsetsAndCounts) {
    // A local header offset pointing at nothing.
    TZipHeaderInfo e = ArchiveBuilder::entryFor("a.txt", "abc", 0);
    std::string bytes = ArchiveBuilder().addRaw(e, "abc").addStored("b.txt", "b").build();
    std::size_t central = bytes.find("PK\x01\x02");
    bytes[central + 42] = 0x10; // relative offset of a.txt: 16
    EXPECT_EQ(extract(bytes), 1);
    EXPECT_EQ(errors, std::vector<std::string>{"Not a valid zip file!"});

    // An end record claiming 65535 entries in a tiny directory, and a directory offset beyond
    // the file: both fall back to the local headers.
    std::string good = ArchiveBuilder().addStored("c.txt", "cc").build();
    std::string lying = good;
    lying[lying.size() - 22 + 8] = '\xff';
    lying[lying.size() - 22 + 9] = '\xff';
    lying[lying.size() - 22 + 10] = '\xff';
    lying[lying.size() - 22 + 11] = '\xff';
    errors.clear();
    EXPECT_EQ(extract(lying), 1);
    std::string far = good;
    far[far.size() - 22 + 19] = '\x7f';
    EXPECT_EQ(extract(far), 1);
    EXPECT_EQ(readFile(dest / "c.txt"), "cc");

    // Garbage behind a valid end record signature, with no local header anywhere.
    std::string junk = std::string(100, 'j') + std::string("PK\x05\x06", 4) + std::string(18, '\xff');
    writeFile(archive, junk);
    reader.setZipName(archive);
    reader.IncompleteZipMode = izAssumeBad;
    EXPECT_THROW(reader.ReadZip(), EBadZipFile);
}

TEST_F(HostileFixture, DeflateGarbageIsACrcFailure) {
    TZipHeaderInfo e = ArchiveBuilder::entryFor("g.txt", "hello", 8);
    std::string garbage = randomBytes(64, 9);
    e.compressedSize = garbage.size();
    EXPECT_EQ(extract(ArchiveBuilder().addRaw(e, garbage).build()), 0);
    EXPECT_EQ(badCrc, std::vector<std::string>{"g.txt"});
    EXPECT_EQ(everythingWritten(), std::vector<std::string>{"dest"});
}

TEST_F(HostileFixture, RebuildSurvivesSizesThatWrapAround) {
    // Local headers whose Zip64 sizes point past the end of the file (found by fuzzing: the
    // rebuild used to wrap around and scan the same bytes for ever).
    TZipHeaderInfo e = ArchiveBuilder::entryFor("w.txt", "", 8);
    e.compressedSize = e.uncompressedSize = 0xFFFFFFFFFFFFFFF0ull;
    std::string local = zipformat::encodeLocalHeader(e, true);
    writeFile(archive, local + "junk" + local);
    reader.setZipName(archive);
    reader.IncompleteZipMode = izAssumeBad;
    EXPECT_THROW(reader.ReadZip(), EBadZipFile); // no entry has its data in the file

    writeFile(archive, readFile(sourceDir() / "tests/core/zip/data/rebuild-wrapping-sizes.zip"));
    reader.setZipName("");
    reader.setZipName(archive);
    reader.setDestDir(dest.string());
    reader.ReadZip();
    EXPECT_GT(reader.Count(), 0);
    reader.DoAll = true;
    EXPECT_NO_THROW(reader.UnZip()); // only entries whose data lies in the file were kept
    for (const std::string& path : everythingWritten())
        EXPECT_EQ(path.rfind("dest", 0), 0u) << path;
}

namespace {

// Two directory records for the bytes of one entry.
std::string sharedBytesArchive(const std::string& data) {
    ArchiveBuilder b;
    b.addDeflated("a.txt", data);
    TZipHeaderInfo alias = b.last();
    alias.fileName = "b.txt";
    return b.addRecordOnly(alias).build();
}

// An entry whose stored data is the next entry, local header and all ("quoted" overlap).
std::string quotedArchive(const std::string& data) {
    TZipHeaderInfo inner = ArchiveBuilder::entryFor("inner.txt", data, 0);
    inner.relativeOffset = zipformat::LocalHeaderSize + std::string("outer.bin").size();
    ArchiveBuilder b;
    b.addStored("outer.bin", zipformat::encodeLocalHeader(inner, false) + data);
    return b.addRecordOnly(inner).build();
}

} // namespace

// Entries that share their bytes make a small archive expand into far more than it holds: the
// construction of non-recursive zip bombs. Such an archive is listed (so the user sees what it
// is) but refused before anything is extracted, tested or copied into an update.
TEST_F(HostileFixture, OverlappingEntriesAreRefusedBeforeAnythingIsWritten) {
    const std::string data = compressibleText(20000, 7);
    for (const std::string& bytes : {sharedBytesArchive(data), quotedArchive(data)}) {
        writeFile(archive, bytes);
        reader.setZipName((dir / "other.zip").string());
        reader.setZipName(archive);
        reader.ReadZip();
        EXPECT_EQ(reader.Count(), 2);
        EXPECT_TRUE(reader.overlappingEntries());
        reader.setDestDir(dest.string());
        try {
            reader.UnZip();
            ADD_FAILURE() << "extracted";
        } catch (const EBadZipFile& e) {
            EXPECT_NE(std::string(e.what()).find("overlap"), std::string::npos) << e.what();
        }
        EXPECT_THROW(reader.testEntry(0), EBadZipFile);
        EXPECT_TRUE(fs::is_empty(dest));

        TZipWriter writer;
        writer.setZipName(archive);
        writer.FilesList = {archive}; // anything: the archive is refused before files are read
        EXPECT_THROW(writer.Zip(), EBadZipFile);
        writer.FilesList = {"a.txt"};
        EXPECT_THROW(writer.DeleteEntries(), EBadZipFile);
        EXPECT_EQ(readFile(archive), bytes);
    }
}

// A size damaged so that the entry would reach over the next one and into the directory is no
// bomb: that entry alone fails, so nothing of it is read from the bytes of others.
TEST_F(HostileFixture, ASizeRunningPastTheEntriesFailsThatEntryAlone) {
    TZipHeaderInfo a = ArchiveBuilder::entryFor("a.txt", "aaa", 0);
    a.compressedSize = a.uncompressedSize = 90; // past b.txt and into the directory
    std::string bytes = ArchiveBuilder().addRaw(a, "aaa").addStored("b.txt", "bb").build();
    ASSERT_GT(bytes.size(), 30u + 5u + 90u);
    EXPECT_EQ(extract(bytes), 1);
    EXPECT_FALSE(reader.overlappingEntries());
    EXPECT_EQ(errors, std::vector<std::string>{"Not a valid zip file: its data runs past the entries"});
    EXPECT_EQ(readFile(dest / "b.txt"), "bb");
    EXPECT_FALSE(fs::exists(dest / "a.txt"));
}

// A large file that compresses well is what backups are made of: a high ratio alone is no bomb.
TEST_F(HostileFixture, AnHonestlyLargeEntryIsExtracted) {
    ArchiveBuilder b;
    b.addDeflated("zeros.bin", std::string(16 << 20, '\0'));
    b.addStored("next.txt", "after it");
    EXPECT_EQ(extract(b.build()), 2);
    EXPECT_FALSE(reader.overlappingEntries());
    EXPECT_EQ(fs::file_size(dest / "zeros.bin"), 16u << 20);
}
