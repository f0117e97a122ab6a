// Adding files to and deleting entries from the archive shown on the Restore page.
#include "core/project/backup_project.h"
#include "core/restore/archive_entry_maintenance.h"
#include "core/restore/archive_folder_listing.h"
#include "core/zip/zip_test_helpers.h"
#include "restore_fixture.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

using Names = std::vector<std::string>;

const Names BusyAndBack{"disable", "strip", "no strip", "enable"};

class EntryMaintenance : public RestoreFixture {
protected:
    // An archive of loose files stored without paths, as adding them with the page's settings
    // would store them again.
    std::string looseArchive(const Files& files, std::time_t modified = 1700000000) {
        std::vector<std::string> paths;
        for (const auto& [name, contents] : files) {
            writeFile(loose / name, contents);
            setModificationTime(loose / name, modified);
            paths.push_back((loose / name).string());
        }
        TZipWriter writer;
        writer.setZipName(archive());
        writer.FilesList = paths;
        writer.Zip();
        return archive();
    }
    std::string archive() const { return (archives() / "loose.zip").string(); }
    std::string path(const std::string& name) const { return (loose / name).string(); }

    // Stored names in the archive's physical order.
    static Names storedNames(const std::string& archivePath) {
        TZipReader reader;
        reader.setZipName(archivePath);
        reader.ReadZip();
        Names names;
        for (const TZipHeaderInfo& entry : reader.directory())
            names.push_back(entry.storedName());
        return names;
    }
    static TZipHeaderInfo entryNamed(const std::string& archivePath, const std::string& name) {
        TZipReader reader;
        reader.setZipName(archivePath);
        reader.ReadZip();
        for (const TZipHeaderInfo& entry : reader.directory())
            if (entry.storedName() == name)
                return entry;
        ADD_FAILURE() << name << " is not in " << archivePath;
        return {};
    }
    int add(const Names& files, const ProjectWriterSettings& settings = {}) {
        return addFilesToArchive(prompts, progress, archive(), files, settings);
    }

    fs::path loose = dir / "loose";
};

} // namespace

TEST_F(EntryMaintenance, DeletingTwoOfFiveEntriesLeavesThreeAndSaysNothingElse) {
    const fs::path zip = makeArchive("five.zip", {{"one.txt", "1"},
                                                  {"Data/two.txt", "2"},
                                                  {"Data/three.txt", "3"},
                                                  {"Data/sub/four.txt", "4"},
                                                  {"five.txt", "5"}});
    const std::vector<EntryRow> rows = session->ListArchiveEntries(archives().string(), "five.zip");
    const Names selected = entryStoredNames(rows, 1, 2);
    ASSERT_EQ(selected, (Names{"Data/three.txt", "Data/two.txt"}));

    prompts.queue({false});
    EXPECT_EQ(deleteArchiveEntries(prompts, progress, zip.string(), selected), std::nullopt);
    EXPECT_EQ(storedNames(zip.string()).size(), 5u);
    EXPECT_TRUE(progress.events.empty());

    prompts.queue({true});
    EXPECT_EQ(deleteArchiveEntries(prompts, progress, zip.string(), selected), 2);
    ASSERT_EQ(prompts.questions.size(), 2u);
    EXPECT_EQ(prompts.questions[1].text, "Do you want to delete the 2 files \rfrom the archive '" + zip.string() +
                                             "':\r    Data/three.txt\r    Data/two.txt");
    EXPECT_EQ(prompts.questions[1].kind, MessageKind::Warning);
    const std::vector<EntryRow> left = session->ListArchiveEntries(archives().string(), "five.zip");
    EXPECT_EQ(totalFilesCaption(left.size()), "(Total 3 files)");
    EXPECT_EQ(entryStoredNames(left, 0, 2), (Names{"Data/sub/four.txt", "five.txt", "one.txt"}));
    EXPECT_EQ(progress.events, BusyAndBack);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(fs::exists(dir / "log.txt"));

    // An archive that lists no entry offers nothing to delete: no question.
    EXPECT_EQ(deleteArchiveEntries(prompts, progress, zip.string(), {}), std::nullopt);
    EXPECT_EQ(prompts.questions.size(), 2u);
}

TEST_F(EntryMaintenance, NamesThatLookLikeMasksDeleteOnlyThemselves) {
    looseArchive({{"what?.txt", "q"}, {"whatX.txt", "x"}, {"star*.txt", "s"}, {"starry.txt", "r"}});
    prompts.queue({true});
    EXPECT_EQ(deleteArchiveEntries(prompts, progress, archive(), {"what?.txt", "star*.txt"}), 2);
    EXPECT_EQ(storedNames(archive()), (Names{"starry.txt", "whatX.txt"}));
}

