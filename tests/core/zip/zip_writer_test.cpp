#include "core/zip/zip_writer.h"

#include "core/zip/zip_crypto.h"
#include "zip_test_helpers.h"

#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct WriterFixture : ::testing::Test {
    TempDir dir;
    fs::path src = dir / "src";
    std::string archive = (dir / "out.zip").string();

    void SetUp() override {
        writeFile(src / "a.txt", compressibleText(5000, 1));
        writeFile(src / "b.bin", randomBytes(3000, 2));
        writeFile(src / "empty.txt", "");
        writeFile(src / "noext", "plain");
        writeFile(src / "sub/c.txt", "inner");
    }

    std::vector<std::string> names(TZipReader& reader) {
        std::vector<std::string> out;
        for (int i = 0; i < reader.Count(); ++i)
            out.push_back(reader.Entry(i).storedName());
        std::sort(out.begin(), out.end());
        return out;
    }
};

class SmallDiskWriter : public TZipWriter {
protected:
    std::unique_ptr<ZipOutput> openOutput(const std::string& path) override {
        return std::make_unique<FailingOutput>(openFileOutput(path), 4000);
    }
};

} // namespace

TEST_F(WriterFixture, WritesEveryFileAndReadsBack) {
    TZipWriter writer;
    writer.setZipName(archive);
    writer.setZipComment("backup of src");
    writer.FilesList = {(src / "*.*").string()};
    EXPECT_EQ(writer.Zip(), 4);
    EXPECT_TRUE(writer.FilesList.empty());
    EXPECT_EQ(writer.Count(), 4); // the directory of the new archive is loaded
    EXPECT_EQ(writer.ZipComment(), "backup of src");
    EXPECT_EQ(names(writer), (std::vector<std::string>{"a.txt", "b.bin", "empty.txt", "noext"}));

    TZipReader reader;
    reader.setZipName(archive);
    reader.setDestDir((dir / "x").string());
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 4);
    EXPECT_EQ(readFile(dir / "x/a.txt"), readFile(src / "a.txt"));
    EXPECT_EQ(readFile(dir / "x/b.bin"), readFile(src / "b.bin"));
    EXPECT_EQ(readFile(dir / "x/empty.txt"), "");
}

TEST_F(WriterFixture, RecursionPrefixesAndFolderEntries) {
    TZipWriter writer;
    writer.setZipName(archive);
    writer.StorePaths = true;
    writer.RelativePaths = true;
    writer.setRootDir(dir.path().string());
    writer.AddDirEntriesOnRecurse = true;
    writer.FilesList = {">" + (src / "*.txt").string()};
    writer.Zip();
    EXPECT_EQ(names(writer), (std::vector<std::string>{"src/a.txt", "src/empty.txt", "src/sub/", "src/sub/c.txt"}));

    writer.setZipName((dir / "flat.zip").string());
    writer.Recurse = true;
    writer.FilesList = {"|" + (src / "*.txt").string()};
    writer.Zip();
    EXPECT_EQ(names(writer), (std::vector<std::string>{"src/a.txt", "src/empty.txt"}));
}

TEST_F(WriterFixture, StoredNamesFollowThePathOptions) {
    TZipWriter writer;
    std::string file = (src / "sub/c.txt").string();
    EXPECT_EQ(writer.storedNameOf(file), "c.txt");
    writer.StorePaths = true;
    EXPECT_EQ(writer.storedNameOf(file), file.substr(1)); // never a leading "/"
    writer.RelativePaths = true;
    writer.setRootDir(src.string());
    EXPECT_EQ(writer.storedNameOf(file), "sub/c.txt");
    EXPECT_EQ(writer.storedNameOf((src / "a.txt").string()), "a.txt");
    EXPECT_EQ(writer.storedNameOf((src / "sub/../sub/./c.txt").string()), "sub/c.txt");
    writer.StorePaths = false;
    EXPECT_EQ(writer.storedNameOf((src / "sub/").string() + "/"), "sub/");
}

// "../a.txt" typed in a subfolder names a file like any other: it is stored under its real folder,
// so that the archive restores with its paths, never with a ".." that restore has to refuse.
TEST_F(WriterFixture, RelativePathsAreResolvedBeforeTheyAreStored) {
    struct InFolder {
        fs::path before = fs::current_path();
        explicit InFolder(const fs::path& folder) { fs::current_path(folder); }
        ~InFolder() { fs::current_path(before); }
    };
    std::optional<InFolder> inSub(std::in_place, src / "sub");
    TZipWriter writer;
    writer.setZipName(archive);
    writer.StorePaths = true;
    EXPECT_EQ(writer.storedNameOf("../a.txt"), (src / "a.txt").string().substr(1));
    EXPECT_EQ(writer.storedNameOf("c.txt"), "c.txt"); // below the current folder: kept relative
    writer.FilesList = {"../a.txt", "../*.bin", "c.txt"};
    EXPECT_EQ(writer.Zip(), 3);
    inSub.reset();
    for (int i = 0; i < writer.Count(); ++i)
        EXPECT_EQ(writer.Entry(i).storedName().find(".."), std::string::npos) << writer.Entry(i).storedName();
    writer.setDestDir((dir / "x").string());
    writer.RecreateDirs = true;
    writer.DoAll = true;
    EXPECT_EQ(writer.UnZip(), 3);
    EXPECT_EQ(readFile(dir / "x" / src.relative_path() / "a.txt"), readFile(src / "a.txt"));
}

