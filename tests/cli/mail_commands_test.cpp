// mail-account and mail against a real SMTP server started on 127.0.0.1.
#include "cli_run.h"
#include "core/ini/ini_file.h"
#include "core/ini/ini_password_codec.h"
#include "support/smtp_test_server.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

struct CliMail : CliOnArchives {
    std::unique_ptr<SmtpTestServer> server;

    void start(SmtpServerOptions options = {}) {
        server = std::make_unique<SmtpTestServer>(dir / "received", options);
        if (!server->running())
            GTEST_FAIL() << server->error();
        writeFile(dir / "pw", "secret\n");
        ASSERT_EQ(cli({"mail-account", "set", "--sender", "backup@example.org", "--host", "127.0.0.1", "--port",
                       std::to_string(server->port()), "--login", "none"}),
                  cli::ExitOk)
            << err;
    }
};

TEST_F(CliMail, TheAccountIsShownAndChangedOptionByOption) {
    EXPECT_EQ(cli({"mail-account", "show"}), cli::ExitOk);
    EXPECT_EQ(out, "sender=sender@example.invalid\nhost=127.0.0.1\nport=25\nlogin=simple\nuser=Account name\n"
                   "password=\nsecurity=none\nfingerprint=\nlast-recipient=recipient@example.invalid\n");
    writeFile(dir / "pw", "s3cret\n");
    EXPECT_EQ(cli({"mail-account", "set", "--host", "mail.example.org", "--port", "587", "--security", "starttls",
                   "--user", "me", "--password-file", path("pw"), "--fingerprint", std::string(64, 'b')}),
              cli::ExitOk)
        << err;
    EXPECT_EQ(cli({"mail-account", "set", "--sender", "me@example.org"}), cli::ExitOk) << err;
    EXPECT_EQ(cli({"mail-account", "show"}), cli::ExitOk);
    EXPECT_EQ(out, "sender=me@example.org\nhost=mail.example.org\nport=587\nlogin=simple\nuser=me\npassword=<set>\n"
                   "security=starttls\nfingerprint=" +
                       std::string("BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:BB:"
                                   "BB:BB:BB:BB:BB:BB") +
                       "\nlast-recipient=recipient@example.invalid\n");
    const IniFile ini(dir / "data/account.ini");
    EXPECT_EQ(IniPasswordCodec::decode(ini.readString("Email Account", "password"), "Email Account"), "s3cret");
    EXPECT_EQ(cli({"mail-account", "set", "--fingerprint", "", "--login", "none", "--security", "tls"}), cli::ExitOk);
    EXPECT_EQ(cli({"mail-account", "show"}), cli::ExitOk);
    EXPECT_NE(out.find("\nlogin=none\n"), std::string::npos);
    EXPECT_NE(out.find("\nsecurity=tls\nfingerprint=\n"), std::string::npos);
}

TEST_F(CliMail, BadUsageExitsWithTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"mail-account"},
             {"mail-account", "set"},
             {"mail-account", "set", "--port", "0"},
             {"mail-account", "set", "--login", "oauth"},
             {"mail-account", "set", "--security", "ssl"},
             {"mail-account", "set", "--fingerprint", "12:34"},
             {"mail-account", "set", "--sender", "not an address"},
             {"mail-account", "set", "--host"},
             {"mail-account", "show", "extra"},
             {"mail", "--subject", "x"},
             {"mail", "--to", "a@example.org"},
             {"mail", "--to", "a@example.org, not an address", "--subject", "x"},
             {"mail", "--to", "a@example.org", "--subject", "x", "--timeout", "0"},
             {"mail", "--to", "a@example.org", "--subject", "x", "--bcc", "b@example.org"}})
        EXPECT_EQ(cli(args), cli::ExitUsage) << args.back();
    EXPECT_EQ(err.find("Usage:\nmail --to"), err.find("Usage:")) << err;
}

TEST_F(CliMail, FilesAreMailedToEveryRecipient) {
    start();
    const std::string data = randomBytes(100000, 9);
    writeFile(dir / "Docs1.zip", data);
    writeFile(dir / "body.txt", "Hello,\n.\nthe archive is attached.\n");
    EXPECT_EQ(cli({"mail", "--to", "a@example.org,b@example.org", "--subject", "Archive of März", "--body-file",
                   path("body.txt"), "--timeout", "30", path("Docs1.zip")}),
              cli::ExitOk)
        << err;
    EXPECT_EQ(out, "The email has been sent to a@example.org,b@example.org.\n");
    const std::vector<ReceivedMail> mails = server->messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].facts.at("rcpt_tos"), "a@example.org,b@example.org");
    EXPECT_EQ(mails[0].subject, "Archive of März");
    EXPECT_EQ(mails[0].text, "Hello,\n.\nthe archive is attached.\n");
    ASSERT_EQ(mails[0].attachments.size(), 1u);
    EXPECT_EQ(mails[0].attachments[0].fileName, "Docs1.zip");
    EXPECT_EQ(mails[0].attachments[0].size, data.size());
}

TEST_F(CliMail, ARefusedRecipientFailsTheSendWithTheServersReply) {
    SmtpServerOptions options;
    options.refuse = {"gone@example.org"};
    start(options);
    EXPECT_EQ(cli({"mail", "--to", "a@example.org, gone@example.org", "--subject", "x"}), cli::ExitFailure);
    EXPECT_EQ(err, "5.1.1 <gone@example.org>: Recipient address rejected: User unknown\n");
    EXPECT_TRUE(server->messages().empty());
    EXPECT_EQ(cli({"mail", "--to", "a@example.org", "--subject", "x", path("missing.zip")}), cli::ExitFailure);
    EXPECT_NE(err.find("missing.zip"), std::string::npos) << err;
    EXPECT_TRUE(server->messages().empty());
}

TEST_F(CliMail, AnUnverifiedCertificateNamesTheFingerprintToPin) {
    SmtpServerOptions options;
    options.tls = true;
    start(options);
    ASSERT_EQ(cli({"mail-account", "set", "--security", "starttls"}), cli::ExitOk);
    EXPECT_EQ(cli({"mail", "--to", "a@example.org", "--subject", "x"}), cli::ExitFailure);
    EXPECT_NE(err.find("mail-account set --fingerprint " + server->fingerprint()), std::string::npos) << err;
    ASSERT_EQ(cli({"mail-account", "set", "--fingerprint", server->fingerprint()}), cli::ExitOk);
    EXPECT_EQ(cli({"mail", "--to", "a@example.org", "--subject", "x"}), cli::ExitOk) << err;
    EXPECT_EQ(server->messages().size(), 1u);
}

} // namespace
} // namespace quorvel::test
