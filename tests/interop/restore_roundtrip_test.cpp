// A project backed up by the command-line tool's run and restored through the Restore page's restore
// operation gives back every file byte for byte, with its modification time.
#include "core/backup/operation_log.h"
#include "core/project/project_store.h"
#include "core/restore/restore_session.h"
#include "core/util/clock.h"
#include "interop_helpers.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct FileState {
    std::string contents;
    std::time_t modified = 0;
    bool operator==(const FileState&) const = default;
};

// Every file below `root`, by path relative to it.
std::map<std::string, FileState> filesWithTimesBelow(const fs::path& root) {
    std::map<std::string, FileState> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        struct stat st {};
        ::stat(entry.path().c_str(), &st);
        files[fs::relative(entry.path(), root).string()] = {readFile(entry.path()), st.st_mtime};
    }
    return files;
}

} // namespace

TEST(RestoreRoundTrip, ABackupRunRestoresByteAndTimeIdentical) {
    TempDir dir;
    const fs::path source = dir / "Documents";
    const std::map<std::string, std::string> contents{{"empty.txt", ""},
                                                      {"notes.txt", compressibleText(20000, 1)},
                                                      {"photo.raw", randomBytes(300000, 2)},
                                                      {"Reports/2024/q1 summary.odt", randomBytes(4096, 3)},
                                                      {"Reports/2024/größe.txt", "Umlaute im Namen"},
                                                      {"Letters/deep/er/still/letter.txt", compressibleText(70000, 4)},
                                                      {"Makefile", "all:\n\ttrue\n"}};
    std::time_t when = 1650000000; // even: zip time stamps have two-second steps
    for (const auto& [name, data] : contents) {
        writeFile(source / name, data);
        setModificationTime(source / name, when);
        when += 86400 + 2;
    }
    const std::string item = (source / "*").string();
    writeFile(dir / "project.ini", "[Common]\nProject Count=1\nCount0=Documents\n\n[Documents]\n"
                                   "Filename prefix=Documents_\nSave Path=" +
                                       (dir / "backups").string() + "/\nBackup Directory Count=1\nBackup0=" + item +
                                       "\nWhether include Subdirectory=1\nWhether password Project=0\n"
                                       "Whether store path in Zip=1\nPackLevel=9\n");

    const ProcessResult backup = runProcess(
        {(binaryDir() / "src/cli/quorvel-backup-cli").string(), "--data-dir", dir.path().string(), "run", "Documents"});
    ASSERT_EQ(backup.exitCode, 0) << backup.output;
    std::vector<fs::path> archives;
    for (const auto& entry : fs::directory_iterator(dir / "backups"))
        archives.push_back(entry.path());
    ASSERT_EQ(archives.size(), 1u);
    const std::string archiveName = archives[0].filename().string();

    SystemClock clock;
    ProjectStore store(dir / "project.ini", clock);
    OperationLog log(dir / "log.txt", clock);
    log.LoadLog(); // the backup's entry is there; the restore's follows it
    AnswersYes prompts;
    RunProgress progress;
    ArchiveQuestions questions;
    RestoreSession session({prompts, progress, questions, log, store});
    const fs::path out = dir / "restored";
    fs::create_directories(out);
    ASSERT_EQ(session.ListArchiveEntries((dir / "backups").string(), archiveName).size(), contents.size());

    RestoreRequest request;
    request.archiveFolder = (dir / "backups").string() + "/";
    request.archiveName = archiveName;
    request.options.destDir = out.string();
    request.options.useOriginalFolders = true;
    request.projectName = "Documents";
    const RestoreOutcome outcome = session.restoreArchive(request);

    ASSERT_EQ(outcome.status, RestoreStatus::Succeeded) << (prompts.shown.empty() ? "" : prompts.shown.back());
    EXPECT_EQ(outcome.restored, static_cast<int>(contents.size()));
    // The stored paths are the full paths without their leading "/".
    const std::map<std::string, FileState> original = filesWithTimesBelow(source);
    EXPECT_EQ(original.size(), contents.size());
    EXPECT_EQ(filesWithTimesBelow(out / source.relative_path()), original);
    EXPECT_EQ(log.row(1)[LogColumnOperation], "Restore");
    EXPECT_EQ(log.row(1)[LogColumnStatus], "Succeeds");
    EXPECT_EQ(log.row(2)[LogColumnOperation], "Backup");
}