// Names differing only in letter case are two files here; deleting one must leave the other.
TEST_F(EntryMaintenance, DeletingAnEntryLeavesOneWhoseNameDiffersOnlyInCase) {
    // Our writer keeps one name per letter-case spelling, so another program makes the archive.
    if (!fs::exists(PythonInterpreter))
        GTEST_SKIP() << PythonInterpreter << " is not installed";
    const ProcessResult made = zipNamesWithPython(archive(), {"Notes.txt", "notes.txt", "other.txt"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    ASSERT_EQ(storedNames(archive()), (Names{"Notes.txt", "notes.txt", "other.txt"}));
    prompts.queue({true});
    EXPECT_EQ(deleteArchiveEntries(prompts, progress, archive(), {"notes.txt"}), 1);
    EXPECT_EQ(storedNames(archive()), (Names{"Notes.txt", "other.txt"}));

    prompts.queue({true});
    EXPECT_EQ(deleteArchiveEntries(prompts, progress, archive(), {"OTHER.TXT"}), 0);
    EXPECT_EQ(storedNames(archive()), (Names{"Notes.txt", "other.txt"}));
}

TEST_F(EntryMaintenance, ANewerFileReplacesItsEntryInPlaceAndAnUnchangedOneWritesNothing) {
    looseArchive({{"a.txt", "old a"}, {"b.txt", "b"}});
    const std::string before = readFile(archive());
    const auto stamp = fs::last_write_time(archive());

    EXPECT_EQ(add({path("a.txt")}), 0);
    EXPECT_EQ(readFile(archive()), before);
    EXPECT_EQ(fs::last_write_time(archive()), stamp);
    EXPECT_EQ(progress.events, BusyAndBack);

    writeFile(loose / "a.txt", "the new a");
    setModificationTime(loose / "a.txt", 1700000100);
    writeFile(loose / "c.txt", "c");
    EXPECT_EQ(add({path("c.txt"), path("a.txt")}), 2);
    EXPECT_EQ(storedNames(archive()), (Names{"a.txt", "b.txt", "c.txt"}));
    TZipReader reader;
    reader.setZipName(archive());
    reader.setDestDir(out().string());
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 3);
    EXPECT_EQ(readFile(out() / "a.txt"), "the new a");
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(fs::exists(dir / "log.txt"));
}

TEST_F(EntryMaintenance, TheProjectsPasswordEncryptsTheAddedFileOnly) {
    BackupProject project;
    project.usePassword = true;
    project.password = "  secret  ";
    project.storePaths = false;
    project.packLevel = 12;
    const ProjectWriterSettings settings = writerSettingsOf(project);
    EXPECT_EQ(settings.password, "secret");
    EXPECT_EQ(settings.packLevel, 9);
    project.password = "   ";
    EXPECT_EQ(writerSettingsOf(project).password, "");
    project.password = "secret";
    project.usePassword = false;
    EXPECT_EQ(writerSettingsOf(project).password, "");

    looseArchive({{"open.txt", "anyone may read this"}});
    writeFile(loose / "closed.txt", "for the project's eyes");
    EXPECT_EQ(add({path("closed.txt")}, settings), 1);
    EXPECT_FALSE(entryNamed(archive(), "open.txt").isEncrypted());
    EXPECT_TRUE(entryNamed(archive(), "closed.txt").isEncrypted());
    TZipReader reader;
    reader.setZipName(archive());
    reader.SortMode = ByName;
    reader.Password = "secret";
    for (int i = 0; i < reader.Count(); ++i)
        EXPECT_TRUE(reader.testEntry(i).ok) << reader.Entry(i).storedName();
}

TEST_F(EntryMaintenance, FilesThatCannotBeAddedAreNamedAndTheRestIsAdded) {
    looseArchive({{"a.txt", "a"}});
    writeFile(loose / "b.txt", "b");
    writeFile(loose / "odd?.txt", "a mask to the writer");
    writeFile(loose / "oddX.txt", "must not come along");
    EXPECT_EQ(add({path("gone.txt"), path("odd?.txt"), path("b.txt")}), 1);
    EXPECT_EQ(storedNames(archive()), (Names{"a.txt", "b.txt"}));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(prompts.messages[0].text, "2 files were not added to '" + archive() + "':\n" + path("odd?.txt") +
                                            " (its name holds one of * ? < > |)\n" + path("gone.txt") +
                                            " (no longer there)");
}

TEST_F(EntryMaintenance, FailuresLeaveTheArchiveAsItWasAndTheBusyStateLeft) {
    writeFile(loose / "new.bin", randomBytes(40000, 7));

    writeFile(archive(), "this is not a zip archive at all");
    EXPECT_THROW(add({path("new.bin")}), ENotAZipFile);
    EXPECT_EQ(readFile(archive()), "this is not a zip archive at all");
    EXPECT_EQ(progress.events, BusyAndBack);

    fs::remove(archive());
    looseArchive({{"a.txt", compressibleText(5000, 1)}});
    const std::string before = readFile(archive());
    struct SmallDisk : TZipWriter {
        std::unique_ptr<ZipOutput> openOutput(const std::string& name) override {
            return std::make_unique<FailingOutput>(TZipWriter::openOutput(name), 8000);
        }
    };
    progress.events.clear();
    EXPECT_THROW(addFilesToArchive(prompts, progress, archive(), {path("new.bin")}, {},
                                   [] { return std::make_unique<SmallDisk>(); }),
                 ENotEnoughRoom);
    EXPECT_EQ(readFile(archive()), before);
    EXPECT_EQ(progress.events, BusyAndBack);

    // The archive cannot be put back: the error carries the writer's text, and it is not also
    // shown by the writer, so the user reads it once.
    struct NoPlace : TZipWriter {
        void placeArchive(const std::string&, const std::filesystem::path&) override { throw IoError("disk gone"); }
    };
    prompts.queue({true});
    try {
        deleteArchiveEntries(prompts, progress, archive(), {"a.txt"}, [] { return std::make_unique<NoPlace>(); });
        FAIL() << "the delete went through";
    } catch (const IoError& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("Could not copy from ")) << error.what();
    }
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(readFile(archive()), before);
    EXPECT_EQ(storedNames(archive()), Names{"a.txt"});
}
