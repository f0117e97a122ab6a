#include "gui/widgets/window_layout.h"

#include "core/ini/ini_file.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace quorvel::gui {

namespace {

constexpr std::string_view Section = "Main Window";
constexpr int Missing = -1;

} // namespace

WindowLayout readWindowLayout(const std::filesystem::path& file) {
    WindowLayout layout;
    IniDocument doc;
    try {
        doc = IniFile(file).read();
    } catch (const std::exception&) {
        return layout; // where the window was is not worth an error message
    }
    const int width = doc.readInteger(Section, "Width", Missing);
    const int height = doc.readInteger(Section, "Height", Missing);
    if (width > 0 && height > 0)
        layout.normal = QRect(doc.readInteger(Section, "Left", 0), doc.readInteger(Section, "Top", 0), width, height);
    layout.maximized = doc.readBool(Section, "Maximized", false);
    const int listWidth = doc.readInteger(Section, "Archive List Width", Missing);
    if (listWidth > 0)
        layout.archiveListWidth = listWidth;
    return layout;
}

void writeWindowLayout(const std::filesystem::path& file, const WindowLayout& layout) {
    IniFile(file).edit([&](IniDocument& doc) {
        doc.removeSection(Section);
        if (layout.normal) {
            doc.writeInteger(Section, "Left", layout.normal->left());
            doc.writeInteger(Section, "Top", layout.normal->top());
            doc.writeInteger(Section, "Width", layout.normal->width());
            doc.writeInteger(Section, "Height", layout.normal->height());
        }
        doc.writeBool(Section, "Maximized", layout.maximized);
        if (layout.archiveListWidth)
            doc.writeInteger(Section, "Archive List Width", *layout.archiveListWidth);
    });
}

std::optional<QRect> onScreen(const QRect& rect) {
    const QScreen* screen = QGuiApplication::screenAt(rect.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return std::nullopt;
    const QRect area = screen->availableGeometry();
    QRect placed(rect.topLeft(), rect.size().boundedTo(area.size()));
    placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() + 1 - placed.height()));
    return placed;
}

} // namespace quorvel::gui
