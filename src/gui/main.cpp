#include "build_info.h"
#include "core/platform/data_folder.h"
#include "core/util/clock.h"
#include "gui/app/form_main.h"
#include "gui/app/single_instance.h"
#include "gui/dialogs/gui_prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <iostream>
#include <optional>
#include <string_view>

namespace {

// --help and --version are answered before the toolkit starts: they need no display, and they
// neither open the data folder nor ask a running copy to come forward.
std::optional<int> answerInformationOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::cout << "Usage: quorvel-backup [--help | --version]\n\n"
                         "Quorvel ZIP Backup, a desktop backup manager: named backup projects that each write one\n"
                         "standard zip archive per run, restore, an archive browser and an operation log.\n"
                         "Starting it while it runs already brings the running window to the front.\n\n"
                         "  -h, --help   print this text and exit\n"
                         "  --version    print the version and exit\n\n"
                         "Other arguments are left to the Qt toolkit (for example -platform NAME).\n"
                         "Data folder: $XDG_CONFIG_HOME/quorvel-backup (or ~/.config/quorvel-backup), or the\n"
                         "program's own folder when a file named \"portable\" lies beside it.\n"
                         "quorvel-backup-cli works on the same data without a window; see quorvel-backup(1).\n";
            return 0;
        }
        if (arg == "--version") {
            std::cout << "quorvel-backup " QUORVEL_VERSION "\n";
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    using namespace quorvel;
    if (const std::optional<int> status = answerInformationOption(argc, argv))
        return *status;
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
