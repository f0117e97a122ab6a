// The FTP client against a real FTP server (pyftpdlib) on 127.0.0.1: plain and TLS, passive and
// active, files large and small, and a stopped transfer.
#include "core/ftp/ftp_client.h"
#include "core/ftp/ftp_site_upload.h"
#include "core/net/cancel_token.h"
#include "support/ftp_test_server.h"
#include "support/test_support.h"

#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using test::FtpServerOptions;
using test::FtpTestServer;
using test::TempDir;

// Whether two files hold the same bytes, read a block at a time.
bool sameContent(const fs::path& a, const fs::path& b) {
    std::ifstream left(a, std::ios::binary), right(b, std::ios::binary);
    if (!left || !right || fs::file_size(a) != fs::file_size(b))
        return false;
    std::vector<char> x(1 << 20), y(1 << 20);
    while (left && right) {
        left.read(x.data(), static_cast<std::streamsize>(x.size()));
        right.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (left.gcount() != right.gcount() || !std::equal(x.begin(), x.begin() + left.gcount(), y.begin()))
            return false;
    }
    return true;
}

// A file of `size` bytes that does not compress, written in blocks.
void writeBigFile(const fs::path& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    const std::string block = test::randomBytes(1 << 20, 99);
    for (std::size_t written = 0; written < size; written += block.size())
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - written)));
}

struct FtpInterop : ::testing::Test {
    TempDir dir;
    fs::path root = dir / "server";
    fs::path local = dir / "local";
    std::unique_ptr<FtpTestServer> server;

    void start(FtpServerOptions options = {}) {
        fs::create_directories(root);
        fs::create_directories(local);
        server = std::make_unique<FtpTestServer>(root, options);
        if (!server->running())
            GTEST_FAIL() << server->error();
    }
    std::unique_ptr<TFtpClient> client(bool passive = true) {
        auto c = std::make_unique<TFtpClient>();
        c->Host = "127.0.0.1";
        c->Port = server->port();
        c->Username = server->options().user;
        c->Password = server->options().password;
        c->Passive = passive;
        c->ReadTimeout = c->ConnectTimeout = c->DataTimeout = 20000;
        return c;
    }
    FtpSite site() const {
        FtpSite s;
        s.host = "127.0.0.1";
        s.port = std::to_string(server->port());
        s.user = "tester";
        s.password = "secret";
        s.passive = true;
        return s;
    }
    std::vector<std::string> names(TFtpClient& c) {
        c.ListFolder(true);
        std::vector<std::string> result;
        for (const TFtpListItem& item : c.FolderEntries().items())
            result.push_back(item.fileName + (item.isDirectory() ? "/" : ""));
        std::sort(result.begin(), result.end());
        return result;
    }
    // Folders, upload, list, download, rename and delete over one connection.
    void roundTrip(TFtpClient& c) {
        test::writeFile(local / "a b.zip", test::randomBytes(200000, 3));
        c.CreateFolder("backups");
        c.ChangeFolder("backups");
        EXPECT_EQ(c.CurrentFolder(), "/backups");
        c.UploadFile((local / "a b.zip").string(), "a b.zip");
        EXPECT_TRUE(sameContent(local / "a b.zip", root / "backups/a b.zip"));
        EXPECT_EQ(names(c), std::vector<std::string>{"a b.zip"});
        EXPECT_EQ(c.FolderEntries().ListFormat, flfUnix);
        EXPECT_EQ(c.FolderEntries()[0].size, 200000);
        c.DownloadFile("a b.zip", (local / "back.zip").string(), false);
        EXPECT_TRUE(sameContent(local / "a b.zip", local / "back.zip"));
        c.Rename("a b.zip", "renamed.zip");
        EXPECT_EQ(names(c), std::vector<std::string>{"renamed.zip"});
        c.RemoveFile("renamed.zip");
        EXPECT_TRUE(names(c).empty());
        c.ChangeFolder("..");
        c.RemoveFolder("backups");
        EXPECT_FALSE(fs::exists(root / "backups"));
    }
};

