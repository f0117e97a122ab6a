#include "core/util/date_time.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(DateTime, FormatsInTheProgramsFormats) {
    DateTime t{2026, 12, 7, 23, 16, 6};
    EXPECT_EQ(formatDateTime(t), "2026-12-07 23:16:06");
    EXPECT_EQ(formatDateTimeShort(DateTime{2026, 1, 2, 0, 0, 0}), "2026-01-02");
    EXPECT_EQ(formatDateTimeShort(DateTime{2026, 1, 2, 0, 0, 1}), "2026-01-02 00:00:01");
}

TEST(DateTime, ParsesWhatItWritesAndRejectsTheRest) {
    EXPECT_EQ(parseDateTime("2026-12-07 23:16:06"), (DateTime{2026, 12, 7, 23, 16, 6}));
    EXPECT_EQ(parseDateTime("2026-2-7 8:05"), (DateTime{2026, 2, 7, 8, 5, 0}));
    EXPECT_EQ(parseDateTime("2026-12-07"), (DateTime{2026, 12, 7, 0, 0, 0}));
    EXPECT_EQ(parseTime("12:00:00")->hour, 12);
    for (const char* bad : {"", "abc", "2026-02-30 10:00:00", "2026-12-07 24:00:00", "2026-12-07x", "10:61:00",
                            "2026-12-07 10:00:00 extra"})
        EXPECT_FALSE(parseDateTime(bad).has_value()) << bad;
    EXPECT_FALSE(parseTime("abc").has_value());
    EXPECT_FALSE(parseTime("25:00:00").has_value());
}

TEST(DateTime, NaiveArithmeticCrossesMonthsAndYears) {
    DateTime t{2026, 12, 31, 23, 30, 0};
    EXPECT_EQ(addSeconds(t, 90 * 60), (DateTime{2027, 1, 1, 1, 0, 0}));
    EXPECT_EQ(addDays(DateTime{2024, 2, 28, 12, 0, 0}, 1), (DateTime{2024, 2, 29, 12, 0, 0}));
    EXPECT_EQ(dayOfWeek(DateTime{2026, 12, 8, 0, 0, 0}), 2); // a Tuesday
    EXPECT_EQ(dayOfWeek(DateTime{1970, 1, 4, 0, 0, 0}), 0);  // a Sunday
}

TEST(DateTime, DosRoundTripHasTwoSecondResolutionAndClampsGarbage) {
    DateTime t{2026, 12, 7, 23, 16, 7};
    EXPECT_EQ(fromDosDateTime(toDosDateTime(t)), (DateTime{2026, 12, 7, 23, 16, 6}));
    // month 15, day 31 of a 30-day month, hour 31, minute 63, seconds 62
    std::uint32_t garbage = ((46u << 9 | 15u << 5 | 31u) << 16) | (31u << 11 | 63u << 5 | 31u);
    DateTime g = fromDosDateTime(garbage);
    EXPECT_TRUE(isValid(g));
    EXPECT_EQ(g.month, 12);
    EXPECT_EQ(g.day, 31);
    EXPECT_EQ(g.hour, 23);
    EXPECT_EQ(g.minute, 59);
    EXPECT_EQ(g.second, 58);
    EXPECT_EQ(fromDosDateTime(toDosDateTime(DateTime{1970, 1, 1, 0, 0, 0})), (DateTime{1980, 1, 1, 0, 0, 0}));
}

TEST(DateTime, LocalTimeRoundTrip) {
    DateTime t{2026, 7, 15, 10, 0, 5};
    EXPECT_EQ(fromTimeT(toTimeT(t)), t);
}
