// Entries are read ahead and compressed on worker threads: the archive, its entries and every
// event of the writer are the same whatever the number of threads, and files that change, fail or
// are left out while others are read ahead are handled as in a single pass.
#include "core/zip/read_ahead.h"
#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>
#include <map>
#include <mutex>

using namespace quorvel;
using namespace quorvel::test;

namespace {

constexpr std::size_t Block = ReadAhead::BlockSize;

// Counts what is read of each file, and can make one of them fail part-way.
class CountingWriter : public TZipWriter {
public:
    std::map<std::string, std::uint64_t> bytesRead;
    std::string victim;
    std::uint64_t goodBytes = 0;

protected:
    std::size_t readSourceBlock(int fd, std::uint64_t offset, unsigned char* buffer, std::size_t size,
                                const std::string& path) override {
        if (!victim.empty() && path.ends_with(victim) && offset + size > goodBytes)
            throw IoError(systemError("Cannot read", path, EIO));
        std::size_t n = TZipWriter::readSourceBlock(fd, offset, buffer, size, path);
        std::lock_guard lock(m_mutex); // workers read several files at once
        bytesRead[fs::path(path).filename().string()] += n;
        return n;
    }

private:
    std::mutex m_mutex;
};

struct ParallelFixture : ::testing::Test {
    TempDir dir;
    fs::path src = dir / "src";

    void SetUp() override {
        writeFile(src / "a.txt", compressibleText(70000, 1));
        writeFile(src / "noise.bin", randomBytes(50000, 2));
        writeFile(src / "empty.txt", "");
        // Longer than several blocks, compressible then not: one stream across the blocks.
        writeFile(src / "big.dat", compressibleText(3 * Block + 12345, 3) + randomBytes(Block / 2, 4));
        // Exactly two blocks: the stream ends in a block of its own.
        writeFile(src / "even.txt", compressibleText(2 * Block, 5));
        // Incompressible from its first block on: stored.
        writeFile(src / "random.bin", randomBytes(2 * Block + 777, 6));
        writeFile(src / "sub/c.txt", compressibleText(3000, 7));
    }

    std::vector<std::string> files() const {
        return {(src / "a.txt").string(),   (src / "noise.bin").string(), (src / "empty.txt").string(),
                (src / "big.dat").string(), (src / "even.txt").string(),  (src / "random.bin").string(),
                (src / "sub/").string(),    (src / "sub/c.txt").string()};
    }

    // Every event the writer fires, with its values.
    static void record(TZipWriter& writer, std::vector<std::string>& log) {
        writer.OnStartZipInfo = [&log](int n, std::uint64_t total, TEndCentral&, bool&) {
            log.push_back("info " + std::to_string(n) + " " + std::to_string(total));
        };
        writer.OnStartZip = [&log](const std::string& name, TZipHeaderInfo& header, bool&) {
            log.push_back("start " + name + " " + header.storedName());
        };
        writer.OnFilePercentDone = [&log](int p) { log.push_back("file " + std::to_string(p)); };
        writer.OnTotalPercentDone = [&log](int p) { log.push_back("total " + std::to_string(p)); };
        writer.OnEndZip = [&log](const std::string& name, std::uint64_t size, std::uint64_t packed,
                                 std::uint64_t position) {
            log.push_back("end " + name + " " + std::to_string(size) + " " + std::to_string(packed) + " " +
                          std::to_string(position));
        };
        writer.OnSkippingFile = [&log](TSkipReason reason, const std::string& name, int, bool&) {
            log.push_back("skip " + std::to_string(reason) + " " + name);
        };
        writer.OnZipComplete = [&log](int count) { log.push_back("complete " + std::to_string(count)); };
    }

    std::vector<std::string> zipWith(int threads, const std::string& archive, const std::string& password = "") {
        std::vector<std::string> log;
        TZipWriter writer;
        writer.Threads = threads;
        writer.setZipName(archive);
        writer.StorePaths = true;
        writer.RelativePaths = true;
        writer.setRootDir(src.string());
        writer.Password = password;
        record(writer, log);
        writer.FilesList = files();
        writer.Zip();
        return log;
    }

