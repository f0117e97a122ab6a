#include "cli_run.h"
#include "core/ini/ini_password_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

CliRun runWith(const TempDir& dir, std::vector<std::string> args) {
    return runCliOn(dir.path(), std::move(args));
}

} // namespace

TEST(CliProjects, ListsNamesInSelectorOrder) {
    TempDir dir;
    EXPECT_EQ(runWith(dir, {"projects"}).out, ""); // no project.ini at all
    writeFile(dir / "project.ini", "[Common]\nProject Count=3\nCount0=zeta\nCount1=Alpha\nCount2=\n");
    CliRun run = runWith(dir, {"projects"});
    EXPECT_EQ(run.code, cli::ExitOk);
    EXPECT_EQ(run.out, "Alpha\nzeta\n");
    EXPECT_EQ(runWith(dir, {"projects", "extra"}).code, cli::ExitUsage);
}

TEST(CliShow, PrintsEveryKeyWithEffectiveValues) {
    TempDir dir;
    writeFile(dir / "project.ini", "[Common]\nProject Count=1\nCount0=My Docs\n\n[My Docs]\nFilename prefix=Docs\n"
                                   "Value=7\nIncrease Value=2\nSave Path=/b/\nBackup Directory Count=2\n"
                                   "Backup1=/home/u/*.txt\nPassword=" +
                                       IniPasswordCodec::encode("pw", "My Docs") +
                                       "\nBackupMode=1\nStartTime_or_Increase=abc\nPackLevel=12\n"
                                       "NewDateTime=2025-01-02 03:04:05\nRestore path=/r/\nOverwrite Mode=9\n");
    CliRun run = runWith(dir, {"show", "my docs"});
    EXPECT_EQ(run.code, cli::ExitOk) << run.err;
    EXPECT_EQ(run.out, "Filename prefix=Docs\nSuffix=2\nIncrease Value=2\nValue=7\nSave Path=/b/\n"
                       "Backup Directory Count=1\nBackup0=/home/u/*.txt\nNo Backup Directory Count=0\n"
                       "Whether include Subdirectory=1\nWhether password Project=1\nPassword=<set>\n"
                       "Whether store path in Zip=1\nWhether store comment in Zip=1\nComment=\nBackupMode=1\n"
                       "StartTime_or_Increase=5\nPackLevel=9\nStore Number=50\nisUseNew=0\nisUseToday=0\n"
                       "NewDateTime=2025-01-02 03:04:05\nRestore path=/r/\nRestore to orig path=1\n"
                       "Overwrite Mode=2\nFTP Site=\nFTP Folder=\n");
}

TEST(CliShow, MissingProjectAndBadUsage) {
    TempDir dir;
    writeFile(dir / "project.ini", "[Common]\nProject Count=1\nCount0=Docs\n\n[Other]\nPackLevel=1\n");
    CliRun missing = runWith(dir, {"show", "Other"});
    EXPECT_EQ(missing.code, cli::ExitFailure);
    EXPECT_NE(missing.err.find("Other"), std::string::npos);
    CliRun usage = runWith(dir, {"show"});
    EXPECT_EQ(usage.code, cli::ExitUsage);
    EXPECT_NE(usage.err.find("show NAME"), std::string::npos);
    EXPECT_EQ(runWith(dir, {"show", "a", "b"}).code, cli::ExitUsage);
    CliRun empty = runWith(dir, {"show", "Docs"});
    EXPECT_EQ(empty.code, cli::ExitOk);
    EXPECT_NE(empty.out.find("Password=\n"), std::string::npos);
}
