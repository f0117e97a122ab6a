// Shows the main window on a page of a data folder, for a screenshot taken from outside (not a
// test). On the Restore page the second archive is chosen and three of its entries selected.
// Usage: restore-page-shot DATA-FOLDER SECONDS [backup|restore|log [WIDTHxHEIGHT|max]]
// "max" fills the screen's available area (a bare X server has no window manager to maximise).
#include "core/util/clock.h"
#include "gui/app/form_main.h"
#include "gui/dialogs/gui_prompts.h"
#include "gui/pages/backup_page.h"
#include "gui/pages/log_page.h"
#include "gui/pages/restore_page.h"

#include <QApplication>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace {

void placeWindow(QWidget& form, const QString& size) {
    if (size == QLatin1String("max")) {
        form.setGeometry(form.screen()->availableGeometry());
        return;
    }
    const QStringList parts = size.split(QLatin1Char('x'));
    if (parts.size() == 2)
        form.setGeometry(0, 0, parts[0].toInt(), parts[1].toInt());
}

void chooseRestoreRows(quorvel::gui::RestorePage& page) {
    QTableView* archives = page.StringGridZipfilename;
    archives->setCurrentIndex(archives->model()->index(1, 0));
    archives->selectRow(1);
    QTableView* entries = page.StringGrid1;
    entries->setCurrentIndex(entries->model()->index(1, 0));
    entries->selectionModel()->select(QItemSelection(entries->model()->index(1, 0), entries->model()->index(3, 3)),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

} // namespace

int main(int argc, char** argv) {
    using namespace quorvel;
    QApplication app(argc, argv);
    if (argc < 3 || argc > 5)
        return 2;
    const QString page = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("restore");
    gui::GuiPrompts prompts;
    SystemClock clock;
    gui::TFormMain form(DataFiles{argv[1]}, prompts, clock);
    form.show(); // first, since the window centres itself when first shown
    if (argc > 4)
        placeWindow(form, QString::fromLocal8Bit(argv[4]));
    if (page == QLatin1String("backup")) {
        form.PageControl1->setCurrentWidget(form.TabBackup);
    } else if (page == QLatin1String("log")) {
        form.PageControl1->setCurrentWidget(form.TabLog);
    } else {
        form.PageControl1->setCurrentWidget(form.TabRestore);
        chooseRestoreRows(*form.restorePage);
    }
    QTimer::singleShot(std::atoi(argv[2]) * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
