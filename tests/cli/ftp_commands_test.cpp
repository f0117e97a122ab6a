// ftp-site and ftp against a real FTP server started on 127.0.0.1.
#include "cli_run.h"
#include "core/ini/ini_file.h"
#include "core/util/strings.h"
#include "support/ftp_test_server.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

struct CliFtp : CliOnArchives {
    fs::path root = dir / "server";
    std::unique_ptr<FtpTestServer> server;

    void start(FtpServerOptions options = {}) {
        fs::create_directories(root);
        server = std::make_unique<FtpTestServer>(root, options);
        if (!server->running())
            GTEST_FAIL() << server->error();
        writeFile(dir / "pw", "secret\n");
    }
    int addSite(const std::string& label, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"ftp-site",
                                      "add",
                                      label,
                                      "--host",
                                      "127.0.0.1",
                                      "--port",
                                      std::to_string(server->port()),
                                      "--user",
                                      "tester",
                                      "--password-file",
                                      path("pw")};
        args.insert(args.end(), extra.begin(), extra.end());
        return cli(args);
    }
};

TEST_F(CliFtp, SitesAreAddedListedAndRemoved) {
    start();
    EXPECT_EQ(addSite("Home NAS"), cli::ExitOk) << err;
    EXPECT_EQ(addSite("Work", {"--active", "--fingerprint", std::string(64, 'a')}), cli::ExitOk) << err;
    EXPECT_EQ(addSite("home nas"), cli::ExitFailure);
    EXPECT_EQ(err, "A site labelled 'home nas' exists already.\n");
    EXPECT_EQ(cli({"ftp-site", "list"}), cli::ExitOk);
    const std::string port = std::to_string(server->port());
    EXPECT_EQ(out, "Home NAS\t127.0.0.1\t" + port + "\ttester\tpassive\tplain\nWork\t127.0.0.1\t" + port +
                       "\ttester\tactive\ttls\n");
    EXPECT_EQ(IniFile(dir / "data/account.ini").readString("Work", "fingerprint").substr(0, 6), "AA:AA:");
    EXPECT_EQ(cli({"ftp-site", "remove", "WORK"}), cli::ExitOk);
    EXPECT_EQ(cli({"ftp-site", "remove", "Work"}), cli::ExitFailure);
    EXPECT_EQ(cli({"ftp-site", "list"}), cli::ExitOk);
    EXPECT_EQ(out, "Home NAS\t127.0.0.1\t" + port + "\ttester\tpassive\tplain\n");
}

TEST_F(CliFtp, BadUsageExitsWithTwo) {
    start();
    EXPECT_EQ(cli({"ftp-site", "add", "x"}), cli::ExitUsage); // no host
    EXPECT_EQ(cli({"ftp-site", "add", "x", "--host", "h", "--port", "0"}), cli::ExitUsage);
    EXPECT_EQ(cli({"ftp-site", "add", "x", "--host", "h", "--fingerprint", "12:34"}), cli::ExitUsage);
    EXPECT_EQ(cli({"ftp-site", "frobnicate"}), cli::ExitUsage);
    ASSERT_EQ(addSite("s"), cli::ExitOk);
    EXPECT_EQ(cli({"ftp", "s"}), cli::ExitUsage);
    EXPECT_EQ(cli({"ftp", "s", "--timeout", "0", "ls"}), cli::ExitUsage);
    EXPECT_EQ(cli({"ftp", "s", "rename", "only-one"}), cli::ExitUsage);
    EXPECT_EQ(cli({"ftp", "s", "put"}), cli::ExitUsage);
    EXPECT_EQ(cli({"ftp", "s", "get", "x", "-d"}), cli::ExitUsage);
    EXPECT_EQ(cli({"ftp", "nosuch", "ls"}), cli::ExitFailure);
    EXPECT_EQ(err, "No FTP site 'nosuch'.\n");
}

