#pragma once

#include "core/util/user_prompts.h"

#include <QMessageBox>
#include <QString>
#include <QStyle>
#include <optional>
#include <string>

class QWidget;

namespace quorvel::gui {

// A fixed-size dialog frame whose title bar carries only the system menu and the close box.
void useFixedDialogFrame(QWidget* dialog);
// Places the window in the middle of the screen it is on (the primary screen before it is shown).
void centreOnScreen(QWidget* window);

// How a message of a kind looks: the caption "Warning", "Error", "Information", "Confirm", or the
// application's title for the custom kind, and the desktop's standard icon (none for custom).
struct MessageLook {
    QString caption;
    QMessageBox::Icon boxIcon;
    std::optional<QStyle::StandardPixmap> pixmap;
};
MessageLook messageLook(MessageKind kind);
// Messages join their lines with carriage returns; widgets break lines at line feeds.
QString messageText(const std::string& text);

} // namespace quorvel::gui
