#include "run_project_fixture.h"

#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

TEST_F(RunProjectFixture, RunBacksUpLogsAndAdvancesLikeTheProgram) {
    writeProject("Docs", {{"Filename prefix", "Docs"}, {"Value", "6"}, {"Increase Value", "2"}});
    CliRun first = cli({"run", "docs"}); // names are matched without regard to case
    ASSERT_EQ(first.code, cli::ExitOk) << first.err;
    const std::string archive = (dest / "Docs8.zip").string();
    const std::string kb = std::to_string(fs::file_size(archive) / 1024);
    EXPECT_EQ(first.out, "Backup 2 Files Succeeds!\nProject Name: 'Docs'\nFile Name:    'Docs8.zip'\n"
                         "File Size:    '" +
                             kb + "Kb'\n");
    EXPECT_EQ(first.err, "");
    EXPECT_EQ(IniFile(dir / "data/project.ini").readString("Docs", "Value"), "8");

    ASSERT_EQ(cli({"run", "Docs"}).code, cli::ExitOk);
    CliRun log = cli({"log"});
    ASSERT_EQ(log.code, cli::ExitOk);
    std::vector<std::string> lines = split(log.out, '\n');
    ASSERT_EQ(lines.size(), 3u); // two entries and the empty rest after the last newline
    EXPECT_TRUE(lines[0].ends_with("\tBackup\tSucceeds\tDocs\t2 files added to " + (dest / "Docs10.zip").string() +
                                   "  " + kb + "Kb"))
        << lines[0];
    EXPECT_EQ(lines[0].find('\t'), 19u); // "yyyy-mm-dd HH:mm:ss"
    EXPECT_NE(lines[1].find("Docs8.zip"), std::string::npos);
}

TEST_F(RunProjectFixture, InterruptionsAndErrorsExitWithOne) {
    writeProject("Same", {{"Filename prefix", "Same"}, {"Suffix", "0"}});
    ASSERT_EQ(cli({"run", "Same"}).code, cli::ExitOk);
    CliRun again = cli({"run", "Same"});
    EXPECT_EQ(again.code, cli::ExitFailure);
    const std::string archive = (dest / "Same.zip").string();
    EXPECT_EQ(again.out, "'" + archive +
                             "' exists,backup operation has been interrupted!\n"
                             "You can setup Overwrite or Skip existed file in Preferences!\n");
    CliRun log = cli({"log"});
    EXPECT_TRUE(log.out.starts_with(log.out.substr(0, 19) + "\tBackup\tInterrupt\tSame\t'" + archive +
                                    "' exists,backup has been interripted\n"));

    writeCommon("IsOverWrite", "1");
    writeCommon("PromptBeforeBackup", "1");
    CliRun overwrite = cli({"run", "Same"}); // no question on the console: the prompt is off for the CLI
    EXPECT_EQ(overwrite.code, cli::ExitOk) << overwrite.out << overwrite.err;

    CliRun unknown = cli({"run", "Nobody"});
    EXPECT_EQ(unknown.code, cli::ExitFailure);
    EXPECT_EQ(unknown.err, "Project 'Nobody' does not exist\n");
    EXPECT_EQ(cli({"run"}).code, cli::ExitUsage);
    EXPECT_EQ(cli({"log", "extra"}).code, cli::ExitUsage);

    writeProject("Empty", {{"Filename prefix", "Empty"}, {"Backup Directory Count", "0"}});
    CliRun invalid = cli({"run", "Empty"});
    EXPECT_EQ(invalid.code, cli::ExitFailure);
    EXPECT_EQ(invalid.err, "Please select files to backup\n");
}

// A backup that had to leave a file out is written and logged, but a script must learn that it
// is not complete.
TEST_F(RunProjectFixture, ARunThatLeftAFileOutExitsWithOne) {
    // A pipe stands in for a file this user may not read.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    writeProject("Docs",
                 {{"Filename prefix", "Docs"}, {"Backup Directory Count", "2"}, {"Backup1", (dir / "pipe").string()}});
    CliRun run = cli({"run", "Docs"});
    EXPECT_EQ(run.code, cli::ExitFailure);
    EXPECT_NE(run.out.find("1 file could not be read and is missing"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(dest / "Docs2.zip"));
}

// One line per entry that is there, five columns each, whatever the texts hold.
TEST_F(RunProjectFixture, LogPrintsOneLineOfFiveColumnsPerEntry) {
    writeFile(dir / "data/log.txt", "[Common]\nLog Total=4\n"
                                    "[Log1]\nDate=2026-01-01 10:00:00\nOperate=Backup\nStatus=Succeeds\n"
                                    "Project=My\tDocs\nInformation=one\\two\tthree\rfour\n"
                                    "[Log3]\nDate=2026-01-03 10:00:00\nOperate=Restore\nStatus=Fails\n"
                                    "Project=Docs\nInformation=why\n");
    CliRun log = cli({"log"});
    ASSERT_EQ(log.code, cli::ExitOk) << log.err;
    EXPECT_EQ(log.out, "2026-01-03 10:00:00\tRestore\tFails\tDocs\twhy\n"
                       "2026-01-01 10:00:00\tBackup\tSucceeds\tMy\\tDocs\tone\\\\two\\tthree\\rfour\n");
}

// A run that could not find one of its items wrote what it found, but it is not the backup asked
// for: a script must learn that, and from the message which item was missing.
TEST_F(RunProjectFixture, ARunWithAMissingItemExitsWithOneAndNamesIt) {
    const std::string gone = (dir / "unplugged/*.*").string();
    writeProject("Docs", {{"Filename prefix", "Docs"}, {"Backup Directory Count", "2"}, {"Backup1", gone}});
    CliRun run = cli({"run", "Docs"});
    EXPECT_EQ(run.code, cli::ExitFailure);
    EXPECT_NE(run.out.find("'" + gone + "'"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(dest / "Docs2.zip"));
    CliRun log = cli({"log"});
    EXPECT_NE(log.out.find("\tBackup\tFails\tDocs\t"), std::string::npos) << log.out;
}
