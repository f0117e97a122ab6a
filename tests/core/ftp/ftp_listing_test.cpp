// The listing parsers on the three formats, and the reading of passive-mode replies.
#include "core/ftp/ftp_data_address.h"
#include "core/ftp/ftp_list_items.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

const DateTime June2024{2024, 6, 15, 9, 0, 0};
const DateTime December2024{2024, 12, 20, 9, 0, 0};

TFtpListItem only(const TFtpListItems& items) {
    EXPECT_EQ(items.Count(), 1);
    return items.Count() > 0 ? items[0] : TFtpListItem{};
}

TEST(UnixListing, TotalLineIsSkippedAndDatesWithoutYearTakeTheRightOne) {
    const std::string listing = "total 8\r\ndrwxr-xr-x 2 user group 4096 Dec 5 12:30 My Folder\r\n";
    const TFtpListItems items = parseListing(listing, June2024);
    EXPECT_EQ(items.ListFormat, flfUnix);
    const TFtpListItem folder = only(items);
    EXPECT_EQ(folder.kind, ditDirectory);
    EXPECT_EQ(folder.fileName, "My Folder");
    EXPECT_EQ(folder.modified, (DateTime{2023, 12, 5, 12, 30, 0}));
    EXPECT_EQ(folder.size, 4096);
    EXPECT_EQ(folder.ownerName, "user");
    EXPECT_EQ(folder.groupName, "group");
    EXPECT_EQ(folder.ownerPermissions, "rwx");
    EXPECT_EQ(folder.otherPermissions, "r-x");
    EXPECT_EQ(folder.linkCount, 2);
    EXPECT_EQ(only(parseListing(listing, December2024)).modified, (DateTime{2024, 12, 5, 12, 30, 0}));
}

TEST(UnixListing, MissingGroupColumnAndYearDates) {
    const TFtpListItem file = only(parseListing("-rw-r--r-- 1 owner 1234 Mar 3 2004 a.zip\n", June2024));
    EXPECT_EQ(file.kind, ditFile);
    EXPECT_EQ(file.fileName, "a.zip");
    EXPECT_EQ(file.size, 1234);
    EXPECT_EQ(file.modified, (DateTime{2004, 3, 3, 0, 0, 0}));
}

TEST(UnixListing, NamesKeepTheirBlanksAndLinksTheirTargets) {
    const TFtpListItems items = parseListing("-rw-r--r-- 1 me us 10 Jan 02 2020 two  blanks .zip\n"
                                             "lrwxrwxrwx 1 me us 7 Jan 02 2020 latest -> backups/b 7.zip\n",
                                             June2024);
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items[0].fileName, "two  blanks .zip");
    EXPECT_EQ(items[1].kind, ditSymbolicLink);
    EXPECT_EQ(items[1].fileName, "latest");
    EXPECT_EQ(items[1].linkTarget, "backups/b 7.zip");
}

TEST(UnixListing, StickyAndSetIdBitsAreStillUnix) {
    const TFtpListItems items = parseListing("drwxrwxrwt 9 root root 4096 Jan 1 2024 tmp\n"
                                             "-rwsr-xr-x 1 root root 10 Jan 1 2024 tool\n",
                                             June2024);
    EXPECT_EQ(items.ListFormat, flfUnix);
    EXPECT_EQ(items.Count(), 2);
}

TEST(UnixListing, AbsurdSizesAndDatesAreUnknownAndBadLinesAreLeftOut) {
    const TFtpListItems items = parseListing("-rw-r--r-- 1 a b 99999999999999999999 Jan 1 2020 huge.zip\n"
                                             "-rw-r--r-- 1 a b 12 Feb 31 2020 no-such-day.zip\n"
                                             "-rw-r--r-- 1 a b 12 Foo 3 2020 bad-month.zip\n"
                                             "-rw-r--r-- 1 a b 12 Jan 3 99:99 bad-time.zip\n"
                                             "-rw-r--r-- 1 a b 5 Jan 3 2020\n"
                                             "-rw-r--r-- 1 a b 7 Jan 3 2020 fine.zip\n",
                                             June2024);
    ASSERT_EQ(items.Count(), 4);
    EXPECT_EQ(items[0].fileName, "huge.zip");
    EXPECT_EQ(items[0].size, 0);
    EXPECT_FALSE(items[1].hasDate());
    EXPECT_FALSE(items[2].hasDate());
    EXPECT_EQ(items[3].fileName, "fine.zip");
    EXPECT_TRUE(items[3].hasDate());
}

