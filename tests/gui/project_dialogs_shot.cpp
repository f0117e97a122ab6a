// Shows a page of the new-project wizard, the select-by-filter dialog, the wildcard dialog or
// the main window of an empty data folder, filled as a user would have it, for a screenshot
// taken from outside (not a test).
// Usage: project-dialogs-shot DATA-FOLDER 1..6|filter|wildcard|empty SECONDS
#include "core/project/wildcard_library.h"
#include "core/util/clock.h"
#include "gui/app/form_main.h"
#include "gui/dialogs/gui_prompts.h"
#include "gui/dialogs/project_wizard.h"
#include "gui/dialogs/select_by_filter_dialog.h"
#include "gui/dialogs/wildcard_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>

namespace {

using namespace quorvel;
using namespace quorvel::gui;

void fillWizard(TFormProjectName& w, int page) {
    w.comboproject->setText(QStringLiteral("My Documents"));
    w.btnNext->click();
    w.ListboxBackup->addItems({QDir::homePath() + QStringLiteral("/Documents/*.odt"),
                               QDir::homePath() + QStringLiteral("/Documents/Letters/"),
                               QDir::homePath() + QStringLiteral("/notes.txt")});
    w.ListboxBackup->setCurrentRow(0);
    w.CheckBoxAddNewer->click();
    w.ListBoxNobackup->addItems({QStringLiteral("*.tmp"), QDir::homePath() + QStringLiteral("/Documents/old/*.*")});
    w.CheckBoxPassword->click();
    w.EditPassword->setText(QStringLiteral("secret"));
    w.EditConfirmPassword->setText(QStringLiteral("secret"));
    w.radioDaily->click();
    while (w.Notebook1->currentIndex() + 1 < page)
        w.btnNext->click();
    while (w.Notebook1->currentIndex() + 1 > page)
        w.btnBack->click();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const DataFiles data{argv[1]};
    const QString what = QString::fromLatin1(argv[2]);
    GuiPrompts prompts;
    SystemClock clock;
    IniFile ini(data.projectIni());
    saveWildcardLibrary(ini, {"*.doc", "*.odt", "*.xls", "*.jpg"});
    std::unique_ptr<QWidget> shown;
    if (what == QLatin1String("filter")) {
        auto dialog = std::make_unique<TFormselectbyfilter>(data.projectIni(), prompts);
        dialog->setFolder(QDir::homePath());
        shown = std::move(dialog);
    } else if (what == QLatin1String("wildcard")) {
        shown = std::make_unique<TFormWildcard>(data.projectIni(), prompts);
    } else if (what == QLatin1String("empty")) {
        shown = std::make_unique<TFormMain>(data, prompts, clock);
    } else {
        auto wizard = std::make_unique<TFormProjectName>(WizardContext{data, prompts, clock, {}, false, 2});
        fillWizard(*wizard, what.toInt());
        shown = std::move(wizard);
    }
    shown->show();
    QTimer::singleShot(std::atoi(argv[3]) * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
