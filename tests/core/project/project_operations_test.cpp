#include "core/backup/retention.h"
#include "core/ini/ini_password_codec.h"
#include "core/project/project_operations.h"
#include "core/project/project_store.h"
#include "project_operations_fixture.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

TEST_F(ProjectOperationsTest, CreateWritesWhatTheWizardsFinishWrites) {
    BackupProject p = settings(" New ");
    p.usePassword = true; // checked with both fields empty: accepted, no "Password" key
    p.password = p.confirmPassword = "";
    p.nextNumber = 1;
    p.increaseValue = 1;
    writeFile(dir / "project.ini", "[Common]\nProject Count=1\nCount0=Zeta\n\n[new]\nPassword=#1#2\n"
                                   "Restore path=/old/\n");
    writeFile(dir / "StoreNumber.txt", "[NEW]\nMax=2\nHead=1\nN1=/b/Zeta1.zip\n");
    writeFile(dir / "schedule.ini", "[new]\nLast Served=2026-12-07 08:00:00\n");
    ops.create(p, "/b/New1.zip");

    IniDocument ini = projectIni();
    EXPECT_EQ(ProjectStore::readProjectList(ini), (std::vector<std::string>{"New", "Zeta"}));
    EXPECT_EQ(ini.readString("Common", "Last Project"), "New");
    EXPECT_EQ(ini.readString("New", "Value"), "0");
    EXPECT_EQ(ini.readString("New", "Whether password Project"), "1");
    // The section an earlier project of that name left is not the new one's, nor is its ring.
    EXPECT_FALSE(ini.value("New", "Password"));
    EXPECT_FALSE(ini.value("New", "Restore path"));
    EXPECT_FALSE(IniDocument::parse(readFile(dir / "StoreNumber.txt")).hasSection("New"));
    EXPECT_EQ(readFile(dir / "schedule.ini"), ""); // nor is the scheduler's record of its last run
}

TEST_F(ProjectOperationsTest, CreateRefusesBeforeWritingAnything) {
    addProject("Docs");
    const std::string before = readFile(dir / "project.ini");
    auto refused = [&](BackupProject p, const std::string& fileName = "/b/x.zip") {
        try {
            ops.create(p, fileName);
        } catch (const ProjectRefused& e) {
            return std::string(e.what());
        }
        return std::string("created");
    };
    EXPECT_EQ(refused(settings("   ")), "Please input a new project name!");
    EXPECT_EQ(refused(settings(" DOCS ")), "Project 'DOCS' exists,please input another name!");
    EXPECT_NE(refused(settings("common")).find("Common"), std::string::npos);
    for (const char* bad : {"a[b", "a]", "two\nlines", "tab\there"})
        EXPECT_NE(refused(settings(bad)).find("cannot hold"), std::string::npos) << bad;
    BackupProject noPrefix = settings("P");
    noPrefix.filenamePrefix = " ";
    EXPECT_EQ(refused(noPrefix), "Please enter the prefix of backup filename");
    BackupProject slash = settings("P");
    slash.filenamePrefix = "../up";
    EXPECT_NE(refused(slash).find("\"/\""), std::string::npos);
    BackupProject nothing = settings("P");
    nothing.backupItems.clear();
    EXPECT_EQ(refused(nothing), "Please select files to backup");
    EXPECT_EQ(readFile(dir / "project.ini"), before);
}

TEST_F(ProjectOperationsTest, RenameToTheOwnNameInOtherCaseDoesNothing) {
    addProject("Docs");
    const std::string before = readFile(dir / "project.ini");
    EXPECT_EQ(ops.rename("Docs", " dOCS ", store.load("Docs"), "/b/Docs1.zip"),
              ProjectOperations::Outcome::SameProject);
    EXPECT_EQ(ops.copy("Docs", "DOCS", store.load("Docs"), "/b/Docs1.zip"), ProjectOperations::Outcome::SameProject);
    EXPECT_EQ(readFile(dir / "project.ini"), before);
}

TEST_F(ProjectOperationsTest, RenameOrCopyToAnotherProjectsNameInOtherCaseIsRefused) {
    addProject("Docs");
    addProject("Photos");
    const std::string before = readFile(dir / "project.ini");
    for (auto command : {&ProjectOperations::rename, &ProjectOperations::copy}) {
        try {
            (ops.*command)("Docs", "pHOTOS", store.load("Docs"), "/b/Docs1.zip");
            ADD_FAILURE() << "not refused";
        } catch (const ProjectRefused& e) {
            EXPECT_STREQ(e.what(), "Project Name exists,Rename fail!");
        }
    }
    EXPECT_EQ(readFile(dir / "project.ini"), before);
}

TEST_F(ProjectOperationsTest, RenameThatWouldNotSaveKeepsTheProject) {
    addProject("Docs");
    const std::string before = readFile(dir / "project.ini");
    BackupProject controls = store.load("Docs");
    controls.backupItems.clear();
    EXPECT_THROW(ops.rename("Docs", "Papers", controls, "/b/Docs1.zip"), ProjectRefused);
    EXPECT_THROW(ops.rename("Gone", "Papers", store.load("Docs"), "/b/Docs1.zip"), ProjectRefused);
    EXPECT_EQ(readFile(dir / "project.ini"), before);
}

