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
