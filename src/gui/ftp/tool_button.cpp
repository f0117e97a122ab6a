#include "gui/ftp/tool_button.h"

#include "gui/widgets/named.h"

namespace quorvel::gui {

QToolButton* toolButton(const char* name, const QString& text, const QString& hint, QStyle::StandardPixmap icon,
                        QWidget* owner, bool textUnderIcon) {
    auto* button = named<QToolButton>(name);
    button->setText(text);
    button->setToolTip(hint);
    button->setIcon(owner->style()->standardIcon(icon));
    button->setToolButtonStyle(textUnderIcon ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

} // namespace quorvel::gui