    void expectSoundArchive(const std::string& archive, const std::string& password = "") {
        ProcessResult python = runProcess({PythonInterpreter.string(), "-c",
                                           "import sys, zipfile\n"
                                           "z = zipfile.ZipFile(sys.argv[1])\n"
                                           "z.setpassword(sys.argv[2].encode())\n"
                                           "assert z.testzip() is None\n",
                                           archive, password});
        EXPECT_EQ(python.exitCode, 0) << python.output;
        TZipReader reader;
        reader.setZipName(archive);
        reader.setDestDir((dir / "x").string());
        reader.Password = password;
        reader.RecreateDirs = true;
        reader.DoAll = true;
        fs::remove_all(dir / "x");
        EXPECT_EQ(reader.UnZip(), 8); // and the folder entry
        for (const char* name : {"a.txt", "noise.bin", "empty.txt", "big.dat", "even.txt", "random.bin", "sub/c.txt"})
            EXPECT_EQ(readFile(dir / "x" / name), readFile(src / name)) << name;
    }
};

} // namespace

TEST_F(ParallelFixture, TheArchiveAndItsEventsDoNotDependOnTheThreads) {
    std::string one = (dir / "one.zip").string();
    std::string four = (dir / "four.zip").string();
    std::vector<std::string> logOne = zipWith(1, one);
    std::vector<std::string> logFour = zipWith(4, four);
    EXPECT_EQ(logOne, logFour);
    EXPECT_EQ(readFile(one), readFile(four));
    expectSoundArchive(four);

    TZipReader reader;
    reader.setZipName(four);
    reader.ReadZip();
    std::map<std::string, std::uint16_t> methods;
    for (int i = 0; i < reader.Count(); ++i)
        methods[reader.Entry(i).fileName] = reader.Entry(i).compressionMethod;
    EXPECT_EQ(methods["big.dat"], 8);
    EXPECT_EQ(methods["even.txt"], 8);
    EXPECT_EQ(methods["random.bin"], 0); // its first block did not shrink
    EXPECT_EQ(methods["noise.bin"], 0);  // nor did the whole file
    EXPECT_EQ(methods["empty.txt"], 0);
    if (haveTool("unzip")) {
        ProcessResult unzip = runProcess({"unzip", "-tq", four});
        EXPECT_EQ(unzip.exitCode, 0) << unzip.output;
    }
}

// The encryption header carries the CRC, known before the data only for a file read once for it:
// the events are the same, and every entry decrypts to its file.
TEST_F(ParallelFixture, EncryptedEntriesOfOneAndOfSeveralBlocks) {
    std::string one = (dir / "one.zip").string();
    std::string four = (dir / "four.zip").string();
    EXPECT_EQ(zipWith(1, one, "s3cret"), zipWith(4, four, "s3cret"));
    expectSoundArchive(four, "s3cret");
}

// A file read ahead of the writer may change before the writer gets to it: grown, it is taken
// as far as it was read; cut short, it is read again as it is now.
TEST_F(ParallelFixture, FilesThatGrowOrShrinkWhileTheyAreRead) {
    for (int threads : {1, 4}) {
        for (bool grow : {true, false}) {
            SCOPED_TRACE(std::to_string(threads) + (grow ? " grows" : " shrinks"));
            std::string original = compressibleText(3 * Block + 5000, 8);
            writeFile(src / "log.txt", original);
            std::string archive = (dir / "changing.zip").string();
            fs::remove(archive);
            TZipWriter writer;
            writer.Threads = threads;
            writer.setZipName(archive);
            bool changed = false;
            writer.OnFilePercentDone = [&](int percent) {
                if (percent < 50 || changed)
                    return;
                changed = true;
                if (grow)
                    writeFile(src / "log.txt", original + compressibleText(Block, 9));
                else
                    fs::resize_file(src / "log.txt", Block + 100);
            };
            writer.FilesList = {(src / "a.txt").string(), (src / "log.txt").string()};
            ASSERT_EQ(writer.Zip(), 2);
            writer.setDestDir((dir / "x").string());
            writer.DoAll = true;
            fs::remove_all(dir / "x");
            ASSERT_EQ(writer.UnZip(), 2); // the CRC is checked
            std::string now = readFile(src / "log.txt");
            std::string stored = readFile(dir / "x/log.txt");
            if (grow) {
                EXPECT_GE(stored.size(), original.size());
                EXPECT_EQ(stored, now.substr(0, stored.size()));
            } else {
                EXPECT_EQ(stored, now);
            }
        }
    }
}

