// Shows the main window on a data folder and starts Create Backup of its selected project, for a
// screenshot of the progress strip taken from outside while the backup runs (not a test); with
// "edit" it opens the project for editing instead, for a screenshot of the Backup page.
// Usage: backup-run-shot DATA-FOLDER SECONDS [edit]
#include "core/util/clock.h"
#include "gui/app/form_main.h"
#include "gui/dialogs/gui_prompts.h"

#include <QApplication>
#include <QTimer>
#include <string>

int main(int argc, char** argv) {
    using namespace quorvel;
    QApplication app(argc, argv);
    if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "edit"))
        return 2;
    gui::GuiPrompts prompts;
    SystemClock clock;
    gui::TFormMain form(DataFiles{argv[1]}, prompts, clock);
    form.show();
    QTimer::singleShot(500, &form, argc == 4 ? &gui::TFormMain::SpEditClick : &gui::TFormMain::SpStartClick);
    QTimer::singleShot(std::atoi(argv[2]) * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
