// The command dialogue of the FTP client against scripted servers: login, replies, the passive
// address, TLS refusal, and what is never sent.
#include "core/ftp/ftp_client.h"
#include "core/net/cancel_token.h"
#include "ftp_script.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using test::clientFor;
using test::greetAndLogin;
using test::ScriptedPeer;
using test::ScriptedServer;

TEST(FtpClient, LoginSendsPasswordOnlyAfter331AndLogsItMasked) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greetAndLogin(peer);
        peer.expect("QUIT");
    });
    auto client = clientFor(server);
    std::vector<std::string> sent, statuses;
    client->Intercept = [&](Traffic direction, std::string_view block) {
        if (direction == Traffic::Sent)
            sent.emplace_back(block);
    };
    client->OnStatus = [&](const std::string& text) { statuses.push_back(text); };
    client->ConnectAndLogin();
    EXPECT_TRUE(client->Connected());
    client->Logout();
    EXPECT_FALSE(client->Connected());
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(sent,
              (std::vector<std::string>{"USER tester\r\n", "PASS ****\r\n", "TYPE I\r\n", "SYST\r\n", "QUIT\r\n"}));
    EXPECT_EQ(statuses, (std::vector<std::string>{"Connecting to 127.0.0.1.", "Connected.", "Connection established",
                                                  "Disconnecting.", "Disconnected."}));
}

TEST(FtpClient, ServerAnswering230ToUserGetsNoPassword) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.reply("220-Welcome");
        peer.reply("220-to the scripted server");
        peer.reply("220 Ready");
        peer.expect("USER anonymous");
        peer.reply("230 No password needed");
        peer.expect("TYPE I");
        peer.reply("200 Binary");
        peer.expect("SYST");
        peer.reply("502 Not implemented");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->Username = "anonymous";
    client->ConnectAndLogin();
    client.reset();
    EXPECT_EQ(server.failure(), "");
    for (const std::string& line : server.heard())
        EXPECT_FALSE(line.starts_with("PASS")) << line;
}

TEST(FtpClient, RefusedLoginRaisesTheRepliesTextAndDisconnects) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.reply("220 Ready");
        peer.expect("USER tester");
        peer.reply("331 Password please");
        peer.expect("PASS secret");
        peer.reply("530 Login incorrect.");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    bool disconnected = false;
    client->OnDisconnected = [&] { disconnected = true; };
    try {
        client->ConnectAndLogin();
        FAIL() << "logged in";
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 530);
        EXPECT_STREQ(e.what(), "Login incorrect.\r\n");
    }
    EXPECT_FALSE(client->Connected());
    EXPECT_TRUE(disconnected);
    EXPECT_THROW(client->ChangeFolder("/"), NetError);
}

TEST(FtpClient, PassiveAddressIsIgnoredInFavourOfTheControlPeer) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greetAndLogin(peer);
        // 10.0.0.1 is not where this server is: a client following it would never arrive.
        test::servePassive(peer, "LIST", "-rw-r--r-- 1 a b 3 Jan 1 2020 x.zip\r\n");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    std::vector<std::string> statuses;
    client->ConnectAndLogin();
    client->OnStatus = [&](const std::string& text) { statuses.push_back(text); };
    client->ListFolder(true);
    EXPECT_EQ(client->FolderEntries().Count(), 1);
    EXPECT_EQ(client->FolderEntries()[0].fileName, "x.zip");
    EXPECT_EQ(statuses.front(), "Starting FTP transfer");
    EXPECT_NE(std::find(statuses.begin(), statuses.end(),
                        "The server named 10.0.0.1 for data; its own address 127.0.0.1 is used."),
              statuses.end());
    EXPECT_EQ(statuses.back(), "Transfer complete");
    client.reset();
    EXPECT_EQ(server.failure(), "");
}

TEST(FtpClient, MalformedPassiveReplyFailsAndKeepsTheConnection) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greetAndLogin(peer);
        peer.expect("PASV");
        peer.reply("227 Entering Passive Mode (127,0,0,1,4)");
        peer.expect("PASV");
        peer.reply("227 Entering Passive Mode =127,0,0,1,4,1");
        peer.expect("PWD");
        peer.reply("257 No quotes here");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->ConnectAndLogin();
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            client->ListFolder(true);
            FAIL() << "listed";
        } catch (const NetError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with("The server's answer to PASV cannot be read:")) << e.what();
        }
    }
    EXPECT_TRUE(client->Connected());
    EXPECT_EQ(client->CurrentFolder(), "");
    client.reset();
    EXPECT_EQ(server.failure(), "");
}

