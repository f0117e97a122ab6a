#pragma once

#include "core/ini/ini_document.h"
#include "core/platform/data_folder.h"
#include "core/project/backup_project.h"
#include "core/schedule/served_records.h"
#include "core/util/errors.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// A project command that was refused before anything was written; what() is the message.
class ProjectRefused : public Error {
public:
    explicit ProjectRefused(const std::string& message) : Error(ErrorKind::Refused, message) {}
};

// The messages of the project commands.
inline constexpr const char* NameExistsMessage = "Project Name exists,Rename fail!";
inline constexpr const char* EmptyNewNameMessage = "Please input a new project name!";
// The wizard's message for a name the project list holds already.
std::string projectExistsMessage(std::string_view name);

// A new project as the new-project wizard starts it: number suffix starting at 1 with step 1,
// the home folder as destination, subfolders and full paths on, no password, no comment, level
// 6, the last 50 kept, no schedule (daily at 12:00:00 and every 20 minutes when one is chosen),
// no date filter with `now` as its date. The prefix is empty: the wizard and the CLI give it
// the project's name unless another is typed.
BackupProject newProjectDefaults(std::string_view name, const DateTime& now);

// Why the (trimmed) name cannot name a project, or nothing: it must not be empty, nor "Common"
// (the settings' section), nor hold "[", "]" or control characters such as line breaks, none of
// which a section header of project.ini can carry.
std::optional<std::string> projectNameProblem(std::string_view name);

// Why the prefix cannot make archive names: blank, or holding "/".
std::optional<std::string> prefixProblem(std::string_view prefix);

// The checks of Save Project on a project's settings, with the file-name field they came with.
std::optional<std::string> projectSettingsProblem(const BackupProject& project, std::string_view fileNameField);

// The project commands on project.ini, StoreNumber.txt and schedule.ini, shared by the window, the new-project
// wizard and the CLI. Each validates everything before its first write and raises
// ProjectRefused with the message to show; every file is replaced atomically.
class ProjectOperations {
public:
    explicit ProjectOperations(DataFiles data) : m_data(std::move(data)) {}

    // Called after each write of a command that writes more than one file, with the name of the
    // step done ("ring copied", "project written", "old ring erased"); tests stop a command there.
    using StepHook = std::function<void(std::string_view step)>;
    void setStepHook(StepHook hook) { m_stepHook = std::move(hook); }

    // What the wizard's Finish writes: the project's section, the project added to the list
    // and made "Last Project". The new project starts without a retention ring.
    void create(const BackupProject& project, std::string_view fileNameField);

    enum class Outcome { Done, SameProject };

    // A new project `newName` with the given settings (those of project `name`). The copy's
    // password is stored for its own name; it gets no restore options and no retention ring.
    Outcome copy(std::string_view name, std::string_view newName, BackupProject settings,
                 std::string_view fileNameField);

    // Moves project `name` with the given settings to `newName`: its section (without the restore
    // options), its place in the list, its retention ring and the scheduler's record of its last
    // scheduled run. A crash or failed write at any point
    // leaves the project whole under one of the two names.
    Outcome rename(std::string_view name, std::string_view newName, BackupProject settings,
                   std::string_view fileNameField);

    // Removes the project's section, list entry, retention ring and scheduler record; its archives
    // stay.
    void remove(std::string_view name);

private:
    void step(std::string_view name) const;
    // The name as the list spells it; refuses a project that is not in the list.
    std::string existing(std::string_view name) const;
    // The checks of Copy and Rename: project `name` exists, `newName` can name a project and no
    // other project has it, and the settings pass Save Project's checks under it (their name is
    // set to it). The source's listed name, or nothing when `newName` is its own name.
    std::optional<std::string> checkNewName(std::string_view name, BackupProject& settings, std::string_view newName,
                                            std::string_view fileNameField) const;
    void writeRing(const std::function<void(IniDocument&)>& change);
    ServedRecords servedRecords() const;
    void eraseLeftovers(const std::string& name);

    DataFiles m_data;
    StepHook m_stepHook;
};

} // namespace quorvel
