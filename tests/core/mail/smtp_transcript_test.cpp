// The dialogue of the SMTP client against scripted servers: greetings, EHLO and HELO, logins,
// what is never sent, dot-stuffing, and the replies that fail a delivery.
#include "core/mail/mail_error.h"
#include "core/mail/mail_message.h"
#include "core/mail/smtp_client.h"
#include "core/net/cancel_token.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>
#include <thread>

namespace quorvel {
namespace {

using test::ScriptedPeer;
using test::ScriptedServer;

std::unique_ptr<TSmtpClient> clientFor(const ScriptedServer& server) {
    auto client = std::make_unique<TSmtpClient>();
    client->Host = "127.0.0.1";
    client->Port = server.port();
    client->HeloName = "client.test";
    client->Username = "tester";
    client->Password = "secret";
    client->ReadTimeout = client->ConnectTimeout = client->DataTimeout = 5000;
    return client;
}

TMailMessage message(const std::string& to = "a@example.org, b@example.org") {
    TMailMessage m;
    m.From = {"", "backup@example.org"};
    m.Recipients = parseAddressList(to);
    m.Subject = "Archives";
    m.Body = {"Hello,", ".", ".hidden", "..two", "end"};
    m.HeaderEncoding = WordEncoding::Q;
    return m;
}

// The server side of a delivery from MAIL FROM on; returns the message as it arrived.
std::string acceptDelivery(ScriptedPeer& peer, int recipients) {
    peer.expect("MAIL FROM:<backup@example.org>");
    peer.reply("250 2.1.0 Ok");
    for (int i = 0; i < recipients; ++i) {
        peer.hear();
        peer.reply("250 2.1.5 Ok");
    }
    peer.expect("DATA");
    peer.reply("354 End data with <CR><LF>.<CR><LF>");
    std::string data;
    for (std::string line = peer.hear(); line != "."; line = peer.hear())
        data += line + "\n";
    peer.reply("250 2.0.0 Ok: queued");
    return data;
}

std::vector<std::string> commandsOf(const std::vector<std::string>& heard) {
    std::vector<std::string> commands;
    bool inData = false;
    for (const std::string& line : heard) {
        if (!inData || line == ".")
            commands.push_back(line);
        if (line == "DATA")
            inData = true;
        else if (line == ".")
            inData = false;
    }
    return commands;
}

TEST(SmtpClient, ARefusedEhloFallsBackToHeloWithoutLogin) {
    std::string data;
    ScriptedServer server([&](ScriptedPeer& peer) {
        peer.reply("220 scripted ESMTP");
        peer.expect("EHLO client.test");
        peer.reply("502 5.5.2 Error: command not recognized");
        peer.expect("HELO client.test");
        peer.reply("250 scripted");
        peer.expect("RSET");
        peer.reply("250 Ok");
        data = acceptDelivery(peer, 2);
        peer.expect("QUIT");
    });
    auto client = clientFor(server);
    client->setAuthenticationType(atLogin);
    std::vector<std::string> statuses;
    client->OnStatus = [&](const std::string& text) { statuses.push_back(text); };
    std::int64_t begun = -1, progressed = 0;
    bool ended = false;
    client->OnWorkBegin = [&](TWorkMode mode, std::int64_t total) {
        EXPECT_EQ(mode, wmWrite);
        begun = total;
    };
    client->OnWork = [&](TWorkMode, std::int64_t count) { progressed = count; };
    client->OnWorkEnd = [&](TWorkMode) { ended = true; };
    client->ConnectAndGreet();
    EXPECT_TRUE(client->AuthMechanisms().empty());
    client->DeliverMessage(message());
    client->Logout();
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(
        commandsOf(server.heard()),
        (std::vector<std::string>{"EHLO client.test", "HELO client.test", "RSET", "MAIL FROM:<backup@example.org>",
                                  "RCPT TO:<a@example.org>", "RCPT TO:<b@example.org>", "DATA", ".", "QUIT"}));
    EXPECT_FALSE(client->Authenticated());
    // Lines starting with "." went out with another one in front.
    EXPECT_NE(data.find("\nHello,\n..\n..hidden\n...two\nend\n"), std::string::npos) << data;
    EXPECT_GT(begun, 0);
    EXPECT_EQ(progressed, begun);
    EXPECT_TRUE(ended);
    EXPECT_EQ(statuses, (std::vector<std::string>{"Connecting to 127.0.0.1.", "Connected.", "Encoding text",
                                                  "Disconnecting.", "Disconnected."}));
}

TEST(SmtpClient, LoginIsPreferredPlainUsedOtherwiseAndCredentialsAreMaskedInTheLog) {
    for (const std::string mechanisms : {"LOGIN PLAIN", "PLAIN"}) {
        SCOPED_TRACE(mechanisms);
        ScriptedServer server([&](ScriptedPeer& peer) {
            peer.reply("220-scripted ESMTP");
            peer.reply("220-with a greeting");
            peer.reply("220 of three lines");
            peer.expect("EHLO client.test");
            peer.reply("250-scripted");
            peer.reply("250-SIZE 10240000");
            peer.reply("250-AUTH=" + mechanisms);
            peer.reply("250-AUTH " + mechanisms + " CRAM-MD5");
            peer.reply("250 8BITMIME");
            peer.expect("RSET");
            peer.reply("250 Ok");
            if (mechanisms == "PLAIN") {
                peer.expect("AUTH PLAIN AHRlc3RlcgBzZWNyZXQ=");
            } else {
                peer.expect("AUTH LOGIN");
                peer.reply("334 VXNlcm5hbWU6");
                peer.expect("dGVzdGVy");
                peer.reply("334 UGFzc3dvcmQ6");
                peer.expect("c2VjcmV0");
            }
            peer.reply("235 2.7.0 Authentication successful");
            const std::string mailFrom = peer.hear();
            EXPECT_TRUE(mailFrom.starts_with("MAIL FROM:<backup@example.org> SIZE=")) << mailFrom;
            peer.reply("250 Ok");
            peer.expect("RCPT TO:<a@example.org>");
            peer.reply("250 Ok");
            peer.expect("DATA");
            peer.reply("354 go on");
            while (peer.hear() != ".") {
            }
            peer.reply("250 Ok");
            peer.expect("QUIT");
        });
        auto client = clientFor(server);
        client->setAuthenticationType(atLogin);
        std::string sent;
        client->Intercept = [&](Traffic direction, std::string_view block) {
            if (direction == Traffic::Sent)
                sent += block;
        };
        client->ConnectAndGreet();
        EXPECT_EQ(client->SizeLimit(), 10240000u);
        EXPECT_EQ(client->AuthMechanisms().size(), mechanisms == "PLAIN" ? 2u : 3u);
        client->DeliverMessage(message("a@example.org"));
        EXPECT_TRUE(client->Authenticated());
        client->Logout();
        EXPECT_EQ(server.failure(), "");
        EXPECT_EQ(sent.find("c2VjcmV0"), std::string::npos) << sent;
        EXPECT_EQ(sent.find("AHRlc3RlcgBzZWNyZXQ="), std::string::npos) << sent;
        EXPECT_NE(sent.find(mechanisms == "PLAIN" ? "AUTH PLAIN ****\r\n" : "AUTH LOGIN\r\n****\r\n****\r\n"),
                  std::string::npos)
            << sent;
    }
}

TEST(SmtpClient, TlsAskedForAndNotOfferedSendsNothingMore) {
    for (const bool offered : {false, true}) {
        ScriptedServer server([&](ScriptedPeer& peer) {
            peer.reply("220 scripted ESMTP");
            peer.expect("EHLO client.test");
            peer.reply("250-scripted");
            if (offered)
                peer.reply("250-STARTTLS");
            peer.reply("250 AUTH LOGIN PLAIN");
            if (offered) {
                peer.expect("STARTTLS");
                peer.reply("454 4.7.0 TLS not available due to local problem");
            }
            peer.waitForClose();
        });
        auto client = clientFor(server);
        client->setAuthenticationType(atLogin);
        client->UseTls = SmtpTlsMode::StartTls;
        try {
            client->ConnectAndGreet();
            FAIL() << "connected without TLS";
        } catch (const NetError& e) {
            EXPECT_EQ(e.kind(), NetErrorKind::Tls);
            EXPECT_TRUE(std::string(e.what()).find(offered ? "refused STARTTLS" : "does not offer STARTTLS") !=
                        std::string::npos)
                << e.what();
        }
        EXPECT_FALSE(client->Connected());
        EXPECT_EQ(server.failure(), "");
        EXPECT_EQ(server.heard(), offered ? (std::vector<std::string>{"EHLO client.test", "STARTTLS"})
                                          : (std::vector<std::string>{"EHLO client.test"}));
    }
}

TEST(SmtpClient, AGreetingThatNeverEndsOrNeverComesFails) {
    ScriptedServer endless([](ScriptedPeer& peer) {
        try {
            for (int i = 0; i < 5000; ++i)
                peer.reply("220-still greeting you, line " + std::to_string(i));
        } catch (const std::exception&) {
            // The client gave up and closed the connection.
        }
    });
    auto client = clientFor(endless);
    try {
        client->ConnectAndGreet();
        FAIL();
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::TooLong);
    }
    EXPECT_FALSE(client->Connected());
    endless.finish();

