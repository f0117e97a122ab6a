#include "core/ini/ini_document.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(IniDocument, SectionsAndKeysMatchWithoutRegardToCase) {
    auto doc = IniDocument::parse("[Common]\nProject Count=2\n[My Project]\nPackLevel=9\n");
    EXPECT_EQ(doc.readInteger("common", "PROJECT COUNT", 0), 2);
    EXPECT_EQ(doc.readInteger("MY PROJECT", "packlevel", 6), 9);
    doc.writeInteger("my project", "PACKLEVEL", 3);
    EXPECT_EQ(doc.serialize(), "[Common]\nProject Count=2\n[My Project]\nPACKLEVEL=3\n");
}

TEST(IniDocument, TypedReadsFallBackToTheirDefaults) {
    auto doc = IniDocument::parse("[S]\nnum=12x\nflag=2\nzero=0\nbad=yes\nempty=\n");
    EXPECT_EQ(doc.readInteger("S", "num", 6), 6);
    EXPECT_EQ(doc.readInteger("S", "missing", 50), 50);
    EXPECT_TRUE(doc.readBool("S", "flag", false));
    EXPECT_FALSE(doc.readBool("S", "zero", true));
    EXPECT_TRUE(doc.readBool("S", "bad", true));
    EXPECT_EQ(doc.readString("S", "empty", "x"), "");
    EXPECT_EQ(doc.readString("Nope", "k", "c:\\"), "c:\\");
}

TEST(IniDocument, KeepsUnknownLinesAndPlacesNewKeysInTheirSection) {
    std::string text = "; written by hand\n[A]\nx=1\n; note\nunknown line\n\n[B]\ny=2\n";
    auto doc = IniDocument::parse(text);
    EXPECT_EQ(doc.serialize(), text);
    EXPECT_FALSE(doc.modified());
    doc.writeString("A", "z", "3");
    doc.writeString("C", "w", "4");
    EXPECT_TRUE(doc.modified());
    EXPECT_EQ(doc.serialize(), "; written by hand\n[A]\nx=1\n; note\nunknown line\nz=3\n\n[B]\ny=2\n\n[C]\nw=4\n");
}

TEST(IniDocument, ValuesKeepTheirBlanksButNotLineBreaks) {
    IniDocument doc;
    doc.writeString("P", "Comment", "  two\nlines  ");
    auto again = IniDocument::parse(doc.serialize());
    EXPECT_EQ(again.readString("P", "Comment"), "  two lines  ");
}

TEST(IniDocument, FirstOfDuplicatesWinsAndCrLfIsRead) {
    auto doc = IniDocument::parse("\xEF\xBB\xBF[S]\r\nk=first\r\nk=second\r\n[s]\r\nk=third\r\n");
    EXPECT_EQ(doc.readString("S", "k"), "first");
    EXPECT_TRUE(doc.removeSection("S"));
    EXPECT_FALSE(doc.hasSection("s"));
}

TEST(IniDocument, RemovingKeysAndListingNames) {
    auto doc = IniDocument::parse("[Log1]\nDate=a\nStatus=b\n[Log2]\n");
    EXPECT_EQ(doc.keys("log1"), (std::vector<std::string>{"Date", "Status"}));
    EXPECT_TRUE(doc.removeKey("Log1", "date"));
    EXPECT_FALSE(doc.removeKey("Log1", "date"));
    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"Log1", "Log2"}));
}
