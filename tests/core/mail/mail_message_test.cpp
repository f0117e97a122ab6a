// The message as it goes over the wire: headers, parts, line rules, its size, and what is refused.
#include "core/mail/mail_error.h"
#include "core/mail/mail_message.h"
#include "core/util/errors.h"
#include "core/util/strings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using test::TempDir;

TMailMessage simpleMessage() {
    TMailMessage message;
    message.From = {"Backup", "backup@example.org"};
    message.ReplyTo = {message.From};
    message.Recipients = parseAddressList("a@example.org, Bee <b@example.org>");
    message.Subject = "Weekly archives";
    message.Body = {"Hello,", "", ".", "Best regards,"};
    message.ContentType = "text/plain";
    message.HeaderEncoding = WordEncoding::Q;
    return message;
}

struct Written {
    std::string text;
    std::size_t largestBlock = 0;
    std::vector<std::string> statuses;
};

Written writeOut(const MailContent& content, std::size_t blockSize = 32768) {
    Written written;
    content.write(
        [&](std::string_view bytes) {
            written.text += bytes;
            written.largestBlock = std::max(written.largestBlock, bytes.size());
        },
        [&](const std::string& text) { written.statuses.push_back(text); }, blockSize);
    return written;
}

std::string headerBlock(const std::string& message) {
    return message.substr(0, message.find("\r\n\r\n") + 2);
}

// Every line ends with CR LF, none is longer than 998 characters, every byte is 7-bit.
void expectWireForm(const std::string& text) {
    ASSERT_TRUE(text.ends_with("\r\n"));
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string_view line(text.data() + start, end - start);
        EXPECT_LE(line.size(), 998u);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string_view::npos) << line;
        start = end + 2;
    }
    for (const char c : text)
        ASSERT_LT(static_cast<unsigned char>(c), 128u);
}

TEST(MailMessage, WithoutAttachmentsItIsPlainTextWithoutMimeVersion) {
    const MailContent content(simpleMessage(), 1700000000);
    const Written written = writeOut(content);
    EXPECT_EQ(written.text.size(), content.size());
    const std::string head = headerBlock(written.text);
    EXPECT_TRUE(head.starts_with("From: \"Backup\" <backup@example.org>\r\nSubject: Weekly archives\r\n"
                                 "To: a@example.org, \"Bee\" <b@example.org>\r\nContent-Type: text/plain\r\n"
                                 "Reply-To: \"Backup\" <backup@example.org>\r\nDate: "))
        << head;
    EXPECT_EQ(head.find("MIME-Version"), std::string::npos);
    EXPECT_NE(head.find("\r\nMessage-ID: <"), std::string::npos);
    EXPECT_NE(head.find("@example.org>\r\nX-Priority: 3\r\n"), std::string::npos) << head;
    EXPECT_TRUE(written.text.ends_with("\r\n\r\nHello,\r\n\r\n.\r\nBest regards,\r\n"));
    expectWireForm(written.text);
}

TEST(MailMessage, TextOutsideAsciiGoesQuotedPrintableInUtf8) {
    TMailMessage message = simpleMessage();
    message.Subject = "Grüße";
    message.Body = {"Grüße aus Köln", std::string(1500, 'x')};
    const MailContent content(message, 1700000000);
    const Written written = writeOut(content);
    EXPECT_EQ(written.text.size(), content.size());
    const std::string head = headerBlock(written.text);
    EXPECT_NE(head.find("Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("Content-Type: text/plain; charset=\"UTF-8\"\r\nMIME-Version: 1.0\r\n"
                        "Content-Transfer-Encoding: quoted-printable\r\n"),
              std::string::npos)
        << head;
    EXPECT_NE(written.text.find("\r\n\r\nGr=C3=BC=C3=9Fe aus K=C3=B6ln\r\n"), std::string::npos);
    expectWireForm(written.text);
}

