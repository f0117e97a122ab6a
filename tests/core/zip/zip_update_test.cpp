// Adding to and deleting from existing archives.
#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

constexpr std::time_t Monday = 1700000000;

struct UpdateFixture : ::testing::Test {
    TempDir dir;
    fs::path src = dir / "src";
    fs::path temp = dir / "temp";
    std::string archive = (dir / "a.zip").string();
    TZipWriter writer;

    void SetUp() override {
        fs::create_directories(temp);
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            put(name, compressibleText(4000, static_cast<unsigned char>(name[0])));
        writer.setZipName(archive);
        writer.TempPath = temp.string();
        writer.FilesList = {(src / "a.txt").string(), (src / "b.txt").string(), (src / "c.txt").string()};
        ASSERT_EQ(writer.Zip(), 3);
    }

    void put(const std::string& name, const std::string& data, std::time_t when = Monday) {
        writeFile(src / name, data);
        setModificationTime(src / name, when);
    }

    int add(std::vector<std::string> files) {
        writer.FilesList = std::move(files);
        return writer.Zip();
    }

    std::vector<std::string> names() {
        TZipReader reader;
        reader.setZipName(archive);
        reader.ReadZip();
        std::vector<std::string> out;
        for (const TZipHeaderInfo& e : reader.directory())
            out.push_back(e.storedName());
        return out;
    }

    std::string extracted(const std::string& stored) {
        TZipReader reader;
        reader.setZipName(archive);
        reader.setDestDir((dir / "x").string());
        reader.RecreateDirs = true;
        reader.OverwriteMode = Always;
        reader.FilesList = {stored};
        EXPECT_EQ(reader.UnZip(), 1) << stored;
        return readFile(dir / "x" / stored);
    }

    // The local header and data of an entry as they lie in the archive.
    static std::map<std::string, std::string> entryBytes(const std::string& path) {
        TZipReader reader;
        reader.setZipName(path);
        reader.ReadZip();
        std::string bytes = readFile(path);
        std::map<std::string, std::string> out;
        for (const TZipHeaderInfo& e : reader.directory()) {
            std::size_t at = static_cast<std::size_t>(e.relativeOffset);
            const auto byteAt = [&](std::size_t offset) {
                return static_cast<std::size_t>(static_cast<unsigned char>(bytes[offset]));
            };
            const std::size_t lengths =
                byteAt(at + 26) + 256 * byteAt(at + 27) + byteAt(at + 28) + 256 * byteAt(at + 29);
            out[e.storedName()] = bytes.substr(at, 30 + lengths + static_cast<std::size_t>(e.compressedSize));
        }
        return out;
    }

    bool temporaryFilesLeft() { return !fs::is_empty(temp); }

    // The files the writer leaves out for one reason, as they are reported.
    std::shared_ptr<std::vector<std::string>> recordSkips(TSkipReason which) {
        auto names = std::make_shared<std::vector<std::string>>();
        writer.OnSkippingFile = [names, which](TSkipReason reason, const std::string& name, int, bool&) {
            if (reason == which)
                names->push_back(name);
        };
        return names;
    }
};

struct Messages : UserPrompts {
    std::vector<std::string> shown;
    bool askYesNo(const std::string&, MessageKind) override { return false; }
    bool askOkCancel(const std::string&, MessageKind) override { return false; }
    void showMessage(const std::string& text, MessageKind) override { shown.push_back(text); }
    void showTimedMessage(const std::string&, MessageKind, int) override {}
};

} // namespace

TEST_F(UpdateFixture, SameOrOlderFilesLeaveTheArchiveUntouched) {
    std::string before = readFile(archive);
    std::vector<std::pair<TUpdateAction, int>> updates;
    writer.OnUpdate = [&](TUpdateAction action, int index) { updates.emplace_back(action, index); };
    int completed = -1;
    writer.OnZipComplete = [&](int count) { completed = count; };
    EXPECT_EQ(add({(src / "b.txt").string()}), 0);
    EXPECT_EQ(completed, 0);
    setModificationTime(src / "c.txt", Monday - 3600);
    EXPECT_EQ(add({(src / "c.txt").string()}), 0);
    EXPECT_EQ(updates, (std::vector<std::pair<TUpdateAction, int>>{{UpdateKeep, 1}, {UpdateKeep, 2}}));
    EXPECT_EQ(readFile(archive), before);
    EXPECT_FALSE(temporaryFilesLeft());
}

