#include "restore_fixture.h"

#include "core/restore/archive_entry_listing.h"
#include "core/restore/archive_folder_listing.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::string kbOf(const fs::path& archive) {
    return std::to_string(fs::file_size(archive) / 1024) + "Kb";
}

} // namespace

TEST_F(RestoreFixture, EntryRowsShowAtLeastOneKilobyteInNameOrder) {
    const fs::path zip = makeArchive("sizes.zip", {{"b/empty.txt", ""},
                                                   {"a.txt", std::string(1023, 'x')},
                                                   {"B/two.txt", randomBytes(2047, 1)},
                                                   {"c.bin", randomBytes(5 * 1024, 2)}});
    const std::vector<EntryRow> rows = session->ListArchiveEntries(" " + archives().string() + " ", " sizes.zip ");
    const std::string date = formatDateTimeShort(fromDosDateTime(toDosDateTime(fromTimeT(1700000000))));
    const std::vector<EntryRow> expected{{"a.txt", "1", "", date},
                                         {"empty.txt", "1", "b/", date},
                                         {"two.txt", "1", "B/", date},
                                         {"c.bin", "5", "", date}};
    // Path + name without regard to case: "a.txt" < "b/empty.txt" < "B/two.txt" < "c.bin".
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(entryStoredNames(rows, 1, 2), (std::vector<std::string>{"b/empty.txt", "B/two.txt"}));
    EXPECT_EQ(entryStoredName({"x.txt", "1", "deep/er", ""}), "deep/er/x.txt");
    EXPECT_TRUE(session->ListArchiveEntries(archives().string(), "  ").empty());
    EXPECT_EQ(entrySizeKb(0), 1u);
    EXPECT_EQ(entrySizeKb(1024 * 1024), 1024u);
}

TEST_F(RestoreFixture, AnArchiveWithoutEndRecordIsPutToTheQuestionAndThenRefused) {
    writeFile(archives() / "broken.zip", "this is not an archive at all");
    writeFile(archives() / "empty.zip", "");
    EXPECT_TRUE(session->ListArchiveEntries(archives().string(), "empty.zip").empty());
    EXPECT_EQ(questions.asked, 0);
    try {
        session->ListArchiveEntries(archives().string(), "broken.zip");
        FAIL() << "a file without end record was listed";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Not a valid zip file!");
    }
    EXPECT_EQ(questions.asked, 1);
}

TEST_F(RestoreFixture, WholeArchiveRestoreRecreatesFoldersReportsLogsAndKeepsTheOptions) {
    Files files;
    for (std::uint32_t i = 0; i < 10; ++i)
        files["Data/sub" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt"] = compressibleText(3000 + i, i);
    const fs::path zip = makeArchive("ten.zip", files);
    RestoreRequest r = request("ten.zip");
    r.options.overwrite = StoredOverwriteMode::IfOlder;
    r.options.useOriginalFolders = true;
    prompts.queue({true});

    const RestoreOutcome outcome = session->restoreArchive(r);

    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0].text, "Do you want to restore the file 'ten.zip'?\rExtract to:          '" +
                                             out().string() +
                                             "'\rUse original folder: 'Yes'\rOverwrite Mode:      'If Older'");
    EXPECT_EQ(prompts.questions[0].kind, MessageKind::Warning);
    EXPECT_EQ(outcome.status, RestoreStatus::Succeeded);
    EXPECT_EQ(outcome.restored, 10);
    for (const auto& [name, contents] : files)
        EXPECT_EQ(readFile(out() / name), contents) << name;
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Restore 10 Files Succeeds!\rProject Name: 'Docs'\rFilename:     'ten.zip'");
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(prompts.messages[0].seconds, 6);
    EXPECT_EQ(progress.events, (std::vector<std::string>{"disable", "strip", "no strip", "enable"}));
    EXPECT_EQ(progress.fileNames.size(), 10u);
    EXPECT_EQ(progress.lastTotal, 100);

    const std::vector<LogRow> entries = logEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], (LogRow{"2026-12-07 23:16:06", "Restore", "Succeeds", "Docs",
                                  "10 files restore from " + zip.string() + "  " + kbOf(zip)}));
    const BackupProject project = store.load("Docs");
    EXPECT_EQ(project.restorePath, out().string());
    EXPECT_TRUE(project.restoreToOrigPath);
    EXPECT_EQ(project.overwriteMode, 4);
}

