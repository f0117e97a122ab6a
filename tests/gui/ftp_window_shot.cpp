// Shows the transfer window uploading a file to the first site of an account.ini, or the site
// manager on it, for a screenshot taken from outside (not a test).
// Usage: ftp-window-shot ACCOUNT-INI LOCAL-FOLDER FILE-NAME SECONDS
//        ftp-window-shot --sites ACCOUNT-INI SECONDS
#include "gui/dialogs/gui_prompts.h"
#include "gui/ftp/form_account.h"
#include "gui/ftp/form_ftp.h"
#include "gui/ftp/transfer_list.h"

#include <QApplication>
#include <QTimer>
#include <QToolButton>

int main(int argc, char** argv) {
    using namespace quorvel;
    QApplication app(argc, argv);
    gui::GuiPrompts prompts;
    if (argc == 4 && QString::fromLatin1(argv[1]) == QStringLiteral("--sites")) {
        gui::TFormAccount sites(argv[2], prompts);
        sites.show();
        QTimer::singleShot(std::atoi(argv[3]) * 1000, &app, &QApplication::quit);
        return QApplication::exec();
    }
    if (argc != 5)
        return 2;
    gui::TFormFtp form(argv[1], prompts, QString::fromLocal8Bit(argv[2]), {QString::fromLocal8Bit(argv[3])});
    form.show();
    form.SpeedButton1->click();
    auto* poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, [&] {
        if (!form.connected() || form.busy())
            return;
        poll->stop();
        form.Spupload->click();
    });
    poll->start(100);
    QTimer::singleShot(std::atoi(argv[4]) * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
