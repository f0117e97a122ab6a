// Shows the main window on a data folder and starts Create Backup of its selected project, for a
// screenshot of the progress strip taken from outside while the backup runs (not a test).
// Usage: backup-run-shot DATA-FOLDER SECONDS
#include "core/util/clock.h"
#include "gui/app/form_main.h"
#include "gui/dialogs/gui_prompts.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    using namespace quorvel;
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    gui::GuiPrompts prompts;
    SystemClock clock;
    gui::TFormMain form(DataFiles{argv[1]}, prompts, clock);
    form.show();
    QTimer::singleShot(500, &form, &gui::TFormMain::SpStartClick);
    QTimer::singleShot(std::atoi(argv[2]) * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
