#include "core/restore/archive_maintenance.h"
#include "core/util/date_time.h"
#include "support/scripted_prompts.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using Names = std::vector<std::string>;

class ArchiveMaintenance : public ::testing::Test {
protected:
    ArchiveMaintenance() {
        fs::create_directories(archives.path());
        fs::create_directories(elsewhere.path());
    }
    std::string folder() const { return archives.path().string(); }

    TempDir archives;
    TempDir elsewhere;
};

} // namespace

TEST_F(ArchiveMaintenance, DeletingThreeSelectedArchivesAsksWithTheCountAndRemovesThem) {
    for (const char* name : {"a.zip", "b.zip", "c.zip", "d.zip"})
        writeFile(archives / name, name);
    ScriptedPrompts prompts({false, true});
    EXPECT_EQ(deleteArchives(prompts, folder(), {"a.zip", "b.zip", "c.zip"}), 0u);
    EXPECT_EQ(namesIn(archives.path()).size(), 4u);
    EXPECT_EQ(deleteArchives(prompts, folder(), {"a.zip", "b.zip", "c.zip"}), 3u);
    ASSERT_EQ(prompts.questions.size(), 2u);
    // The question names the folder and the archives.
    EXPECT_EQ(prompts.questions[1].text, "Do you want to delete the 3 files \rin the folder '" +
                                             archives.path().string() + "':\r    a.zip\r    b.zip\r    c.zip");
    EXPECT_EQ(prompts.questions[1].kind, MessageKind::Warning);
    EXPECT_EQ(namesIn(archives.path()), Names{"d.zip"});
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(DeleteFilesQuestion, NamesTheFirstFewOfALongListAndCountsTheRest) {
    std::vector<std::string> names;
    for (int i = 1; i <= 10; ++i)
        names.push_back("n" + std::to_string(i));
    std::string ten = "Do you want to delete the 10 files \rhere:";
    for (int i = 1; i <= 10; ++i)
        ten += "\r    n" + std::to_string(i);
    EXPECT_EQ(deleteFilesQuestion(10, "here", names), ten);
    names.push_back("n11");
    std::string eleven = "Do you want to delete the 11 files \rhere:";
    for (int i = 1; i <= 8; ++i)
        eleven += "\r    n" + std::to_string(i);
    EXPECT_EQ(deleteFilesQuestion(11, "here", names), eleven + "\r    and 3 more");
}

TEST_F(ArchiveMaintenance, DeletingPassesSilentlyOverWhatCannotBeDeletedAndNeverTakesAFolder) {
    writeFile(archives / "b.zip", "b");
    fs::create_directory(archives / "dir.zip");
    ScriptedPrompts prompts({true, true});
    EXPECT_EQ(deleteArchives(prompts, folder(), {"gone.zip", "dir.zip", "../b.zip", "b.zip"}), 1u);
    EXPECT_EQ(namesIn(archives.path()), Names{"dir.zip"});
    EXPECT_TRUE(prompts.messages.empty());

    // The empty list still shows one empty row: the question counts it, nothing is deleted.
    fs::remove(archives / "dir.zip");
    EXPECT_EQ(deleteArchives(prompts, folder(), {""}), 0u);
    EXPECT_EQ(prompts.questions[1].text, "Do you want to delete the 1 files ");
    EXPECT_TRUE(fs::is_directory(archives.path()));
}

TEST_F(ArchiveMaintenance, ExportCopiesWithTheDateAndReportsInTheTimedWindow) {
    writeFile(archives / "b.zip", "archive bytes");
    setModificationTime(archives / "b.zip", toTimeT({2024, 4, 1, 8, 0, 0}));
    ScriptedPrompts prompts;
    EXPECT_EQ(exportArchive(prompts, folder(), " b.zip ", elsewhere.path().string() + "/"), ArchiveCopyResult::Copied);
    EXPECT_EQ(readFile(elsewhere / "b.zip"), "archive bytes");
    EXPECT_EQ(fs::last_write_time(elsewhere / "b.zip"), fs::last_write_time(archives / "b.zip"));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              "Export '" + (archives / "b.zip").string() + "' to '" + elsewhere.path().string() + "' Successful!");
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(prompts.messages[0].seconds, 6);
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_EQ(exportArchive(prompts, folder(), "  ", elsewhere.path().string()), ArchiveCopyResult::NothingToCopy);
}

