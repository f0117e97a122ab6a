#pragma once

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QVariant>

namespace quorvel::gui {

// The look the window's data grids share: navy captions, and cell text at 9 points set at the
// top left of its cell.
inline const QColor GridCaptionColour{0, 0, 128};
inline constexpr int GridDataPointSize = 9;

// The font and alignment roles of a data cell; an empty value for every other role.
inline QVariant gridCellStyle(int role) {
    if (role == Qt::FontRole) {
        QFont font = QApplication::font();
        font.setPointSize(GridDataPointSize);
        return font;
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignLeft | Qt::AlignTop);
    return {};
}

} // namespace quorvel::gui