TEST(FtpClient, CurrentFolderAndRemoteFileSize) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greetAndLogin(peer);
        peer.expect("PWD");
        peer.reply("257 \"/backups/2024\" is the current directory");
        peer.expect("SIZE a.zip");
        peer.reply("213 5000000000");
        peer.expect("SIZE b.zip");
        peer.reply("550 SIZE not allowed in ASCII mode");
        peer.expect("SIZE c.zip");
        peer.reply("213 lots");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->ConnectAndLogin();
    EXPECT_EQ(client->CurrentFolder(), "/backups/2024");
    EXPECT_EQ(client->RemoteFileSize("a.zip"), 5000000000);
    EXPECT_EQ(client->RemoteFileSize("b.zip"), -1);
    EXPECT_EQ(client->RemoteFileSize("c.zip"), -1);
    client.reset();
    EXPECT_EQ(server.failure(), "");
}

TEST(FtpClient, NamesWithLineBreaksAreNeverSent) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greetAndLogin(peer);
        peer.expect("DELE fine.zip");
        peer.reply("250 Deleted");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->ConnectAndLogin();
    EXPECT_THROW(client->RemoveFile("x.zip\r\nDELE important.zip"), NetError);
    EXPECT_THROW(client->DownloadFile("a\nb", "/tmp/never-written", true), NetError);
    EXPECT_TRUE(client->Connected());
    client->RemoveFile("fine.zip");
    client.reset();
    EXPECT_EQ(server.failure(), "");
}

TEST(FtpClient, RefusedTlsSendsNothingMore) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.reply("220 Plain only");
        peer.expect("AUTH TLS");
        peer.reply("500 AUTH not understood");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->UseTls = FtpTlsMode::Explicit;
    try {
        client->ConnectAndLogin();
        FAIL() << "connected";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Tls);
        EXPECT_STREQ(e.what(), "The server refused TLS, so nothing more was sent to it.\r\nAUTH not understood\r\n");
    }
    EXPECT_FALSE(client->Connected());
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(server.heard(), std::vector<std::string>{"AUTH TLS"});
}

TEST(FtpClient, SilentServerTimesOutAndDisconnects) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greetAndLogin(peer);
        peer.expect("CWD /");
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->ConnectAndLogin();
    client->ReadTimeout = 200;
    try {
        client->ChangeFolder("/");
        FAIL() << "changed";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Timeout);
        EXPECT_STREQ(e.what(), "The server did not reply within 200 ms.");
    }
    EXPECT_FALSE(client->Connected());
    EXPECT_EQ(server.failure(), "");
}

TEST(FtpClient, Ipv6UsesExtendedPassiveMode) {
    std::unique_ptr<ScriptedServer> server;
    try {
        server = std::make_unique<ScriptedServer>(
            [](ScriptedPeer& peer) {
                greetAndLogin(peer);
                peer.expect("EPSV");
                const int port = peer.listenData();
                peer.reply("229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)");
                peer.acceptData();
                peer.expect("NLST");
                peer.reply("150 Here");
                peer.sendData("a.zip\r\nb.zip\r\n");
                peer.closeData();
                peer.reply("226 Done");
                peer.waitForClose();
            },
            "::1");
    } catch (const std::exception&) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    auto client = clientFor(*server);
    client->Host = "::1";
    client->ConnectAndLogin();
    client->ListFolder(false);
    EXPECT_EQ(client->ListingText(), "a.zip\r\nb.zip\r\n");
    client.reset();
    EXPECT_EQ(server->failure(), "");
}

TEST(FtpClient, AlreadyConnectedIsRefused) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greetAndLogin(peer);
        peer.waitForClose();
    });
    auto client = clientFor(server);
    client->ConnectAndLogin();
    try {
        client->ConnectAndLogin();
        FAIL() << "connected twice";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Already connected.");
    }
}

} // namespace
} // namespace quorvel