TEST_F(ArchiveMaintenance, ExportOntoAnExistingFileAsksAndNoLeavesBothUntouched) {
    writeFile(archives / "b.zip", "new");
    writeFile(elsewhere / "b.zip", "old");
    ScriptedPrompts prompts({false, true});
    EXPECT_EQ(exportArchive(prompts, folder(), "b.zip", elsewhere.path().string()), ArchiveCopyResult::Declined);
    EXPECT_EQ(prompts.questions[0].text, "File already exists! Do you want to overwrite?");
    EXPECT_EQ(prompts.questions[0].kind, MessageKind::Warning);
    EXPECT_EQ(readFile(archives / "b.zip"), "new");
    EXPECT_EQ(readFile(elsewhere / "b.zip"), "old");
    EXPECT_TRUE(prompts.messages.empty());

    EXPECT_EQ(exportArchive(prompts, folder(), "b.zip", elsewhere.path().string()), ArchiveCopyResult::Copied);
    EXPECT_EQ(readFile(elsewhere / "b.zip"), "new");
    EXPECT_EQ(namesIn(elsewhere.path()), Names{"b.zip"});
}

TEST_F(ArchiveMaintenance, ExportIntoAMissingFolderIsReportedAsAnError) {
    writeFile(archives / "b.zip", "x");
    ScriptedPrompts prompts;
    const std::string target = (elsewhere / "missing").string();
    EXPECT_EQ(exportArchive(prompts, folder(), "b.zip", target), ArchiveCopyResult::Failed);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(prompts.messages[0].text.starts_with("Export '" + (archives / "b.zip").string() + "' to '" + target +
                                                     "' failed:\n"))
        << prompts.messages[0].text;
    EXPECT_FALSE(fs::exists(elsewhere / "missing"));
}

TEST_F(ArchiveMaintenance, ImportCopiesIntoTheArchiveFolder) {
    writeFile(elsewhere / "in.zip", "imported");
    ScriptedPrompts prompts;
    const std::string source = (elsewhere / "in.zip").string();
    EXPECT_EQ(importArchive(prompts, " " + folder() + "/ ", source), ArchiveCopyResult::Copied);
    EXPECT_EQ(readFile(archives / "in.zip"), "imported");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Import '" + source + "' to '" + folder() + "' Successful!");
    EXPECT_EQ(prompts.messages[0].seconds, 6);
}

TEST_F(ArchiveMaintenance, ImportingAnArchiveOntoItselfAsksAndKeepsIt) {
    const std::string content = randomBytes(300000, 5);
    writeFile(archives / "self.zip", content);
    ScriptedPrompts prompts({true});
    EXPECT_EQ(importArchive(prompts, folder(), (archives / "self.zip").string()), ArchiveCopyResult::Copied);
    EXPECT_EQ(prompts.questions.at(0).text, "File already exists! Do you want to overwrite?");
    EXPECT_EQ(readFile(archives / "self.zip"), content);
    EXPECT_EQ(namesIn(archives.path()), Names{"self.zip"});
}

TEST_F(ArchiveMaintenance, AFailingCopyIsReportedAndLeavesNothingUnderTheDestinationName) {
    // Reading this file fails after it was opened, that is after the copy has begun.
    const std::string failing = "/proc/self/mem";
    ScriptedPrompts prompts({true});
    EXPECT_EQ(importArchive(prompts, folder(), failing), ArchiveCopyResult::Failed);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(
        prompts.messages[0].text.starts_with("Import '/proc/self/mem' to '" + folder() + "' failed:\nCannot read"))
        << prompts.messages[0].text;
    EXPECT_TRUE(namesIn(archives.path()).empty());

    // An existing file of that name survives a failed overwrite whole.
    writeFile(archives / "mem", "the old archive");
    EXPECT_EQ(importArchive(prompts, folder(), failing), ArchiveCopyResult::Failed);
    EXPECT_EQ(readFile(archives / "mem"), "the old archive");
    EXPECT_EQ(namesIn(archives.path()), Names{"mem"});
}
