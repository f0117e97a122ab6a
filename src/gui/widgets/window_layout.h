#pragma once

#include <QRect>
#include <filesystem>
#include <optional>

class QWidget;

namespace quorvel::gui {

// Where the main window was and how the user had sized it: kept in window.ini in the data folder
// rather than in project.ini, which holds the projects the command-line tool shares and which the
// program rewrites only when a project exists.
struct WindowLayout {
    std::optional<QRect> normal; // the window's place and size when not maximised
    bool maximized = false;
    std::optional<int> archiveListWidth; // the Restore page's archive list, as the user dragged it

    bool operator==(const WindowLayout&) const = default;
};

// Section "Main Window": "Left", "Top", "Width", "Height", "Maximized", "Archive List Width". A
// missing or unreadable file, or values that make no window, give an empty layout.
WindowLayout readWindowLayout(const std::filesystem::path& file);
// Replaces the file's section with the layout.
void writeWindowLayout(const std::filesystem::path& file, const WindowLayout& layout);

// The rectangle moved and shrunk as needed to lie on one of the screens as they are now (a
// screen may have gone since); nullopt when there is no screen.
std::optional<QRect> onScreen(const QRect& rect);

} // namespace quorvel::gui
