#include "core/project/project_operations.h"

#include "core/ini/ini_file.h"
#include "core/project/project_names.h"
#include "core/project/project_ring.h"
#include "core/project/project_store.h"
#include "core/project/validate_project_input.h"
#include "core/schedule/served_records.h"
#include "core/util/strings.h"

#include <algorithm>

namespace quorvel {

namespace {

constexpr std::string_view LastProjectKey = "Last Project";

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

std::vector<std::string> withName(std::vector<std::string> names, const std::string& name) {
    names.push_back(name);
    sortProjectNames(names);
    return names;
}

std::vector<std::string> withoutName(std::vector<std::string> names, std::string_view name) {
    std::erase_if(names, [&](const std::string& n) { return sameProjectName(n, name); });
    return names;
}

} // namespace

BackupProject newProjectDefaults(std::string_view name, const DateTime& now) {
    BackupProject p;
    p.name = trim(name);
    p.nextNumber = 1;
    p.savePath = homeFolder();
    p.usePassword = false;
    p.storeComment = false;
    p.everyMinutes = 20;
    p.filterDateTime = now;
    return p;
}

std::string projectExistsMessage(std::string_view name) {
    return "Project '" + std::string(name) + "' exists,please input another name!";
}

std::optional<std::string> projectNameProblem(std::string_view typed) {
    const std::string name = trim(typed);
    if (name.empty())
        return EmptyNewNameMessage;
    if (equalsIgnoreCase(name, CommonSection))
        return "The name 'Common' is kept for the program's settings, please input another name!";
    if (std::any_of(name.begin(), name.end(), [](char c) { return c == '[' || c == ']' || isControl(c); }))
        return "A project name cannot hold \"[\", \"]\" or line breaks, please input another name!";
    return std::nullopt;
}

std::optional<std::string> prefixProblem(std::string_view prefix) {
    if (trim(prefix).empty())
        return "Please enter the prefix of backup filename";
    // The prefix becomes part of a file name in the destination folder, never a path of its own.
    if (prefix.find('/') != std::string_view::npos)
        return "The prefix of backup filename cannot hold \"/\"";
    return std::nullopt;
}

std::optional<std::string> projectSettingsProblem(const BackupProject& project, std::string_view fileNameField) {
    if (auto message = ValidateProjectInput(project, fileNameField))
        return message;
    return prefixProblem(project.filenamePrefix);
}

void ProjectOperations::step(std::string_view name) const {
    if (m_stepHook)
        m_stepHook(name);
}

std::string ProjectOperations::existing(std::string_view name) const {
    const std::vector<std::string> names = ProjectStore::readProjectList(IniFile(m_data.projectIni()).read());
    const int index = findProjectName(names, name);
    if (index < 0)
        throw ProjectRefused("Project '" + trim(name) + "' does not exist");
    return names[static_cast<size_t>(index)];
}

std::optional<std::string> ProjectOperations::checkNewName(std::string_view name, BackupProject& settings,
                                                           std::string_view newName,
                                                           std::string_view fileNameField) const {
    const std::string source = existing(name);
    if (auto problem = projectNameProblem(newName))
        throw ProjectRefused(*problem);
    if (sameProjectName(source, newName))
        return std::nullopt;
    const std::vector<std::string> names = ProjectStore::readProjectList(IniFile(m_data.projectIni()).read());
    if (findProjectName(names, newName) >= 0)
        throw ProjectRefused(NameExistsMessage);
    settings.name = trim(newName);
    if (auto problem = projectSettingsProblem(settings, fileNameField))
        throw ProjectRefused(*problem);
    return source;
}

void ProjectOperations::writeRing(const std::function<void(IniDocument&)>& change) {
    IniFile(m_data.storeNumber()).edit(change);
}

void ProjectOperations::create(const BackupProject& settings, std::string_view fileNameField) {
    BackupProject project = settings;
    project.name = trim(settings.name);
    const std::string& name = project.name;
    if (auto problem = projectNameProblem(name))
        throw ProjectRefused(*problem);
    IniFile projectIni(m_data.projectIni());
    if (findProjectName(ProjectStore::readProjectList(projectIni.read()), name) >= 0)
        throw ProjectRefused(projectExistsMessage(name));
    if (auto problem = projectSettingsProblem(project, fileNameField))
        throw ProjectRefused(*problem);

    // A ring, scheduler record or section that an earlier project of this name left behind is
    // not the new one's.
    writeRing([&](IniDocument& doc) { doc.removeSection(name); });
    step("ring erased");
    servedRecords().erase(name);
    step("served record erased");
    projectIni.edit([&](IniDocument& doc) {
        doc.removeSection(name);
        ProjectStore::writeProject(doc, project, fileNameField);
        ProjectStore::writeProjectList(doc, withName(ProjectStore::readProjectList(doc), name));
        doc.writeString(CommonSection, LastProjectKey, name);
    });
    step("project written");
}

ProjectOperations::Outcome ProjectOperations::copy(std::string_view name, std::string_view newName,
                                                   BackupProject settings, std::string_view fileNameField) {
    if (!checkNewName(name, settings, newName, fileNameField))
        return Outcome::SameProject;
    const std::string& target = settings.name;
    writeRing([&](IniDocument& doc) { doc.removeSection(target); });
    step("ring erased");
    servedRecords().erase(target); // the copy has never run
    step("served record erased");
    IniFile(m_data.projectIni()).edit([&](IniDocument& doc) {
        doc.removeSection(target);
        ProjectStore::writeProject(doc, settings, fileNameField);
        ProjectStore::writeProjectList(doc, withName(ProjectStore::readProjectList(doc), target));
    });
    step("project written");
    return Outcome::Done;
}

// Writes, each an atomic replacement of one file, in an order that keeps the project whole
// whenever the sequence stops:
// 1. the ring and the scheduler's record are copied to the new name (the project is still
//    complete under its old name);
// 2. project.ini moves section and list entry in one replacement (the project is complete
//    under its new name, with its ring and record);
// 3. the old ring and record are erased.
// A ring or record left under a name by a stop after step 1 or 2 names no project; the command
// that next gives a project that name (create, copy, rename) replaces it, so no project ever
// inherits it.
ProjectOperations::Outcome ProjectOperations::rename(std::string_view name, std::string_view newName,
                                                     BackupProject settings, std::string_view fileNameField) {
    const std::optional<std::string> found = checkNewName(name, settings, newName, fileNameField);
    if (!found)
        return Outcome::SameProject;
    const std::string& source = *found;
    const std::string& target = settings.name;
    writeRing([&](IniDocument& doc) { copyRetentionRing(doc, source, target); });
    step("ring copied");
    // Without its record the renamed project would run an occurrence that already ran.
    servedRecords().copy(source, target);
    step("served record copied");
    IniFile(m_data.projectIni()).edit([&](IniDocument& doc) {
        doc.removeSection(source);
        doc.removeSection(target);
        ProjectStore::writeProject(doc, settings, fileNameField);
        ProjectStore::writeProjectList(doc, withName(withoutName(ProjectStore::readProjectList(doc), source), target));
        if (sameProjectName(doc.readString(CommonSection, LastProjectKey), source))
            doc.writeString(CommonSection, LastProjectKey, target);
    });
    step("project written");
    eraseLeftovers(source);
    return Outcome::Done;
}

void ProjectOperations::remove(std::string_view name) {
    const std::string project = existing(name);
    IniFile(m_data.projectIni()).edit([&](IniDocument& doc) {
        doc.removeSection(project);
        ProjectStore::writeProjectList(doc, withoutName(ProjectStore::readProjectList(doc), project));
    });
    step("project written");
    eraseLeftovers(project);
}

ServedRecords ProjectOperations::servedRecords() const {
    return ServedRecords(m_data.scheduleIni());
}

// The command has done what it promised once project.ini is written: a ring or record that
// cannot be erased now names no project and is replaced before any project takes that name again.
void ProjectOperations::eraseLeftovers(const std::string& name) {
    try {
        writeRing([&](IniDocument& doc) { doc.removeSection(name); });
    } catch (const IoError&) {
    }
    step("old ring erased");
    try {
        servedRecords().erase(name);
    } catch (const IoError&) {
    }
    step("old served record erased");
}

} // namespace quorvel
