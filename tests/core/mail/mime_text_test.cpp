// Encoded words, folding, MIME parameters, quoted-printable, base64 sizes, the date, addresses.
#include "core/mail/mail_address.h"
#include "core/mail/mail_error.h"
#include "core/mail/mime_text.h"
#include "core/util/strings.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result = split(text, '\n');
    if (!result.empty() && result.back().empty())
        result.pop_back();
    return result;
}

TEST(EncodedWords, PlainWordsStayAndARunOfAccentedWordsBecomesOneQWord) {
    EXPECT_EQ(encodeHeaderText("Report Résumé Café", WordEncoding::Q), "Report =?UTF-8?Q?R=C3=A9sum=C3=A9_Caf=C3=A9?=");
    EXPECT_EQ(encodeHeaderText("Résumé of the week", WordEncoding::Q), "=?UTF-8?Q?R=C3=A9sum=C3=A9?= of the week");
    EXPECT_EQ(encodeHeaderText("日本語", WordEncoding::B), "=?UTF-8?B?5pel5pys6Kqe?=");
    EXPECT_EQ(encodeHeaderText("Weekly backup", WordEncoding::Q), "Weekly backup");
    // Characters that mean something in the Q form, or in a display name, are encoded too.
    EXPECT_EQ(encodeHeaderText("Ä=_?", WordEncoding::Q), "=?UTF-8?Q?=C3=84=3D=5F=3F?=");
    EXPECT_EQ(encodeHeaderText("Jörg (home)", WordEncoding::Q, true), "=?UTF-8?Q?J=C3=B6rg_=28home=29?=");
    // A plain word that looks like an encoded word is not left to be decoded.
    EXPECT_EQ(encodeHeaderText("=?x?=", WordEncoding::Q), "=?UTF-8?Q?=3D=3Fx=3F=3D?=");
}

TEST(EncodedWords, LongRunsSplitBetweenCharactersIntoShortWords) {
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "é";
    for (const WordEncoding encoding : {WordEncoding::Q, WordEncoding::B}) {
        const std::vector<std::string> words = split(encodeHeaderText(text, encoding), ' ');
        EXPECT_GT(words.size(), 2u);
        for (const std::string& word : words) {
            EXPECT_LE(word.size(), 68u) << word;
            const std::string payload = word.substr(10, word.size() - 12);
            if (encoding == WordEncoding::Q) {
                EXPECT_EQ(payload.size() % 6, 0u) << word; // whole "=C3=A9" pairs only
            } else {
                ASSERT_EQ(payload.size() % 4, 0u);
                const std::size_t bytes =
                    payload.size() / 4 * 3 - static_cast<std::size_t>(std::count(payload.begin(), payload.end(), '='));
                EXPECT_EQ(bytes % 2, 0u) << word; // whole two-byte characters only
            }
        }
    }
    // A long plain word is encoded too, so that the header can be folded.
    const std::string word(120, 'x');
    EXPECT_TRUE(encodeHeaderText(word, WordEncoding::Q).starts_with("=?UTF-8?Q?xxx"));
}

TEST(EncodedWords, LineBreaksNeverPassThrough) {
    const std::string encoded = encodeHeaderText("Hi\r\nBcc: victim@example.org", WordEncoding::Q);
    EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos) << encoded;
}

TEST(Mailboxes, PlainNamesAreQuotedOthersEncoded) {
    EXPECT_EQ(formatMailbox({"", "a@example.org"}, WordEncoding::Q), "a@example.org");
    EXPECT_EQ(formatMailbox({"Doe, \"J\" \\", "a@example.org"}, WordEncoding::Q),
              "\"Doe, \\\"J\\\" \\\\\" <a@example.org>");
    EXPECT_EQ(formatMailbox({"Jürgen Müller", "j@example.org"}, WordEncoding::Q),
              "=?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <j@example.org>");
    EXPECT_EQ(formatMailboxes({{"", "a@x.org"}, {"B", "b@x.org"}}, WordEncoding::Q), "a@x.org, \"B\" <b@x.org>");
}