TEST_F(WriterFixture, DuplicatesExclusionsAndTheArchiveItself) {
    TZipWriter writer;
    writer.setZipName((src / "self.zip").string());
    writer.ExcludeList = {"*.BIN", (src / "sub/*").string()};
    writer.Recurse = true;
    std::vector<std::string> skipped;
    writer.OnSkippingFile = [&](TSkipReason reason, const std::string& name, int index, bool&) {
        EXPECT_EQ(reason, SkipNoOverwrite);
        EXPECT_EQ(index, -1);
        skipped.push_back(name);
    };
    writer.FilesList = {(src / "a.txt").string(), (src / "*").string()};
    EXPECT_EQ(writer.Zip(), 3);
    EXPECT_EQ(names(writer), (std::vector<std::string>{"a.txt", "empty.txt", "noext"}));
    EXPECT_EQ(skipped, std::vector<std::string>{(src / "a.txt").string()});
}

TEST_F(WriterFixture, LevelsFlagsAndNoCompressList) {
    for (int level : {0, 1, 2, 5, 8, 9}) {
        TZipWriter writer;
        writer.setZipName((dir / ("l" + std::to_string(level) + ".zip")).string());
        writer.PackLevel = level;
        writer.NoCompressList = {"*.bin"};
        writer.FilesList = {(src / "a.txt").string(), (src / "b.bin").string()};
        writer.Zip();
        for (int i = 0; i < writer.Count(); ++i) {
            const TZipHeaderInfo& e = writer.Entry(i);
            bool stored = level == 0 || e.fileName == "b.bin";
            EXPECT_EQ(e.compressionMethod, stored ? 0 : 8) << level << " " << e.fileName;
            std::uint16_t bits = e.flag & 0x6;
            EXPECT_EQ(bits, stored ? 0 : (level <= 2 ? 4 : level >= 8 ? 2 : 0)) << level;
            EXPECT_EQ(e.hostSystem(), 3);
            EXPECT_EQ(e.externalAttributes >> 16 & 0170000, 0100000u); // a regular file's mode
        }
    }
}

TEST_F(WriterFixture, EncryptionHeaderCarriesTheCrc) {
    TZipWriter writer;
    writer.setZipName(archive);
    writer.Password = "s3cret";
    writer.FilesList = {(src / "a.txt").string()};
    writer.Zip();
    const TZipHeaderInfo& e = writer.Entry(0);
    EXPECT_TRUE(e.isEncrypted());
    std::string bytes = readFile(archive);
    std::string header = bytes.substr(30 + e.fileNameLength, 12);
    ZipCrypto crypto("s3cret");
    crypto.decrypt(reinterpret_cast<std::uint8_t*>(header.data()), header.size());
    EXPECT_EQ(static_cast<std::uint8_t>(header[10]), (e.crc32 >> 16) & 0xFF);
    EXPECT_EQ(static_cast<std::uint8_t>(header[11]), e.crc32 >> 24);

    TZipWriter plain;
    plain.setZipName((dir / "plain.zip").string());
    plain.FilesList = {(src / "a.txt").string()};
    plain.Zip();
    EXPECT_FALSE(plain.Entry(0).isEncrypted());
}

TEST_F(WriterFixture, EventsArriveInOrder) {
    TZipWriter writer;
    writer.setZipName(archive);
    std::vector<std::string> log;
    writer.OnStartZipInfo = [&](int n, std::uint64_t total, TEndCentral&, bool&) {
        log.push_back("info " + std::to_string(n) + " " + std::to_string(total));
    };
    writer.OnStartZip = [&](const std::string& name, TZipHeaderInfo& header, bool& skip) {
        log.push_back("start " + header.fileName);
        skip = name.ends_with("noext");
    };
    writer.OnFilePercentDone = [&](int p) {
        if (log.back().rfind("file", 0) != 0)
            log.push_back("file " + std::to_string(p));
    };
    writer.OnEndZip = [&](const std::string&, std::uint64_t size, std::uint64_t, std::uint64_t) {
        log.push_back("end " + std::to_string(size));
    };
    writer.OnZipComplete = [&](int count) {
        // The archive is complete and readable when the handler runs.
        TZipReader reader;
        reader.setZipName(archive);
        reader.ReadZip();
        log.push_back("complete " + std::to_string(count) + " " + std::to_string(reader.Count()));
    };
    writer.FilesList = {(src / "empty.txt").string(), (src / "noext").string(), (src / "a.txt").string()};
    EXPECT_EQ(writer.Zip(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"info 3 5005", "start empty.txt", "file 0", "end 0", "start noext",
                                             "start a.txt", "file 100", "end 5000", "complete 2 2"}));
}