TEST_F(FtpInterop, PassiveRoundTrip) {
    start();
    auto c = client(true);
    c->ConnectAndLogin();
    roundTrip(*c);
    c->Logout();
}

TEST_F(FtpInterop, ActiveRoundTrip) {
    start();
    auto c = client(false);
    c->ConnectAndLogin();
    roundTrip(*c);
    c->Logout();
}

TEST_F(FtpInterop, AnonymousLoginAndWrongPassword) {
    FtpServerOptions options;
    options.anonymous = true;
    start(options);
    auto anonymous = client();
    anonymous->Username = "anonymous";
    anonymous->Password = "guest@example.org";
    anonymous->ConnectAndLogin();
    EXPECT_EQ(anonymous->CurrentFolder(), "/");
    anonymous->Logout();
    auto wrong = client();
    wrong->Password = "not the password";
    try {
        wrong->ConnectAndLogin();
        FAIL() << "logged in";
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 530);
    }
    EXPECT_FALSE(wrong->Connected());
}

TEST_F(FtpInterop, HundredMegabytesUpAndDownByteForByte) {
    start();
    writeBigFile(local / "big.zip", 100u << 20);
    auto c = client();
    std::int64_t reported = 0;
    c->OnWork = [&](TWorkMode, std::int64_t count) { reported = count; };
    c->ConnectAndLogin();
    c->UploadFile((local / "big.zip").string(), "big.zip");
    EXPECT_EQ(reported, 100 << 20);
    EXPECT_TRUE(sameContent(local / "big.zip", root / "big.zip"));
    EXPECT_FALSE(fs::exists(root / "big.zip.part"));
    c->DownloadFile("big.zip", (local / "copy.zip").string(), false);
    EXPECT_TRUE(sameContent(local / "big.zip", local / "copy.zip"));
    c->Logout();
}

TEST_F(FtpInterop, AbortedDownloadLeavesNothingAndTheConnectionWorks) {
    FtpServerOptions options;
    options.throttle = 256 * 1024; // slow enough that the stop comes mid-transfer
    start(options);
    writeBigFile(root / "big.zip", 8u << 20);
    auto c = client();
    std::atomic<bool> moving{false};
    c->OnWork = [&](TWorkMode, std::int64_t) { moving = true; };
    c->ConnectAndLogin();
    std::thread stopper([&] {
        while (!moving)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        c->AbortTransfer();
    });
    try {
        c->DownloadFile("big.zip", (local / "big.zip").string(), true);
        FAIL() << "downloaded";
    } catch (const NetError& e) {
        EXPECT_STREQ(e.what(), "Transfer aborted.");
    }
    stopper.join();
    EXPECT_TRUE(fs::is_empty(local));
    ASSERT_TRUE(c->Connected());
    c->cancelToken().reset();
    EXPECT_EQ(names(*c), std::vector<std::string>{"big.zip"});
}

TEST_F(FtpInterop, TlsWithAPinnedSelfSignedCertificate) {
    FtpServerOptions options;
    options.tls = true;
    start(options);
    auto c = client();
    c->UseTls = FtpTlsMode::Explicit;
    c->TlsFingerprint = server->fingerprint();
    std::string log;
    c->Intercept = [&](Traffic, std::string_view block) { log += block; };
    c->ConnectAndLogin();
    EXPECT_EQ(c->ServerFingerprint(), server->fingerprint());
    roundTrip(*c);
    EXPECT_TRUE(c->LastDataSessionReused());
    EXPECT_EQ(log.find("secret"), std::string::npos);
    c->Logout();

    auto active = client(false);
    active->UseTls = FtpTlsMode::Explicit;
    active->TlsFingerprint = server->fingerprint();
    active->ConnectAndLogin();
    EXPECT_TRUE(names(*active).empty());
}

