// The "Email Account" section of account.ini and the client settings made from it.
#include "core/ftp/ftp_site.h"
#include "core/ini/ini_file.h"
#include "core/ini/ini_password_codec.h"
#include "core/mail/email_account.h"
#include "core/mail/smtp_client.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quorvel {
namespace {

using test::TempDir;

TEST(EmailAccount, AFreshInstallationShowsTheDefaults) {
    TempDir dir;
    const EmailAccount account = loadEmailAccount(dir / "account.ini");
    EXPECT_EQ(account.smtp, "127.0.0.1");
    EXPECT_EQ(account.port, "25");
    EXPECT_EQ(account.type, 1);
    EXPECT_EQ(account.user, "Account name");
    EXPECT_EQ(account.senderEmail, SenderPlaceholder);
    EXPECT_EQ(account.sendTo, RecipientPlaceholder);
    EXPECT_EQ(account.security, MailSecurity::None);
    EXPECT_FALSE(std::filesystem::exists(dir / "account.ini"));
}

TEST(EmailAccount, SavedKeysReadBackAndTheFtpSitesStay) {
    TempDir dir;
    const auto path = dir / "account.ini";
    FtpSite site;
    site.label = "NAS";
    site.host = "nas.local";
    FtpSiteStore(path).addSite(site);
    EmailAccount account;
    account.senderEmail = " me@example.org ";
    account.smtp = "mail.example.org";
    account.port = "five";
    account.type = 0;
    account.user = "me";
    account.password = " pw with blanks inside ";
    account.sendTo = "you@example.org, them@example.org";
    account.security = MailSecurity::Tls;
    account.fingerprint = "AB:CD";
    saveEmailAccount(path, account);

    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const IniDocument doc = IniFile(path).read();
    EXPECT_EQ(doc.readString("Email Account", "Sender Email"), " me@example.org "); // as shown
    EXPECT_EQ(doc.readString("Email Account", "Type"), "0");
    EXPECT_EQ(doc.readString("Email Account", "Security"), "2");
    EXPECT_EQ(IniPasswordCodec::decode(doc.readString("Email Account", "password"), "Email Account"),
              "pw with blanks inside");
    EXPECT_NE(doc.readString("Email Account", "password"), "pw with blanks inside");
    EXPECT_EQ(FtpSiteStore(path).labels(), (std::vector<std::string>{"NAS"}));

    const EmailAccount loaded = loadEmailAccount(path);
    EXPECT_EQ(loaded.password, "pw with blanks inside");
    EXPECT_EQ(loaded.sendTo, account.sendTo);
    EXPECT_EQ(loaded.security, MailSecurity::Tls);
    EXPECT_EQ(loaded.portNumber(), 25); // not a number: the standard port

    TSmtpClient client;
    configureClient(client, loaded);
    EXPECT_EQ(client.Host, "mail.example.org");
    EXPECT_EQ(client.Port, 25);
    EXPECT_EQ(client.AuthenticationType(), atNone);
    EXPECT_EQ(client.UseTls, SmtpTlsMode::Implicit);
    EXPECT_EQ(client.TlsFingerprint, "AB:CD");
}

TEST(EmailAccount, KeysAreReadWithoutRegardToCaseAndOddValuesTakeDefaults) {
    TempDir dir;
    test::writeFile(dir / "account.ini",
                    "[email account]\nPASSWORD=" + IniPasswordCodec::encode("pw", "Email Account") +
                        "\ntype=7\nsecurity=9\nport=587\n");
    const EmailAccount account = loadEmailAccount(dir / "account.ini");
    EXPECT_EQ(account.password, "pw");
    EXPECT_EQ(account.type, 1);
    EXPECT_EQ(account.security, MailSecurity::None);
    EXPECT_EQ(account.portNumber(), 587);
    TSmtpClient client;
    configureClient(client, account);
    EXPECT_EQ(client.AuthenticationType(), atLogin);
    EXPECT_TRUE(client.UseEhlo());
}

} // namespace
} // namespace quorvel
