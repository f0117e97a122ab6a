#include "core/zip/name_selection.h"
#include "core/zip/wildcard_match.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(WildcardMatch, StarsQuestionMarksAndCase) {
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("*.txt", "Notes.TXT"));
    EXPECT_TRUE(WildcardMatch("*.tmp", "x.TMP"));
    EXPECT_FALSE(WildcardMatch("*.txt", "notes.txt.bak"));
    EXPECT_TRUE(WildcardMatch("a?c", "abc"));
    EXPECT_FALSE(WildcardMatch("a?c", "ac"));
    EXPECT_TRUE(WildcardMatch("*.", "readme."));
    // The star also runs over folder separators.
    EXPECT_TRUE(WildcardMatch("Data/*.txt", "data/sub/b.txt"));
    EXPECT_FALSE(WildcardMatch("Data/*.txt", "a.txt"));
    EXPECT_TRUE(WildcardMatch("/home/u/data/sub/*", "/home/u/Data/Sub/deeper/x.bin"));
}

TEST(WildcardMatch, Sets) {
    EXPECT_TRUE(WildcardMatch("a<b-d>?.txt", "AC1.TXT"));
    EXPECT_TRUE(WildcardMatch("a<d-b>?.txt", "AC1.TXT")); // a range may be written backwards
    EXPECT_FALSE(WildcardMatch("a<b-d>?.txt", "ae1.txt"));
    EXPECT_TRUE(WildcardMatch("<!a>x", "bx"));
    EXPECT_TRUE(WildcardMatch("<^a>x", "bx"));
    EXPECT_FALSE(WildcardMatch("<!a>x", "ax"));
    EXPECT_TRUE(WildcardMatch("*<0-9>", "file7"));
    EXPECT_FALSE(WildcardMatch("<>abc", "abc")); // a mask beginning with an empty set never matches
}

TEST(WildcardMatch, ResultCodes) {
    EXPECT_EQ(wildcardMatchResult("abc", "abc"), MatchValid);
    EXPECT_EQ(wildcardMatchResult("ab", "abc"), MatchEnd);
    EXPECT_EQ(wildcardMatchResult("abcd", "abc"), MatchAbort);
    EXPECT_EQ(wildcardMatchResult("abc*", "abc"), MatchValid);
    EXPECT_EQ(wildcardMatchResult("<a-c>", "x"), MatchRange);
    EXPECT_EQ(wildcardMatchResult("abd", "abc"), MatchLiteral);
    EXPECT_EQ(wildcardMatchResult("<>", "x"), MatchPattern);
    EXPECT_EQ(wildcardMatchResult("a<", "ab"), MatchPattern);
    EXPECT_EQ(wildcardMatchResult("<a-", "ab"), MatchPattern);
    EXPECT_EQ(wildcardMatchResult("<ab", "ab"), MatchPattern);
    EXPECT_EQ(wildcardMatchResult("*x", "abc"), MatchAbort);
    EXPECT_EQ(wildcardMatchResult("*<>", "abc"), MatchAbort);
    // The name running out inside the star run's "?" is final.
    EXPECT_EQ(wildcardMatchResult("*?*", "a"), MatchAbort);
    EXPECT_EQ(wildcardMatchResult("*?*", "ab"), MatchValid);
}

TEST(WildcardMatch, ManyStarsStayFast) {
    std::string name(2000, 'a');
    EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*b", name));
}

TEST(IsWildcardName, MaskCharacters) {
    for (const char* mask : {"*.txt", "a?", "a<b>", ">/x/*", "|/x/*"})
        EXPECT_TRUE(IsWildcardName(mask)) << mask;
    EXPECT_FALSE(IsWildcardName("/home/u/a.txt"));
}

// The lookup of plain names must choose exactly what matching every name and mask one by one
// would choose, letter case included.
TEST(NameSelection, ChoosesWhatWildcardMatchChooses) {
    const std::vector<std::string> items{"Data/Report.TXT", "notes", "*.odt", "Data/<a-c>*", "photos/?.jpg", ""};
    const std::vector<std::string> stored{"data/report.txt", "Data/Report.TXT", "Data/report.txt.bak", "notes",
                                          "Notes",           "notes/",          "x/letter.ODT",        "Data/b1",
                                          "Data/d1",         "photos/1.jpg",    "photos/12.jpg",       "report.txt"};
    const NameSelection selection(items);
    for (const std::string& name : stored) {
        bool expected = false;
        for (const std::string& item : items)
            expected = expected || WildcardMatch(item, name);
        EXPECT_EQ(selection.selects(name), expected) << name;
    }
    EXPECT_EQ(selection.unmatched(stored), std::vector<std::string>{""});
    EXPECT_EQ(NameSelection({"a.txt", "*.md", "b.txt"}).unmatched({"A.TXT", "c.txt"}),
              (std::vector<std::string>{"*.md", "b.txt"}));
    EXPECT_FALSE(NameSelection({}).selects("anything"));
}

// Exact names are stored names as they are: no mask characters, and letter case counts.
TEST(NameSelection, ExactNamesAreTakenLiterally) {
    const NameSelection selection({"a*b?.txt", "Notes.txt"}, NameMatching::Exact);
    EXPECT_TRUE(selection.selects("a*b?.txt"));
    EXPECT_FALSE(selection.selects("axxb1.txt"));
    EXPECT_FALSE(selection.selects("A*B?.TXT"));
    EXPECT_TRUE(selection.selects("Notes.txt"));
    EXPECT_FALSE(selection.selects("notes.txt"));
    EXPECT_EQ(selection.unmatched({"axxb1.txt", "notes.txt", "Notes.txt"}), std::vector<std::string>{"a*b?.txt"});
}