    ScriptedServer silent([](ScriptedPeer& peer) { peer.waitForClose(); });
    client = clientFor(silent);
    client->ReadTimeout = 300;
    try {
        client->ConnectAndGreet();
        FAIL();
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Timeout);
        EXPECT_STREQ(e.what(), "The server did not reply within 300 ms.");
    }
}

// The greeting and EHLO of a server announcing `extensions`.
void greet(ScriptedPeer& peer, const std::vector<std::string>& extensions = {}) {
    peer.reply("220 scripted ESMTP");
    peer.expect("EHLO client.test");
    peer.reply("250-scripted greets client.test");
    for (const std::string& extension : extensions)
        peer.reply("250-" + extension);
    peer.reply("250 HELP");
}

TEST(SmtpClient, AMessageOverTheSizeLimitIsRefusedBeforeAnyCommand) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greet(peer, {"SIZE 1000"});
        peer.expect("QUIT");
    });
    auto client = clientFor(server);
    client->ConnectAndGreet();
    TMailMessage big = message();
    big.Body.assign(100, std::string(60, 'x'));
    try {
        client->DeliverMessage(big);
        FAIL();
    } catch (const MailError& e) {
        EXPECT_NE(std::string(e.what()).find("at most 0.0 MB (1000 bytes)"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(client->Connected());
    client->Logout();
    server.finish();
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(server.heard(), (std::vector<std::string>{"EHLO client.test", "QUIT"}));
}

TEST(SmtpClient, ARefusedRecipientOrMessageFailsWithTheServersReply) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greet(peer);
        peer.expect("RSET");
        peer.reply("250 Ok");
        peer.expect("MAIL FROM:<backup@example.org>");
        peer.reply("250 Ok");
        peer.expect("RCPT TO:<a@example.org>");
        peer.reply("250 Ok");
        peer.expect("RCPT TO:<b@example.org>");
        peer.reply("550 5.1.1 <b@example.org>: Recipient address rejected");
        // The same connection takes the next try, which the server rejects after the data.
        peer.expect("RSET");
        peer.reply("250 Ok");
        peer.expect("MAIL FROM:<backup@example.org>");
        peer.reply("250 Ok");
        peer.expect("RCPT TO:<a@example.org>");
        peer.reply("250 Ok");
        peer.expect("DATA");
        peer.reply("354 go on");
        while (peer.hear() != ".") {
        }
        peer.reply("554 5.7.1 Message rejected: looks like spam");
        peer.expect("QUIT");
    });
    auto client = clientFor(server);
    client->ConnectAndGreet();
    try {
        client->DeliverMessage(message());
        FAIL();
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 550);
        EXPECT_STREQ(e.what(), "5.1.1 <b@example.org>: Recipient address rejected\r\n");
    }
    try {
        client->DeliverMessage(message("a@example.org"));
        FAIL();
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 554);
    }
    client->Logout();
    EXPECT_EQ(server.failure(), "");
    const std::vector<std::string> commands = commandsOf(server.heard());
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "DATA"), 1);
}

