// The off-site copy from the command line: the project keys and `run` against a real FTP server.
#include "core/ftp/ftp_site.h"
#include "run_project_fixture.h"
#include "support/ftp_test_server.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

struct CliOffsite : RunProjectFixture {
    fs::path root = dir / "server";
    std::unique_ptr<FtpTestServer> server;

    void addSite(int port) { addTestServerSite(dir / "data/account.ini", "Home NAS", port); }
    void startServer() {
        fs::create_directories(root);
        server = std::make_unique<FtpTestServer>(root);
        if (!server->running())
            GTEST_FAIL() << server->error();
        addSite(server->port());
    }
    std::string newestLogLine() {
        const CliRun log = cli({"log"});
        return log.out.substr(0, log.out.find('\n'));
    }
    std::string projectKey(const std::string& key) {
        return IniFile(dir / "data/project.ini").readString("Docs", key, "(missing)");
    }
};

TEST_F(CliOffsite, RunCopiesTheArchiveAndPrintsTheCopysOutcome) {
    startServer();
    writeProject("Docs", {{"Filename prefix", "Docs"}, {"FTP Site", "Home NAS"}, {"FTP Folder", "up/docs"}});
    const CliRun run = cli({"run", "Docs"});
    ASSERT_EQ(run.code, cli::ExitOk) << run.out << run.err;
    EXPECT_TRUE(run.out.starts_with("Backup 2 Files Succeeds!\n")) << run.out;
    EXPECT_TRUE(run.out.ends_with("File Size:    '" + std::to_string(fs::file_size(dest / "Docs2.zip") / 1024) +
                                  "Kb'\nDocs2.zip copied to the FTP site 'Home NAS' as up/docs/Docs2.zip\n"))
        << run.out;
    EXPECT_EQ(readFile(root / "up/docs/Docs2.zip"), readFile(dest / "Docs2.zip"));
    EXPECT_TRUE(newestLogLine().ends_with("\tFTP\tSucceeds\tDocs\tDocs2.zip copied to the FTP site 'Home NAS' as "
                                          "up/docs/Docs2.zip"))
        << newestLogLine();
}

// The exit status stays the backup's: scripts that check it ask whether the backup is there.
TEST_F(CliOffsite, AFailedCopyIsPrintedAndLoggedButTheRunStillSucceeds) {
    startServer();
    writeProject("Docs", {{"Filename prefix", "Docs"}, {"FTP Site", "Home NAS"}});
    server.reset(); // the server goes down
    const CliRun run = cli({"run", "Docs"});
    EXPECT_EQ(run.code, cli::ExitOk) << run.err;
    EXPECT_NE(run.out.find("\nDocs2.zip was not copied to the FTP site 'Home NAS': "), std::string::npos) << run.out;
    EXPECT_NE(newestLogLine().find("\tFTP\tFails\tDocs\tDocs2.zip was not copied"), std::string::npos);
    EXPECT_TRUE(fs::exists(dest / "Docs2.zip"));
    EXPECT_EQ(projectKey("Value"), "2");
}

TEST_F(CliOffsite, TheKeysAreSetShownAndCheckedAsSaveProjectChecksThem) {
    addSite(21);
    writeProject("Docs", {{"Filename prefix", "Docs"}});
    CliRun refused = cli({"project", "set", "Docs", "FTP Site=Work"});
    EXPECT_EQ(refused.code, cli::ExitFailure);
    EXPECT_EQ(refused.err, "The FTP site 'Work' does not exist; please choose one of the FTP sites\n");
    EXPECT_EQ(cli({"project", "set", "Docs", "FTP Folder=/up"}).code, cli::ExitFailure); // a folder needs a site
    EXPECT_EQ(projectKey("FTP Site"), "(missing)");

    ASSERT_EQ(cli({"project", "set", "Docs", "FTP Site=home nas", "FTP Folder= /up/docs "}).code, cli::ExitOk);
    EXPECT_EQ(projectKey("FTP Site"), "home nas");
    const CliRun shown = cli({"show", "Docs"});
    EXPECT_TRUE(shown.out.ends_with("Overwrite Mode=2\nFTP Site=home nas\nFTP Folder=/up/docs\n")) << shown.out;

    // Cleared, the keys leave the section as the program without the copy wrote it.
    ASSERT_EQ(cli({"project", "set", "Docs", "FTP Site=", "FTP Folder="}).code, cli::ExitOk);
    EXPECT_EQ(projectKey("FTP Site"), "(missing)");
    EXPECT_EQ(projectKey("FTP Folder"), "(missing)");
    EXPECT_TRUE(cli({"show", "Docs"}).out.ends_with("\nFTP Site=\nFTP Folder=\n"));

    const std::vector<std::string> created{"project", "new", "Pics", "--source", src.string(), "--dest", dest.string()};
    std::vector<std::string> missing = created;
    missing.insert(missing.end(), {"--ftp-site", "Work"});
    EXPECT_EQ(cli(missing).code, cli::ExitFailure);
    std::vector<std::string> good = created;
    good.insert(good.end(), {"--ftp-site", "Home NAS", "--ftp-folder", "pics"});
    ASSERT_EQ(cli(good).code, cli::ExitOk);
    EXPECT_EQ(IniFile(dir / "data/project.ini").readString("Pics", "FTP Folder"), "pics");
    EXPECT_EQ(cli({"project", "new", "X", "--ftp-site"}).code, cli::ExitUsage);
}

} // namespace
} // namespace quorvel::test
