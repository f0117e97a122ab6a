#pragma once

#include "core/zip/zip_types.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// The values of a project's "Overwrite Mode" key. They are not in the order of the zip
// reader's overwrite modes (Prompt, Always, Never, If Newer, If Older): stored 0 is Always
// and stored 1 is Prompt. Projects already written rely on these numbers.
enum class StoredOverwriteMode { Always = 0, Prompt = 1, Never = 2, IfNewer = 3, IfOlder = 4 };

inline constexpr int DefaultStoredOverwriteMode = static_cast<int>(StoredOverwriteMode::Never);

// One radio button of the restore options' "Overwrite Mode:" group.
struct OverwriteRadio {
    StoredOverwriteMode mode;
    std::string_view control;
    std::string_view caption;
};

// The buttons in the order they stand on the page; the first caption has two blanks.
inline constexpr std::array<OverwriteRadio, 5> OverwriteRadios{{
    {StoredOverwriteMode::Prompt, "RadioPrompt", "Prompt Before  Overwrite"},
    {StoredOverwriteMode::Always, "RadioAlways", "Always"},
    {StoredOverwriteMode::Never, "RadioNever", "Never"},
    {StoredOverwriteMode::IfNewer, "RadioNewer", "If Newer"},
    {StoredOverwriteMode::IfOlder, "RadioOlder", "If Older"},
}};

// The button a stored value selects; a value outside 0..4 selects none.
std::optional<StoredOverwriteMode> storedOverwriteModeOf(int storedValue);

// The value to store for the selected button; 2 ("Never") when none is selected.
int storedOverwriteValue(std::optional<StoredOverwriteMode> selected);

// The caption of the button of a mode, as the restore question quotes it.
std::string_view overwriteCaption(StoredOverwriteMode mode);

// The reader's overwrite mode for a button. With no button selected a restore keeps existing
// files, which is also what is stored for it.
TUZOverwriteMode readerOverwriteMode(std::optional<StoredOverwriteMode> selected);

struct BackupProject;

// The "Options" group of the Restore page, as a restore reads it.
struct RestoreOptions {
    std::string destDir;            // "Extract to:", as typed
    bool useOriginalFolders = true; // "Use Original Folder Name"
    std::optional<StoredOverwriteMode> overwrite = StoredOverwriteMode::Never;
    std::string password; // "Input Password ( If has ):", as typed; blank keeps the last one

    // The options a project stores ("Restore path", "Restore to orig path", "Overwrite Mode"),
    // with an empty password.
    static RestoreOptions ofProject(const BackupProject& project);
};

// The three lines after the first of the restore questions, each ended by a carriage return
// except the last: the target folder (trimmed), the use of the stored folders and the overwrite
// mode's caption.
std::string restoreOptionLines(const RestoreOptions& options);
// "Do you want to restore the file '" + name + "'?" and the option lines.
std::string restoreArchiveQuestion(std::string_view archiveName, const RestoreOptions& options);
// "Do you want to restore " + count + " files from '" + name + "'?" and the option lines.
std::string restoreSelectedQuestion(std::size_t count, std::string_view archiveName, const RestoreOptions& options);

} // namespace quorvel
