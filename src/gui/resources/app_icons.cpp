#include "gui/resources/app_icons.h"

namespace quorvel::gui {

QIcon mainIcon() {
    return QIcon(QStringLiteral(":/icons/mainicon.png"));
}

QIcon forautoIcon() {
    return QIcon(QStringLiteral(":/icons/forauto.png"));
}

QIcon fornormalIcon() {
    return QIcon(QStringLiteral(":/icons/fornormal.png"));
}

QPixmap scheduleMarker() {
    return QPixmap(QStringLiteral(":/icons/marker.png"));
}

} // namespace quorvel::gui
