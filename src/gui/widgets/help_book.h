#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace quorvel {
class UserPrompts;
}

namespace quorvel::gui {

// Help contexts of the windows: the book's sections are named "topic-<context>".
inline constexpr int HelpMainWindow = 1;
inline constexpr int HelpBackupPage = 41;
inline constexpr int HelpRestorePage = 6;
inline constexpr int HelpPreferences = 601;
inline constexpr int HelpAbout = 30;

// Where the help book's index.html is looked for, in this order: a "help" folder beside the
// program (the build tree, or a copy carried along with a portable program), then the installed
// book in the data directory, found from the program's folder (…/bin → …/share/quorvel-backup/help).
std::vector<std::filesystem::path> helpBookCandidates(const std::filesystem::path& programFolder);

// The first of the candidates that exists; nullopt when none does.
std::optional<std::filesystem::path> findHelpBook(const std::filesystem::path& programFolder);

// Opens the help book in the desktop's browser, at the section of the context (0: the start of
// the book). Says so when it cannot.
void openHelp(int context, UserPrompts& prompts);

} // namespace quorvel::gui