TEST_F(RestoreFixture, SelectedEntriesAreExactlyThoseRestoredAndFlatWithoutStoredFolders) {
    const fs::path zip = makeArchive(
        "five.zip",
        {{"a.txt", "a"}, {"Data/b.txt", "b"}, {"Data/c.txt", "c"}, {"Data/sub/d.txt", "d"}, {"e.txt", "e"}});
    const std::vector<EntryRow> rows = session->ListArchiveEntries(archives().string(), "five.zip");
    RestoreRequest r = request("five.zip", entryStoredNames(rows, 1, 3));
    r.options.useOriginalFolders = false;
    prompts.queue({true});

    const RestoreOutcome outcome = session->restoreSelected(r);

    EXPECT_EQ(prompts.questions.at(0).text, "Do you want to restore 3 files from 'five.zip'?\rExtract to:          '" +
                                                out().string() +
                                                "'\rUse original folder: 'No'\rOverwrite Mode:      'Never'");
    EXPECT_EQ(outcome.status, RestoreStatus::Succeeded);
    EXPECT_EQ(outcome.restored, 3);
    std::vector<std::string> restored;
    for (const auto& entry : fs::recursive_directory_iterator(out()))
        restored.push_back(fs::relative(entry.path(), out()).string());
    std::sort(restored.begin(), restored.end());
    EXPECT_EQ(restored, (std::vector<std::string>{"b.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(logEntries().at(0)[LogColumnInformation], "3 files restore from " + zip.string() + "  " + kbOf(zip));
}

// The question shows "Extract to:" without the blanks typed around it; the files go there too,
// not into a folder named with a trailing blank or one below the working folder.
TEST_F(RestoreFixture, BlanksAroundExtractToAreNotPartOfTheFolder) {
    makeArchive("one.zip", {{"a.txt", "a"}});
    RestoreRequest r = request("one.zip");
    r.options.useOriginalFolders = false;
    for (const std::string& typed : {out().string() + " ", " " + out().string()}) {
        r.options.destDir = typed;
        r.options.overwrite = StoredOverwriteMode::Always;
        prompts.queue({true});
        const RestoreOutcome outcome = session->restoreArchive(r);
        EXPECT_NE(prompts.questions.back().text.find("Extract to:          '" + out().string() + "'"),
                  std::string::npos);
        EXPECT_EQ(outcome.status, RestoreStatus::Succeeded);
        EXPECT_EQ(readFile(out() / "a.txt"), "a");
        fs::remove(out() / "a.txt");
    }
    EXPECT_FALSE(fs::exists(out().string() + " "));
}

TEST_F(RestoreFixture, IfNewerAndIfOlderReplaceOnlyByTheArchiveCopysAge) {
    const std::time_t archived = 1700000000;
    makeArchive("ages.zip", {{"old.txt", "archived old"}, {"new.txt", "archived new"}, {"same.txt", "archived"}}, {}, 6,
                archived);
    auto prepare = [&] {
        writeFile(out() / "old.txt", "disk");
        setModificationTime(out() / "old.txt", archived - 3600); // the disk copy is older
        writeFile(out() / "new.txt", "disk");
        setModificationTime(out() / "new.txt", archived + 3600); // the disk copy is newer
        writeFile(out() / "same.txt", "disk");
        setModificationTime(out() / "same.txt", archived);
    };
    RestoreRequest r = request("ages.zip");
    r.confirm = false;

    prepare();
    r.options.overwrite = StoredOverwriteMode::IfNewer;
    RestoreOutcome outcome = session->restoreArchive(r);
    EXPECT_EQ(outcome.status, RestoreStatus::Succeeded);
    EXPECT_EQ(outcome.restored, 1);
    EXPECT_EQ(outcome.kept, 2);
    EXPECT_EQ(readFile(out() / "old.txt"), "archived old");
    EXPECT_EQ(readFile(out() / "new.txt"), "disk");
    EXPECT_EQ(readFile(out() / "same.txt"), "disk");

    prepare();
    r.options.overwrite = StoredOverwriteMode::IfOlder;
    outcome = session->restoreArchive(r);
    EXPECT_EQ(outcome.restored, 1);
    EXPECT_EQ(readFile(out() / "old.txt"), "disk");
    EXPECT_EQ(readFile(out() / "new.txt"), "archived new");
    EXPECT_EQ(readFile(out() / "same.txt"), "disk");
    EXPECT_EQ(store.load("Docs").overwriteMode, 4);

    // Files kept by "Never" are no failure: nothing restored is still a success.
    prepare();
    r.options.overwrite = StoredOverwriteMode::Never;
    outcome = session->restoreArchive(r);
    EXPECT_EQ(outcome.status, RestoreStatus::Succeeded);
    EXPECT_EQ(prompts.messages.back().text,
              "Restore 0 Files Succeeds!\rProject Name: 'Docs'\rFilename:     'ages.zip'");
    EXPECT_EQ(logEntries().at(0)[LogColumnStatus], "Succeeds");
    EXPECT_EQ(store.load("Docs").overwriteMode, 2);
}

TEST_F(RestoreFixture, ABlankPasswordFieldReusesTheEarlierPasswordAndAWrongOneFails) {
    const fs::path zip = makeArchive("secret.zip", {{"a.txt", "secret a"}, {"b.txt", "secret b"}}, "s3cret");
    RestoreRequest r = request("secret.zip");
    r.confirm = false;
    r.options.overwrite = StoredOverwriteMode::Always;
    r.options.password = "s3cret";
    EXPECT_EQ(session->restoreArchive(r).status, RestoreStatus::Succeeded);
    fs::remove_all(out());

    r.options.password = "   ";
    RestoreOutcome outcome = session->restoreArchive(r);
    EXPECT_EQ(outcome.status, RestoreStatus::Succeeded);
    EXPECT_EQ(outcome.restored, 2);
    EXPECT_EQ(readFile(out() / "b.txt"), "secret b");

    prompts.messages.clear();
    r.options.password = "wrong";
    outcome = session->restoreArchive(r);
    EXPECT_EQ(outcome.status, RestoreStatus::Failed);
    EXPECT_TRUE(outcome.wrongPassword);
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, "The password is incorrect");
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(prompts.messages[0].seconds, 0);
    EXPECT_EQ(prompts.messages[1].text, "Restore files fails!");
    EXPECT_EQ(prompts.messages[1].kind, MessageKind::Error);
    EXPECT_EQ(prompts.messages[1].seconds, 6);
    const LogRow newest = logEntries().at(0);
    EXPECT_EQ(newest[LogColumnStatus], "Fails");
    EXPECT_EQ(newest[LogColumnInformation],
              zip.string() + "  " + kbOf(zip) + ": The password is incorrect; 2 files not restored");
    EXPECT_EQ(progress.events.back(), "enable");

    // The mark is cleared: the right password succeeds again.
    r.options.password = "s3cret";
    EXPECT_EQ(session->restoreArchive(r).status, RestoreStatus::Succeeded);
}

TEST_F(RestoreFixture, EntriesLeftOutMakeTheRestoreFailWithCountAndReasons) {
    const fs::path zip = makeArchive("mixed.zip",
                                     {{"bad.txt", "these bytes will be damaged"},
                                      {"sub/blocked.txt", "a file is in the way"},
                                      {"good.txt", "fine"},
                                      {"kept.txt", "archived"}},
                                     {}, 0);
    std::string bytes = readFile(zip);
    const std::size_t at = bytes.find("these bytes");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'T';
    writeFile(zip, bytes);
    writeFile(out() / "sub", "not a folder");
    writeFile(out() / "kept.txt", "disk");
    RestoreRequest r = request("mixed.zip");
    r.confirm = false;

    const RestoreOutcome outcome = session->restoreArchive(r);

    EXPECT_EQ(outcome.status, RestoreStatus::Failed);
    EXPECT_EQ(outcome.restored, 1);
    EXPECT_EQ(outcome.kept, 1);
    ASSERT_EQ(outcome.failures.size(), 2u);
    EXPECT_EQ(outcome.failures[0].name, "bad.txt");
    EXPECT_EQ(outcome.failures[0].reason, "CRC error");
    EXPECT_EQ(outcome.failures[1].name, "sub/blocked.txt");
    EXPECT_FALSE(fs::exists(out() / "bad.txt"));
    ASSERT_EQ(prompts.messages.size(), 1u);
    const std::string& text = prompts.messages[0].text;
    EXPECT_EQ(text.rfind("Restore files fails!\rProject Name: 'Docs'\rFilename:     'mixed.zip'\r"
                         "1 files restored, 2 files not restored:\rbad.txt: CRC error\rsub/blocked.txt: ",
                         0),
              0u)
        << text;
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(prompts.messages[0].seconds, 6);
    const LogRow newest = logEntries().at(0);
    EXPECT_EQ(newest[LogColumnStatus], "Fails");
    EXPECT_EQ(newest[LogColumnInformation],
              zip.string() + "  " + kbOf(zip) + ": 2 files not restored (bad.txt: CRC error, ...)");
}

TEST_F(RestoreFixture, ASelectedNameMissingFromTheArchiveIsReported) {
    makeArchive("one.zip", {{"Data/a.txt", "a"}});
    RestoreRequest r = request("one.zip", {"Data/a.txt", "Data/gone.txt"});
    r.confirm = false;
    const RestoreOutcome outcome = session->restoreSelected(r);
    EXPECT_EQ(outcome.status, RestoreStatus::Failed);
    EXPECT_EQ(outcome.restored, 1);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].name, "Data/gone.txt");
    EXPECT_EQ(outcome.failures[0].reason, "not found in the archive");

    // A mask that matches counts as found.
    prompts.messages.clear();
    r.entries = {"*.TXT"};
    r.options.overwrite = StoredOverwriteMode::Always;
    EXPECT_EQ(session->restoreSelected(r).status, RestoreStatus::Succeeded);
}

