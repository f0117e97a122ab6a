// A restore never reports files as restored that are not on the disk, and says which were lost
// and why: equal names meeting in one folder, a full disk, a wrong password.
#include "restore_fixture.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::vector<std::string> filesBelow(const fs::path& root) {
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(root))
        if (item.is_regular_file())
            files.push_back(fs::relative(item.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

// A folder on a disk that holds `bytes`: a small tmpfs where this process may mount one (in a
// mount namespace of its own, so nothing outlives it), else a file size limit, under which a
// write fails as on a full disk ("File too large" instead of "No space left on device").
class SmallDisk {
public:
    SmallDisk(const fs::path& folder, std::size_t bytes) {
        fs::create_directories(folder);
        const std::string options = "size=" + std::to_string(bytes);
        if (::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0) {
            m_mounted = folder;
            reason = std::strerror(ENOSPC);
            return;
        }
        ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
        struct rlimit limit = m_oldLimit;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        reason = std::strerror(EFBIG);
    }
    ~SmallDisk() {
        if (!m_mounted.empty()) {
            ::umount2(m_mounted.c_str(), MNT_DETACH);
            return;
        }
        ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    std::string reason; // what the system says when the disk is full

private:
    fs::path m_mounted;
    struct rlimit m_oldLimit {};
    void (*m_oldHandler)(int) = SIG_DFL;
};

} // namespace

// Restored without their folders, files of the same name would overwrite each other while the
// count went on growing. The first one stays; each of the others is reported as not restored.
TEST_F(RestoreFixture, EqualNamesRestoredWithoutFoldersAreCountedAsLost) {
    const fs::path zip =
        makeArchive("names.zip",
                    {{"Data/x.txt", "data x"}, {"Other/x.txt", "other x"}, {"Third/x.txt", "third x"}, {"y.txt", "y"}});
    RestoreRequest r = request("names.zip");
    r.confirm = false;
    r.options.useOriginalFolders = false;
    r.options.overwrite = StoredOverwriteMode::Always;

    const RestoreOutcome outcome = session->restoreArchive(r);

    EXPECT_EQ(filesBelow(out()), (std::vector<std::string>{"x.txt", "y.txt"}));
    EXPECT_EQ(readFile(out() / "x.txt"), "data x");
    EXPECT_EQ(outcome.status, RestoreStatus::Failed);
    EXPECT_EQ(outcome.restored, 2);
    ASSERT_EQ(outcome.failures.size(), 2u);
    EXPECT_EQ(outcome.failures[0].name, "Other/x.txt");
    EXPECT_EQ(outcome.failures[0].reason,
              "Not restored: " + (out() / "x.txt").string() + " was written from another entry of the same name");
    EXPECT_EQ(outcome.failures[1].name, "Third/x.txt");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].text.find("2 files restored, 2 files not restored:\rOther/x.txt: Not restored"),
              std::string::npos)
        << prompts.messages[0].text;
    const LogRow newest = logEntries().at(0);
    EXPECT_EQ(newest[LogColumnStatus], "Fails");
    EXPECT_NE(newest[LogColumnInformation].find("2 files not restored (Other/x.txt: Not restored"), std::string::npos);

    // Restored again over the same files, the same holds: the existing x.txt is replaced once.
    prompts.messages.clear();
    EXPECT_EQ(session->restoreArchive(r).restored, 2);
    EXPECT_EQ(readFile(out() / "x.txt"), "data x");
}

// Folder rows have nothing to restore when the stored folders are not re-created; they are no
// names missing from the archive.
TEST_F(RestoreFixture, SelectedFolderRowsWithoutOriginalFoldersAreNoFailure) {
    const fs::path source = dir / "src";
    writeFile(source / "Data/a.txt", "a");
    TZipWriter writer;
    writer.setZipName((archives() / "folders.zip").string());
    writer.setRootDir(source.string());
    writer.StorePaths = true;
    writer.RelativePaths = true;
    writer.FilesList = {(source / "Data").string() + "/", (source / "Data/a.txt").string()};
    ASSERT_EQ(writer.Zip(), 2);
    RestoreRequest r = request("folders.zip", {"Data/", "Data/a.txt"});
    r.confirm = false;
    r.options.useOriginalFolders = false;

    const RestoreOutcome outcome = session->restoreSelected(r);

    EXPECT_EQ(outcome.status, RestoreStatus::Succeeded);
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_EQ(outcome.restored, 1);
    EXPECT_EQ(filesBelow(out()), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(logEntries().at(0)[LogColumnStatus], "Succeeds");
}

// A full disk ends the restore: the message names the file and the system's reason and says how
// many files were left out; the log entry says the same.
TEST_F(RestoreFixture, AFullDiskNamesTheFileTheReasonAndTheFilesLeftOut) {
    const fs::path zip = makeArchive(
        "big.zip", {{"a.txt", "small"}, {"b.bin", randomBytes(200000, 1)}, {"c.txt", "never reached"}}, {}, 0);
    RestoreRequest r = request("big.zip");
    r.confirm = false;
    r.options.destDir = (dir / "small").string();
    RestoreOutcome outcome;
    std::string reason;
    {
        SmallDisk disk(dir / "small", 64 * 1024);
        reason = disk.reason;
        outcome = session->restoreArchive(r);
    }
    const std::string expected = "Cant write uncompressed file " + (dir / "small/b.bin").string() + ": " + reason;
    EXPECT_EQ(outcome.status, RestoreStatus::Failed);
    EXPECT_EQ(outcome.restored, 1);
    EXPECT_EQ(outcome.leftOut, 2);
    EXPECT_EQ(outcome.error, expected);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, expected + "\r1 files restored, 2 files not restored");
    const LogRow newest = logEntries().at(0);
    EXPECT_EQ(newest[LogColumnStatus], "Fails");
    EXPECT_EQ(newest[LogColumnInformation], zip.string() + "  " + std::to_string(fs::file_size(zip) / 1024) +
                                                "Kb: " + expected + "; 2 files not restored");
}
