// Uploads, downloads, active mode, aborting and stalled data connections against scripted servers.
#include "core/ftp/ftp_client.h"
#include "core/net/cancel_token.h"
#include "core/util/strings.h"
#include "ftp_script.h"
#include "support/test_support.h"

#include <atomic>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quorvel {
namespace {

using test::clientFor;
using test::greetAndLogin;
using test::ScriptedPeer;
using test::ScriptedServer;
using test::TempDir;

// The client side of a passive upload: PASV answered, then the command, then the connection.
std::string receivePassiveUpload(ScriptedPeer& peer, const std::string& command, const std::string& closing) {
    test::answerPassive(peer);
    peer.expect(command);
    peer.acceptData();
    peer.reply("150 Send it");
    std::string data = peer.receiveData();
    peer.closeData();
    peer.reply(closing);
    return data;
}

TEST(FtpUpload, GoesToATemporaryNameAndIsRenamedWhenComplete) {
    TempDir dir;
    const std::string content = test::randomBytes(300000, 7);
    test::writeFile(dir / "a.zip", content);
    std::string received;
    ScriptedServer server([&](ScriptedPeer& peer) {
        greetAndLogin(peer);
        received = receivePassiveUpload(peer, "STOR a.zip.part", "226 Stored");
        peer.expect("SIZE a.zip.part");
        peer.reply("213 300000");
        peer.expect("RNFR a.zip.part");
        peer.reply("350 Ready for RNTO");
        peer.expect("RNTO a.zip");
        peer.reply("250 Renamed");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    std::int64_t begun = -1, last = 0;
    client->OnWorkBegin = [&](TWorkMode mode, std::int64_t total) {
        EXPECT_EQ(mode, wmWrite);
        begun = total;
    };
    client->OnWork = [&](TWorkMode, std::int64_t count) { last = count; };
    client->ConnectAndLogin();
    client->UploadFile((dir / "a.zip").string(), "a.zip");
    client.reset();
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(received, content);
    EXPECT_EQ(begun, 300000);
    EXPECT_EQ(last, 300000);
}

TEST(FtpUpload, RefusedUploadFailsWithTheServersReplyAndRemovesTheRemains) {
    TempDir dir;
    test::writeFile(dir / "a.zip", test::randomBytes(10000, 1));
    ScriptedServer server([&](ScriptedPeer& peer) {
        greetAndLogin(peer);
        receivePassiveUpload(peer, "STOR a.zip.part", "552 Quota exceeded");
        peer.expect("DELE a.zip.part");
        peer.reply("250 Deleted");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->ConnectAndLogin();
    try {
        client->UploadFile((dir / "a.zip").string(), "a.zip");
        FAIL() << "uploaded";
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 552);
        EXPECT_STREQ(e.what(), "Quota exceeded\r\n");
    }
    EXPECT_TRUE(client->Connected());
    client.reset();
    EXPECT_EQ(server.failure(), "");
}

TEST(FtpUpload, CutDataConnectionFailsWithTheServersReply) {
    TempDir dir;
    test::writeFile(dir / "big.zip", std::string(24u << 20, 'z')); // more than socket buffers hold
    ScriptedServer server([&](ScriptedPeer& peer) {
        greetAndLogin(peer);
        test::answerPassive(peer);
        peer.expect("STOR big.zip.part");
        peer.acceptData();
        peer.reply("150 Send it");
        // Take a little, then hang up on the client as a full disk would.
        const int data = peer.releaseData();
        char buffer[1000];
        [[maybe_unused]] const ssize_t got = ::recv(data, buffer, sizeof buffer, 0);
        ::shutdown(data, SHUT_RDWR);
        ::close(data);
        peer.reply("426 Connection closed; transfer aborted.");
        // ABOR and NOOP follow; the order of their answers tells the client where it stands.
        peer.expect("ABOR");
        peer.reply("225 No transfer to abort");
        peer.expect("NOOP");
        peer.reply("200 NOOP ok");
        peer.expect("DELE big.zip.part");
        peer.reply("250 Deleted");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->ConnectAndLogin();
    try {
        client->UploadFile((dir / "big.zip").string(), "big.zip");
        FAIL() << "uploaded";
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 426);
        EXPECT_STREQ(e.what(), "Connection closed; transfer aborted.\r\n");
    }
    EXPECT_TRUE(client->Connected());
    client.reset();
    EXPECT_EQ(server.failure(), "");
}

TEST(FtpDownload, LandsUnderItsNameOnlyWhenTheSizeMatches) {
    TempDir dir;
    test::writeFile(dir / "keep.zip", "the old copy");
    ScriptedServer server([&](ScriptedPeer& peer) {
        greetAndLogin(peer);
        peer.expect("SIZE keep.zip");
        peer.reply("213 20");
        test::servePassive(peer, "RETR keep.zip", "only ten b"); // 10 of the 20 bytes
        peer.expect("SIZE new.zip");
        peer.reply("213 5");
        test::servePassive(peer, "RETR new.zip", "12345");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->ConnectAndLogin();
    try {
        client->DownloadFile("keep.zip", (dir / "keep.zip").string(), true);
        FAIL() << "downloaded";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "The download of 'keep.zip' is incomplete: 10 of 20 bytes arrived.");
    }
    EXPECT_EQ(test::readFile(dir / "keep.zip"), "the old copy");
    client->DownloadFile("new.zip", (dir / "new.zip").string(), false);
    EXPECT_EQ(test::readFile(dir / "new.zip"), "12345");
    // Nothing else is left in the folder: no temporary files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
    try {
        client->DownloadFile("new.zip", (dir / "new.zip").string(), false);
        FAIL() << "overwrote";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Destination file already exists.");
    }
    client.reset();
    EXPECT_EQ(server.failure(), "");
}

TEST(FtpActiveMode, OnlyTheControlPeerMayDeliverData) {
    int foreign = -1;
    ScriptedServer server([&](ScriptedPeer& peer) {
        greetAndLogin(peer);
        const std::string port = peer.hear();
        ASSERT_TRUE(port.starts_with("PORT 127,0,0,1,")) << port;
        const std::vector<std::string> parts = split(port.substr(5), ',');
        const int number = std::stoi(parts[4]) * 256 + std::stoi(parts[5]);
        peer.reply("200 PORT ok");
        peer.expect("LIST");
        // Another host gets there first; the client must turn it away and wait for us.
        peer.connectData(number, "127.0.0.2");
        foreign = peer.releaseData();
        peer.reply("150 Connecting");
        peer.connectData(number);
        peer.sendData("-rw-r--r-- 1 a b 3 Jan 1 2020 real.zip\r\n");
        peer.closeData();
        peer.reply("226 Done");
        peer.waitForClose();
    });
    auto client = clientFor(server, false);
    client->ConnectAndLogin();
    client->ListFolder(true);
    ASSERT_EQ(client->FolderEntries().Count(), 1);
    EXPECT_EQ(client->FolderEntries()[0].fileName, "real.zip");
    client.reset();
    EXPECT_EQ(server.failure(), "");
    ASSERT_GE(foreign, 0);
    pollfd fd{foreign, POLLIN, 0};
    ASSERT_EQ(::poll(&fd, 1, 5000), 1);
    char byte;
    EXPECT_LE(::recv(foreign, &byte, 1, 0), 0); // closed by the client
    ::close(foreign);
}

TEST(FtpAbort, StopsADownloadAndKeepsTheConnection) {
    TempDir dir;
    std::atomic<bool> dataArrived{false};
    ScriptedServer server([&](ScriptedPeer& peer) {
        greetAndLogin(peer);
        peer.expect("SIZE big.zip");
        peer.reply("213 1000000");
        test::answerPassive(peer);
        peer.acceptData();
        peer.expect("RETR big.zip");
        peer.reply("150 Sending");
        peer.sendData(std::string(1000, 'x')); // and then nothing more, until ABOR
        peer.expect("ABOR");
        peer.closeData();
        peer.reply("426 Transfer aborted via ABOR");
        peer.reply("226 ABOR command successful");
        peer.expect("NOOP");
        peer.reply("200 NOOP ok");
        peer.expect("PWD");
        peer.reply("257 \"/\"");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->DataTimeout = 60000; // only the abort may end this transfer
    client->OnWork = [&](TWorkMode, std::int64_t) { dataArrived = true; };
    client->ConnectAndLogin();
    std::thread stopper([&] {
        while (!dataArrived)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        client->AbortTransfer();
    });
    try {
        client->DownloadFile("big.zip", (dir / "big.zip").string(), true);
        FAIL() << "downloaded";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Cancelled);
        EXPECT_STREQ(e.what(), "Transfer aborted.");
    }
    stopper.join();
    EXPECT_FALSE(std::filesystem::exists(dir / "big.zip"));
    EXPECT_TRUE(client->Connected());
    client->cancelToken().reset();
    EXPECT_EQ(client->CurrentFolder(), "/");
    client.reset();
    EXPECT_EQ(server.failure(), "");
}

TEST(FtpDataTimeout, StalledDownloadFailsQuicklyAndTheConnectionRecovers) {
    TempDir dir;
    ScriptedServer server([&](ScriptedPeer& peer) {
        greetAndLogin(peer);
        peer.expect("SIZE slow.zip");
        peer.reply("550 No size");
        test::answerPassive(peer);
        peer.acceptData();
        peer.expect("RETR slow.zip");
        peer.reply("150 Sending");
        peer.sendData("a few bytes");
        peer.expect("ABOR");
        peer.closeData();
        peer.reply("426 Aborted");
        peer.reply("226 Ok");
        peer.expect("NOOP");
        peer.reply("200 Ok");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->DataTimeout = 200;
    client->ConnectAndLogin();
    try {
        client->DownloadFile("slow.zip", (dir / "slow.zip").string(), true);
        FAIL() << "downloaded";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Timeout);
        EXPECT_STREQ(e.what(), "The data connection moved nothing for 200 ms.");
    }
    EXPECT_TRUE(client->Connected());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    client.reset();
    EXPECT_EQ(server.failure(), "");
}

} // namespace
} // namespace quorvel
