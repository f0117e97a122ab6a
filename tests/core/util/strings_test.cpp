#include "core/util/strings.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(Strings, TrimRemovesBlanksAndControlCharacters) {
    EXPECT_EQ(trim("  \t Docs \r\n"), "Docs");
    EXPECT_EQ(trim("   "), "");
    EXPECT_EQ(trimLeft("  a "), "a ");
    EXPECT_EQ(trimRight("  a "), "  a");
}

TEST(Strings, IntegersFallBackOnAnythingThatIsNotOne) {
    EXPECT_EQ(parseInt("42"), 42);
    EXPECT_EQ(parseInt(" -7 "), -7);
    EXPECT_EQ(parseInt("+3"), 3);
    for (const char* bad : {"", "abc", "12abc", "1.5", "99999999999", "- 5", "--5"})
        EXPECT_FALSE(parseInt(bad).has_value()) << bad;
    EXPECT_EQ(parseIntOr("x", 6), 6);
}

TEST(Strings, CaseInsensitiveComparisonIsAsciiOnly) {
    EXPECT_TRUE(equalsIgnoreCase("Project A", "PROJECT a"));
    EXPECT_FALSE(equalsIgnoreCase("Ä", "ä"));
    EXPECT_TRUE(startsWithIgnoreCase("/Home/User", "/home/"));
    EXPECT_EQ(split("a;;b", ';'), (std::vector<std::string>{"a", "", "b"}));
}

// A message's "\r" and a server reply's "\r\n" are one line break each; "\n\r" is two.
TEST(Strings, LineBreaksBecomeOneNewlineEach) {
    EXPECT_EQ(lineBreaksAsNewlines("Backup 2 Files Succeeds!\rProject Name: 'Docs'"),
              "Backup 2 Files Succeeds!\nProject Name: 'Docs'");
    EXPECT_EQ(lineBreaksAsNewlines("Socket Error # 111\r\nConnection refused.\r\n"),
              "Socket Error # 111\nConnection refused.\n");
    EXPECT_EQ(lineBreaksAsNewlines("a\n\rb\r"), "a\n\nb\n");
    EXPECT_EQ(lineBreaksAsNewlines(""), "");
}
