// The SMTP client against a real SMTP server (aiosmtpd) on 127.0.0.1, which parses every message
// with Python's email package: headers, encoded words, attachments byte for byte, logins, TLS,
// a refused recipient and the SIZE limit.
#include "core/mail/mail_error.h"
#include "core/mail/mail_message.h"
#include "core/mail/smtp_client.h"
#include "core/util/strings.h"
#include "support/smtp_test_server.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

namespace quorvel {
namespace {

using test::SmtpServerOptions;
using test::SmtpTestServer;
using test::TempDir;

std::string sha256(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += "0123456789abcdef"[digest[i] >> 4];
        hex += "0123456789abcdef"[digest[i] & 0x0F];
    }
    return hex;
}

struct MailInterop : ::testing::Test {
    TempDir dir;
    std::unique_ptr<SmtpTestServer> server;

    void start(SmtpServerOptions options = {}) {
        server = std::make_unique<SmtpTestServer>(dir / "received", options);
        if (!server->running())
            GTEST_FAIL() << server->error();
    }
    std::unique_ptr<TSmtpClient> client() const {
        auto c = std::make_unique<TSmtpClient>();
        c->Host = "127.0.0.1";
        c->Port = server->port();
        c->Username = server->options().user;
        c->Password = server->options().password;
        c->ReadTimeout = c->ConnectTimeout = c->DataTimeout = 30000;
        return c;
    }
    static TMailMessage message(const std::string& to = "owner@example.org") {
        TMailMessage m;
        m.From = {"Backup", "backup@example.org"};
        m.ReplyTo = {m.From};
        m.Recipients = parseAddressList(to);
        m.Subject = "Archives";
        m.Body = {"Hello,", "", "Best regards,"};
        m.ContentType = "text/plain";
        return m;
    }
    // Connects, delivers and says goodbye; the client is left for inspection.
    void send(TSmtpClient& c, const TMailMessage& m) {
        c.ConnectAndGreet();
        try {
            c.DeliverMessage(m);
        } catch (...) {
            c.Logout();
            throw;
        }
        c.Logout();
    }
};

TEST_F(MailInterop, HeadersEncodedWordsTextAndAttachmentsArriveAsWritten) {
    start();
    const std::string archive = test::randomBytes(300000, 11);
    test::writeFile(dir / "Sicherung März.zip", archive);
    test::writeFile(dir / "empty.zip", "");
    std::string longName;
    for (int i = 0; i < 40; ++i)
        longName += "ö";
    test::writeFile(dir / (longName + ".zip"), "long");
    TMailMessage m = message("\"Jürgen Müller\" <juergen@example.org>, plain@example.org");
    m.Subject = "Grüße aus Köln: die Sicherung ✓ ist fertig";
    m.Body = {"Hallo Jürgen,", ".", "..", ".leading dot", std::string(1200, 'x'), "Ende"};
    m.Attachments.emplace_back(dir / "Sicherung März.zip");
    m.Attachments.emplace_back(dir / "empty.zip");
    m.Attachments.emplace_back(dir / (longName + ".zip"));
    for (const WordEncoding encoding : {WordEncoding::Q, WordEncoding::B}) {
        m.HeaderEncoding = encoding;
        auto c = client();
        send(*c, m);
    }
    const std::vector<test::ReceivedMail> mails = server->messages();
    ASSERT_EQ(mails.size(), 2u);
    for (const test::ReceivedMail& mail : mails) {
        EXPECT_EQ(mail.subject, m.Subject);
        EXPECT_EQ(mail.header("From"), "Backup <backup@example.org>");
        EXPECT_EQ(mail.header("To"), "Jürgen Müller <juergen@example.org>, plain@example.org");
        EXPECT_EQ(mail.header("MIME-Version"), "1.0");
        EXPECT_FALSE(mail.header("Date").empty());
        EXPECT_TRUE(mail.header("Message-ID").ends_with("@example.org>")) << mail.header("Message-ID");
        EXPECT_EQ(mail.facts.at("content_type"), "multipart/mixed");
        EXPECT_EQ(mail.facts.at("rcpt_tos"), "juergen@example.org,plain@example.org");
        EXPECT_EQ(mail.facts.at("mail_from"), "backup@example.org");
        EXPECT_EQ(mail.facts.at("bare_line_feeds"), "0");
        EXPECT_EQ(mail.facts.at("eight_bit"), "0");
        EXPECT_LE(std::stoi(mail.facts.at("longest_line")), 998);
        EXPECT_EQ(mail.facts.at("defects"), "");
        EXPECT_EQ(mail.text, join(m.Body, "\n") + "\n");
        ASSERT_EQ(mail.attachments.size(), 3u);
        EXPECT_EQ(mail.attachments[0].fileName, "Sicherung März.zip");
        EXPECT_EQ(mail.attachments[0].sha256, sha256(archive));
        EXPECT_EQ(mail.attachments[0].size, archive.size());
        EXPECT_EQ(mail.attachments[0].contentType, "application/octet-stream");
        EXPECT_EQ(mail.attachments[1].fileName, "empty.zip");
        EXPECT_EQ(mail.attachments[1].size, 0u);
        EXPECT_EQ(mail.attachments[2].fileName, longName + ".zip");
        EXPECT_EQ(mail.attachments[2].sha256, sha256("long"));
    }
    // The header line as it went over the wire holds encoded words, not raw UTF-8.
    EXPECT_NE(mails[0].rawHeaders.find("Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?= aus"), std::string::npos)
        << mails[0].rawHeaders;
    EXPECT_NE(mails[1].rawHeaders.find("Subject: =?UTF-8?B?"), std::string::npos) << mails[1].rawHeaders;
}

TEST_F(MailInterop, ATwentyMegabyteArchiveArrivesByteForByte) {
    start();
    const std::string archive = test::randomBytes(20 * 1024 * 1024, 23);
    test::writeFile(dir / "big.zip", archive);
    TMailMessage m = message();
    m.Attachments.emplace_back(dir / "big.zip");
    auto c = client();
    std::int64_t total = 0, last = 0;
    c->OnWorkBegin = [&](TWorkMode, std::int64_t size) { total = size; };
    c->OnWork = [&](TWorkMode, std::int64_t count) { last = count; };
    send(*c, m);
    const std::vector<test::ReceivedMail> mails = server->messages();
    ASSERT_EQ(mails.size(), 1u);
    ASSERT_EQ(mails[0].attachments.size(), 1u);
    EXPECT_EQ(mails[0].attachments[0].size, archive.size());
    EXPECT_EQ(mails[0].attachments[0].sha256, sha256(archive));
    // The size announced is the size sent.
    EXPECT_EQ(std::to_string(total), mails[0].facts.at("size"));
    EXPECT_EQ(last, total);
}

TEST_F(MailInterop, LoginWithLoginOrPlainAndARefusedPassword) {
    for (const bool plainOnly : {false, true}) {
        SmtpServerOptions options;
        options.requireAuth = true;
        if (plainOnly)
            options.excludeAuth = {"LOGIN"};
        start(options);
        auto c = client();
        c->setAuthenticationType(atLogin);
        send(*c, message());
        EXPECT_EQ(server->logins(), (std::vector<std::string>{plainOnly ? "PLAIN tester ok" : "LOGIN tester ok"}));
        EXPECT_EQ(server->messages().size(), 1u);
        server.reset();
        std::filesystem::remove_all(dir / "received");
    }
    SmtpServerOptions options;
    options.requireAuth = true;
    start(options);
    auto c = client();
    c->setAuthenticationType(atLogin);
    c->Password = "wrong";
    try {
        send(*c, message());
        FAIL();
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 535);
    }
    EXPECT_TRUE(server->messages().empty());
}