TEST(SmtpClient, ABadAddressIsRefusedBeforeAnyCommandOfTheDelivery) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greet(peer);
        peer.expect("QUIT");
    });
    auto client = clientFor(server);
    client->ConnectAndGreet();
    EXPECT_THROW(client->DeliverMessage(message("a@example.org>\r\nRCPT TO:<b@example.org")), MailError);
    client->Logout();
    server.finish();
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(server.heard(), (std::vector<std::string>{"EHLO client.test", "QUIT"}));
}

TEST(SmtpClient, StopFromAnotherThreadEndsTheDeliveryAtOnce) {
    ScriptedServer server([](ScriptedPeer& peer) {
        greet(peer);
        peer.expect("RSET");
        peer.reply("250 Ok");
        peer.expect("MAIL FROM:<backup@example.org>");
        peer.reply("250 Ok");
        peer.expect("RCPT TO:<a@example.org>");
        peer.reply("250 Ok");
        peer.expect("DATA");
        peer.waitForClose(); // no answer: the client waits until it is stopped
    });
    auto client = clientFor(server);
    client->ConnectAndGreet();
    std::thread stopper([&] {
        for (int i = 0; i < 1000; ++i) {
            const std::vector<std::string> heard = server.heard();
            if (!heard.empty() && heard.back() == "DATA")
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        client->Cancel();
    });
    try {
        client->DeliverMessage(message("a@example.org"));
        FAIL();
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Cancelled);
    }
    stopper.join();
    EXPECT_FALSE(client->Connected());
    server.finish();
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(server.heard().back(), "DATA");
}

} // namespace
} // namespace quorvel
