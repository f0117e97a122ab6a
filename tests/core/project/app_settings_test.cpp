#include "core/project/app_settings.h"
#include "core/project/autostart_entry.h"
#include "support/test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

TEST(AppSettingsLoad, NoCommonSectionGivesAllDefaults) {
    StartupState state = loadSettingsAndProjects(IniDocument::parse("[Other]\nx=1\n"));
    const AppSettings& s = state.settings;
    EXPECT_FALSE(s.promptBeforeBackup);
    EXPECT_FALSE(s.appendZero);
    EXPECT_EQ(s.width, 2);
    EXPECT_FALSE(s.overwrite);
    EXPECT_EQ(s.logCount, 50);
    EXPECT_TRUE(s.enableSchedule);
    EXPECT_EQ(s.byField, 2);
    EXPECT_EQ(s.sortOrder, 0);
    EXPECT_FALSE(s.autoRun);
    EXPECT_FALSE(s.startMinimised());
    EXPECT_TRUE(state.projects.empty());
    EXPECT_EQ(state.selected, -1);
}

TEST(AppSettingsLoad, RangesAndMinimisedOnlyWithAutoRun) {
    auto s = loadSettingsAndProjects(IniDocument::parse("[Common]\nWidth=1\nLog Count=500\nIs Minimized=1\n"
                                                        "By Field=7\nSort=3\nIsOverWrite=-1\n"))
                 .settings;
    EXPECT_EQ(s.width, 2);
    EXPECT_EQ(s.logCount, 200);
    EXPECT_FALSE(s.isMinimized);
    EXPECT_FALSE(s.startMinimised());
    EXPECT_EQ(s.byField, 2);
    EXPECT_EQ(s.sortOrder, 0);
    EXPECT_TRUE(s.overwrite);
    s = loadSettingsAndProjects(IniDocument::parse("[Common]\nWidth=31\nLog Count=9\nAuto Run=1\nIs Minimized=1\n"))
            .settings;
    EXPECT_EQ(s.width, 30);
    EXPECT_EQ(s.logCount, 10);
    EXPECT_TRUE(s.startMinimised());
}

TEST(AppSettingsLoad, LastProjectSelectsItsProjectOrFallsBackToTheFirst) {
    const std::string list = "[Common]\nProject Count=3\nCount0=zeta\nCount1=Alpha\nCount2=mid\n";
    EXPECT_EQ(loadSettingsAndProjects(IniDocument::parse(list + "Last Project=MID\n")).selected, 1);
    StartupState gone = loadSettingsAndProjects(IniDocument::parse(list + "Last Project=deleted\n"));
    EXPECT_EQ(gone.selected, 0);
    EXPECT_EQ(gone.projects.front(), "Alpha");
}

TEST(AppSettingsSave, NothingIsWrittenWhenTheProjectListIsEmpty) {
    TempDir dir;
    IniFile ini(dir / "project.ini");
    AppSettings s;
    s.promptBeforeBackup = true;
    EXPECT_FALSE(saveSettingsAtClose(ini, s, {}, ""));
    EXPECT_FALSE(fs::exists(dir / "project.ini"));
    writeFile(dir / "project.ini", "[Common]\nPromptBeforeBackup=0\nAuto Run=1\n");
    EXPECT_FALSE(saveSettingsAtClose(ini, s, {}, ""));
    EXPECT_EQ(readFile(dir / "project.ini"), "[Common]\nPromptBeforeBackup=0\nAuto Run=1\n");
}

TEST(AppSettingsSave, WritesTheKeysInOrderButNotTheRunPreferences) {
    TempDir dir;
    IniFile ini(dir / "project.ini");
    AppSettings s;
    s.appendZero = true;
    s.width = 3;
    s.byField = 0;
    s.sortOrder = 1;
    s.enableSchedule = false;
    s.autoRun = s.isMinimized = true;
    EXPECT_TRUE(saveSettingsAtClose(ini, s, {"A", "b"}, "b"));
    EXPECT_EQ(readFile(dir / "project.ini"),
              "[Common]\nIs Append 0=1\nWidth=3\nIsOverWrite=0\nPromptBeforeBackup=0\nLast Project=b\n"
              "Project Count=2\nCount0=A\nCount1=b\nBy Field=0\nSort=1\nLog Count=50\nEnable schedule=0\n");
    StartupState back = loadSettingsAndProjects(ini);
    EXPECT_EQ(back.selected, 1);
    EXPECT_FALSE(back.settings.enableSchedule);
}