TEST_F(UpdateFixture, NewerFileReplacesItsEntryInPlaceAndNewFilesFollow) {
    auto before = entryBytes(archive);
    put("b.txt", "the new b", Monday + 3600);
    put("d.txt", "a new file");
    std::vector<std::string> events;
    writer.OnUpdate = [&](TUpdateAction action, int index) {
        events.push_back((action == UpdateReplace ? "replace " : "keep ") + std::to_string(index));
    };
    writer.OnStartZipInfo = [&](int files, std::uint64_t, TEndCentral&, bool&) {
        events.push_back("info " + std::to_string(files));
    };
    writer.OnStartZip = [&](const std::string& name, TZipHeaderInfo&, bool&) {
        events.push_back("start " + fs::path(name).filename().string());
    };
    EXPECT_EQ(add({(src / "d.txt").string(), (src / "b.txt").string()}), 2);
    EXPECT_EQ(events, (std::vector<std::string>{"replace 1", "start b.txt", "info 1", "start d.txt"}));
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(writer.Count(), 4); // the new directory is loaded
    auto after = entryBytes(archive);
    EXPECT_EQ(after["a.txt"], before["a.txt"]);
    EXPECT_EQ(after["c.txt"], before["c.txt"]);
    EXPECT_EQ(extracted("b.txt"), "the new b");
    EXPECT_EQ(extracted("d.txt"), "a new file");
    EXPECT_FALSE(temporaryFilesLeft());
}

TEST_F(UpdateFixture, StoredNamesDecideWhatMatches) {
    put("other/a.txt", "same name, other folder", Monday + 7200);
    writer.StorePaths = true;
    writer.RelativePaths = true;
    writer.setRootDir(src.string());
    // "other/a.txt" is not "a.txt": a second entry, nothing replaced.
    EXPECT_EQ(add({(src / "other/a.txt").string()}), 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "other/a.txt"}));
    // Without paths the same file is stored as "a.txt" and, being newer, replaces that entry;
    // a second file with the same stored name is then a duplicate.
    writer.StorePaths = false;
    auto duplicates = recordSkips(SkipNoOverwrite);
    put("more/a.txt", "another a");
    EXPECT_EQ(add({(src / "other/a.txt").string(), (src / "more/a.txt").string()}), 1);
    EXPECT_EQ(*duplicates, std::vector<std::string>{(src / "more/a.txt").string()});
    EXPECT_EQ(extracted("a.txt"), "same name, other folder");
    EXPECT_EQ(names().size(), 4u);
}

TEST_F(UpdateFixture, ReplaceAndFreshen) {
    put("d.txt", "new");
    writer.ZipAction = zaReplace; // named again: replaced, whatever its age
    EXPECT_EQ(add({(src / "a.txt").string()}), 1);
    writer.ZipAction = zaFreshen; // only newer files, and nothing new
    put("c.txt", "fresher c", Monday + 60);
    EXPECT_EQ(add({(src / "*.txt").string()}), 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(extracted("c.txt"), "fresher c");

    writer.setZipName((dir / "missing.zip").string());
    EXPECT_EQ(add({(src / "a.txt").string()}), 0);
    EXPECT_FALSE(fs::exists(dir / "missing.zip"));
}

TEST_F(UpdateFixture, SkippedReplacementDropsTheEntryButAnUnreadableOneKeepsIt) {
    put("b.txt", "new b", Monday + 60);
    writer.OnStartZip = [](const std::string& name, TZipHeaderInfo&, bool& skip) { skip = name.ends_with("b.txt"); };
    EXPECT_EQ(add({(src / "b.txt").string()}), 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "c.txt"}));

    // A newer "c.txt" that cannot be read: the archive's copy is all the user has of it.
    writer.OnStartZip = nullptr;
    fs::create_directories(dir / "pipes");
    ASSERT_EQ(::mkfifo((dir / "pipes/c.txt").c_str(), 0600), 0);
    auto unreadable = recordSkips(SkipCannotOpen);
    put("e.txt", "e");
    EXPECT_EQ(add({(dir / "pipes/c.txt").string(), (src / "e.txt").string()}), 1);
    EXPECT_EQ(*unreadable, std::vector<std::string>{(dir / "pipes/c.txt").string()});
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "c.txt", "e.txt"}));
    EXPECT_EQ(extracted("c.txt"), compressibleText(4000, 'c'));
}

