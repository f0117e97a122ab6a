#include "core/backup/operation_log.h"
#include "gui/app/form_main.h"
#include "gui/app/progress_strip.h"
#include "gui/app/tray_icon.h"
#include "gui/dialogs/preferences_dialog.h"
#include "gui/pages/backup_page.h"
#include "gui/pages/log_page.h"
#include "gui/pages/log_table_model.h"
#include "scripted_prompts.h"
#include "support/test_clock.h"
#include "support/test_support.h"
#include "wait_for_run.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <memory>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

// A data folder with one project, "Docs", that backs up src/ into dest/.
struct Window {
    TempDir dir;
    WindowPrompts prompts;
    TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
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

        // While the writer works the event loop runs: look at the window when its progress shows.
        bool looked = false, busy = false, stripShown = false;
        QObject::connect(w.form->progressStrip->ProgressBarTotal, &QProgressBar::valueChanged, w.form.get(), [&] {
            if (looked)
                return;
            looked = true;
            busy = !w.form->SpStart->isEnabled() && !w.form->PageControl1->isEnabled() &&
                   QApplication::overrideCursor() != nullptr;
            stripShown = w.form->progressStrip->ProgressBarTotal->isVisibleTo(w.form.get());
        });
        QTest::mouseClick(w.form->SpStart, Qt::LeftButton);
        QVERIFY(waitForRun(*w.form));

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
        QVERIFY(waitForRun(*w.form));
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

    // The run goes on while Create Backup has returned; its question comes to the window's thread,
    // whose event loop keeps running while the worker waits, and the progress arrives in order.
    void aBackupRunsOffTheWindowThreadAndAsksThroughIt() {
        Window w("PromptBeforeBackup=1\n");
        w.form->show();
        bool timerFired = false, busyWhileAsked = false;
        w.prompts.whileAsked = [&](const std::string& question) {
            if (!question.starts_with("Do you want to backup"))
                return;
            busyWhileAsked = w.form->isBusy() && !w.form->SpStart->isEnabled() && !w.form->SpEdit->isEnabled();
            QEventLoop loop; // as a message box does
            QTimer::singleShot(0, &loop, [&] {
                timerFired = true;
                loop.quit();
            });
            loop.exec();
            w.form->close(); // asks whether to cancel: No keeps the run going
        };
        w.prompts.answers = {false, true}; // the close question is answered first, inside the other
        std::vector<int> totals;
        QProgressBar* total = w.form->progressStrip->ProgressBarTotal;
        QObject::connect(total, &QProgressBar::valueChanged, w.form.get(), [&](int value) {
            if (total->isVisibleTo(w.form.get()))
                totals.push_back(value);
        });

        w.form->SpStartClick();
        QVERIFY(w.form->isBusy());
        QVERIFY(!fs::exists(w.dir / "dest/Docs7.zip"));
        QVERIFY(waitForRun(*w.form));

        QVERIFY(timerFired && busyWhileAsked);
        QVERIFY(!w.prompts.calledOffWindowThread);
        QCOMPARE(w.prompts.said.size(), size_t(3));
        QCOMPARE(w.prompts.said[1],
                 std::string("The backup of 'Docs' is still running.\nDo you want to cancel it and exit?"));
        QVERIFY(w.prompts.said[2].starts_with("Backup 2 Files Succeeds!"));
        QVERIFY(w.form->isVisible());
        QVERIFY(fs::exists(w.dir / "dest/Docs7.zip"));
        QVERIFY(!totals.empty());
        QVERIFY(std::is_sorted(totals.begin(), totals.end()));
        QCOMPARE(totals.back(), 100);
        QVERIFY(w.runControlsEnabled());
        QVERIFY(!w.form->isBusy());
    }

    // Closing during a run and answering Yes cancels it: nothing under the archive's name, no
    // hidden remains, the interruption logged, nothing advanced, and then the window closes.
    void closingDuringABackupCancelsItAndThenCloses() {
        Window w("PromptBeforeBackup=1\n");
        w.form->show();
        w.prompts.whileAsked = [&](const std::string& question) {
            if (question.starts_with("Do you want to backup"))
                w.form->close();
        };
        w.form->SpStartClick();
        QVERIFY(waitForRun(*w.form));

        QVERIFY(!w.form->isVisible());
        QCOMPARE(w.prompts.said.size(), size_t(2)); // the two questions; the cancel is not an error to show
        QVERIFY(fs::is_empty(w.dir / "dest"));
        QCOMPARE(w.logCell(0, LogColumnStatus), QStringLiteral("Interrupt"));
        QCOMPARE(w.logCell(0, LogColumnInformation), QStringLiteral("Canceled by the user"));
        const std::string ini = readFile(w.dir / "project.ini");
        QVERIFY(ini.find("Value=6") != std::string::npos);
        QVERIFY(ini.find("Last Project=Docs") != std::string::npos); // closed the usual way
        QVERIFY(!w.prompts.calledOffWindowThread);
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
        QCOMPARE(w.form->operationLog().rowCount(), 13); // the header row and "Log Count" rows
        QCOMPARE(w.logModel().rowCount(), 0);            // the page shows only rows with an entry
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
        QCOMPARE(w.form->operationLog().rowCount(), 16);
        QCOMPARE(w.logModel().rowCount(), 1);
        QCOMPARE(w.logCell(0, LogColumnOperation), QStringLiteral("Restore"));

        Window reopened;
        writeFile(reopened.dir / "log.txt", "[Common]\nLog Total=1\n[Log1]\nDate=2026-01-02 03:04:05\n"
                                            "Operate=Backup\nStatus=Interrupt\nProject=Docs\nInformation=x\n");
        TFormMain again(DataFiles{reopened.dir.path()}, reopened.prompts, reopened.clock);
        QCOMPARE(again.operationLog().rowCount(), 51);
        QCOMPARE(again.logPage->model()->rowCount(), 1);
        QCOMPARE(again.logPage->model()->index(0, LogColumnStatus).data().toString(), QStringLiteral("Interrupt"));
    }
};

QTEST_MAIN(BackupRunTest)
#include "backup_run_test.moc"
