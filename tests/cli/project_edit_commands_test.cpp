#include "cli_run.h"
#include "core/ini/ini_password_codec.h"
#include "core/project/project_store.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A data folder and a folder of files to back up; commands run in this process.
struct CliProjectEdit : CliOnArchives {
    void SetUp() override {
        writeFile(dir / "src" / "a.txt", "a");
        writeFile(dir / "pw.txt", "s3cret\n");
    }
    int newProject(const std::string& name, std::vector<std::string> more = {}) {
        std::vector<std::string> args{"project", "new", name, "--source", path("src"), "--dest", path("out")};
        args.insert(args.end(), more.begin(), more.end());
        return cli(args);
    }
    IniDocument ini() const { return IniDocument::parse(readFile(dir / "data" / "project.ini")); }
    std::string key(const std::string& section, const std::string& name) const {
        return ini().readString(section, name, "(missing)");
    }
};

} // namespace

TEST_F(CliProjectEdit, NewWritesTheWizardsDefaultsAndMakesItTheLastProject) {
    ASSERT_EQ(newProject(" My Docs ", {"--exclude", "*.tmp", path("src/cache")}), cli::ExitOk) << err;
    EXPECT_EQ(key("My Docs", "Filename prefix"), "My Docs");
    EXPECT_EQ(key("My Docs", "Suffix"), "2");
    EXPECT_EQ(key("My Docs", "Value"), "0");
    EXPECT_EQ(key("My Docs", "Save Path"), path("out") + "/");
    EXPECT_EQ(key("My Docs", "Backup0"), path("src") + "/*"); // a folder means its contents
    EXPECT_EQ(key("My Docs", "NoBackup0"), "*.tmp");
    EXPECT_EQ(key("My Docs", "NoBackup1"), path("src/cache"));
    EXPECT_EQ(key("My Docs", "Whether password Project"), "0");
    EXPECT_EQ(key("My Docs", "Whether store comment in Zip"), "0");
    EXPECT_EQ(key("My Docs", "BackupMode"), "3");
    EXPECT_EQ(key("My Docs", "PackLevel"), "6");
    EXPECT_EQ(key("My Docs", "Store Number"), "50");
    EXPECT_EQ(key("Common", "Last Project"), "My Docs");
    EXPECT_EQ(cli({"projects"}), cli::ExitOk);
    EXPECT_EQ(out, "My Docs\n");
}

TEST_F(CliProjectEdit, NewTakesEveryOption) {
    ASSERT_EQ(newProject("P", {"--prefix", "pre", "--suffix", "date", "--level", "9", "--keep", "3", "--password-file",
                               path("pw.txt"), "--comment", " weekly ", "--no-subfolders", "--no-paths", "--schedule",
                               "daily=07:30:00"}),
              cli::ExitOk)
        << err;
    EXPECT_EQ(key("P", "Filename prefix"), "pre");
    EXPECT_EQ(key("P", "Suffix"), "1");
    EXPECT_EQ(key("P", "PackLevel"), "9");
    EXPECT_EQ(key("P", "Store Number"), "3");
    EXPECT_EQ(IniPasswordCodec::decode(key("P", "Password"), "P"), "s3cret");
    EXPECT_EQ(key("P", "Comment"), " weekly ");
    EXPECT_EQ(key("P", "Whether include Subdirectory"), "0");
    EXPECT_EQ(key("P", "Whether store path in Zip"), "0");
    EXPECT_EQ(key("P", "StartTime_or_Increase"), "07:30:00");
    ASSERT_EQ(newProject("Q", {"--schedule", "every=45"}), cli::ExitOk);
    EXPECT_EQ(key("Q", "BackupMode"), "1");
    ASSERT_EQ(newProject("R", {"--schedule", "weekly=friday"}), cli::ExitOk);
    EXPECT_EQ(key("R", "StartTime_or_Increase"), "Friday");
}

TEST_F(CliProjectEdit, NewRefusesOrRejectsWithTheRightStatus) {
    ASSERT_EQ(newProject("Docs"), cli::ExitOk);
    const std::string before = readFile(dir / "data" / "project.ini");
    EXPECT_EQ(newProject("DOCS"), cli::ExitFailure);
    EXPECT_EQ(err, "Project 'DOCS' exists,please input another name!\n");
    EXPECT_EQ(newProject("P", {"--prefix", " "}), cli::ExitFailure);
    EXPECT_EQ(err, "Please enter the prefix of backup filename\n");
    EXPECT_EQ(newProject("P", {"--prefix", "../p"}), cli::ExitFailure);
    EXPECT_EQ(newProject("Common"), cli::ExitFailure);
    for (const std::vector<std::string>& more : {std::vector<std::string>{"--level", "12"},
                                                 {"--keep", "1"},
                                                 {"--suffix", "odd"},
                                                 {"--schedule", "every=1"},
                                                 {"--schedule", "weekly=someday"},
                                                 {"--bogus"},
                                                 {"--dest"},
                                                 {"second name"}})
        EXPECT_EQ(newProject("P", more), cli::ExitUsage) << more.front();
    EXPECT_EQ(cli({"project", "new", "P", "--source", path("src")}), cli::ExitUsage); // no --dest
    EXPECT_EQ(cli({"project", "new", "P", "--dest", path("out")}), cli::ExitUsage);   // no --source
    EXPECT_EQ(readFile(dir / "data" / "project.ini"), before);
}

