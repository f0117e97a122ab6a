// Runs the program on a data folder hidden in the notification area, for screenshots taken from
// outside (not a test): "failure" waits for the scheduler to run the due projects (their failure
// raises the notification), "menu" opens the tray menu with its "Backup Project" list.
// Usage: schedule-tray-shot DATA-FOLDER failure|menu SECONDS
#include "core/util/clock.h"
#include "gui/app/form_main.h"
#include "gui/app/tray_icon.h"
#include "gui/dialogs/gui_prompts.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv) {
    using namespace quorvel;
    QApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString mode = QString::fromLatin1(argv[2]);
    gui::GuiPrompts prompts;
    SystemClock clock;
    gui::TFormMain form(DataFiles{argv[1]}, prompts, clock);
    form.show();
    QTimer::singleShot(300, &form, [&] { form.showMinimized(); });
    if (mode == QStringLiteral("menu")) {
        gui::TrayIcon& tray = *form.TrayIcon1;
        QTimer::singleShot(1500, &form, [&] {
            const QRect icon = tray.TrayIcon1->geometry();
            tray.PopupMenu2->popup(icon.isValid() ? icon.bottomLeft() : QPoint(100, 100));
            QTimer::singleShot(300, &form, [&] {
                tray.PopupMenu2->setActiveAction(tray.menuBackup->menuAction());
                const QRect item = tray.PopupMenu2->actionGeometry(tray.menuBackup->menuAction());
                tray.menuBackup->popup(tray.PopupMenu2->mapToGlobal(item.topRight()));
            });
        });
    }
    QTimer::singleShot(std::atoi(argv[3]) * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