// Rows of the entry list name their entries exactly: a name holding "*" or "?" restores that
// entry alone, and one that differs from a stored name in letter case is not found.
TEST_F(RestoreFixture, SelectedRowsNameTheirEntriesExactly) {
    makeArchive("odd.zip", {{"a*b?.txt", "literal"}, {"axxb1.txt", "other"}, {"Notes.txt", "n"}});
    RestoreRequest r = request("odd.zip", {"a*b?.txt", "notes.txt"});
    r.exactNames = true;
    r.confirm = false;
    const RestoreOutcome outcome = session->restoreSelected(r);
    EXPECT_EQ(outcome.status, RestoreStatus::Failed);
    EXPECT_EQ(outcome.restored, 1);
    EXPECT_EQ(outcome.leftOut, 1);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].name, "notes.txt");
    EXPECT_EQ(outcome.failures[0].reason, "not found in the archive");
    EXPECT_EQ(namesIn(out()), std::vector<std::string>{"a*b?.txt"});
}

TEST_F(RestoreFixture, AnExtractionEndingInAnErrorIsLoggedBeforeTheErrorIsShown) {
    writeFile(archives() / "broken.zip", std::string(100, 'x'));
    RestoreRequest r = request("broken.zip");
    r.confirm = false;
    std::vector<LogRow> loggedWhenShown;
    prompts.onMessage = [&](const ScriptedPrompts::Shown&) { loggedWhenShown = logEntries(); };

    const RestoreOutcome outcome = session->restoreArchive(r);

    EXPECT_EQ(outcome.status, RestoreStatus::Failed);
    EXPECT_EQ(outcome.error, "Not a valid zip file!");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Not a valid zip file!");
    EXPECT_EQ(prompts.messages[0].seconds, 0);
    ASSERT_EQ(loggedWhenShown.size(), 1u);
    EXPECT_EQ(loggedWhenShown[0][LogColumnStatus], "Fails");
    EXPECT_EQ(loggedWhenShown[0][LogColumnInformation],
              (archives() / "broken.zip").string() + "  0Kb: Not a valid zip file!");
    EXPECT_EQ(progress.events, (std::vector<std::string>{"disable", "strip", "no strip", "enable"}));
    EXPECT_EQ(store.load("Docs").restorePath, out().string());
}