TEST(Addresses, TheFormsPeopleTypeAreRead) {
    EXPECT_EQ(TEmailAddressItem::parse(" jane@example.org "), (TEmailAddressItem{"", "jane@example.org"}));
    EXPECT_EQ(TEmailAddressItem::parse("Jane Doe <jane@example.org>"),
              (TEmailAddressItem{"Jane Doe", "jane@example.org"}));
    EXPECT_EQ(TEmailAddressItem::parse("\"Doe, Jane\" <jane@example.org>"),
              (TEmailAddressItem{"Doe, Jane", "jane@example.org"}));
    EXPECT_EQ(TEmailAddressItem::parse("jane@example.org (Jane)"), (TEmailAddressItem{"Jane", "jane@example.org"}));
    const TEmailAddressList list = parseAddressList("a@x.org, \"Doe, J\" <j@x.org>; (c, d) c@x.org,,");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Address, "a@x.org");
    EXPECT_EQ(list[1], (TEmailAddressItem{"Doe, J", "j@x.org"}));
    EXPECT_EQ(list[2], (TEmailAddressItem{"c, d", "c@x.org"}));
}

TEST(Addresses, OnlyRealAddressesPassTheCheck) {
    for (const char* good : {"a@example.org", "first.last+tag@mail.example.co.uk", "x@localhost", "o'neil@[127.0.0.1]"})
        EXPECT_TRUE(isValidAddress(good)) << good;
    for (const char* bad : {"", "a", "@x.org", "a@", "a b@x.org", "a..b@x.org", ".a@x.org", "a@-x.org", "a@x..org",
                            "a@x.org\r\nRCPT TO:<b@y.org>", "a@x.org>", "\"q\"@x.org", "ä@x.org", "a@x_y.org"})
        EXPECT_FALSE(isValidAddress(bad)) << bad;
    EXPECT_FALSE(isValidAddress(std::string(65, 'a') + "@x.org"));
    EXPECT_FALSE(isValidAddress("a@" + std::string(250, 'b') + ".org"));
    EXPECT_THROW(checkMailbox({"Jane\r\nBcc: x@y.org", "jane@example.org"}), MailError);
    try {
        checkMailboxes(parseAddressList("ok@x.org, not an address"));
        FAIL();
    } catch (const MailError& e) {
        EXPECT_STREQ(e.what(), "'not an address' is not an email address.");
    }
}

TEST(HeaderFolding, LongLinesBreakBeforeBlanksOutsideQuotes) {
    std::string value;
    for (int i = 0; i < 12; ++i)
        value += (i ? ", " : "") + std::string("\"Person ") + std::to_string(i) + ", x\" <p" + std::to_string(i) +
                 "@example.org>";
    const std::string folded = foldHeader("To", value);
    ASSERT_TRUE(folded.ends_with("\r\n"));
    std::string unfolded;
    for (const std::string& line : lines(folded)) {
        ASSERT_TRUE(line.ends_with("\r"));
        EXPECT_LE(line.size() - 1, 78u) << line;
        unfolded += line.substr(0, line.size() - 1);
        // Never inside a quoted name.
        EXPECT_EQ(std::count(line.begin(), line.end(), '"') % 2, 0) << line;
    }
    EXPECT_EQ(unfolded, "To: " + value);
    EXPECT_EQ(foldHeader("Subject", "short"), "Subject: short\r\n");
    EXPECT_GT(lines(folded).size(), 3u);
    for (std::size_t i = 1; i < lines(folded).size(); ++i)
        EXPECT_EQ(lines(folded)[i][0], ' ');
}

