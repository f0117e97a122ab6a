// Replies read from a scripted server: their shape, their bounds and their time limits.
#include "core/net/connection.h"
#include "core/net/reply.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using test::ScriptedPeer;
using test::ScriptedServer;

constexpr Milliseconds Short{300};

Connection connectTo(const ScriptedServer& server) {
    return Connection::open("127.0.0.1", server.port(), connectDeadline(Milliseconds(5000)), nullptr);
}

TEST(ReplyReader, ReadsSingleAndMultiLineRepliesSkippingEmptyLines) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.say("220 Ready\r\n\r\n   \r\n230-Welcome\r\n to the server\r\n230-more\r\n230 Done\n331 Password\r\n");
        peer.waitForClose();
    });
    Connection connection = connectTo(server);
    const Reply greeting = readReply(connection, replyDeadline(Short));
    EXPECT_EQ(greeting.code, 220);
    EXPECT_EQ(greeting.lines, std::vector<std::string>{"Ready"});
    const Reply welcome = readReply(connection, replyDeadline(Short));
    EXPECT_EQ(welcome.code, 230);
    // Numbered lines lose their code; a continuation line without one is kept whole.
    EXPECT_EQ(welcome.lines, (std::vector<std::string>{"Welcome", "to the server", "more", "Done"}));
    EXPECT_EQ(welcome.text(), "Welcome\r\nto the server\r\nmore\r\nDone\r\n");
    EXPECT_EQ(readReply(connection, replyDeadline(Short)).code, 331);
    connection.close();
    EXPECT_EQ(server.failure(), "");
}

TEST(ReplyReader, RefusedCodeRaisesTheServersText) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.reply("550-No such file");
        peer.reply("550 or folder");
        peer.waitForClose();
    });
    Connection connection = connectTo(server);
    const Reply reply = readReply(connection, replyDeadline(Short));
    try {
        requireCode(reply, {250});
        FAIL() << "no error";
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 550);
        EXPECT_STREQ(e.what(), "No such file\r\nor folder\r\n");
    }
    EXPECT_NO_THROW(requireCode(reply, {}));
}

TEST(ReplyReader, LineOverTheBoundFails) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.say("220 " + std::string(MaxReplyLineLength, 'x') + "\r\n");
        peer.waitForClose();
    });
    Connection connection = connectTo(server);
    try {
        readReply(connection, replyDeadline(Milliseconds(5000)));
        FAIL() << "no error";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::TooLong);
        EXPECT_STREQ(e.what(), "Max line length exceeded.");
    }
}

TEST(ReplyReader, LineAtTheBoundIsRead) {
    const std::string text(MaxReplyLineLength - 4, 'y');
    ScriptedServer server([&](ScriptedPeer& peer) {
        peer.reply("220 " + text);
        peer.waitForClose();
    });
    Connection connection = connectTo(server);
    EXPECT_EQ(readReply(connection, replyDeadline(Milliseconds(5000))).firstLine(), text);
}

TEST(ReplyReader, NeverEndingReplyFailsInsteadOfGrowing) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.reply("220-Welcome");
        try {
            for (;;)
                peer.reply("220-and on and on");
        } catch (const std::exception&) {
            // the client gave up and closed the connection
        }
    });
    Connection connection = connectTo(server);
    try {
        readReply(connection, replyDeadline(Milliseconds(10000)));
        FAIL() << "no error";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::TooLong);
        EXPECT_STREQ(e.what(), "The server's reply is too long.");
    }
    connection.close();
}

TEST(ReplyReader, SilentServerTimesOut) {
    ScriptedServer server([](ScriptedPeer& peer) { peer.waitForClose(); });
    Connection connection = connectTo(server);
    try {
        readReply(connection, replyDeadline(Milliseconds(200)));
        FAIL() << "no error";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Timeout);
        EXPECT_STREQ(e.what(), "The server did not reply within 200 ms.");
    }
    connection.close();
}

TEST(ReplyReader, TricklingServerCannotStretchTheDeadline) {
    // One byte now and then keeps every single wait short, but the reply as a whole must end in time.
    ScriptedServer server([](ScriptedPeer& peer) {
        try {
            for (int i = 0; i < 200; ++i) {
                peer.say("2");
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        } catch (const std::exception&) {
        }
    });
    Connection connection = connectTo(server);
    EXPECT_THROW(readReply(connection, replyDeadline(Milliseconds(300))), NetError);
    connection.close();
}

TEST(ReplyReader, PeerClosingMidReplyIsReported) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.say("220-Hello\r\n220-par");
        peer.close();
    });
    Connection connection = connectTo(server);
    try {
        readReply(connection, replyDeadline(Milliseconds(5000)));
        FAIL() << "no error";
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Closed);
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    }
}

TEST(ReplyReader, CommandLinesWithLineBreaksOrNulAreNeverSent) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.expect("NOOP");
        peer.waitForClose();
    });
    Connection connection = connectTo(server);
    for (const std::string& bad : {std::string("DELE a\r\nDELE b"), std::string("DELE a\nb"), std::string("RETR a\rb"),
                                   std::string("RETR a\0b", 8)}) {
        try {
            sendCommandLine(connection, bad, replyDeadline(Short));
            FAIL() << "sent";
        } catch (const NetError& e) {
            EXPECT_EQ(e.kind(), NetErrorKind::Refused);
        }
    }
    sendCommandLine(connection, "NOOP", replyDeadline(Short));
    connection.close();
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(server.heard(), std::vector<std::string>{"NOOP"});
}

} // namespace
} // namespace quorvel
