// Shows the email window on its "Message" or "Account" page, or sending to the account's server,
// for a screenshot taken from outside (not a test).
// Usage: email-window-shot ACCOUNT-INI message|account|send SECONDS [FILE...]
#include "gui/dialogs/gui_prompts.h"
#include "gui/mail/form_email.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

int main(int argc, char** argv) {
    using namespace quorvel;
    QApplication app(argc, argv);
    if (argc < 4)
        return 2;
    gui::GuiPrompts prompts;
    QStringList files;
    for (int i = 4; i < argc; ++i)
        files.append(QString::fromLocal8Bit(argv[i]));
    gui::TFormEmail form(argv[1], prompts, files);
    const QString page = QString::fromLatin1(argv[2]);
    form.EditSubject->setText(QStringLiteral("Backup archives of this week"));
    form.show();
    if (page == QStringLiteral("account"))
        form.PageControl1->setCurrentWidget(form.TabAccount);
    else if (page == QStringLiteral("send"))
        form.btnSend->click();
    QTimer::singleShot(std::atoi(argv[3]) * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