TEST(DosListing, FoldersFilesAndTwelveHourTimes) {
    const TFtpListItems items = parseListing("01-15-03  10:30AM       <DIR>          backup\r\n"
                                             "02-06-09  03:26PM                 1,285 file one.txt\r\n"
                                             "12-31-99  12:05AM                    0 old.zip\r\n",
                                             June2024);
    EXPECT_EQ(items.ListFormat, flfDos);
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items[0].kind, ditDirectory);
    EXPECT_EQ(items[0].fileName, "backup");
    EXPECT_EQ(items[0].modified, (DateTime{2003, 1, 15, 10, 30, 0}));
    EXPECT_EQ(items[1].fileName, "file one.txt");
    EXPECT_EQ(items[1].size, 1285);
    EXPECT_EQ(items[1].modified, (DateTime{2009, 2, 6, 15, 26, 0}));
    EXPECT_EQ(items[2].modified, (DateTime{1999, 12, 31, 0, 5, 0}));
}

TEST(VmsListing, EntriesFoldersAndWrappedNames) {
    const std::string listing =
        "Directory DISK$USER:[BACKUPS]\r\n"
        "\r\n"
        "ARCHIVE.ZIP;3             24/36     12-DEC-2003 12:01:02  [USER,ANON]  (RWED,RWED,RE,)\r\n"
        "OLD.DIR;1                  1/3      15-JAN-2004 09:00:00  [USER,ANON]  (RWE,RWE,RE,E)\r\n"
        "A_VERY_LONG_FILE_NAME_THAT_WRAPS.ZIP;1\r\n"
        "                           2/3      01-FEB-2004 10:00     [USER,ANON]  (RWED,RWED,,)\r\n"
        "\r\n"
        "Total of 3 files, 27/42 blocks.\r\n";
    const TFtpListItems items = parseListing(listing, June2024);
    EXPECT_EQ(items.ListFormat, flfVms);
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items[0].fileName, "ARCHIVE.ZIP");
    EXPECT_EQ(items[0].size, 24 * 512);
    EXPECT_EQ(items[0].modified, (DateTime{2003, 12, 12, 12, 1, 2}));
    EXPECT_EQ(items[1].kind, ditDirectory);
    EXPECT_EQ(items[1].fileName, "OLD");
    EXPECT_EQ(items[2].fileName, "A_VERY_LONG_FILE_NAME_THAT_WRAPS.ZIP");
    EXPECT_EQ(items[2].modified, (DateTime{2004, 2, 1, 10, 0, 0}));
}

TEST(Listing, UnknownAndEmptyListings) {
    EXPECT_EQ(detectListFormat(""), flfNone);
    EXPECT_EQ(detectListFormat(" \r\n\t\r\n"), flfNone);
    const TFtpListItems unknown = parseListing("hello world\r\nsecond line\r\n", June2024);
    EXPECT_EQ(unknown.ListFormat, flfUnknown);
    EXPECT_EQ(unknown.Count(), 0);
}

TEST(PassiveReply, AddressAndPortWithOrWithoutParentheses) {
    const auto withParens = parsePassiveReply("Entering Passive Mode (10,0,0,1,4,1).");
    ASSERT_TRUE(withParens);
    EXPECT_EQ(withParens->address, "10.0.0.1");
    EXPECT_EQ(withParens->port, 1025);
    const auto bare = parsePassiveReply("Entering Passive Mode 10,0,0,1,4,1");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->address, "10.0.0.1");
    EXPECT_EQ(bare->port, 1025);
}

TEST(PassiveReply, MalformedRepliesAreRefused) {
    for (const char* line : {"Entering Passive Mode", "Entering Passive Mode (10,0,0,1,4)",
                             "Entering Passive Mode (10,0,0,1,4,x)", "Entering Passive Mode (10,0,0,1,300,1)",
                             "Entering Passive Mode (10,0,0,1,0,0)", "Entering Passive Mode (,,,,,)"})
        EXPECT_FALSE(parsePassiveReply(line)) << line;
    EXPECT_EQ(parseExtendedPassiveReply("Entering Extended Passive Mode (|||6446|)"), 6446);
    EXPECT_FALSE(parseExtendedPassiveReply("Entering Extended Passive Mode (|||0|)"));
    EXPECT_FALSE(parseExtendedPassiveReply("Entering Extended Passive Mode (|1|10.0.0.1|6446|)"));
}

TEST(PortArgument, DottedAddressWithCommasAndThePortInTwoBytes) {
    SocketAddress address;
    ASSERT_TRUE(SocketAddress::parseNumeric("192.168.1.20", 1025, address));
    EXPECT_EQ(portArgument(address), "192,168,1,20,4,1");
    EXPECT_EQ(extendedPortArgument(address), "|1|192.168.1.20|1025|");
}

} // namespace
} // namespace quorvel