TEST_F(UpdateFixture, CommentsSurviveAndCanBeReplaced) {
    writer.setZipComment("weekly");
    put("d.txt", "d");
    add({(src / "d.txt").string()});
    EXPECT_EQ(writer.ZipComment(), "weekly");
    put("e.txt", "e");
    writer.setZipName("");
    writer.setZipName(archive); // a fresh start: the archive's comment is kept
    add({(src / "e.txt").string()});
    writer.FilesList = {"d.txt"};
    EXPECT_EQ(writer.DeleteEntries(), 1);
    TZipReader reader;
    reader.setZipName(archive);
    reader.ReadZip();
    EXPECT_EQ(reader.ZipComment(), "weekly");

    // A comment alone is a change worth writing.
    writer.setZipComment("monthly");
    EXPECT_EQ(add({}), 0);
    reader.ReadZip();
    EXPECT_EQ(reader.ZipComment(), "monthly");
    EXPECT_EQ(reader.Count(), 4);
}

TEST_F(UpdateFixture, DeletingByNamesAndMasks) {
    writer.StorePaths = true;
    writer.RelativePaths = true;
    writer.setRootDir(src.string());
    put("Data/a.txt", "1");
    put("Data/b.dat", "2");
    put("Other/a.txt", "3");
    add({(src / "Data/a.txt").string(), (src / "Data/b.dat").string(), (src / "Other/a.txt").string()});
    int completed = -1;
    writer.OnZipComplete = [&](int n) { completed = n; };

    writer.FilesList = {"data/A.txt"}; // a plain name removes exactly that entry, case ignored
    EXPECT_EQ(writer.DeleteEntries(), 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "Data/b.dat", "Other/a.txt"}));
    EXPECT_TRUE(writer.FilesList.empty());

    // A mask goes on after a handler kept one of its entries.
    std::vector<std::string> asked;
    writer.OnDeleteEntry = [&](const std::string& name, bool& skip) {
        asked.push_back(name);
        skip = name == "b.txt";
    };
    writer.FilesList = {"*.txt", "nothing"};
    EXPECT_EQ(writer.DeleteEntries(), 3);
    EXPECT_EQ(asked, (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "Other/a.txt"}));
    EXPECT_EQ(names(), (std::vector<std::string>{"b.txt", "Data/b.dat"}));
    EXPECT_EQ(completed, -1); // deleting is not a Zip

    std::string before = readFile(archive);
    writer.FilesList = {"nothing*"};
    EXPECT_EQ(writer.DeleteEntries(), 0);
    EXPECT_EQ(readFile(archive), before);
    EXPECT_FALSE(temporaryFilesLeft());
}

TEST_F(UpdateFixture, DeletingEverythingLeavesAnEmptyArchiveWithItsComment) {
    writer.setZipComment("kept");
    writer.FilesList = {"*"};
    EXPECT_EQ(writer.DeleteEntries(), 3);
    EXPECT_EQ(readFile(archive).size(), 22u + 4);
    TZipReader reader;
    reader.setZipName(archive);
    reader.ReadZip();
    EXPECT_EQ(reader.Count(), 0);
    EXPECT_EQ(reader.ZipComment(), "kept");
}

TEST_F(UpdateFixture, FailuresLeaveTheArchiveAsItWas) {
    struct SmallDisk : TZipWriter {
        std::unique_ptr<ZipOutput> openOutput(const std::string& path) override {
            return std::make_unique<FailingOutput>(openFileOutput(path), 6000);
        }
    } small;
    std::string before = readFile(archive);
    put("big.bin", randomBytes(20000, 4));
    small.setZipName(archive);
    small.TempPath = temp.string();
    small.FilesList = {(src / "big.bin").string()};
    EXPECT_THROW(small.Zip(), ENotEnoughRoom);
    EXPECT_TRUE(small.FilesList.empty());

    writer.OnStartZipInfo = [](int, std::uint64_t, TEndCentral&, bool& stop) { stop = true; };
    try {
        add({(src / "big.bin").string()});
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled Zip operation");
    }
    EXPECT_EQ(readFile(archive), before);
    EXPECT_FALSE(temporaryFilesLeft());

    // The archive could not be put in place: the caller gets the error, which names both files,
    // and shows it; the writer shows nothing itself, with prompts or without.
    struct NoPlace : TZipWriter {
        void placeArchive(const std::string&, const std::filesystem::path&) override { throw IoError("disk gone"); }
    } stuck;
    Messages messages;
    stuck.prompts = &messages;
    stuck.setZipName(archive);
    stuck.TempPath = temp.string();
    stuck.FilesList = {"a.txt"};
    try {
        stuck.DeleteEntries();
        FAIL() << "the failed move was not raised";
    } catch (const IoError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Io);
        EXPECT_EQ(e.subject(), archive);
        const std::string text = e.what();
        EXPECT_TRUE(text.starts_with("Could not copy from " + temp.string() + "/XQZ")) << text;
        EXPECT_NE(text.find(" -> " + archive + " (disk gone)"), std::string::npos) << text;
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(readFile(archive), before);
    EXPECT_FALSE(temporaryFilesLeft());
}

