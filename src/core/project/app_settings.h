#pragma once

#include "core/ini/ini_file.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

inline constexpr int MinWidth = 2, MaxWidth = 30;
inline constexpr int MinLogCount = 10, MaxLogCount = 200;

// The application-wide settings of section "Common", held in memory while the program runs.
struct AppSettings {
    bool promptBeforeBackup = false; // "PromptBeforeBackup"
    bool appendZero = false;         // "Is Append 0"
    int width = 2;                   // "Width"
    bool overwrite = false;          // "IsOverWrite"
    int logCount = 50;               // "Log Count"
    bool enableSchedule = true;      // "Enable schedule"
    int byField = 2;                 // "By Field": 0 name, 1 size, 2 date
    int sortOrder = 0;               // "Sort": 0 ascending, 1 descending
    // The entries list's column heading clicked last: "Entries By Field" 0 name, 1 size, 2 path,
    // 3 date, -1 none (the reader's order); "Entries Sort" 0 ascending, 1 descending. Written
    // only once a heading has been clicked.
    int entriesByField = -1;
    int entriesSortOrder = 0;
    std::string lastProject;     // "Last Project"
    bool autoRun = false;        // "Auto Run"
    bool isMinimized = false;    // "Is Minimized", read only when "Auto Run" is on
    std::string failureReportTo; // "Failure Report To": who is mailed when a backup fails

    // The window starts minimised only when both are on.
    bool startMinimised() const { return autoRun && isMinimized; }
};

// What the start-up loading reads: the settings and the project list in selector order,
// with the index of the project to select (-1 when the list is empty).
struct StartupState {
    AppSettings settings;
    std::vector<std::string> projects;
    int selected = -1;
};

StartupState loadSettingsAndProjects(const IniDocument& doc);
StartupState loadSettingsAndProjects(const IniFile& ini);

// The write at close: nothing at all when the project list is empty; otherwise the settings,
// "Last Project" (the selector's text) and the project list, in one replacement of the file.
// "Auto Run" and "Is Minimized" are never written here. Returns whether anything was written.
bool saveSettingsAtClose(IniFile& ini, const AppSettings& settings, const std::vector<std::string>& projects,
                         std::string_view selectorText);

// "Auto Run" and "Is Minimized" as the preferences dialog reads and writes them.
struct RunPreferences {
    bool autoRun = false;
    bool isMinimized = false;
};
RunPreferences readRunPreferences(const IniFile& ini);
void writeRunPreferences(IniFile& ini, const RunPreferences& preferences);
// "Failure Report To" as the preferences dialog writes it, at once, so that runs of other
// processes (the command line, the scheduler) use it too; empty removes the key. Never written
// at close.
void writeFailureReportTo(IniFile& ini, std::string_view recipients);

} // namespace quorvel
