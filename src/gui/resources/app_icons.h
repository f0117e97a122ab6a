#pragma once

#include <QIcon>
#include <QPixmap>

namespace quorvel::gui {

// The program's own pictures: the main icon, the two scheduling indicators shown as the
// application and tray icon, and the marker of scheduled projects.
QIcon mainIcon();
QIcon forautoIcon();
QIcon fornormalIcon();
QPixmap scheduleMarker(); // 16 x 16

} // namespace quorvel::gui
