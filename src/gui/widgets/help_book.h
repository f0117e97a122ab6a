#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

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
// Ours: the Log page, and the name dialog of rename and copy.
inline constexpr int HelpLogPage = 7;
inline constexpr int HelpProjectName = 42;

// Where the help book's index.html is looked for, in this order: a "help" folder beside the
// program (the build tree, or a copy carried along with a portable program), then the installed
// book in the data directory, found from the program's folder (…/bin → …/share/quorvel-backup/help).
std::vector<std::filesystem::path> helpBookCandidates(const std::filesystem::path& programFolder);

// The first of the candidates that exists; nullopt when none does.
std::optional<std::filesystem::path> findHelpBook(const std::filesystem::path& programFolder);

// Opens the help book in the desktop's browser, at the section of the context (0: the start of
// the book). Says so when it cannot.
void openHelp(int context, UserPrompts& prompts);

// F1 in `window` (a dialog) opens the book at the section `context` names when the key is
// pressed. A main window's F1 is blocked while one of its modal dialogs is in front, so each
// dialog answers F1 with its own section. Without prompts, a missing book is reported in a
// message box over the window.
void bindHelpKey(QWidget* window, std::function<int()> context, UserPrompts& prompts);
void bindHelpKey(QWidget* window, int context, UserPrompts& prompts);
void bindHelpKey(QWidget* window, int context);

} // namespace quorvel::gui