TEST_F(CliProjectEdit, CopyRenameAndDeleteShowInTheProjectList) {
    ASSERT_EQ(newProject("Docs", {"--password-file", path("pw.txt")}), cli::ExitOk);
    ASSERT_EQ(newProject("Photos"), cli::ExitOk);
    EXPECT_EQ(cli({"project", "rename", "docs", "pHOTOS"}), cli::ExitFailure);
    EXPECT_EQ(err, "Project Name exists,Rename fail!\n");
    EXPECT_EQ(cli({"project", "rename", "docs", "DOCS"}), cli::ExitOk); // its own name: nothing changes
    EXPECT_EQ(cli({"project", "copy", "docs", "Docs"}), cli::ExitFailure);
    ASSERT_EQ(cli({"project", "copy", "docs", "Copy of Docs"}), cli::ExitOk) << err;
    EXPECT_EQ(IniPasswordCodec::decode(key("Copy of Docs", "Password"), "Copy of Docs"), "s3cret");
    ASSERT_EQ(cli({"project", "rename", "Docs", "Papers"}), cli::ExitOk) << err;
    EXPECT_EQ(IniPasswordCodec::decode(key("Papers", "Password"), "Papers"), "s3cret");
    EXPECT_EQ(cli({"projects"}), cli::ExitOk);
    EXPECT_EQ(out, "Copy of Docs\nPapers\nPhotos\n");
    for (const char* name : {"Papers", "photos", "Copy of Docs"})
        ASSERT_EQ(cli({"project", "delete", name}), cli::ExitOk) << err;
    EXPECT_EQ(key("Common", "Project Count"), "0");
    EXPECT_EQ(cli({"project", "delete", "Papers"}), cli::ExitFailure);
    EXPECT_EQ(cli({"project", "delete"}), cli::ExitUsage);
    EXPECT_EQ(cli({"project", "rename", "x"}), cli::ExitUsage);
    EXPECT_EQ(cli({"project"}), cli::ExitUsage);
}

TEST_F(CliProjectEdit, SetChangesKeysAsShowPrintsThem) {
    ASSERT_EQ(newProject("Docs"), cli::ExitOk);
    ASSERT_EQ(
        cli({"project", "set", "docs", "PackLevel=2", "Value=7", "Increase Value=3", "Backup1=" + path("x.txt"),
             "NoBackup0=*.bak", "BackupMode=1", "StartTime_or_Increase=90", "Restore path=" + path("r"),
             "Overwrite Mode=0", "whether store comment in zip=1", "Comment=c", "--password-file", path("pw.txt")}),
        cli::ExitOk)
        << err;
    EXPECT_EQ(key("Docs", "PackLevel"), "2");
    EXPECT_EQ(key("Docs", "Value"), "7");
    EXPECT_EQ(key("Docs", "Increase Value"), "3");
    EXPECT_EQ(key("Docs", "Backup Directory Count"), "2");
    EXPECT_EQ(key("Docs", "NoBackup0"), "*.bak");
    EXPECT_EQ(key("Docs", "StartTime_or_Increase"), "90");
    EXPECT_EQ(key("Docs", "Restore path"), path("r") + "/");
    EXPECT_EQ(key("Docs", "Overwrite Mode"), "0");
    EXPECT_EQ(key("Docs", "Comment"), "c");
    EXPECT_EQ(IniPasswordCodec::decode(key("Docs", "Password"), "Docs"), "s3cret");
    ASSERT_EQ(cli({"project", "set", "Docs", "Backup0=", "Increase Value=1"}), cli::ExitOk) << err;
    EXPECT_EQ(key("Docs", "Backup0"), path("x.txt"));
    EXPECT_EQ(key("Docs", "Value"), "7"); // the last number used stays
}

TEST_F(CliProjectEdit, SetRefusesWhatSaveProjectRefusesAndRejectsBadKeys) {
    ASSERT_EQ(newProject("Docs"), cli::ExitOk);
    const std::string before = readFile(dir / "data" / "project.ini");
    EXPECT_EQ(cli({"project", "set", "Docs", "Backup0="}), cli::ExitFailure);
    EXPECT_EQ(err, "Please select files to backup\n");
    EXPECT_EQ(cli({"project", "set", "Docs", "Filename prefix=a/b"}), cli::ExitFailure);
    for (const char* bad : {"Password=x", "Colour=red", "PackLevel=10", "Backup5=/x", "BackupMode=2",
                            "Backup Directory Count=4", "Value=1000000000", "isUseNew=yes", "no-equals"})
        EXPECT_EQ(cli({"project", "set", "Docs", bad}), cli::ExitUsage) << bad;
    EXPECT_EQ(cli({"project", "set", "Docs"}), cli::ExitUsage);
    EXPECT_EQ(cli({"project", "set", "Gone", "PackLevel=1"}), cli::ExitFailure);
    EXPECT_EQ(readFile(dir / "data" / "project.ini"), before);
}

TEST_F(CliProjectEdit, WildcardsListAddAndRemove) {
    EXPECT_EQ(cli({"wildcards"}), cli::ExitOk);
    EXPECT_EQ(out, "");
    EXPECT_EQ(cli({"wildcards", "add", "*.doc", " *.DOC ", "*.txt"}), cli::ExitOk);
    EXPECT_EQ(cli({"wildcards", "remove", "*.TXT", "*.xls"}), cli::ExitFailure);
    EXPECT_EQ(err, "'*.xls' is not in the list\n");
    EXPECT_EQ(cli({"wildcards"}), cli::ExitOk);
    EXPECT_EQ(out, "*.doc\n");
    EXPECT_EQ(cli({"wildcards", "add"}), cli::ExitUsage);
    EXPECT_EQ(cli({"wildcards", "clear"}), cli::ExitUsage);
}