TEST_F(ProjectOperationsTest, RenameMovesSectionListPasswordAndRing) {
    addProject("Docs");
    addProject("Zeta");
    store.writeRestoreOptions("Docs", "/restore/", false, 0);
    IniFile(dir / "project.ini").writeString("Common", "Last Project", "docs");
    // The scheduler ran it this morning; a record an earlier "Papers" left is not the project's.
    writeFile(dir / "schedule.ini", "[docs]\nLast Served=2026-12-07 08:00:00\n[Papers]\nLast Served=2020-01-01 "
                                    "00:00:00\n[Zeta]\nLast Served=2026-12-06 12:00:00\n");
    // Two runs under the old name, keeping the last two.
    IniFile ring(dir / "StoreNumber.txt");
    for (int n = 1; n <= 2; ++n) {
        writeFile(archive(n), "zip");
        ApplyRetention(ring, "Docs", archive(n), 2, archiveOwner());
    }

    ASSERT_EQ(ops.rename("Docs", " Papers ", store.load("Docs"), "/b/Docs3.zip"), ProjectOperations::Outcome::Done);

    IniDocument ini = projectIni();
    EXPECT_EQ(ProjectStore::readProjectList(ini), (std::vector<std::string>{"Papers", "Zeta"}));
    EXPECT_FALSE(ini.hasSection("Docs"));
    EXPECT_EQ(ini.readString("Common", "Last Project"), "Papers");
    EXPECT_EQ(IniPasswordCodec::decode(ini.readString("Papers", "Password"), "Papers"), "secret");
    EXPECT_FALSE(ini.value("Papers", "Restore path")); // Save Project does not write the restore keys
    IniDocument rings = IniDocument::parse(readFile(dir / "StoreNumber.txt"));
    EXPECT_FALSE(rings.hasSection("Docs"));
    EXPECT_EQ(rings.readString("Papers", "N1"), archive(1));
    EXPECT_EQ(rings.readString("Papers", "N2"), archive(2));
    const IniDocument served = IniFile(dir / "schedule.ini").read();
    EXPECT_EQ(served.sectionNames(), (std::vector<std::string>{"Zeta", "Papers"}));
    EXPECT_EQ(served.readString("Papers", "Last Served"), "2026-12-07 08:00:00");

    // The renamed project's next runs let the archives made under the old name go.
    writeFile(archive(3), "zip");
    ApplyRetention(ring, "Papers", archive(3), 2, archiveOwner());
    EXPECT_FALSE(fs::exists(archive(1)));
    EXPECT_TRUE(fs::exists(archive(2)));
    writeFile(archive(4), "zip");
    ApplyRetention(ring, "Papers", archive(4), 2, archiveOwner());
    EXPECT_FALSE(fs::exists(archive(2)));
}

TEST_F(ProjectOperationsTest, CopyStoresThePasswordForTheCopysNameWithoutRestoreKeysOrRing) {
    addProject("Docs");
    store.writeRestoreOptions("Docs", "/restore/", false, 0);
    writeFile(dir / "StoreNumber.txt", "[Docs]\nMax=2\nHead=1\nN1=" + archive(1) + "\n[Copy of Docs]\nN1=/x.zip\n");
    writeFile(dir / "schedule.ini", "[Docs]\nLast Served=2026-12-07 08:00:00\n[Copy of Docs]\nLast Served=2020-01-01 "
                                    "00:00:00\n");

    ASSERT_EQ(ops.copy("Docs", "Copy of Docs", store.load("Docs"), "/b/Docs1.zip"), ProjectOperations::Outcome::Done);

    IniDocument ini = projectIni();
    EXPECT_EQ(ProjectStore::readProjectList(ini), (std::vector<std::string>{"Copy of Docs", "Docs"}));
    EXPECT_NE(ini.readString("Copy of Docs", "Password"), ini.readString("Docs", "Password"));
    EXPECT_EQ(IniPasswordCodec::decode(ini.readString("Copy of Docs", "Password"), "Copy of Docs"), "secret");
    EXPECT_EQ(store.load("Copy of Docs").password, "secret");
    EXPECT_FALSE(ini.value("Copy of Docs", "Restore path"));
    EXPECT_EQ(ini.readString("Docs", "Restore path"), "/restore/");
    IniDocument rings = IniDocument::parse(readFile(dir / "StoreNumber.txt"));
    EXPECT_FALSE(rings.hasSection("Copy of Docs"));
    EXPECT_EQ(rings.readString("Docs", "N1"), archive(1));
    EXPECT_EQ(readFile(dir / "schedule.ini"), "[Docs]\nLast Served=2026-12-07 08:00:00\n"); // the copy never ran
}

TEST_F(ProjectOperationsTest, DeletingTheLastProjectLeavesAnEmptyListAndTheArchives) {
    addProject("Docs");
    writeFile(archive(1), "zip");
    writeFile(dir / "StoreNumber.txt", "[Docs]\nMax=2\nHead=1\nN1=" + archive(1) + "\n[Other]\nMax=3\n");
    writeFile(dir / "schedule.ini", "[DOCS]\nLast Served=2026-12-07 08:00:00\n[Other]\nLast Served=2026-12-06 "
                                    "08:00:00\n");
    ops.remove(" docs ");
    IniDocument ini = projectIni();
    EXPECT_EQ(ini.readString("Common", "Project Count"), "0");
    EXPECT_FALSE(ini.hasSection("Docs"));
    EXPECT_TRUE(ProjectStore::readProjectList(ini).empty());
    IniDocument rings = IniDocument::parse(readFile(dir / "StoreNumber.txt"));
    EXPECT_FALSE(rings.hasSection("Docs"));
    EXPECT_TRUE(rings.hasSection("Other"));
    EXPECT_EQ(readFile(dir / "schedule.ini"), "[Other]\nLast Served=2026-12-06 08:00:00\n");
    EXPECT_TRUE(fs::exists(archive(1)));
    EXPECT_THROW(ops.remove("Docs"), ProjectRefused);
}
