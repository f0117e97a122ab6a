// Shows the main window on the Restore page of a data folder, with the second archive chosen and
// three of its entries selected, for a screenshot taken from outside (not a test).
// Usage: restore-page-shot DATA-FOLDER SECONDS
#include "core/util/clock.h"
#include "gui/app/form_main.h"
#include "gui/dialogs/gui_prompts.h"
#include "gui/pages/restore_page.h"

#include <QApplication>
#include <QTabWidget>
#include <QTableView>
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
    form.PageControl1->setCurrentWidget(form.TabRestore);
    QTableView* archives = form.restorePage->StringGridZipfilename;
    archives->setCurrentIndex(archives->model()->index(1, 0));
    archives->selectRow(1);
    QTableView* entries = form.restorePage->StringGrid1;
    entries->setCurrentIndex(entries->model()->index(1, 0));
    entries->selectionModel()->select(QItemSelection(entries->model()->index(1, 0), entries->model()->index(3, 3)),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTimer::singleShot(std::atoi(argv[2]) * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
