#pragma once

#include <array>
#include <optional>
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

} // namespace quorvel
