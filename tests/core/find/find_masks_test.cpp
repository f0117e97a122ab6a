#include "core/find/exclusion_mask.h"
#include "core/find/find_mask.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(FindMask, ExtensionMaskMatchesAnyLetterCaseButNotALongerExtension) {
    EXPECT_TRUE(matchesFindMask("backup1.zip", "*.zip"));
    EXPECT_TRUE(matchesFindMask("BACKUP1.ZIP", "*.zip"));
    EXPECT_TRUE(matchesFindMask("a.b.Zip", "*.zip"));
    EXPECT_FALSE(matchesFindMask("backup1.zip.bak", "*.zip"));
    EXPECT_FALSE(matchesFindMask("backup1.zipx", "*.zip"));
    EXPECT_FALSE(matchesFindMask("zip", "*.zip"));
}

TEST(FindMask, StarDotStarMatchesEveryNameAndStarDotOnlyNamesWithoutDot) {
    for (const char* name : {"README", "a.txt", "a.b.c", "x."})
        EXPECT_TRUE(matchesFindMask(name, "*.*")) << name;
    EXPECT_TRUE(matchesFindMask("Makefile", "*."));
    EXPECT_FALSE(matchesFindMask("a.txt", "*."));
    // A mask without dot gets ".*" before it reaches the matcher: "data.*" finds "data" too.
    EXPECT_TRUE(matchesFindMask("data", "data.*"));
    EXPECT_TRUE(matchesFindMask("data.csv", "data.*"));
    EXPECT_FALSE(matchesFindMask("database", "data.*"));
}

TEST(FindMask, QuestionMarkTakesOneCharacterButNeverADot) {
    EXPECT_TRUE(matchesFindMask("ab.txt", "a?.txt"));
    EXPECT_TRUE(matchesFindMask("a.txt", "a?.txt")); // nothing left to take before the dot
    EXPECT_FALSE(matchesFindMask("abc.txt", "a?.txt"));
    EXPECT_FALSE(matchesFindMask("a.c", "a?c"));
    EXPECT_TRUE(matchesFindMask("abc", "a?c"));
    EXPECT_TRUE(matchesFindMask("ab", "ab??"));
}

TEST(ExclusionMask, StarAndQuestionMarkNeverRunAcrossADotOfTheName) {
    EXPECT_TRUE(matchesExclusionMask("/d/", "a.tmp", "*.TMP"));
    EXPECT_TRUE(matchesExclusionMask("/d/", "A.TMP", "*.tmp"));
    EXPECT_FALSE(matchesExclusionMask("/d/", "A.B.TMP", "*.TMP"));
    EXPECT_TRUE(matchesExclusionMask("/d/", "A.B.TMP", "*.*.TMP"));
    EXPECT_FALSE(matchesExclusionMask("/d/", "README", "*.*")); // this dialect needs the dot
    EXPECT_TRUE(matchesExclusionMask("/d/", "README", "*"));
    EXPECT_FALSE(matchesExclusionMask("/d/", "a.b", "*"));
    EXPECT_TRUE(matchesExclusionMask("/d/", "A.TXT", "A?.TXT")); // "?" facing the dot is passed over
    EXPECT_FALSE(matchesExclusionMask("/d/", "A.TXT", "A?TXT"));
    EXPECT_TRUE(matchesExclusionMask("/d/", "AB", "AB???"));
    EXPECT_FALSE(matchesExclusionMask("/d/", "ABC", "AB"));
}

TEST(ExclusionMask, FolderPartMustEndTheEntrysFolder) {
    EXPECT_TRUE(matchesExclusionMask("/home/u/cache/", "x.tmp", "cache/*.tmp"));
    EXPECT_TRUE(matchesExclusionMask("/home/u/Cache/", "x.tmp", "/HOME/U/CACHE/*.tmp"));
    EXPECT_FALSE(matchesExclusionMask("/home/u/cache/sub/", "x.tmp", "cache/*.tmp"));
    EXPECT_FALSE(matchesExclusionMask("/u/", "x.tmp", "/home/u/*.tmp")); // longer than the folder
    EXPECT_TRUE(matchesExclusionMask("/home/u/cache/", "anything.at.all", "cache/"));
    EXPECT_TRUE(matchesExclusionMask("/home/u/cache/", "x.tmp", "*:/u/cache/*.tmp"));
    EXPECT_FALSE(matchesExclusionMask("/home/u/cache/", "x.tmp", "C:/u/cache/*.tmp"));
}