TEST_F(MailInterop, StartTlsAndImplicitTlsWithAPinnedCertificate) {
    for (const bool implicit : {false, true}) {
        SCOPED_TRACE(implicit ? "implicit" : "STARTTLS");
        SmtpServerOptions options;
        options.tls = true;
        options.implicitTls = implicit;
        options.requireAuth = true;
        start(options);
        const auto tlsClient = [&](const std::string& pin) {
            auto c = client();
            c->UseTls = implicit ? SmtpTlsMode::Implicit : SmtpTlsMode::StartTls;
            c->TlsFingerprint = pin;
            c->setAuthenticationType(atLogin);
            return c;
        };
        // A self-signed certificate does not verify; the error carries what to pin.
        try {
            send(*tlsClient(""), message());
            FAIL();
        } catch (const CertificateError& e) {
            EXPECT_EQ(e.fingerprint(), server->fingerprint());
        }
        // Another certificate's fingerprint: refused too.
        std::string other = server->fingerprint();
        other[0] = other[0] == 'A' ? 'B' : 'A';
        EXPECT_THROW(send(*tlsClient(other), message()), CertificateError);
        EXPECT_TRUE(server->logins().empty());
        EXPECT_TRUE(server->messages().empty());

        auto pinned = tlsClient(toLowerAscii(server->fingerprint()));
        send(*pinned, message());
        EXPECT_EQ(server->logins().size(), 1u);
        EXPECT_EQ(server->messages().size(), 1u);
        server.reset();
        std::filesystem::remove_all(dir / "received");
    }
}

TEST_F(MailInterop, TlsAskedOfAServerWithoutItSendsNoCredentials) {
    SmtpServerOptions options;
    options.requireAuth = true;
    start(options);
    auto c = client();
    c->UseTls = SmtpTlsMode::StartTls;
    c->setAuthenticationType(atLogin);
    try {
        send(*c, message());
        FAIL();
    } catch (const NetError& e) {
        EXPECT_EQ(e.kind(), NetErrorKind::Tls);
    }
    EXPECT_TRUE(server->logins().empty());
    EXPECT_TRUE(server->messages().empty());
}

TEST_F(MailInterop, ARefusedRecipientFailsTheWholeSend) {
    SmtpServerOptions options;
    options.refuse = {"nobody@example.org"};
    start(options);
    auto c = client();
    try {
        send(*c, message("first@example.org, nobody@example.org, last@example.org"));
        FAIL();
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 550);
        EXPECT_NE(std::string(e.what()).find("<nobody@example.org>: Recipient address rejected"), std::string::npos);
    }
    EXPECT_TRUE(server->messages().empty());
}

TEST_F(MailInterop, AMessageOverTheServersSizeLimitIsRefusedBeforeItsData) {
    SmtpServerOptions options;
    options.sizeLimit = 100000;
    start(options);
    test::writeFile(dir / "a.zip", test::randomBytes(200000, 3));
    TMailMessage m = message();
    m.Attachments.emplace_back(dir / "a.zip");
    auto c = client();
    std::string sent;
    c->Intercept = [&](Traffic direction, std::string_view block) {
        if (direction == Traffic::Sent)
            sent += block;
    };
    try {
        send(*c, m);
        FAIL();
    } catch (const MailError& e) {
        EXPECT_NE(std::string(e.what()).find("at most 0.1 MB (100000 bytes)"), std::string::npos) << e.what();
    }
    EXPECT_EQ(sent.find("MAIL FROM"), std::string::npos) << sent;
    EXPECT_TRUE(server->messages().empty());
}

} // namespace
} // namespace quorvel
