#include "core/restore/restore_options.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(RestoreOptions, StoredNumbersSelectTheirButtonsAndNoneFallsBackToNever) {
    EXPECT_EQ(storedOverwriteModeOf(0), StoredOverwriteMode::Always);
    EXPECT_EQ(storedOverwriteModeOf(1), StoredOverwriteMode::Prompt);
    EXPECT_EQ(storedOverwriteModeOf(2), StoredOverwriteMode::Never);
    EXPECT_EQ(storedOverwriteModeOf(3), StoredOverwriteMode::IfNewer);
    EXPECT_EQ(storedOverwriteModeOf(4), StoredOverwriteMode::IfOlder);
    EXPECT_EQ(storedOverwriteModeOf(-1), std::nullopt);
    EXPECT_EQ(storedOverwriteModeOf(5), std::nullopt);
    EXPECT_EQ(storedOverwriteValue(std::nullopt), 2);
    EXPECT_EQ(storedOverwriteValue(StoredOverwriteMode::Prompt), 1);
    EXPECT_EQ(storedOverwriteValue(StoredOverwriteMode::IfOlder), 4);
    EXPECT_EQ(overwriteCaption(StoredOverwriteMode::Prompt), "Prompt Before  Overwrite");
}

TEST(RestoreOptions, ButtonsMapToTheReadersModesAndNoneKeepsFiles) {
    EXPECT_EQ(readerOverwriteMode(StoredOverwriteMode::Prompt), Prompt);
    EXPECT_EQ(readerOverwriteMode(StoredOverwriteMode::Always), Always);
    EXPECT_EQ(readerOverwriteMode(StoredOverwriteMode::Never), Never);
    EXPECT_EQ(readerOverwriteMode(StoredOverwriteMode::IfNewer), ifNewer);
    EXPECT_EQ(readerOverwriteMode(StoredOverwriteMode::IfOlder), ifOlder);
    EXPECT_EQ(readerOverwriteMode(std::nullopt), Never);

    RestoreOptions options;
    options.destDir = "  /home/u/out ";
    options.useOriginalFolders = false;
    options.overwrite = std::nullopt;
    EXPECT_EQ(restoreSelectedQuestion(2, "a.zip", options),
              "Do you want to restore 2 files from 'a.zip'?\rExtract to:          '/home/u/out'\r"
              "Use original folder: 'No'\rOverwrite Mode:      ''");
}