TEST(MailMessage, AttachmentsMakeAMultipartMessageOfBase64Parts) {
    TempDir dir;
    const std::string data = test::randomBytes(200000, 7);
    test::writeFile(dir / "Ärger 1.zip", data);
    test::writeFile(dir / "empty.zip", "");
    TMailMessage message = simpleMessage();
    message.Body.push_back("--" + std::string(MixedBoundary)); // would end the part: sent quoted-printable
    message.Attachments.emplace_back(dir / "Ärger 1.zip");
    message.Attachments.emplace_back(dir / "empty.zip");
    const MailContent content(message, 1700000000);
    const Written written = writeOut(content, 4096);
    EXPECT_EQ(written.text.size(), content.size());
    EXPECT_LE(written.largestBlock, 8192u); // the file goes in blocks, never whole
    EXPECT_EQ(written.statuses,
              (std::vector<std::string>{"Encoding text", "Encoding attachment", "Encoding attachment"}));
    const std::string head = headerBlock(written.text);
    EXPECT_NE(head.find("Content-Type: multipart/mixed; boundary=\"=_NextPart_2rfkqzbsadvnqw3nerasdf\"\r\n"
                        "MIME-Version: 1.0\r\n"),
              std::string::npos)
        << head;
    const std::string body = written.text.substr(head.size());
    EXPECT_TRUE(
        body.starts_with("\r\nThis is a multi-part message in MIME format\r\n\r\n"
                         "--=_NextPart_2rfkqzbsadvnqw3nerasdf\r\nContent-Type: text/plain; charset=\"UTF-8\"\r\n"
                         "Content-Transfer-Encoding: quoted-printable\r\n\r\n"))
        << body.substr(0, 300);
    EXPECT_NE(body.find("\r\n--=3D_NextPart"), std::string::npos);
    EXPECT_NE(body.find("Content-Type: application/octet-stream;\r\n        name*=UTF-8''%C3%84rger%201.zip\r\n"
                        "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n"
                        "        filename*=UTF-8''%C3%84rger%201.zip\r\n\r\n"),
              std::string::npos);
    // The empty file: its part headers, then nothing.
    EXPECT_NE(body.find("filename=\"empty.zip\"\r\n\r\n\r\n--=_NextPart_2rfkqzbsadvnqw3nerasdf--\r\n"),
              std::string::npos);
    EXPECT_TRUE(body.ends_with("--=_NextPart_2rfkqzbsadvnqw3nerasdf--\r\n"));
    expectWireForm(written.text);
}

TEST(MailMessage, WhatCannotBeSentSafelyIsRefusedBeforeAnythingIsSent) {
    const auto refused = [](const std::function<void(TMailMessage&)>& change) {
        TMailMessage message = simpleMessage();
        change(message);
        try {
            checkMessage(message);
        } catch (const MailError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refused([](TMailMessage&) {}), "accepted");
    EXPECT_EQ(refused([](TMailMessage& m) { m.Subject = "Hi\r\nBcc: victim@example.org"; }),
              "The subject cannot hold a line break.");
    EXPECT_EQ(refused([](TMailMessage& m) { m.Recipients = parseAddressList("a@x.org\nRCPT TO:<b@y.org>"); }),
              "'a@x.org\nRCPT TO: <b@y.org>' is not an email address.");
    EXPECT_EQ(refused([](TMailMessage& m) { m.Recipients.clear(); }), "The message has no recipient.");
    EXPECT_EQ(refused([](TMailMessage& m) { m.From = {"", "nobody"}; }), "'nobody' is not an email address.");
    EXPECT_EQ(refused([](TMailMessage& m) { m.setExtraHeader("X-Note", "a\rb"); }),
              "The header 'X-Note' cannot be sent as it stands.");
    TempDir dir;
    TMailMessage message = simpleMessage();
    message.Attachments.emplace_back(dir / "missing.zip");
    EXPECT_THROW(checkMessage(message), IoError);
    message.Attachments = {TMailAttachment(dir.path())};
    EXPECT_THROW(checkMessage(message), IoError);
}

TEST(MailMessage, ClearEmptiesEverythingButTheWordEncoding) {
    TMailMessage message = simpleMessage();
    message.HeaderEncoding = WordEncoding::B;
    message.Priority = mpHigh;
    message.Date = 5;
    message.setExtraHeader("X-Mailer", "x");
    message.setExtraHeader("x-mailer", "");
    EXPECT_TRUE(message.ExtraHeaders.empty());
    message.Clear();
    EXPECT_TRUE(message.Recipients.empty() && message.Body.empty() && message.Subject.empty() &&
                message.ContentType.empty() && message.From.Address.empty());
    EXPECT_EQ(message.Priority, mpNormal);
    EXPECT_EQ(message.Date, 0);
    EXPECT_EQ(message.HeaderEncoding, WordEncoding::B);
    message.setBodyText("a\r\nb\nc\rd\n");
    EXPECT_EQ(message.Body, (std::vector<std::string>{"a", "b", "c", "d"}));
}

} // namespace
} // namespace quorvel
