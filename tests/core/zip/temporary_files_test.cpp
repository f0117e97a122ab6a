// What the writer leaves on the disk besides the archive: archives, hidden pending archives and
// update temporaries are private to their owner.
#include "core/backup/pending_archive.h"
#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
