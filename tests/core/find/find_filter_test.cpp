#include "core/find/entry_filter.h"
#include "core/find/file_attributes.h"
#include "core/find/time_bound.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;
using enum TFileAttribute;

TEST(FileAttributes, FilterPassesEmptySetsAndSharedElementsUnlessExact) {
    const TFileAttributes archiveOnly{ffArchive};
    EXPECT_TRUE(attributesPass({}, archiveOnly, false));
    EXPECT_FALSE(attributesPass({ffReadonly}, archiveOnly, false));
    EXPECT_TRUE(attributesPass({ffReadonly, ffArchive}, archiveOnly, false));
    EXPECT_FALSE(attributesPass({ffReadonly, ffArchive}, archiveOnly, true));
    EXPECT_TRUE(attributesPass({ffArchive}, archiveOnly, true));
    EXPECT_FALSE(attributesPass({}, archiveOnly, true));
}

TEST(FileAttributes, LinuxEntriesMapOntoTheSet) {
    EXPECT_EQ(attributesOf("a.txt", S_IFREG | 0644), (TFileAttributes{ffArchive}));
    EXPECT_EQ(attributesOf("a.txt", S_IFREG | 0444), (TFileAttributes{ffArchive, ffReadonly}));
    EXPECT_EQ(attributesOf(".profile", S_IFREG | 0600), (TFileAttributes{ffArchive, ffHidden}));
    EXPECT_EQ(attributesOf("docs", S_IFDIR | 0755), (TFileAttributes{ffDirectory}));
    // Folders stay out of the default filter, which lacks ffDirectory.
    const TFileAttributes defaults{ffArchive, ffReadonly, ffHidden, ffSystem};
    EXPECT_FALSE(attributesPass(attributesOf("x.zip", S_IFDIR | 0755), defaults, false));
}

TEST(TimeBound, EachKindComparesOnlyItsOwnParts) {
    const DateTime file{2024, 5, 10, 14, 30, 0};
    EXPECT_TRUE(TimeBound().admitsAsBefore(file));
    EXPECT_TRUE(TimeBound().admitsAsAfter(file));

    EXPECT_TRUE(TimeBound::date(2024, 5, 10).admitsAsBefore(file)); // same day, later hour
    EXPECT_TRUE(TimeBound::date(2024, 5, 10).admitsAsAfter(file));
    EXPECT_FALSE(TimeBound::date(2024, 5, 9).admitsAsBefore(file));

    EXPECT_TRUE(TimeBound::timeOfDay(15, 0, 0).admitsAsBefore(file)); // whatever the date
    EXPECT_FALSE(TimeBound::timeOfDay(15, 0, 0).admitsAsAfter(file));
    EXPECT_TRUE(TimeBound::timeOfDay(14, 30, 0).admitsAsAfter(file));

    EXPECT_FALSE(TimeBound::dateTime({2024, 5, 10, 14, 29, 59}).admitsAsBefore(file));
    EXPECT_TRUE(TimeBound::dateTime({2024, 5, 10, 14, 29, 59}).admitsAsAfter(file));
}

class EntryFilterTest : public ::testing::Test {
protected:
    static SearchSettings withDefaultAttributes() {
        SearchSettings s;
        s.attributes = {ffArchive, ffReadonly, ffHidden, ffSystem};
        return s;
    }
    FolderEntry file(const std::string& name, std::uint64_t size) {
        FolderEntry e;
        e.name = name;
        e.isRegularFile = true;
        e.size = size;
        e.attributes = {ffArchive};
        e.modified = e.accessed = e.created = toTimeT({2024, 1, 1, 12, 0, 0});
        return e;
    }
    bool passes(const FolderEntry& entry) { return passesFilter(settings, dir.path().string() + "/", entry, stop); }

    TempDir dir;
    SearchSettings settings = withDefaultAttributes();
    std::atomic<bool> stop{false};
};

TEST_F(EntryFilterTest, EveryTimeStampIsCheckedAgainstItsOwnBounds) {
    FolderEntry entry = file("a", 1);
    entry.created = toTimeT({2020, 1, 1, 0, 0, 0});
    settings.modifiedAfter = TimeBound::date(2024, 1, 1);
    EXPECT_TRUE(passes(entry));
    settings.createdAfter = TimeBound::date(2021, 1, 1);
    EXPECT_FALSE(passes(entry));
    settings.createdAfter = {};
    settings.accessedBefore = TimeBound::timeOfDay(11, 59, 59);
    EXPECT_FALSE(passes(entry));
}

TEST_F(EntryFilterTest, ContainingIsSearchedAcrossBlockBordersAndHonoursIgnoreCase) {
    std::string content(4094, 'x');
    content += "NeedleText";
    writeFile(dir / "big.txt", content);
    settings.containing = "needletext";
    EXPECT_TRUE(passes(file("big.txt", content.size())));
    settings.ignoreCase = false;
    EXPECT_FALSE(passes(file("big.txt", content.size())));
    settings.containing = "NeedleText";
    EXPECT_TRUE(passes(file("big.txt", content.size())));
    EXPECT_FALSE(passes(file("missing.txt", 0)));
}
