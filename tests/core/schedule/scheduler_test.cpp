// The scheduler on a data folder and a clock the test moves: which ticks run which project, and
// what a rebuild or a restart of the program remembers.
#include "core/schedule/scheduler.h"

#include "core/ini/ini_file.h"
#include "core/project/project_store.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using Names = std::vector<std::string>;

class SchedulerTest : public ::testing::Test {
protected:
    // Adds the project to the list, or changes its schedule.
    void schedule(const std::string& name, int mode, const std::string& text) {
        IniFile(data.projectIni()).edit([&](IniDocument& doc) {
            Names names = ProjectStore::readProjectList(doc);
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
            ProjectStore::writeProjectList(doc, names);
            doc.writeInteger(name, "BackupMode", mode);
            doc.writeString(name, "StartTime_or_Increase", text);
        });
    }
    void at(int day, int hour, int minute = 0, int second = 0) {
        clock.value = DateTime{2026, 3, day, hour, minute, second};
    }
    void later(int seconds) { clock.value = addSeconds(clock.value, seconds); }

    // One timer tick that may run projects: each due project runs and is served.
    Names tick(Scheduler& on) {
        Names ran;
        for (const ScheduledRun& run : on.dueRuns()) {
            ran.push_back(run.projectName);
            on.served(run);
        }
        return ran;
    }
    Names tick() { return tick(scheduler); }
    DateTime due(const std::string& name) const {
        for (const tautobackup& entry : scheduler.table())
            if (entry.projectName == name)
                return entry.nextDue;
        ADD_FAILURE() << name << " is not in the table";
        return {};
    }

    TempDir dir;
    DataFiles data{dir.path()};
    TestClock clock;
    Scheduler scheduler{data, clock};
};

} // namespace

TEST_F(SchedulerTest, DailyOnceSavedAfterItsTimeRunsOnceThenTomorrowThroughSavesAndRestarts) {
    schedule("Docs", 0, "08:00:00");
    scheduler.RebuildSchedule();
    EXPECT_EQ(tick(), Names{"Docs"});
    later(30);
    EXPECT_EQ(tick(), Names{});
    schedule("Other", 3, ""); // a save of any project rebuilds the table
    scheduler.RebuildSchedule();
    EXPECT_EQ(tick(), Names{});

    Scheduler restarted(data, clock);
    restarted.RebuildSchedule();
    EXPECT_EQ(tick(restarted), Names{});
    at(15, 8, 0, 0);
    EXPECT_EQ(tick(restarted), Names{}); // due once the clock is strictly later
    later(30);
    EXPECT_EQ(tick(restarted), Names{"Docs"});
    EXPECT_EQ(IniFile(data.scheduleIni()).readString("Docs", "Last Served"), "2026-03-15 08:00:00");
}

TEST_F(SchedulerTest, EveryNinetyMinutesCountsFromTheRebuildThenFromEachRun) {
    schedule("Every", 1, "90");
    scheduler.RebuildSchedule();
    EXPECT_EQ(due("Every"), (DateTime{2026, 3, 14, 11, 30, 0}));
    at(14, 11, 30, 20);
    EXPECT_EQ(tick(), Names{"Every"});
    EXPECT_EQ(due("Every"), (DateTime{2026, 3, 14, 13, 0, 0}));

    // A restart keeps the rhythm instead of starting it again from the restart.
    at(14, 12, 45);
    Scheduler restarted(data, clock);
    restarted.RebuildSchedule();
    EXPECT_EQ(restarted.table().front().nextDue, (DateTime{2026, 3, 14, 13, 0, 0}));
}

TEST_F(SchedulerTest, MissedOccurrencesRunOnceThenTheRhythmResumes) {
    schedule("Five", 1, "5");
    schedule("Daily", 0, "11:00:00");
    scheduler.RebuildSchedule();
    // The machine sleeps for hours (or scheduling is off and nothing ticks): one run each, in the
    // project list's order.
    at(14, 16, 2, 10);
    EXPECT_EQ(tick(), (Names{"Daily", "Five"}));
    EXPECT_EQ(due("Five"), (DateTime{2026, 3, 14, 16, 5, 0}));
    later(30);
    EXPECT_EQ(tick(), Names{});
    at(14, 16, 5, 30);
    EXPECT_EQ(tick(), Names{"Five"});

    // The program was not running for two days: the daily project runs once on its return.
    at(16, 14, 0, 10);
    Scheduler restarted(data, clock);
    restarted.RebuildSchedule();
    EXPECT_EQ(tick(restarted), (Names{"Daily", "Five"}));
    later(30);
    EXPECT_EQ(tick(restarted), Names{});
}

TEST_F(SchedulerTest, TheSwitchIsReadFromTheSettingsAndDueTimesWaitWhileItIsOff) {
    schedule("Five", 1, "5");
    scheduler.RebuildSchedule();
    EXPECT_TRUE(scheduler.scheduleEnabled());
    IniFile(data.projectIni()).writeBool("Common", "Enable schedule", false);
    EXPECT_FALSE(scheduler.scheduleEnabled());
    at(14, 13, 0, 5); // three hours without ticks that may run anything
    EXPECT_EQ(due("Five"), (DateTime{2026, 3, 14, 10, 5, 0}));
    IniFile(data.projectIni()).writeBool("Common", "Enable schedule", true);
    EXPECT_EQ(tick(), Names{"Five"});
    EXPECT_EQ(tick(), Names{});
}

TEST_F(SchedulerTest, ARebuildKeepsUnchangedSchedulesAndRedoesChangedOnes) {
    schedule("Every", 1, "60");
    scheduler.RebuildSchedule();
    at(14, 10, 40);
    EXPECT_FALSE(scheduler.rebuildIfChanged());
    schedule("Other", 0, "09:00:00");
    EXPECT_TRUE(scheduler.rebuildIfChanged());
    EXPECT_EQ(due("Every"), (DateTime{2026, 3, 14, 11, 0, 0})); // not 11:40
    EXPECT_EQ(tick(), Names{"Other"});

    schedule("Every", 1, "30");
    EXPECT_TRUE(scheduler.rebuildIfChanged());
    EXPECT_EQ(due("Every"), (DateTime{2026, 3, 14, 11, 10, 0}));
    schedule("Every", 3, "30");
    EXPECT_TRUE(scheduler.rebuildIfChanged());
    ASSERT_EQ(scheduler.table().size(), 1u);
    EXPECT_EQ(scheduler.table().front().projectName, "Other");
}
