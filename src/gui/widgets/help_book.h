#pragma once

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

// Opens the help book installed beside the program (help/index.html) in the desktop's browser,
// at the section of the context (0: the start of the book). Says so when it cannot.
void openHelp(int context, UserPrompts& prompts);

} // namespace quorvel::gui
