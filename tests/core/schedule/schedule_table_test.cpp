// The due-time arithmetic of one project, without files: what a rebuild makes of the stored
// schedule, and how the last served occurrence moves it.
#include "core/schedule/schedule_table.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

constexpr DateTime Saturday{2026, 3, 14, 10, 0, 0}; // 10:00 on a Saturday

DateTime at(int day, int hour, int minute = 0, int second = 0) {
    return DateTime{2026, 3, day, hour, minute, second};
}

tautobackup entry(int mode, const std::string& text, DateTime now = Saturday) {
    const std::optional<tautobackup> made = scheduleEntry("P", mode, text, now);
    EXPECT_TRUE(made.has_value()) << mode << " " << text;
    return made.value_or(tautobackup{});
}

} // namespace

TEST(ScheduleEntry, DailyOnceIsTodayAtItsTimeEvenWhenPassedAndFallsBackToNoon) {
    EXPECT_EQ(entry(0, "08:00:00"), (tautobackup{"P", at(14, 8), SecondsPerDay, true}));
    EXPECT_EQ(entry(0, "23:30:15").nextDue, at(14, 23, 30, 15));
    EXPECT_EQ(entry(0, "abc").nextDue, at(14, 12));
    EXPECT_EQ(entry(0, "").nextDue, at(14, 12));
    EXPECT_EQ(entry(0, "25:00:00").nextDue, at(14, 12));
}

TEST(ScheduleEntry, EveryNMinutesCountsFromNowAndFallsBackToOneHour) {
    EXPECT_EQ(entry(1, "90"), (tautobackup{"P", at(14, 11, 30), 90 * SecondsPerMinute, false}));
    EXPECT_EQ(entry(1, "1439").intervalSeconds, 1439 * SecondsPerMinute);
    for (const char* text : {"abc", "", "1440", "5000", "0", "-5", "1.5"}) {
        EXPECT_EQ(entry(1, text).intervalSeconds, 3600) << text;
        EXPECT_EQ(entry(1, text).nextDue, at(14, 11)) << text;
    }
}

TEST(ScheduleEntry, WeeklyIsNoonOnTheFirstMatchingDayFromTodayOrEightDaysOn) {
    // Today's weekday: noon today, whether that is still ahead (11:00) or passed (13:00).
    EXPECT_EQ(entry(2, "Saturday", at(14, 11)), (tautobackup{"P", at(14, 12), 7 * SecondsPerDay, true}));
    EXPECT_EQ(entry(2, "Saturday", at(14, 13)).nextDue, at(14, 12));
    EXPECT_EQ(entry(2, "Monday").nextDue, at(16, 12));
    EXPECT_EQ(entry(2, "Friday").nextDue, at(20, 12));
    // No weekday, or not one of the names as written: eight days on, counted from then.
    for (const char* text : {"", "saturday", "Sat"}) {
        EXPECT_EQ(entry(2, text).nextDue, at(22, 12)) << text;
        EXPECT_FALSE(entry(2, text).fixedPhase) << text;
    }
}

TEST(ScheduleEntry, NoneAndUnknownModesHaveNoSchedule) {
    for (int mode : {3, 4, -1, 99})
        EXPECT_FALSE(scheduleEntry("P", mode, "08:00:00", Saturday)) << mode;
}

TEST(LastServed, DailyRunsEachOccurrenceOnceAndOnlyTheLatestMissedOne) {
    const tautobackup daily = entry(0, "08:00:00");
    // Served this morning: tomorrow, however often the table is rebuilt today.
    EXPECT_EQ(applyLastServed(daily, at(14, 8), Saturday).nextDue, at(15, 8));
    EXPECT_EQ(applyLastServed(daily, at(14, 8, 0, 25), Saturday).nextDue, at(15, 8));
    // Served yesterday: this morning's was missed, and is due now.
    EXPECT_EQ(applyLastServed(daily, at(13, 8), Saturday).nextDue, at(14, 8));
    // Served days ago, now before today's time: yesterday's, once; today's follows at 08:00.
    const tautobackup early = entry(0, "08:00:00", at(14, 7));
    EXPECT_EQ(applyLastServed(early, at(10, 8), at(14, 7)).nextDue, at(13, 8));
    EXPECT_EQ(applyLastServed(early, at(13, 8), at(14, 7)).nextDue, at(14, 8));
}

TEST(LastServed, EveryNMinutesKeepsItsRhythmFromTheLastRun) {
    const tautobackup every = entry(1, "90"); // rebuilt at 10:00
    EXPECT_EQ(applyLastServed(every, at(14, 9, 30), Saturday).nextDue, at(14, 11));
    // Hours missed: the latest occurrence only, then every 90 minutes from it.
    EXPECT_EQ(applyLastServed(every, at(14, 2), Saturday).nextDue, at(14, 9, 30));
}

TEST(LastServed, AClockSetBackDoesNotHoldProjectsBackButAnHourRepeatedRunsNothingTwice) {
    const tautobackup daily = entry(0, "08:00:00");
    EXPECT_EQ(applyLastServed(daily, at(20, 8), Saturday).nextDue, at(15, 8));
    const tautobackup lateDaily = entry(0, "02:30:00", at(14, 2));
    EXPECT_EQ(applyLastServed(lateDaily, at(14, 2, 30), at(14, 2)).nextDue, at(15, 2, 30));
}
