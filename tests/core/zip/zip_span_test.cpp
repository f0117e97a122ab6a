// Archives in numbered pieces and on several (simulated) removable disks.
#include "core/zip/disk_set.h"
#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

constexpr std::uint64_t DiskSize = 1 << 20;

// A drive whose disks hold 1 MiB each.
struct SmallRemovableDisks : DiskInfo {
    std::uint64_t free = DiskSize;
    DriveType driveType(const std::filesystem::path&) const override { return DriveType::Removable; }
    std::uint64_t freeSpace(const std::filesystem::path&) const override { return free; }
};

// The user at the drive: what is in it goes back to its shelf, the disk asked for comes out.
struct DiskShelf {
    fs::path drive;
    fs::path shelf;
    int inDrive = 1;
    std::vector<int> asked;

    void swapTo(int number) {
        asked.push_back(number);
        fs::create_directories(shelf / std::to_string(inDrive));
        for (const auto& item : fs::directory_iterator(drive))
            fs::rename(item.path(), shelf / std::to_string(inDrive) / item.path().filename());
        fs::path wanted = shelf / std::to_string(number);
        if (fs::exists(wanted))
            for (const auto& item : fs::directory_iterator(wanted))
                fs::rename(item.path(), drive / item.path().filename());
        inDrive = number;
    }
    std::function<void(int, std::string&)> handler() {
        return [this](int number, std::string&) { swapTo(number); };
    }
};

struct SpanFixture : ::testing::Test {
    TempDir dir;
    fs::path src = dir / "src";

    void SetUp() override {
        writeFile(src / "text.txt", compressibleText(300000, 1));
        writeFile(src / "one.bin", randomBytes(700000, 2));
        writeFile(src / "two.bin", randomBytes(900000, 3));
        writeFile(src / "empty.txt", "");
        writeFile(src / "three.bin", randomBytes(500000, 4));
    }

    // A writer spanning `archive` in the drive of a user with small removable disks.
    void spanOnto(TZipWriter& writer, SmallRemovableDisks& disks, DiskShelf& user, const std::string& archive) {
        fs::create_directories(user.drive);
        writer.diskInfo = &disks;
        writer.setZipName((user.drive / archive).string());
        writer.MultiZipInfo.MultiMode = mmSpan;
        writer.OnGetNextDisk = user.handler();
        fill(writer);
    }

    void fill(TZipWriter& writer) {
        writer.TempPath = dir.path().string();
        writer.FilesList = {(src / "*").string()};
    }

    void expectExtracts(TZipReader& reader, const fs::path& into) {
        reader.setDestDir(into.string());
        reader.DoAll = true;
        EXPECT_EQ(reader.UnZip(), 5);
        EXPECT_EQ(treeOf(into), treeOf(src));
    }

    // Every local header lies whole on its piece.
    static void expectWholeHeaders(const TZipReader& reader, const std::function<fs::path(std::uint32_t)>& piece) {
        for (const TZipHeaderInfo& e : reader.directory())
            EXPECT_GE(fs::file_size(piece(e.diskNumberStart)), e.relativeOffset + 30 + e.storedName().size())
                << e.storedName();
    }
};

struct CancelAll : UserPrompts {
    std::vector<std::string> asked;
    bool askYesNo(const std::string&, MessageKind) override { return false; }
    bool askOkCancel(const std::string& text, MessageKind) override {
        asked.push_back(text);
        return false;
    }
    void showMessage(const std::string&, MessageKind) override {}
    void showTimedMessage(const std::string&, MessageKind, int) override {}
};

} // namespace

TEST_F(SpanFixture, NumberedPiecesReadBackWhole) {
    std::string zipName = (dir / "set.zip").string();
    TZipWriter writer;
    writer.setZipName(zipName);
    writer.MultiZipInfo.MultiMode = mmBlocks;
    writer.MultiZipInfo.FirstBlockSize = 400000;
    writer.MultiZipInfo.BlockSize = 300000;
    writer.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
    fill(writer);
    EXPECT_EQ(writer.Zip(), 5);

    auto piece = [&](std::uint32_t disk) { return fs::path(numberedPieceName(zipName, disk + 1)); };
    std::uint32_t last = writer.endCentral().thisDisk;
    EXPECT_GE(last, 5u);
    EXPECT_EQ(writer.ZipName(), piece(last).string()); // the name of the last piece
    EXPECT_FALSE(fs::exists(zipName));
    EXPECT_LE(fs::file_size(piece(0)), 400000u);
    for (std::uint32_t disk = 1; disk <= last; ++disk)
        EXPECT_LE(fs::file_size(piece(disk)), 300000u);
    EXPECT_FALSE(fs::exists(piece(last + 1)));
    EXPECT_EQ(writer.Count(), 5);

    TZipReader reader;
    reader.setZipName(piece(last).string());
    reader.ReadZip();
    EXPECT_EQ(reader.archiveMultiMode(), mmBlocks);
    expectWholeHeaders(reader, piece);
    expectExtracts(reader, dir / "out");

    // The first piece alone lists the set through the side file.
    ASSERT_TRUE(fs::exists(dir / "set.zfc"));
    TZipReader first;
    first.setZipName(piece(0).string());
    first.ReadZip();
    EXPECT_EQ(first.Count(), 5);
    expectExtracts(first, dir / "out-first");
}

