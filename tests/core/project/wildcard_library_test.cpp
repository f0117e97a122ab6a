#include "core/project/project_items.h"
#include "core/project/wildcard_library.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

TEST(WildcardLibrary, ReadsInOrderSkippingEmptiesAndKeysBeyondTheTotal) {
    IniDocument doc = IniDocument::parse("[Common]\nWildcard Total=3\nWildcard2=*.xls\nWildcard0=*.doc\nWildcard1=\n"
                                         "Wildcard3=*.old\n");
    EXPECT_EQ(readWildcardLibrary(doc), (std::vector<std::string>{"*.doc", "*.xls"}));
    EXPECT_TRUE(readWildcardLibrary(IniDocument::parse("")).empty());
}

TEST(WildcardLibrary, SavingAnEmptyListStoresTotalZeroAndLeavesOldKeysUnread) {
    TempDir dir;
    IniFile ini(dir / "project.ini");
    saveWildcardLibrary(ini, {"*.doc", "*.txt"});
    EXPECT_EQ(loadWildcardLibrary(ini), (std::vector<std::string>{"*.doc", "*.txt"}));
    saveWildcardLibrary(ini, {});
    EXPECT_EQ(ini.readString("Common", "Wildcard Total"), "0");
    EXPECT_EQ(ini.readString("Common", "Wildcard0"), "*.doc");
    EXPECT_TRUE(loadWildcardLibrary(ini).empty());
}

TEST(WildcardLibrary, AddingIgnoresCaseDuplicatesAndBlanks) {
    std::vector<std::string> masks{"*.doc"};
    EXPECT_FALSE(addWildcard(masks, " *.DOC "));
    EXPECT_FALSE(addWildcard(masks, "   "));
    EXPECT_TRUE(addWildcard(masks, " *.txt "));
    EXPECT_EQ(masks, (std::vector<std::string>{"*.doc", "*.txt"}));
    EXPECT_TRUE(removeWildcard(masks, "*.TXT"));
    EXPECT_FALSE(removeWildcard(masks, "*.txt"));
    EXPECT_EQ(masks, std::vector<std::string>{"*.doc"});
}

TEST(ProjectItems, WildcardItemsAndTheirIcons) {
    EXPECT_EQ(wildcardItem("/home/u/Data", " *.* "), "/home/u/Data/*.*");
    EXPECT_EQ(wildcardItem("/", "*.doc"), "/*.doc"); // the root has its "/" already
    EXPECT_EQ(wildcardItem("/home/u/Data", ""), "/home/u/Data/");
    EXPECT_TRUE(isMaskItem("/home/u/Data/*.doc"));
    EXPECT_TRUE(isMaskItem("/home/u/Data/"));
    EXPECT_TRUE(isMaskItem("/home/u/file<1-3>.txt"));
    EXPECT_FALSE(isMaskItem("/home/u/a.txt"));
    EXPECT_FALSE(isMaskItem("/home/u/*dir/a.txt")); // only the name part counts
}

TEST(ProjectItems, TypedSourcesBecomeFullPathsAndFoldersTheirContents) {
    TempDir dir;
    writeFile(dir / "docs" / "a.txt", "a");
    const fs::path cwd = dir.path();
    EXPECT_EQ(sourceItem("docs", cwd), (dir / "docs").string() + "/*");
    EXPECT_EQ(sourceItem("docs/a.txt", cwd), (dir / "docs" / "a.txt").string());
    EXPECT_EQ(sourceItem(">docs/*.txt", cwd), ">" + (dir / "docs").string() + "/*.txt");
    EXPECT_EQ(sourceItem("/abs/../x/", cwd), "/x/"); // a folder entry of its own, as typed
    EXPECT_EQ(exclusionItem("*.tmp", cwd), "*.tmp");
    EXPECT_EQ(exclusionItem("./docs", cwd), (dir / "docs").string() + "/*");
    EXPECT_EQ(destinationFolder(" out ", cwd), (dir / "out").string() + "/");
    EXPECT_EQ(destinationFolder("/", cwd), "/");
}
