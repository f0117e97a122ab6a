// Connecting, the status texts, cancelling a wait from another thread, and refusing bytes that
// arrive ahead of a TLS handshake.
#include "core/net/cancel_token.h"
#include "core/net/connection.h"
#include "core/net/reply.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quorvel {
namespace {

using test::ScriptedPeer;
using test::ScriptedServer;

// A port of 127.0.0.1 on which nothing listens.
int closedPort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socket);
    return ntohs(address.sin_port);
}

TEST(Connection, ReportsStatusesAndThePeer) {
    ScriptedServer server([](ScriptedPeer& peer) { peer.waitForClose(); });
    std::vector<std::string> statuses;
    Connection connection = Connection::open("localhost", server.port(), connectDeadline(Milliseconds(5000)), nullptr,
                                             [&](const std::string& text) { statuses.push_back(text); });
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses.front(), "Resolving hostname localhost.");
    EXPECT_EQ(statuses.back(), "Connected.");
    EXPECT_EQ(connection.peerAddress().port(), server.port());
    EXPECT_TRUE(connection.peerAddress().sameHost(connection.localAddress()));
}

TEST(Connection, NumericAddressIsNotResolved) {
    ScriptedServer server([](ScriptedPeer& peer) { peer.waitForClose(); });
    std::vector<std::string> statuses;
    Connection::open("127.0.0.1", server.port(), connectDeadline(Milliseconds(5000)), nullptr,
                     [&](const std::string& text) { statuses.push_back(text); });
    EXPECT_EQ(statuses, (std::vector<std::string>{"Connecting to 127.0.0.1.", "Connected."}));
}

TEST(Connection, RefusedConnectionGivesTheSystemsText) {
    try {
        Connection::open("127.0.0.1", closedPort(), connectDeadline(Milliseconds(5000)), nullptr);
        FAIL() << "connected";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Socket);
        EXPECT_STREQ(e.what(), "Socket Error # 111\r\nConnection refused.");
    }
}

TEST(Connection, Ipv6Loopback) {
    std::unique_ptr<ScriptedServer> server;
    try {
        server = std::make_unique<ScriptedServer>(
            [](ScriptedPeer& peer) {
                peer.reply("220 over IPv6");
                peer.waitForClose();
            },
            "::1");
    } catch (const std::exception&) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    Connection connection = Connection::open("::1", server->port(), connectDeadline(Milliseconds(5000)), nullptr);
    EXPECT_TRUE(connection.peerAddress().isIpv6());
    EXPECT_EQ(readReply(connection, replyDeadline(Milliseconds(5000))).firstLine(), "over IPv6");
}

TEST(Connection, CancelFromAnotherThreadEndsAWaitAtOnce) {
    ScriptedServer server([](ScriptedPeer& peer) { peer.waitForClose(); });
    CancelToken token;
    Connection connection = Connection::open("127.0.0.1", server.port(), connectDeadline(Milliseconds(5000)), &token);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        token.cancel();
    });
    // Without the token this would wait for the full minute and fail as a time-out.
    try {
        readReply(connection, replyDeadline(Milliseconds(60000)));
        FAIL() << "no error";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Cancelled);
    }
    stopper.join();
}

TEST(Connection, GoodbyeScopeIgnoresCancelButNotClose) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.expect("ABOR");
        peer.reply("226 Aborted");
        peer.waitForClose();
    });
    CancelToken token;
    Connection connection = Connection::open("127.0.0.1", server.port(), connectDeadline(Milliseconds(5000)), &token);
    token.cancel();
    connection.setCancelScope(CancelScope::ClosingOnly);
    sendCommandLine(connection, "ABOR", replyDeadline(Milliseconds(5000)));
    EXPECT_EQ(readReply(connection, replyDeadline(Milliseconds(5000))).code, 226);
    token.close();
    try {
        readReply(connection, replyDeadline(Milliseconds(60000)));
        FAIL() << "no error";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Cancelled);
    }
    token.reset();
    EXPECT_FALSE(token.cancelled());
}

TEST(Connection, UnknownHostFailsWithinTheDeadline) {
    try {
        Connection::open("no-such-host.invalid", 21, connectDeadline(Milliseconds(3000)), nullptr);
        FAIL() << "connected";
    } catch (const NetError& e) {
        EXPECT_TRUE(e.kind() == NetErrorKind::Resolve || e.kind() == NetErrorKind::ConnectTimeout) << e.what();
    }
}

TEST(Connection, BytesAheadOfTheTlsHandshakeAreRefused) {
    // A forged line injected after "234" could otherwise pass for a reply received under TLS.
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.say("234 Go ahead\r\n250 injected\r\n");
        peer.waitForClose();
    });
    Connection connection = Connection::open("127.0.0.1", server.port(), connectDeadline(Milliseconds(5000)), nullptr);
    EXPECT_EQ(readReply(connection, replyDeadline(Milliseconds(5000))).code, 234);
    TlsContext context(TlsPolicy{});
    try {
        connection.startTls(context, "127.0.0.1", true, false, connectDeadline(Milliseconds(5000)));
        FAIL() << "handshake started";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Tls);
        EXPECT_STREQ(e.what(), "The server sent data before the TLS handshake.");
    }
}

} // namespace
} // namespace quorvel