TEST_F(SpanFixture, OnePieceIsRenamedBackToTheArchiveName) {
    std::string zipName = (dir / "one.zip").string();
    TZipWriter writer;
    writer.setZipName(zipName);
    writer.MultiZipInfo.MultiMode = mmBlocks;
    writer.MultiZipInfo.FirstBlockSize = 10 << 20;
    writer.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
    fill(writer);
    EXPECT_EQ(writer.Zip(), 5);
    EXPECT_EQ(writer.ZipName(), zipName);
    EXPECT_FALSE(fs::exists(dir / "one.001"));
    EXPECT_FALSE(fs::exists(dir / "one.zfc")); // one piece needs no side file
    TZipReader reader;
    reader.setZipName(zipName);
    expectExtracts(reader, dir / "out");
}

TEST_F(SpanFixture, RemovableDisksAreFilledAndAskedForInTurn) {
    SmallRemovableDisks disks;
    DiskShelf user{dir / "drive", dir / "shelf"};
    std::string zipName = (user.drive / "backup.zip").string();
    TZipWriter writer;
    spanOnto(writer, disks, user, "backup.zip");
    writer.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
    std::vector<int> prepared;
    writer.OnPrepareNextDisk = [&](int number) { prepared.push_back(number); };
    EXPECT_EQ(writer.Zip(), 5);

    // Three disks, then disk 1 again for the side file.
    EXPECT_EQ(user.asked, (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(prepared, (std::vector<int>{2, 3}));
    EXPECT_TRUE(fs::exists(user.drive / "backup.zfc"));
    EXPECT_LE(fs::file_size(user.drive / "backup.zip") + fs::file_size(user.drive / "backup.zfc"), DiskSize);
    for (int disk = 2; disk <= 3; ++disk)
        EXPECT_LE(fs::file_size(user.shelf / std::to_string(disk) / "backup.zip"), DiskSize);

    // Disk 1 is in the drive: its side file lists the set, and the other disks are asked for.
    user.asked.clear();
    TZipReader reader;
    reader.diskInfo = &disks;
    reader.setZipName(zipName);
    reader.OnGetNextDisk = user.handler();
    reader.ReadZip();
    EXPECT_EQ(reader.archiveMultiMode(), mmSpan);
    EXPECT_EQ(reader.Count(), 5);
    expectExtracts(reader, dir / "out");
    EXPECT_EQ(user.asked, (std::vector<int>{2, 3}));

    // Starting from the last disk, the way other tools expect a set to be opened.
    fs::remove(user.drive / "backup.zfc");
    user.asked.clear();
    TZipReader fromLast;
    fromLast.diskInfo = &disks;
    fromLast.setZipName(zipName);
    fromLast.OnGetNextDisk = user.handler();
    expectExtracts(fromLast, dir / "out-last");
    EXPECT_EQ(user.asked, (std::vector<int>{1, 2, 3}));
}

TEST_F(SpanFixture, CanceledDiskRequests) {
    SmallRemovableDisks disks;
    DiskShelf user{dir / "drive", dir / "shelf"};
    std::string zipName = (user.drive / "backup.zip").string();
    TZipWriter writer;
    spanOnto(writer, disks, user, "backup.zip");
    writer.OnGetNextDisk = [&](int number, std::string& fname) {
        if (number == 3)
            fname.clear();
        else
            user.swapTo(number);
    };
    try {
        writer.Zip();
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled Zip operation");
    }
    EXPECT_FALSE(fs::exists(zipName)); // the unfinished piece is deleted

    // Reading: without a handler the built-in question is asked; Cancel ends the operation.
    writer.OnGetNextDisk = user.handler();
    writer.setZipName("");
    writer.setZipName(zipName);
    fill(writer);
    user.swapTo(1); // a new set starts on disk 1, not on the disk 2 still in the drive
    ASSERT_EQ(writer.Zip(), 5);
    CancelAll prompts;
    TZipReader reader;
    reader.diskInfo = &disks;
    reader.prompts = &prompts;
    reader.setZipName(zipName);
    reader.setDestDir((dir / "out").string());
    reader.DoAll = true;
    try {
        reader.UnZip();
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled loading new disk.");
    }
    EXPECT_EQ(prompts.asked, std::vector<std::string>{"Please insert disk 1 of the multi-disk set."});
    reader.prompts = nullptr;
    EXPECT_THROW(reader.UnZip(), EUserCanceled);

    // A disk without any room.
    disks.free = 10;
    writer.setZipName((user.drive / "full.zip").string());
    fill(writer);
    EXPECT_THROW(writer.Zip(), ENotEnoughRoom);
    EXPECT_FALSE(fs::exists(user.drive / "full.zip"));
}

// The user answers OK without changing the disk: the piece just finished is on that disk and must
// not be deleted to make room for the next one; the disk is asked for again.
TEST_F(SpanFixture, ADiskThatWasNotChangedIsAskedForAgain) {
    SmallRemovableDisks disks;
    DiskShelf user{dir / "drive", dir / "shelf"};
    TZipWriter writer;
    spanOnto(writer, disks, user, "backup.zip");
    std::vector<int> asked;
    writer.OnGetNextDisk = [&](int number, std::string&) {
        asked.push_back(number);
        if (asked.size() > 1)
            user.swapTo(number);
    };
    EXPECT_EQ(writer.Zip(), 5);
    EXPECT_EQ(asked, (std::vector<int>{2, 2, 3}));

    user.swapTo(3);
    user.asked.clear();
    TZipReader reader;
    reader.diskInfo = &disks;
    reader.setZipName((user.drive / "backup.zip").string());
    reader.OnGetNextDisk = user.handler();
    expectExtracts(reader, dir / "out");

    // A handler that never changes the disk ends the operation instead of asking for ever.
    TZipWriter stubborn;
    spanOnto(stubborn, disks, user, "again.zip");
    stubborn.OnGetNextDisk = [](int, std::string&) {};
    try {
        stubborn.Zip();
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Disk 2 was not inserted: the drive still holds disk 1");
    }
}