TEST(MimeParameters, FileNamesAreQuotedOrCarriedInTheRfc2231Form) {
    EXPECT_EQ(mimeParameter("filename", "backup 01.zip"), "\r\n        filename=\"backup 01.zip\"");
    EXPECT_EQ(mimeParameter("name", "a\"b.zip"), "\r\n        name=\"a\\\"b.zip\"");
    EXPECT_EQ(mimeParameter("filename", "Ärger.zip"), "\r\n        filename*=UTF-8''%C3%84rger.zip");
    EXPECT_EQ(mimeParameter("filename", "a\r\nb"), "\r\n        filename*=UTF-8''a%0D%0Ab");
    std::string longName;
    for (int i = 0; i < 30; ++i)
        longName += "ü";
    const std::string parameter = mimeParameter("filename", longName + ".zip");
    EXPECT_NE(parameter.find("filename*0*=UTF-8''%C3%BC"), std::string::npos) << parameter;
    EXPECT_NE(parameter.find(";\r\n        filename*1*=%C3%BC"), std::string::npos) << parameter;
    for (const std::string& line : split(parameter, '\n'))
        EXPECT_LE(line.size(), 79u) << line;
}

TEST(QuotedPrintable, EncodesWhatIsNotPlainAndKeepsLinesShort) {
    EXPECT_EQ(quotedPrintable({"a=b", "trailing ", "tab\tinside", "Grüße"}),
              "a=3Db\r\ntrailing=20\r\ntab\tinside\r\nGr=C3=BC=C3=9Fe\r\n");
    const std::string encoded = quotedPrintable({std::string(200, 'x') + "ü" + std::string(200, 'y')});
    for (const std::string& line : lines(encoded))
        EXPECT_LE(line.size() - 1, 76u) << line;
    std::string joined;
    for (const std::string& line : lines(encoded))
        joined += line.ends_with("=\r") ? line.substr(0, line.size() - 2) : line.substr(0, line.size() - 1);
    EXPECT_EQ(joined, std::string(200, 'x') + "=C3=BC" + std::string(200, 'y'));
}

TEST(QuotedPrintable, PlainTextIsSentAsItIsUnlessItCouldBreakTheMessage) {
    EXPECT_TRUE(linesFit7bit({"Hello,", "", "\tindented", std::string(998, 'x')}, "=_B"));
    EXPECT_FALSE(linesFit7bit({std::string(999, 'x')}, "=_B"));
    EXPECT_FALSE(linesFit7bit({"Grüße"}, "=_B"));
    EXPECT_FALSE(linesFit7bit({"bell\a"}, "=_B"));
    EXPECT_FALSE(linesFit7bit({"--=_B--"}, "=_B"));
    EXPECT_TRUE(linesFit7bit({"--=_B--"}, ""));
}

TEST(Base64, LineSizesAreKnownWithoutEncoding) {
    for (const std::size_t size : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 114u, 1000u, 57u * 1024u + 5u}) {
        std::string out;
        appendBase64Lines(out, std::string(size, 'x'));
        EXPECT_EQ(out.size(), base64LinesSize(size)) << size;
        for (const std::string& line : lines(out))
            EXPECT_LE(line.size(), 77u);
    }
    EXPECT_EQ(base64("Man"), "TWFu");
    EXPECT_EQ(base64("Ma"), "TWE=");
    EXPECT_EQ(base64(std::string("\0user\0pw", 8)), "AHVzZXIAcHc=");
}

TEST(MailDate, EnglishNamesAndTheOffsetFromUtc) {
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_wday = 2;
    local.tm_hour = 14;
    local.tm_min = 3;
    local.tm_sec = 9;
    EXPECT_EQ(formatMailDate(local, 3600), "Tue, 5 Mar 2024 14:03:09 +0100");
    EXPECT_EQ(formatMailDate(local, -16200), "Tue, 5 Mar 2024 14:03:09 -0430");
    EXPECT_EQ(formatMailDate(local, 0), "Tue, 5 Mar 2024 14:03:09 +0000");
}

TEST(WordEncodingChoice, BForChineseJapaneseKoreanQOtherwise) {
    EXPECT_EQ(wordEncodingForLanguage("ja_JP.UTF-8"), WordEncoding::B);
    EXPECT_EQ(wordEncodingForLanguage("zh_TW"), WordEncoding::B);
    EXPECT_EQ(wordEncodingForLanguage("ko"), WordEncoding::B);
    EXPECT_EQ(wordEncodingForLanguage("de_DE.UTF-8"), WordEncoding::Q);
    EXPECT_EQ(wordEncodingForLanguage("C"), WordEncoding::Q);
}

} // namespace
} // namespace quorvel