TEST_F(ParallelFixture, AFileFailingPastSeveralBlocksIsLeftOutWhateverTheThreads) {
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        std::string archive = (dir / ("fault" + std::to_string(threads) + ".zip")).string();
        CountingWriter writer;
        writer.Threads = threads;
        writer.victim = "big.dat";
        writer.goodBytes = 2 * Block + 5;
        std::vector<std::string> skipped;
        writer.OnSkippingFile = [&](TSkipReason reason, const std::string& name, int, bool&) {
            if (reason == SkipCannotOpen)
                skipped.push_back(fs::path(name).filename().string());
        };
        writer.setZipName(archive);
        writer.FilesList = files();
        EXPECT_EQ(writer.Zip(), 7);
        EXPECT_EQ(skipped, std::vector<std::string>{"big.dat"});
        for (int i = 0; i < writer.Count(); ++i)
            EXPECT_NE(writer.Entry(i).fileName, "big.dat");
        ProcessResult python =
            runProcess({PythonInterpreter.string(), "-c",
                        "import sys, zipfile\nassert zipfile.ZipFile(sys.argv[1]).testzip() is None\n", archive});
        EXPECT_EQ(python.exitCode, 0) << python.output;
    }
}

// A cancel from the progress window arrives between blocks while others are being compressed:
// the run stops, and no archive is left under its name.
TEST_F(ParallelFixture, CancelInTheMiddleLeavesNoArchive) {
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        std::string archive = (dir / "canceled.zip").string();
        TZipWriter writer;
        writer.Threads = threads;
        writer.setZipName(archive);
        int ticks = 0;
        writer.DoProcessMessages = true;
        writer.processMessages = [&] {
            if (++ticks == 40)
                throw EUserCanceled("User canceled Zip operation");
        };
        writer.FilesList = files();
        EXPECT_THROW(writer.Zip(), EUserCanceled);
        EXPECT_FALSE(fs::exists(archive));
        EXPECT_TRUE(writer.FilesList.empty());
    }
}

// A date filter leaving out most files: what it leaves out is not read ahead of it, beyond the
// first few files, before it has kept any.
TEST_F(ParallelFixture, FilesLeftOutByTheHandlerAreNotReadAhead) {
    std::vector<std::string> list;
    for (int i = 0; i < 40; ++i) {
        fs::path file = src / "many" / ("f" + std::to_string(i) + ".txt");
        writeFile(file, compressibleText(20000, static_cast<std::uint32_t>(i)));
        list.push_back(file.string());
    }
    CountingWriter writer;
    writer.Threads = 4;
    writer.setZipName((dir / "filtered.zip").string());
    writer.OnStartZip = [](const std::string& path, TZipHeaderInfo&, bool& skip) {
        skip = !path.ends_with("f7.txt") && !path.ends_with("f30.txt");
    };
    writer.FilesList = list;
    EXPECT_EQ(writer.Zip(), 2);
    std::size_t readAhead = 0;
    for (const auto& [name, bytes] : writer.bytesRead)
        if (name != "f7.txt" && name != "f30.txt")
            ++readAhead;
    EXPECT_LE(readAhead, 4u);
    EXPECT_EQ(writer.bytesRead["f7.txt"], 20000u);
    EXPECT_EQ(writer.bytesRead["f30.txt"], 20000u);
}

// Hundreds of small files, opened and packed on the workers in batches, among larger ones read on
// the writer's thread: each file is read once, and the archive and events are those of one thread.
TEST_F(ParallelFixture, ManySmallFilesAreEachReadOnceWhateverTheThreads) {
    std::vector<std::string> list;
    std::map<std::string, std::uint64_t> sizes;
    for (std::size_t i = 0; i < 300; ++i) {
        std::string name = "s" + std::to_string(i) + ".txt";
        std::size_t size = i % 50 == 7 ? ReadAhead::SmallFileSize + 1 + i : 1500 + 37 * i;
        writeFile(src / "many" / name, compressibleText(size, static_cast<std::uint32_t>(i)));
        list.push_back((src / "many" / name).string());
        sizes[name] = size;
    }
    std::vector<std::string> logs[2];
    std::string archives[2];
    int run = 0;
    for (int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        CountingWriter writer;
        writer.Threads = threads;
        archives[run] = (dir / ("many" + std::to_string(threads) + ".zip")).string();
        writer.setZipName(archives[run]);
        record(writer, logs[run]);
        writer.FilesList = list;
        EXPECT_EQ(writer.Zip(), 300);
        EXPECT_EQ(writer.bytesRead, sizes);
        ++run;
    }
    EXPECT_EQ(logs[0], logs[1]);
    EXPECT_EQ(readFile(archives[0]), readFile(archives[1]));
}
