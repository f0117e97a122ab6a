// The FTP sites in account.ini.
#include "core/ftp/ftp_client.h"
#include "core/ftp/ftp_site.h"
#include "core/ini/ini_file.h"
#include "core/ini/ini_password_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quorvel {
namespace {

using test::TempDir;

struct FtpSites : ::testing::Test {
    TempDir dir;
    std::filesystem::path ini = dir / "account.ini";
    FtpSiteStore store{ini};

    static FtpSite site(const std::string& label) {
        FtpSite s;
        s.label = label;
        s.host = "ftp.example.org";
        s.user = "me";
        s.password = "secret";
        return s;
    }
    void refused(const std::function<void()>& change, const std::string& message) {
        try {
            change();
            FAIL() << "accepted";
        } catch (const SiteLabelError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
};

const std::string LabelRule = "Lable for site cannot be blank or repeation";

TEST_F(FtpSites, MissingFileOrCountGivesNoSites) {
    EXPECT_TRUE(store.labels().empty());
    test::writeFile(ini, "[Common]\nAccount0=home\n");
    EXPECT_TRUE(store.labels().empty());
}

TEST_F(FtpSites, EmptyEntriesAreSkippedInFileOrder) {
    test::writeFile(ini, "[Common]\nAccount Count=4\nAccount2=third\nAccount0=first\nAccount1=\n");
    EXPECT_EQ(store.labels(), (std::vector<std::string>{"first", "third"}));
}

TEST_F(FtpSites, NewSiteIsStoredTrimmedWithItsPasswordScrambled) {
    FtpSite s = site("  Home NAS  ");
    s.host = " nas.local ";
    s.port = " 2121 ";
    s.passive = true;
    s.useTls = true;
    s.fingerprint = "AB:CD";
    s.timeoutSeconds = 15;
    store.addSite(s);
    EXPECT_EQ(store.labels(), std::vector<std::string>{"Home NAS"});
    const std::string text = test::readFile(ini);
    EXPECT_EQ(text.find("secret"), std::string::npos);
    IniFile file(ini);
    EXPECT_EQ(file.readString("Home NAS", "password"), IniPasswordCodec::encode("secret", "Home NAS"));
    EXPECT_EQ(file.readString("Home NAS", "host"), "nas.local");
    EXPECT_EQ(file.readString("Home NAS", "usepav"), "1");
    EXPECT_EQ(file.readString("Home NAS", "yesnormal"), "1");
    EXPECT_EQ(file.readString("Home NAS", "yesany"), "0");
    const FtpSite back = store.load("Home NAS");
    EXPECT_EQ(back.label, "Home NAS");
    EXPECT_EQ(back.password, "secret");
    EXPECT_EQ(back.portNumber(), 2121);
    EXPECT_TRUE(back.useTls);
    EXPECT_EQ(back.fingerprint, "AB:CD");
    EXPECT_EQ(back.timeoutSeconds, 15);
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(FtpSites, LabelsMustBeFilledUniqueAndNotReserved) {
    store.addSite(site("Home"));
    refused([&] { store.addSite(site("   ")); }, LabelRule);
    refused([&] { store.addSite(site("HOME")); }, LabelRule);
    refused([&] { store.addSite(site("common")); },
            "'common' cannot label a site: account.ini keeps other settings under it.");
    refused([&] { store.addSite(site("Email Account")); },
            "'Email Account' cannot label a site: account.ini keeps other settings under it.");
    EXPECT_EQ(store.labels(), std::vector<std::string>{"Home"});
}

TEST_F(FtpSites, EditingKeepsThePlaceAndMovesTheSection) {
    store.addSite(site("First"));
    store.addSite(site("Second"));
    store.addSite(site("Third"));
    store.replaceSite(1, site("second")); // its own label in other letter case
    refused([&] { store.replaceSite(1, site("FIRST")); }, LabelRule);
    refused([&] { store.replaceSite(1, site("")); }, LabelRule);
    FtpSite renamed = site("Renamed");
    renamed.host = "other.example.org";
    store.replaceSite(1, renamed);
    EXPECT_EQ(store.labels(), (std::vector<std::string>{"First", "Renamed", "Third"}));
    EXPECT_FALSE(IniFile(ini).read().hasSection("Second"));
    EXPECT_EQ(store.load("Renamed").host, "other.example.org");
    EXPECT_EQ(store.find("renamed")->label, "Renamed");
    EXPECT_FALSE(store.find("Second"));
}

TEST_F(FtpSites, DeletingLeavesOtherSectionsAndACompactList) {
    test::writeFile(ini, "[Email Account]\nHost=mail.example.org\n");
    store.addSite(site("One"));
    store.addSite(site("Two"));
    store.removeSite(0);
    EXPECT_EQ(store.labels(), std::vector<std::string>{"Two"});
    store.removeSite(0);
    IniFile file(ini);
    EXPECT_EQ(file.readInteger("Common", "Account Count", -1), 0);
    EXPECT_EQ(file.readString("Common", "Account0"), "");
    EXPECT_EQ(file.readString("Email Account", "Host"), "mail.example.org");
}

TEST_F(FtpSites, ClientTakesPortLoginAndSecurityFromTheSite) {
    FtpSite s = site("Anon");
    s.port = "not a number";
    s.anonymousLogin = true;
    s.normalLogin = false;
    s.useTls = true;
    s.timeoutSeconds = 0;
    TFtpClient client;
    configureClient(client, s);
    EXPECT_EQ(client.Port, 21);
    EXPECT_EQ(client.Username, "anonymous");
    EXPECT_EQ(client.Password, "secret");
    EXPECT_EQ(client.UseTls, FtpTlsMode::Explicit);
    EXPECT_EQ(client.ReadTimeout, 60000);
    EXPECT_EQ(client.DataTimeout, 60000);
}

} // namespace
} // namespace quorvel