TEST_F(UpdateFixture, AcrossFileSystemsTheArchiveIsCopiedIntoPlace) {
    struct stat here {
    }, shm{};
    if (::stat(dir.path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system for the temporary archive";
    fs::permissions(archive, fs::perms(0640));
    writer.TempPath = "/dev/shm";
    put("d.txt", "d");
    EXPECT_EQ(add({(src / "d.txt").string()}), 1);
    EXPECT_EQ(extracted("d.txt"), "d");
    EXPECT_EQ(fs::status(archive).permissions() & fs::perms::all, fs::perms(0640));
    for (const auto& item : fs::directory_iterator(dir.path()))
        EXPECT_FALSE(item.path().filename().string().starts_with(".a.zip")) << item.path();
}

TEST_F(UpdateFixture, DamagedArchivesAreNeverReadOutOfBounds) {
    // The directory claims more data for a.txt than lies before the directory.
    std::string bytes = readFile(archive);
    std::size_t central = bytes.find("PK\x01\x02");
    std::string good = bytes;
    bytes[central + 20] = '\x00';
    bytes[central + 21] = '\xF0'; // compressed size of the first record
    writeFile(archive, bytes);
    put("d.txt", "d");
    try {
        add({(src / "d.txt").string()});
        FAIL();
    } catch (const EBadZipFile& e) {
        EXPECT_NE(std::string(e.what()).find("a.txt: its data runs past the entries"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(archive), bytes);

    // An offset that points at no local header.
    bytes = good;
    bytes[central + 46 + 5 + 42] = '\x07'; // b.txt's local header offset, low byte
    writeFile(archive, bytes);
    writer.FilesList = {"a.txt"};
    EXPECT_THROW(writer.DeleteEntries(), EBadZipFile);
    EXPECT_EQ(readFile(archive), bytes);
    EXPECT_FALSE(temporaryFilesLeft());

    // Something that is no archive at all is not replaced by one.
    writeFile(archive, "a letter, not an archive");
    EXPECT_THROW(add({(src / "d.txt").string()}), EIncompleteZip);
    EXPECT_EQ(readFile(archive), "a letter, not an archive");
}

TEST_F(UpdateFixture, ForeignEntriesKeepTheirNamesExtrasAndComments) {
    // An entry from an MS-DOS host with a code page 437 name, extra fields and a comment.
    TZipHeaderInfo dos = ArchiveBuilder::entryFor("x", "old data", 0);
    dos.versionMadeBy = 20;
    dos.rawName = "caf\x82.txt";
    dos.fileName = "café.txt";
    dos.centralExtra = std::string("\x55\x54\x05\x00\x01\x00\x00\x00\x01", 9);
    dos.fileComment = "r\x82sum\x82";
    dos.rawComment = *dos.fileComment;
    ArchiveBuilder builder;
    builder.addRaw(dos, "old data").addStored("gone.txt", "gone");
    writeFile(archive, builder.build());
    auto before = entryBytes(archive);
    writer.FilesList = {"gone.txt"};
    EXPECT_EQ(writer.DeleteEntries(), 1);

    std::string bytes = readFile(archive);
    EXPECT_EQ(entryBytes(archive)["café.txt"], before["café.txt"]);
    std::size_t central = bytes.find("PK\x01\x02");
    std::string expected = "caf\x82.txt" + dos.centralExtra + "r\x82sum\x82";
    EXPECT_EQ(bytes.substr(central + 46, expected.size()), expected);
    EXPECT_EQ(writer.FileComment(0), "r\xc3\xa9sum\xc3\xa9");
}

TEST(CentralRecords, CopiedZip64FieldsAreWrittenAnewNotTwice) {
    TZipHeaderInfo e = ArchiveBuilder::entryFor("far.txt", "far", 0);
    std::string timestamp("\x55\x54\x05\x00\x01\x00\x00\x00\x01", 9);
    std::string oldZip64("\x01\x00\x08\x00\x00\x00\x00\x00\x01\x00\x00\x00", 12); // offset 4 GiB
    e.centralExtra = oldZip64 + timestamp;
    e.relativeOffset = 5ull << 30;
    std::string record = zipformat::encodeCentralRecord(e);
    std::string extra = record.substr(46 + 7, record.size() - 46 - 7);
    std::string newZip64("\x01\x00\x08\x00\x00\x00\x00\x40\x01\x00\x00\x00", 12);
    EXPECT_EQ(extra, newZip64 + timestamp);
    EXPECT_EQ(record.substr(42, 4), "\xff\xff\xff\xff");

    e.relativeOffset = 1000; // back below 4 GiB: no Zip64 field at all
    record = zipformat::encodeCentralRecord(e);
    EXPECT_EQ(record.substr(46 + 7), timestamp);
}

// Writers without Zip64 records let the 16-bit entry count of the end record wrap past 65535; the
// central directory still holds every entry, and an update must carry every one of them over.
TEST_F(UpdateFixture, AnEntryCountThatWrappedStillReadsAndKeepsEveryEntry) {
    constexpr int Entries = 65536 + 3;
    ArchiveBuilder builder;
    for (int i = 0; i < Entries; ++i)
        builder.addStored("f" + std::to_string(i), std::to_string(i));
    writeFile(archive, builder.build({}, Entries & 0xFFFF));
    writer.setZipName((dir / "other.zip").string());
    writer.setZipName(archive);
    writer.ReadZip();
    EXPECT_EQ(writer.Count(), Entries);

    put("new.txt", "new");
    EXPECT_EQ(add({(src / "new.txt").string()}), 1);
    EXPECT_EQ(names().size(), Entries + 1u);
    EXPECT_EQ(extracted("f65538"), "65538");
}

// Names that differ only in case are two files here: neither may push the other out of a backup,
// replace it in an update, or be deleted in its place.
TEST_F(UpdateFixture, NamesThatDifferOnlyInCaseAreDifferentFiles) {
    put("A.txt", "capital a", Monday + 60);
    writer.setZipName((dir / "both.zip").string());
    writer.FilesList = {(src / "a.txt").string(), (src / "A.txt").string()};
    EXPECT_EQ(writer.Zip(), 2);

    writer.setZipName(archive);
    EXPECT_EQ(add({(src / "A.txt").string()}), 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "A.txt"}));
    writer.FilesList = {"A.txt"};
    EXPECT_EQ(writer.DeleteEntries(), 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(extracted("a.txt"), compressibleText(4000, 'a'));

    writer.FilesList = {"B.TXT"}; // no entry has exactly that name: case is ignored, as before
    EXPECT_EQ(writer.DeleteEntries(), 1);
}

// An exact name removes one entry stored under exactly that name, whatever it holds; it mixes
// with the masks of FilesList in one rebuild.
TEST_F(UpdateFixture, ExactNamesRemoveOneEntryEach) {
    put("a*b?.txt", "literal");
    put("axxb1.txt", "other");
    add({(src / "*b?.txt").string()}); // a mask: it takes both, in the folder's order
    std::vector<std::string> before = names();
    std::sort(before.begin(), before.end());
    ASSERT_EQ(before, (std::vector<std::string>{"a*b?.txt", "a.txt", "axxb1.txt", "b.txt", "c.txt"}));
    writer.ExactNames = {"a*b?.txt", "C.TXT", "a*b?.txt"};
    writer.FilesList = {"?.txt"};
    std::vector<std::string> asked;
    writer.OnDeleteEntry = [&](const std::string& name, bool&) { asked.push_back(name); };
    EXPECT_EQ(writer.DeleteEntries(), 4);
    EXPECT_EQ(asked, (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "a*b?.txt"}));
    EXPECT_EQ(names(), (std::vector<std::string>{"axxb1.txt"}));
    EXPECT_TRUE(writer.ExactNames.empty());
}