TEST_F(RestoreFixture, NothingHappensWithoutArchiveOrAfterNo) {
    makeArchive("a.zip", {{"a.txt", "a"}});
    EXPECT_EQ(session->restoreArchive(request(" ")).status, RestoreStatus::NothingToRestore);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "No Zip file to restore!");
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(session->restoreSelected(request("", {"a.txt"})).status, RestoreStatus::NothingToRestore);
    EXPECT_EQ(session->restoreSelected(request("a.zip")).status, RestoreStatus::NothingToRestore);
    EXPECT_EQ(prompts.messages.size(), 1u);

    RestoreRequest blank = request("a.zip");
    blank.options.destDir = "  ";
    EXPECT_EQ(session->restoreArchive(blank).status, RestoreStatus::NothingToRestore);
    EXPECT_EQ(prompts.messages.back().text, "Please enter the folder to extract to!");
    EXPECT_EQ(prompts.messages.size(), 2u);

    prompts.queue({false});
    EXPECT_EQ(session->restoreArchive(request("a.zip")).status, RestoreStatus::Declined);
    EXPECT_FALSE(fs::exists(out() / "a.txt"));
    EXPECT_TRUE(logEntries().empty());
    EXPECT_TRUE(progress.events.empty());
    EXPECT_EQ(store.load("Docs").overwriteMode, 2);
    EXPECT_NE(store.load("Docs").restorePath, out().string());
}

TEST_F(RestoreFixture, WithoutAProjectTheRestoreIsLoggedButNoSectionIsWritten) {
    makeArchive("a.zip", {{"a.txt", "a"}});
    const std::string before = readFile(dir / "project.ini");
    RestoreRequest r = request("a.zip");
    r.projectName = "  ";
    r.confirm = false;
    EXPECT_EQ(session->restoreArchive(r).status, RestoreStatus::Succeeded);
    EXPECT_EQ(readFile(dir / "project.ini"), before);
    EXPECT_EQ(logEntries().at(0)[LogColumnProject], "  ");
}
