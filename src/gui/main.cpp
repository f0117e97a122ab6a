#include "core/platform/data_folder.h"
#include "core/util/clock.h"
#include "gui/app/form_main.h"
#include "gui/app/single_instance.h"
#include "gui/dialogs/gui_prompts.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    using namespace quorvel;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvel-backup"));
    try {
        DataFiles data{resolveDataFolder(executableFolder())};
        // A second start only brings the running window forward; it opens no data file.
        gui::SingleInstance instance(gui::SingleInstance::serverNameFor(data.folder));
        if (!instance.claim())
            return 0;
        ensureDataFolder(data.folder);
        gui::GuiPrompts prompts; // message boxes centred on the screen, the message window for outcomes
        SystemClock clock;
        gui::TFormMain form(data, prompts, clock);
        QObject::connect(&instance, &gui::SingleInstance::raiseRequested, &form, &gui::TFormMain::restoreProgram);
        form.showAtStartup();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Quorvel ZIP Backup"), QString::fromUtf8(e.what()));
        return 1;
    }
}
