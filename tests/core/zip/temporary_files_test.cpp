// What the writer leaves on the disk besides the archive: archives, hidden pending archives and
// update temporaries are private to their owner.
#include "core/backup/pending_archive.h"
#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

unsigned modeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
}

// Every file in a folder, with its mode, while the writer is busy with a file.
std::vector<std::pair<std::string, unsigned>> modesIn(const fs::path& folder) {
    std::vector<std::pair<std::string, unsigned>> found;
    for (const auto& item : fs::directory_iterator(folder))
        if (item.is_regular_file())
            found.emplace_back(item.path().filename().string(), modeOf(item.path()));
    std::sort(found.begin(), found.end());
    return found;
}

struct TemporaryFilesFixture : ::testing::Test {
    TempDir dir;
    fs::path src = dir / "src";
    fs::path out = dir / "out";
    fs::path temp = dir / "temp";
    mode_t oldMask = 0;

    void SetUp() override {
        oldMask = ::umask(022); // the usual one, under which files would be readable by everyone
        writeFile(src / "a.txt", compressibleText(5000, 1));
        writeFile(src / "b.txt", compressibleText(5000, 2));
        fs::create_directories(out);
        fs::create_directories(temp);
    }
    void TearDown() override { ::umask(oldMask); }
};

} // namespace

TEST_F(TemporaryFilesFixture, ArchivesAndPendingArchivesAreCreatedPrivate) {
    TZipWriter writer;
    writer.setZipName((out / "new.zip").string());
    writer.FilesList = {(src / "a.txt").string()};
    ASSERT_EQ(writer.Zip(), 1);
    EXPECT_EQ(modeOf(out / "new.zip"), 0600u);

    PendingArchive pending((out / "run.zip").string(), PendingArchive::Hidden);
    std::vector<std::pair<std::string, unsigned>> during;
    writer.OnStartZip = [&](const std::string&, TZipHeaderInfo&, bool&) { during = modesIn(out); };
    writer.setZipName(pending.writePath());
    writer.FilesList = {(src / "a.txt").string()};
    ASSERT_EQ(writer.Zip(), 1);
    const std::string hidden = fs::path(pending.writePath()).filename().string();
    EXPECT_EQ(during, (std::vector<std::pair<std::string, unsigned>>{{hidden, 0600u}, {"new.zip", 0600u}}));
    pending.complete();
    EXPECT_EQ(modeOf(out / "run.zip"), 0600u);
}

// The temporary archive of an update is private while it is written; once it replaces the archive
// it takes the archive's own mode, whatever the owner chose for it.
TEST_F(TemporaryFilesFixture, UpdateTemporariesArePrivateAndTheArchiveKeepsItsMode) {
    const std::string archive = (out / "a.zip").string();
    TZipWriter writer;
    writer.setZipName(archive);
    writer.FilesList = {(src / "a.txt").string()};
    ASSERT_EQ(writer.Zip(), 1);
    fs::permissions(archive, fs::perms(0640));

    writer.TempPath = temp.string();
    std::vector<std::pair<std::string, unsigned>> during;
    writer.OnStartZip = [&](const std::string&, TZipHeaderInfo&, bool&) { during = modesIn(temp); };
    writer.FilesList = {(src / "b.txt").string()};
    ASSERT_EQ(writer.Zip(), 1);
    ASSERT_EQ(during.size(), 1u);
    EXPECT_TRUE(during[0].first.starts_with("XQZ")) << during[0].first;
    EXPECT_EQ(during[0].second, 0600u);
    EXPECT_EQ(modeOf(archive), 0640u);
    EXPECT_TRUE(fs::is_empty(temp));
}

namespace {

constexpr std::time_t LongAgo = 1600000000;

// A leftover of a killed writer: a partial archive nobody has touched for long.
void leaveBehind(const fs::path& path, const std::string& contents = "PK\x03\x04 partial archive") {
    writeFile(path, contents);
    setModificationTime(path, LongAgo);
}

// Holds the writer's lock on a file, as a live writer does.
struct LiveWriter {
    UniqueFd fd;
    explicit LiveWriter(const fs::path& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        EXPECT_EQ(::flock(fd.get(), LOCK_EX | LOCK_NB), 0);
    }
};

} // namespace

