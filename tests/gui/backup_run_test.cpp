#include "core/backup/operation_log.h"
#include "gui/app/form_main.h"
#include "gui/app/progress_strip.h"
#include "gui/app/tray_icon.h"
#include "gui/dialogs/preferences_dialog.h"
#include "gui/pages/backup_page.h"
#include "gui/pages/log_page.h"
#include "gui/pages/log_table_model.h"
#include "scripted_prompts.h"
#include "support/test_support.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

// A data folder with one project, "Docs", that backs up src/ into dest/.
struct Window {
    TempDir dir;
    ScriptedPrompts prompts;
    FixedClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
    std::unique_ptr<TFormMain> form;

    explicit Window(const std::string& extraCommon = {}, const std::string& extraProject = {}) {
        writeFile(dir / "src/a.txt", compressibleText(200000, 1));
        writeFile(dir / "src/sub/b.bin", randomBytes(300000, 2));
        writeFile(dir / "project.ini",
                  "[Common]\nProject Count=1\nCount0=Docs\n" + extraCommon +
                      "\n[Docs]\nFilename prefix=Docs\nValue=6\nSave Path=" + (dir / "dest").string() +
                      "/\nBackup Directory Count=1\nBackup0=" + (dir / "src").string() +
                      "/*.*\nWhether password Project=0\n" +
                      "isUseNew=1\nisUseToday=1\nNewDateTime=2000-01-01 00:00:00\n" + extraProject);
        form = std::make_unique<TFormMain>(DataFiles{dir.path()}, prompts, clock);
    }
    BackupPage& page() { return *form->TabBackup; }
    const LogTableModel& logModel() { return *form->logPage->model(); }
    QString logCell(int row, int column) { return logModel().index(row, column).data().toString(); }

    // Run-control states: Create Backup, Restore File, the pages, the tray items and the cursor.
    bool runControlsEnabled() {
        bool enabled = form->SpStart->isEnabled() && form->SpRestore->isEnabled() && form->PageControl1->isEnabled() &&
                       QApplication::overrideCursor() == nullptr;
        for (QAction* item : form->TrayIcon1->backupItems())
            enabled = enabled && item->isEnabled();
        return enabled;
    }
};

} // namespace

class BackupRunTest : public QObject {
    Q_OBJECT
private slots:
    void createBackupWritesTheArchiveLogsAndShowsTheNextRun() {
        Window w;
        QCOMPARE(w.page().EditFilename->text(), QString::fromStdString((w.dir / "dest/Docs7.zip").string()));
        w.form->PageControl1->setCurrentWidget(w.form->TabLog);

        // While the writer works the event loop runs: look at the window from inside the run.
        bool looked = false, busy = false, stripShown = false;
        QTimer::singleShot(0, [&] {
            looked = true;
            busy = !w.form->SpStart->isEnabled() && !w.form->PageControl1->isEnabled() &&
                   QApplication::overrideCursor() != nullptr;
            stripShown = w.form->progressStrip->ProgressBarTotal->isVisibleTo(w.form.get());
        });
        QTest::mouseClick(w.form->SpStart, Qt::LeftButton);

        QVERIFY(looked && busy && stripShown);
        QVERIFY(fs::exists(w.dir / "dest/Docs7.zip"));
        QCOMPARE(w.prompts.said.size(), size_t(1));
        QVERIFY(w.prompts.said[0].starts_with("Backup 2 Files Succeeds!\rProject Name: 'Docs'\r"));
        QCOMPARE(w.logCell(0, LogColumnStatus), QStringLiteral("Succeeds"));
        QVERIFY(w.logCell(0, LogColumnInformation).startsWith(QStringLiteral("2 files added to ")));
        QCOMPARE(w.page().SpinValue->value(), 8);
        QCOMPARE(w.page().EditFilename->text(), QString::fromStdString((w.dir / "dest/Docs8.zip").string()));
        QCOMPARE(w.page().DateTimePickerToday->date(), QDate(2026, 12, 7));
        QCOMPARE(w.page().DateTimePickerTime->time(), QTime(23, 16, 6));
        QVERIFY(w.runControlsEnabled());
        QVERIFY(!w.form->progressStrip->ProgressBarTotal->isVisibleTo(w.form.get()));
        QCOMPARE(w.form->PageControl1->currentWidget(), w.form->TabLog); // the page active before the run
    }

    void aFailingRunReEnablesTheControlsAndLogsTheFailure() {
        Window w;
        fs::remove_all(w.dir / "src");
        w.form->SpStartClick();
        QCOMPARE(w.prompts.said.size(), size_t(1));
        QCOMPARE(w.prompts.said[0], std::string("None of the files and folders to back up exists, so no backup "
                                                "was made"));
        QVERIFY(w.runControlsEnabled());
        QCOMPARE(w.logCell(0, LogColumnStatus), QStringLiteral("Fails"));
        QCOMPARE(w.logModel().index(0, LogColumnDate).data(Qt::ForegroundRole).value<QColor>(),
                 LogTableModel::AlertColour);
        QCOMPARE(w.page().SpinValue->value(), 7); // nothing advanced
        QVERIFY(!fs::exists(w.dir / "dest/Docs7.zip"));
    }

    void withoutProjectsCreateBackupDoesNothing() {
        Window w;
        writeFile(w.dir / "project.ini", "");
        w.form->LoadSettingsAndProjects();
        w.form->SpStartClick();
        QVERIFY(w.prompts.said.empty());
        QVERIFY(!fs::exists(w.dir / "dest"));
    }

    void theLogPageHasLogCountPlusOneRowsAndTheEntriesOfLogTxt() {
        Window w("Log Count=12\n");
        QCOMPARE(w.logModel().rowCount(), 12); // the header row is the table's header
        w.form->operationLog().AppendLog("Restore", "Succeeds", "restored", "Docs");
        QCOMPARE(w.logCell(0, LogColumnOperation), QStringLiteral("Restore"));

        // The preferences' log size resizes the grid at once.
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TFormPreferences*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->LogSpinEdit->setValue(15);
            dialog->done(QDialog::Accepted);
        });
        w.form->menuPreferencesClick();
        QCOMPARE(w.logModel().rowCount(), 15);
        QCOMPARE(w.logCell(0, LogColumnOperation), QStringLiteral("Restore"));

        Window reopened;
        writeFile(reopened.dir / "log.txt", "[Common]\nLog Total=1\n[Log1]\nDate=2026-01-02 03:04:05\n"
                                            "Operate=Backup\nStatus=Interrupt\nProject=Docs\nInformation=x\n");
        TFormMain again(DataFiles{reopened.dir.path()}, reopened.prompts, reopened.clock);
        QCOMPARE(again.logPage->model()->rowCount(), 50);
        QCOMPARE(again.logPage->model()->index(0, LogColumnStatus).data().toString(), QStringLiteral("Interrupt"));
    }
};

QTEST_MAIN(BackupRunTest)
#include "backup_run_test.moc"