TEST_F(WriterFixture, FailuresLeaveNoArchiveBehind) {
    SmallDiskWriter writer;
    writer.setZipName(archive);
    writer.PackLevel = 0;
    writer.FilesList = {(src / "a.txt").string()};
    EXPECT_THROW(writer.Zip(), ENotEnoughRoom);
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_TRUE(writer.FilesList.empty());

    TZipWriter canceled;
    canceled.setZipName(archive);
    canceled.OnStartZipInfo = [](int, std::uint64_t, TEndCentral&, bool& stop) { stop = true; };
    canceled.FilesList = {(src / "a.txt").string()};
    try {
        canceled.Zip();
        FAIL() << "no exception";
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled Zip operation");
    }
    EXPECT_FALSE(fs::exists(archive));
}

TEST_F(WriterFixture, MissingFilesEmptyArchiveAndExistingArchive) {
    TZipWriter writer;
    writer.setZipName(archive);
    std::vector<std::string> missing;
    writer.OnNoSuchFile = [&](const std::string& name) { missing.push_back(name); };
    writer.FilesList = {(src / "gone.txt").string()};
    EXPECT_EQ(writer.Zip(), 0);
    EXPECT_EQ(missing, std::vector<std::string>{(src / "gone.txt").string()});
    EXPECT_EQ(fs::file_size(archive), 22u); // an empty archive is the end record alone

    writer.setZipName((dir / "other.zip").string());
    writer.setZipName(archive);
    writer.FilesList = {(src / "a.txt").string()};
    EXPECT_EQ(writer.Zip(), 1); // an existing archive, even an empty one, is added to
    EXPECT_EQ(writer.Count(), 1);
}

TEST_F(WriterFixture, DisposeDeletesZippedSources) {
    TZipWriter writer;
    writer.setZipName(archive);
    writer.Dispose = true;
    writer.OnDisposeFile = [](const std::string& name, bool& skip) { skip = name.ends_with("noext"); };
    writer.FilesList = {(src / "a.txt").string(), (src / "noext").string()};
    writer.Zip();
    EXPECT_FALSE(fs::exists(src / "a.txt"));
    EXPECT_TRUE(fs::exists(src / "noext"));
}

TEST_F(WriterFixture, PipesAreReportedNotRead) {
    ASSERT_EQ(::mkfifo((src / "pipe").c_str(), 0600), 0);
    TZipWriter writer;
    writer.setZipName(archive);
    std::vector<TSkipReason> reasons;
    writer.OnSkippingFile = [&](TSkipReason reason, const std::string&, int, bool& retry) {
        reasons.push_back(reason);
        retry = true; // a pipe is never retried: it would wait for a writer forever
    };
    writer.FilesList = {(src / "pipe").string(), (src / "a.txt").string()};
    EXPECT_EQ(writer.Zip(), 1);
    EXPECT_EQ(reasons, std::vector<TSkipReason>{SkipCannotOpen});
}

// A date filter leaves out an unchanged file; a changed file of the same name elsewhere must still
// be backed up, since nothing of that name went into the archive.
TEST_F(WriterFixture, AFileLeftOutByTheHandlerDoesNotBlockItsNamesake) {
    writeFile(src / "old/readme.txt", "unchanged");
    writeFile(src / "new/readme.txt", "changed since the last backup");
    writeFile(src / "old/docs/placeholder", "");
    writeFile(src / "new/docs/placeholder", "");
    TZipWriter writer;
    writer.setZipName(archive);
    std::vector<TSkipReason> skips;
    writer.OnSkippingFile = [&](TSkipReason reason, const std::string&, int, bool&) { skips.push_back(reason); };
    writer.OnStartZip = [](const std::string& path, TZipHeaderInfo&, bool& skip) {
        skip = path.find("/old/") != std::string::npos;
    };
    writer.FilesList = {(src / "old/readme.txt").string(), (src / "old/docs/").string(),
                        (src / "new/readme.txt").string(), (src / "new/docs/").string()};
    EXPECT_EQ(writer.Zip(), 2);
    EXPECT_TRUE(skips.empty());
    EXPECT_EQ(names(writer), (std::vector<std::string>{"docs/", "readme.txt"}));

    TZipReader reader;
    reader.setZipName(archive);
    reader.setDestDir((dir / "x").string());
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 1);
    EXPECT_EQ(readFile(dir / "x/readme.txt"), "changed since the last backup");
}