TEST_F(FtpInterop, TlsRefusesAnotherCertificate) {
    FtpServerOptions options;
    options.tls = true;
    start(options);
    auto pinned = client();
    pinned->UseTls = FtpTlsMode::Explicit;
    pinned->TlsFingerprint = std::string(64, 'A');
    try {
        pinned->ConnectAndLogin();
        FAIL() << "connected";
    } catch (const CertificateError& e) {
        EXPECT_EQ(e.fingerprint(), server->fingerprint());
        EXPECT_EQ(std::string(e.what()),
                  "The server's certificate is not the pinned one.\r\nIts SHA-256 fingerprint is " +
                      server->fingerprint() + ".");
    }
    EXPECT_FALSE(pinned->Connected());
    // Without a pin the certificate must verify against the system's store, which it cannot.
    auto unpinned = client();
    unpinned->UseTls = FtpTlsMode::Explicit;
    try {
        unpinned->ConnectAndLogin();
        FAIL() << "connected";
    } catch (const CertificateError& e) {
        EXPECT_EQ(e.fingerprint(), server->fingerprint());
        EXPECT_TRUE(std::string(e.what()).starts_with("The server's certificate could not be verified: ")) << e.what();
    }
}

TEST_F(FtpInterop, PlainServerRefusesTls) {
    start();
    auto c = client();
    c->UseTls = FtpTlsMode::Explicit;
    try {
        c->ConnectAndLogin();
        FAIL() << "connected";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Tls);
    }
    EXPECT_FALSE(c->Connected());
}

TEST_F(FtpInterop, SiteUploadCreatesTheFolderAndReplacesTheFileWhole) {
    FtpServerOptions options;
    options.tls = true;
    start(options);
    fs::create_directories(root / "offsite/2024");
    test::writeFile(root / "offsite/2024/nightly.zip", "yesterday's archive");
    test::writeFile(local / "nightly.zip", test::randomBytes(500000, 11));
    FtpSite site = this->site();
    site.useTls = true;
    site.fingerprint = server->fingerprint();
    std::int64_t lastSent = 0, lastTotal = 0;
    SiteUploadHooks hooks;
    hooks.progress = [&](std::int64_t sent, std::int64_t total) {
        lastSent = sent;
        lastTotal = total;
    };
    uploadFileToSite(site, (local / "nightly.zip").string(), "/offsite/2024", hooks);
    EXPECT_TRUE(sameContent(local / "nightly.zip", root / "offsite/2024/nightly.zip"));
    EXPECT_FALSE(fs::exists(root / "offsite/2024/nightly.zip.part"));
    EXPECT_EQ(lastSent, 500000);
    EXPECT_EQ(lastTotal, 500000);
    uploadFileToSite(site, (local / "nightly.zip").string(), "new/deeper");
    EXPECT_TRUE(sameContent(local / "nightly.zip", root / "new/deeper/nightly.zip"));
    site.password = "wrong";
    EXPECT_THROW(uploadFileToSite(site, (local / "nightly.zip").string(), "x"), ProtocolError);
}

TEST_F(FtpInterop, SiteUploadCanBeCancelled) {
    FtpServerOptions options;
    options.throttle = 256 * 1024;
    start(options);
    writeBigFile(local / "big.zip", 8u << 20);
    const FtpSite site = this->site();
    SiteUploadHooks hooks;
    hooks.cancel = std::make_shared<CancelToken>();
    std::atomic<bool> moving{false};
    hooks.progress = [&](std::int64_t, std::int64_t) { moving = true; };
    std::thread stopper([&] {
        while (!moving)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        hooks.cancel->cancel();
    });
    try {
        uploadFileToSite(site, (local / "big.zip").string(), "", hooks);
        FAIL() << "uploaded";
    } catch (const NetError& e) {
        EXPECT_STREQ(e.what(), "Transfer aborted.");
    }
    stopper.join();
    EXPECT_FALSE(fs::exists(root / "big.zip"));
    EXPECT_FALSE(fs::exists(root / "big.zip.part"));
}

} // namespace
} // namespace quorvel
