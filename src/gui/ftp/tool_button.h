#pragma once

#include <QStyle>
#include <QToolButton>

namespace quorvel::gui {

// A flat command button with a standard icon, its text under the icon or beside it.
QToolButton* toolButton(const char* name, const QString& text, const QString& hint, QStyle::StandardPixmap icon,
                        QWidget* owner, bool textUnderIcon = true);

} // namespace quorvel::gui
