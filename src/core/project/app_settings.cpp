#include "core/project/app_settings.h"

#include "core/project/project_names.h"
#include "core/project/project_store.h"

#include <algorithm>

namespace quorvel {

StartupState loadSettingsAndProjects(const IniDocument& doc) {
    const auto c = CommonSection;
    StartupState state;
    AppSettings& s = state.settings;
    s.promptBeforeBackup = doc.readBool(c, "PromptBeforeBackup", false);
    state.projects = ProjectStore::readProjectList(doc);
    s.lastProject = doc.readString(c, "Last Project");
    state.selected = findProjectName(state.projects, s.lastProject);
    if (state.selected < 0 && !state.projects.empty())
        state.selected = 0;
    // Values outside the sort menu's choices read as its defaults (by date, ascending).
    int byField = doc.readInteger(c, "By Field", 2);
    s.byField = (byField == 0 || byField == 1) ? byField : 2;
    s.sortOrder = doc.readInteger(c, "Sort", 0) == 1 ? 1 : 0;
    const int entriesByField = doc.readInteger(c, "Entries By Field", -1);
    s.entriesByField = entriesByField >= 0 && entriesByField <= 3 ? entriesByField : -1;
    s.entriesSortOrder = doc.readInteger(c, "Entries Sort", 0) == 1 ? 1 : 0;
    s.autoRun = doc.readBool(c, "Auto Run", false);
    s.isMinimized = s.autoRun && doc.readBool(c, "Is Minimized", false);
    s.appendZero = doc.readBool(c, "Is Append 0", false);
    s.width = std::clamp(doc.readInteger(c, "Width", 2), MinWidth, MaxWidth);
    s.overwrite = doc.readBool(c, "IsOverWrite", false);
    s.logCount = std::clamp(doc.readInteger(c, "Log Count", 50), MinLogCount, MaxLogCount);
    s.enableSchedule = doc.readBool(c, "Enable schedule", true);
    s.failureReportTo = doc.readString(c, "Failure Report To");
    return state;
}

StartupState loadSettingsAndProjects(const IniFile& ini) {
    return loadSettingsAndProjects(ini.read());
}

bool saveSettingsAtClose(IniFile& ini, const AppSettings& s, const std::vector<std::string>& projects,
                         std::string_view selectorText) {
    if (projects.empty())
        return false;
    const auto c = CommonSection;
    ini.edit([&](IniDocument& doc) {
        doc.writeBool(c, "Is Append 0", s.appendZero);
        doc.writeInteger(c, "Width", s.width);
        doc.writeBool(c, "IsOverWrite", s.overwrite);
        doc.writeBool(c, "PromptBeforeBackup", s.promptBeforeBackup);
        doc.writeString(c, "Last Project", selectorText);
        // Every project command writes the list when it runs, and the CLI may have added or
        // removed projects since the window read it: the projects the file lists now stand, in
        // the window's order.
        ProjectStore::writeProjectList(doc,
                                       doc.value(c, "Project Count") ? ProjectStore::readProjectList(doc) : projects);
        doc.writeInteger(c, "By Field", s.byField);
        doc.writeInteger(c, "Sort", s.sortOrder);
        if (s.entriesByField >= 0) {
            doc.writeInteger(c, "Entries By Field", s.entriesByField);
            doc.writeInteger(c, "Entries Sort", s.entriesSortOrder);
        }
        doc.writeInteger(c, "Log Count", s.logCount);
        doc.writeBool(c, "Enable schedule", s.enableSchedule);
    });
    return true;
}

RunPreferences readRunPreferences(const IniFile& ini) {
    IniDocument doc = ini.read();
    return {doc.readBool(CommonSection, "Auto Run", false), doc.readBool(CommonSection, "Is Minimized", false)};
}

void writeRunPreferences(IniFile& ini, const RunPreferences& preferences) {
    ini.edit([&](IniDocument& doc) {
        doc.writeBool(CommonSection, "Auto Run", preferences.autoRun);
        doc.writeBool(CommonSection, "Is Minimized", preferences.isMinimized);
    });
}

void writeFailureReportTo(IniFile& ini, std::string_view recipients) {
    // Nobody to tell leaves no key behind, so a project.ini of someone who never asked for
    // reports stays as it was.
    if (recipients.empty())
        ini.deleteKey(CommonSection, "Failure Report To");
    else
        ini.writeString(CommonSection, "Failure Report To", recipients);
}

} // namespace quorvel