// A backup run clears its folder of the pending archives and hidden copies that killed runs,
// adds and deletes left behind; never of a file that a live writer holds, that changed a moment
// ago, or that is not an archive of ours.
TEST_F(TemporaryFilesFixture, ARunRemovesTheLeftoversOfKilledWritersOnly) {
    leaveBehind(out / ".Docs3.zip.k1ll3d00.part");
    leaveBehind(out / ".Docs2.zip.x7Qa9Z");                    // hidden copy of a killed update
    leaveBehind(out / ".Docs4.zip.b3ing0wr.part");             // still being written
    writeFile(out / ".Docs5.zip.ju5tn0w0.part", "PK\x03\x04"); // created a moment ago
    leaveBehind(out / ".notes.txt.abcdefgh.part", "my notes"); // not an archive
    leaveBehind(out / ".report.docx.x7Qa9Z");                  // another program's copy of a document
    leaveBehind(out / "Docs1.zip");
    LiveWriter live(out / ".Docs4.zip.b3ing0wr.part");
    PendingArchive pending((out / "Docs6.zip").string(), PendingArchive::Hidden);
    EXPECT_EQ(namesIn(out), (std::vector<std::string>{".Docs4.zip.b3ing0wr.part", ".Docs5.zip.ju5tn0w0.part",
                                                      ".notes.txt.abcdefgh.part", ".report.docx.x7Qa9Z", "Docs1.zip"}));
}

// An update clears the temporary folder of its kind's leftovers and the archive's folder of the
// hidden copies of that archive.
TEST_F(TemporaryFilesFixture, AnUpdateRemovesLeftoversOfKilledUpdates) {
    const std::string archive = (out / "a.zip").string();
    TZipWriter writer;
    writer.setZipName(archive);
    writer.FilesList = {(src / "a.txt").string()};
    ASSERT_EQ(writer.Zip(), 1);
    leaveBehind(temp / "XQZa1B2c3");
    leaveBehind(temp / "XQZl1v3W8");
    leaveBehind(temp / "XQZn0tzip", "someone else's");
    leaveBehind(out / ".a.zip.Qw3rty");
    LiveWriter live(temp / "XQZl1v3W8");
    writer.TempPath = temp.string();
    writer.FilesList = {(src / "b.txt").string()};
    ASSERT_EQ(writer.Zip(), 1);
    EXPECT_EQ(namesIn(temp), (std::vector<std::string>{"XQZl1v3W8", "XQZn0tzip"}));
    EXPECT_EQ(namesIn(out), std::vector<std::string>{"a.zip"});
}

// A file that another writer holds is neither emptied nor written.
TEST_F(TemporaryFilesFixture, AFileBeingWrittenIsLeftToItsWriter) {
    leaveBehind(out / "busy.zip");
    LiveWriter live(out / "busy.zip");
    try {
        FileZipOutput second((out / "busy.zip").string());
        ADD_FAILURE() << "opened";
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create " + (out / "busy.zip").string() + ": another program is writing it");
    }
    EXPECT_EQ(readFile(out / "busy.zip"), "PK\x03\x04 partial archive");
}

// A real writer in another process: its pending archive is kept while it writes, also when it
// has not changed for long, and removed once the process is killed.
TEST_F(TemporaryFilesFixture, AWriterHoldsItsLockUntilItIsKilled) {
    int ready[2], never[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(never), 0);
    const std::string pendingPath = (out / ".Docs1.zip.w0rk1ng0.part").string();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        TZipWriter writer;
        writer.setZipName(pendingPath);
        writer.OnStartZip = [&](const std::string&, TZipHeaderInfo&, bool&) {
            char c = 'r';
            (void)!::write(ready[1], &c, 1);
            (void)!::read(never[0], &c, 1); // waits to be killed
        };
        writer.FilesList = {(src / "a.txt").string(), (src / "b.txt").string()};
        writer.Zip();
        ::_exit(0);
    }
    // Killed however the test ends; a child that died early ends the wait for it with EOF.
    struct Killed {
        pid_t pid;
        ~Killed() {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    };
    std::optional<Killed> writerProcess(std::in_place, child);
    ::close(ready[1]);
    ::close(never[0]);
    char c = 0;
    const bool started = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    ASSERT_TRUE(started);
    setModificationTime(pendingPath, LongAgo);
    {
        PendingArchive another((out / "Docs2.zip").string(), PendingArchive::Hidden);
        EXPECT_TRUE(fs::exists(pendingPath));
    }
    writerProcess.reset();
    ::close(never[1]);
    EXPECT_TRUE(fs::exists(pendingPath));
    PendingArchive next((out / "Docs2.zip").string(), PendingArchive::Hidden);
    EXPECT_FALSE(fs::exists(pendingPath));
}