TEST(AppSettingsSave, TheListInTheFileStandsOverTheWindowsOwn) {
    TempDir dir;
    IniFile ini(dir / "project.ini");
    // Another program added "New" and removed "Old" while the window showed its own list.
    writeFile(dir / "project.ini", "[Common]\nProject Count=2\nCount0=Kept\nCount1=New\n");
    EXPECT_TRUE(saveSettingsAtClose(ini, AppSettings{}, {"Kept", "Old"}, "Kept"));
    const StartupState back = loadSettingsAndProjects(ini);
    EXPECT_EQ(back.projects, (std::vector<std::string>{"Kept", "New"}));
}

// The entries list's heading order is ours: absent until a heading was clicked, and kept then.
TEST(AppSettingsSave, TheEntriesOrderIsWrittenOnceChosen) {
    TempDir dir;
    IniFile ini(dir / "project.ini");
    AppSettings s;
    EXPECT_EQ(loadSettingsAndProjects(IniDocument::parse("[Common]\nEntries By Field=9\n")).settings.entriesByField,
              -1);
    saveSettingsAtClose(ini, s, {"A"}, "A");
    EXPECT_EQ(readFile(dir / "project.ini").find("Entries"), std::string::npos);
    s.entriesByField = 2;
    s.entriesSortOrder = 1;
    saveSettingsAtClose(ini, s, {"A"}, "A");
    const AppSettings back = loadSettingsAndProjects(ini).settings;
    EXPECT_EQ(back.entriesByField, 2);
    EXPECT_EQ(back.entriesSortOrder, 1);
}

TEST(AppSettingsRun, RunPreferencesAreReadAndWrittenTogether) {
    TempDir dir;
    IniFile ini(dir / "project.ini");
    EXPECT_FALSE(readRunPreferences(ini).autoRun);
    writeRunPreferences(ini, {false, true});
    RunPreferences back = readRunPreferences(ini);
    EXPECT_FALSE(back.autoRun);
    EXPECT_TRUE(back.isMinimized); // read as stored, even though it counts only with Auto Run
}

TEST(AutostartEntry, FollowsXdgConfigHomeAndQuotesTheExecutable) {
    TempDir dir;
    ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
    fs::path entry = autostartEntryPath();
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(entry, dir / "cfg" / "autostart" / "quorvel-backup.desktop");
    writeAutostartEntry(entry, "/opt/my apps/quorvel-backup");
    std::string text = readFile(entry);
    EXPECT_NE(text.find("Name=Quorvel ZIP Backup\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=\"/opt/my apps/quorvel-backup\"\n"), std::string::npos);
    removeAutostartEntry(entry);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_NO_THROW(removeAutostartEntry(entry)); // a missing entry is no error
    EXPECT_NE(autostartEntryText("/a\"b$c\\d%e").find("Exec=\"/a\\\\\"b\\\\$c\\\\\\\\d%%e\""), std::string::npos);
}

TEST(AutostartEntry, AnEntryOfAnEarlierVersionIsReplacedAndRemoved) {
    TempDir dir;
    const fs::path entry = dir / "autostart" / "quorvel-backup.desktop";
    writeFile(entry, "[Desktop Entry]\nType=Application\nName=Quorvel Compress Backup\nExec=\"/old/quorvel-backup\"\n");
    writeAutostartEntry(entry, "/usr/bin/quorvel-backup");
    EXPECT_EQ(readFile(entry), autostartEntryText("/usr/bin/quorvel-backup"));
    EXPECT_EQ(readFile(entry).find("Compress"), std::string::npos);
    removeAutostartEntry(entry);
    EXPECT_FALSE(fs::exists(entry));
}

TEST(AutostartEntry, UnwritableFolderThrows) {
    TempDir dir;
    writeFile(dir / "autostart", "a file where the folder should be");
    EXPECT_ANY_THROW(writeAutostartEntry(dir / "autostart" / "quorvel-backup.desktop", "/bin/true"));
}