TEST_F(CliFtp, FilesGoUpComeDownAndAreManaged) {
    start();
    ASSERT_EQ(addSite("s"), cli::ExitOk) << err;
    const std::string data = randomBytes(300000, 5);
    writeFile(dir / "up/a.zip", data);
    writeFile(dir / "up/b.zip", "bee");
    EXPECT_EQ(cli({"ftp", "s", "mkdir", "backups"}), cli::ExitOk) << err;
    EXPECT_EQ(cli({"ftp", "s", "--timeout", "30", "put", path("up/a.zip"), "--to", "backups", path("up/b.zip")}),
              cli::ExitOk)
        << err;
    EXPECT_EQ(out, "uploaded a.zip\nuploaded b.zip\n");
    EXPECT_EQ(readFile(root / "backups/a.zip"), data);
    EXPECT_EQ(cli({"ftp", "s", "ls", "backups"}), cli::ExitOk) << err;
    const std::vector<std::string> lines = split(trimRight(out), '\n');
    ASSERT_EQ(lines.size(), 2u);
    const std::vector<std::string> columns = split(lines[0], '\t');
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0], "a.zip");
    EXPECT_EQ(columns[1], "300000");
    EXPECT_EQ(columns[2].size(), 19u); // yyyy-mm-dd HH:mm:ss
    EXPECT_EQ(columns[3], "file");
    EXPECT_EQ(cli({"ftp", "s", "ls"}), cli::ExitOk);
    EXPECT_EQ(split(out, '\t').back(), "dir\n");
    EXPECT_EQ(cli({"ftp", "s", "get", "backups/a.zip", "backups/missing.zip", "-d", path("down")}), cli::ExitFailure);
    EXPECT_EQ(readFile(dir / "down/a.zip"), data);
    EXPECT_FALSE(fs::exists(dir / "down/missing.zip"));
    EXPECT_NE(err.find("backups/missing.zip: "), std::string::npos) << err;
    EXPECT_EQ(cli({"ftp", "s", "rename", "backups/b.zip", "backups/c.zip"}), cli::ExitOk) << err;
    EXPECT_TRUE(fs::exists(root / "backups/c.zip"));
    EXPECT_EQ(cli({"ftp", "s", "rm", "backups/c.zip"}), cli::ExitOk) << err;
    EXPECT_EQ(cli({"ftp", "s", "rm", "backups/a.zip"}), cli::ExitOk) << err;
    EXPECT_EQ(cli({"ftp", "s", "rm", "backups"}), cli::ExitOk) << err; // an empty folder
    EXPECT_FALSE(fs::exists(root / "backups"));
    EXPECT_EQ(cli({"ftp", "s", "rm", "backups"}), cli::ExitFailure);
    EXPECT_EQ(err.rfind("backups: ", 0), 0u) << err;
}

TEST_F(CliFtp, TlsFailsWithTheFingerprintUntilItIsPinned) {
    FtpServerOptions options;
    options.tls = true;
    start(options);
    ASSERT_EQ(addSite("tls", {"--tls"}), cli::ExitOk);
    EXPECT_EQ(cli({"ftp", "tls", "ls"}), cli::ExitFailure);
    EXPECT_NE(err.find("could not be verified"), std::string::npos) << err;
    EXPECT_NE(err.find("--fingerprint " + server->fingerprint()), std::string::npos) << err;
    ASSERT_EQ(addSite("pinned", {"--fingerprint", server->fingerprint()}), cli::ExitOk);
    writeFile(root / "x.zip", "x");
    EXPECT_EQ(cli({"ftp", "pinned", "ls"}), cli::ExitOk) << err;
    EXPECT_EQ(out.substr(0, 7), "x.zip\t1");
}

TEST_F(CliFtp, WrongPasswordPrintsTheServersReply) {
    start();
    writeFile(dir / "badpw", "nope\n");
    ASSERT_EQ(cli({"ftp-site", "add", "bad", "--host", "127.0.0.1", "--port", std::to_string(server->port()), "--user",
                   "tester", "--password-file", path("badpw")}),
              cli::ExitOk);
    EXPECT_EQ(cli({"ftp", "bad", "ls"}), cli::ExitFailure);
    EXPECT_EQ(err, "Authentication failed.\n");
}

} // namespace
} // namespace quorvel::test
