// The window's scheduler and tray: ticks on a clock the test moves, real backups through the
// worker, the tray menu and its states, minimising, and failures that are shown until the Log
// page has been opened. The desktop's tray is absent offscreen; where a test needs one, it says
// that there is one.
#include "core/backup/operation_log.h"
#include "core/ini/ini_file.h"
#include "core/schedule/project_run_lock.h"
#include "gui/app/background_task.h"
#include "gui/app/form_main.h"
#include "gui/app/tray_icon.h"
#include "gui/app/window_scheduler.h"
#include "gui/dialogs/msg_form.h"
#include "gui/pages/backup_page.h"
#include "gui/resources/app_icons.h"
#include "gui/widgets/project_selector.h"
#include "scripted_prompts.h"
#include "support/test_clock.h"
#include "support/test_support.h"
#include "wait_for_run.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <optional>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

QImage picture(const QIcon& icon) {
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

// A data folder with "Docs", due daily at 08:00:00 and backing up docs/ into dest/, and "Photos",
// without a schedule, backing up pics/ into dest/. The clock stands at 10:00 on 2026-03-14.
struct Window {
    TempDir dir;
    WindowPrompts prompts;
    TestClock clock;
    std::unique_ptr<TFormMain> form;

    explicit Window(const std::string& extraCommon = {}, const std::string& moreProjects = {}) {
        writeFile(dir / "docs/a.txt", compressibleText(20000, 1));
        writeFile(dir / "pics/b.bin", randomBytes(5000, 2));
        writeFile(dir / "project.ini", "[Common]\nProject Count=2\nCount0=Docs\nCount1=Photos\nLast Project=Photos\n" +
                                           extraCommon + "\n" +
                                           project("Docs", "docs", "BackupMode=0\nStartTime_or_Increase=08:00:00\n") +
                                           project("Photos", "pics", "") + moreProjects);
        open();
    }
    std::string project(const std::string& name, const std::string& source, const std::string& keys) const {
        return "[" + name + "]\nFilename prefix=" + name + "\nSave Path=" + (dir / "dest").string() +
               "/\nBackup Directory Count=1\nBackup0=" + (dir / source).string() +
               "/*.*\nWhether password Project=0\n" + keys + "\n";
    }
    void open() { form = std::make_unique<TFormMain>(DataFiles{dir.path()}, prompts, clock); }
    BackupPage& page() { return *form->TabBackup; }
    std::size_t archives() const {
        return fs::exists(dir / "dest")
                   ? static_cast<std::size_t>(std::distance(fs::directory_iterator(dir / "dest"), {}))
                   : 0;
    }
    std::string lastServed(const std::string& name) const {
        return IniFile(dir / "schedule.ini").readString(name, "Last Served");
    }
    // A tick that starts a run, and the run to its end.
    bool tickRuns() {
        form->Timer1Timer();
        return form->backgroundTask().isRunning() && waitForRun(*form);
    }
    QString logStatus() const { return QString::fromStdString(form->operationLog().row(1)[LogColumnStatus]); }
};

// The message windows that are open now (notifications where there is no tray).
QList<TMsgForm*> openMessageWindows() {
    QList<TMsgForm*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* message = qobject_cast<TMsgForm*>(w); message != nullptr && message->isVisible())
            open << message;
    return open;
}

} // namespace

class ScheduleTrayTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        for (TMsgForm* message : openMessageWindows())
            message->close();
    }

    // A daily project saved in the morning runs at the first tick after its time, once, without
    // the question before the run, and again the next day; a restart does not run it again.
    void aDueProjectRunsOnceAtATickAndAgainTheNextDay() {
        Window w("PromptBeforeBackup=1\n");
        const std::string docsValue = IniFile(w.dir / "project.ini").readString("Docs", "Value", "1");
        QVERIFY(w.form->Timer1->isActive());
        QCOMPARE(w.form->Timer1->interval(), 30000);
        w.form->Timer1Timer();
        QVERIFY(w.form->backgroundTask().isRunning());
        // Busy like a run from the tool bar: nothing else can be started beside it.
        QVERIFY(!w.form->SpStart->isEnabled());
        for (QAction* item : w.form->TrayIcon1->backupItems())
            QVERIFY(!item->isEnabled());
        w.form->Timer1Timer();
        w.form->TrayIcon1->backupItems().at(1)->trigger();
        QVERIFY(waitForRun(*w.form));
        for (QAction* item : w.form->TrayIcon1->backupItems())
            QVERIFY(item->isEnabled());
        QCOMPARE(w.archives(), size_t(1));
        QCOMPARE(w.prompts.said.size(), size_t(1));
        QVERIFY(w.prompts.said[0].starts_with("Backup 1 Files Succeeds!"));
        QCOMPARE(w.form->selectedProjectName(), QStringLiteral("Docs")); // shown while it ran
        QCOMPARE(w.page().SpinValue->value(), std::stoi(docsValue) + 2); // and reloaded after it
        QCOMPARE(w.form->PageControl1->currentWidget(), w.form->TabBackup);
        QCOMPARE(w.lastServed("Docs"), std::string("2026-03-14 08:00:00"));
        QVERIFY(w.form->settings().promptBeforeBackup);

        QVERIFY(!w.tickRuns());
        w.clock.value = DateTime{2026, 3, 14, 23, 59, 59};
        QVERIFY(!w.tickRuns());
        w.form.reset();
        w.open();
        QVERIFY(!w.tickRuns()); // the restart knows this morning's run
        w.clock.value = DateTime{2026, 3, 15, 8, 0, 1};
        QVERIFY(w.tickRuns());
        QCOMPARE(w.archives(), size_t(2));
        QVERIFY(!w.tickRuns());
    }

    // The timer itself, shortened through the environment: the due project runs once, the ticks
    // that come while it runs start nothing beside it, and the ticks after it nothing again.
    void theTimerRunsADueProjectOnceAtItsOwnTicks() {
        qputenv("QUORVEL_SCHEDULE_TICK_MS", "15");
        Window w;
        qunsetenv("QUORVEL_SCHEDULE_TICK_MS");
        QCOMPARE(w.form->Timer1->interval(), 15);
        QSignalSpy ticks(w.form->Timer1, &QTimer::timeout);
        int runs = 0;
        QObject::connect(&w.form->backgroundTask(), &BackgroundTask::runningChanged, [&](bool running) {
            if (running)
                ++runs;
        });
        QTRY_VERIFY(w.lastServed("Docs") == "2026-03-14 08:00:00" && !w.form->backgroundTask().isRunning());
        const qsizetype afterRun = ticks.size();
        QTRY_VERIFY(ticks.size() >= afterRun + 5);
        QCOMPARE(runs, 1);
        QCOMPARE(w.archives(), size_t(1));
        QCOMPARE(w.prompts.said.size(), size_t(1));
    }

    // A tick starts nothing while a run is under way, a project is being edited, a dialog is open
    // or scheduling is off; the due project runs at the first tick after.
    void aTickWaitsForARunAnEditADialogAndTheSwitch() {
        Window w;
        w.form->SpStartClick(); // Photos
        QVERIFY(w.form->isBusy());
        w.form->Timer1Timer();
        QCOMPARE(w.form->backgroundTask().what(), QStringLiteral("The backup of 'Photos'"));
        QVERIFY(waitForRun(*w.form));
        QVERIFY(w.lastServed("Docs").empty());

        w.form->SpEditClick();
        QVERIFY(!w.tickRuns());
        w.form->SpCancelClick();

        bool startedUnderDialog = true;
        QDialog dialog(w.form.get());
        QTimer::singleShot(0, &dialog, [&] {
            w.form->Timer1Timer();
            startedUnderDialog = w.form->backgroundTask().isRunning();
            dialog.reject();
        });
        dialog.exec();
        QVERIFY(!startedUnderDialog);

        w.prompts.answers = {true};
        w.form->spEnable->click();
        QVERIFY(!w.form->spEnable->isChecked());
        // Written at once: a background scheduler on the folder follows it.
        QCOMPARE(IniFile(w.dir / "project.ini").readString("Common", "Enable schedule"), std::string("0"));
        QVERIFY(!w.tickRuns());
        QVERIFY(w.form->Timer1->isActive()); // the switch does not stop the timer
        w.form->spEnable->click();
        QVERIFY(w.tickRuns());
        QCOMPARE(w.lastServed("Docs"), std::string("2026-03-14 08:00:00"));
        QCOMPARE(w.archives(), size_t(2));
        QVERIFY(!w.tickRuns());
    }

    // Switched during a run, the setting reaches project.ini when the run has ended, so that it
    // does not race the run's own writes.
    void theSwitchIsWrittenAfterARunThatIsUnderWay() {
        Window w;
        w.form->SpStartClick();
        w.prompts.answers = {true};
        w.form->menuEnDisClick();
        QVERIFY(!w.form->spEnable->isChecked());
        QVERIFY(IniFile(w.dir / "project.ini").readString("Common", "Enable schedule").empty());
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(IniFile(w.dir / "project.ini").readString("Common", "Enable schedule"), std::string("0"));
        QCOMPARE(IniFile(w.dir / "project.ini").readString("Photos", "Value"), std::string("2")); // the run's own
    }

    // Projects due at the same tick run one after the other, the second as soon as the first ended.
    void projectsDueTogetherRunOneAfterTheOther() {
        Window w({}, "");
        IniFile(w.dir / "project.ini").edit([](IniDocument& doc) {
            doc.writeString("Photos", "BackupMode", "2");
            doc.writeString("Photos", "StartTime_or_Increase", "Saturday");
        });
        w.clock.value = DateTime{2026, 3, 14, 12, 30, 0};
        w.form->RebuildSchedule();
        QVERIFY(w.tickRuns());
        QTRY_VERIFY(!w.form->backgroundTask().isRunning() && w.archives() == 2);
        QCOMPARE(w.lastServed("Photos"), std::string("2026-03-14 12:00:00"));
        QCOMPARE(w.prompts.said.size(), size_t(2));
    }

    // A failed scheduled run is never silent: the log says it, a notification says it (a message
    // window that closes by itself, where there is no tray), and the icon and tooltip show it
    // until the Log page is opened. It counts as run: it is not retried every 30 seconds.
    void aFailedScheduledRunShowsUntilTheLogPageIsOpened() {
        Window w;
        fs::remove_all(w.dir / "docs");
        QSignalSpy notified(w.form->TrayIcon1, &TrayIcon::notified);
        QVERIFY(w.tickRuns());
        QCOMPARE(w.logStatus(), QStringLiteral("Fails"));
        QCOMPARE(w.lastServed("Docs"), std::string("2026-03-14 08:00:00"));

        TrayIcon& tray = *w.form->TrayIcon1;
        QVERIFY(tray.failureShown());
        const QString headline =
            QStringLiteral("'Docs': Fails: None of the files and folders to back up exists, so no backup was made");
        QCOMPARE(tray.failures(), QStringList{headline});
        QVERIFY(tray.TrayIcon1->toolTip().startsWith(QStringLiteral("Quorvel ZIP Backup. Right-click to backup\n")));
        QVERIFY(tray.TrayIcon1->toolTip().contains(headline));
        QVERIFY(picture(tray.TrayIcon1->icon()) != picture(forautoIcon()));
        QCOMPARE(picture(w.form->windowIcon()), picture(tray.TrayIcon1->icon()));
        QCOMPARE(notified.size(), 1);
        QCOMPARE(notified[0][1].toBool(), false);
        const QList<TMsgForm*> shown = openMessageWindows();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0]->Message->text().contains(headline));
        QVERIFY(shown[0]->closeTimer()->isActive());
        QVERIFY(!w.tickRuns());

        w.form->PageControl1->setCurrentWidget(w.form->TabRestore);
        QVERIFY(tray.failureShown());
        emit tray.TrayIcon1->messageClicked(); // the notification leads to the log
        QVERIFY(w.form->isVisible());
        QCOMPARE(w.form->PageControl1->currentWidget(), w.form->TabLog);
        QVERIFY(!tray.failureShown());
        QCOMPARE(tray.TrayIcon1->toolTip(), QStringLiteral("Quorvel ZIP Backup. Right-click to backup"));
        QCOMPARE(picture(tray.TrayIcon1->icon()), picture(forautoIcon()));
        QCOMPARE(picture(w.form->windowIcon()), picture(forautoIcon()));
    }

    // Bringing the window back with the Log page in front counts as opening it.
    void restoringTheWindowOnTheLogPageClearsTheFailure() {
        Window w;
        w.form->PageControl1->setCurrentWidget(w.form->TabLog);
        w.form->TrayIcon1->showFailure(QStringLiteral("'Docs': Fails: disk full"), MessageKind::Error);
        QVERIFY(w.form->TrayIcon1->failureShown());
        emit w.form->TrayIcon1->openRequested();
        QVERIFY(w.form->isVisible());
        QVERIFY(!w.form->TrayIcon1->failureShown());
    }

    // The menu in its order, the switch as a check mark, the marker of the scheduled project.
    void theTrayMenuShowsTheSwitchAndTheScheduledProjects() {
        Window w;
        TrayIcon& tray = *w.form->TrayIcon1;
        QStringList names;
        for (QAction* item : tray.PopupMenu2->actions())
            names << (item->menu() != nullptr ? item->menu()->objectName() : item->objectName());
        QCOMPARE(names, (QStringList{"OpenMainWindow1", "N2", "menuEnDis", "menuBackup", "N1", "Help3", "Exit1"}));
        QCOMPARE(tray.menuBackup->title(), QStringLiteral("Backup Project"));
        QVERIFY(tray.menuEnDis->isCheckable() && tray.menuEnDis->isChecked());
        QCOMPARE(tray.menuEnDis->text(), QStringLiteral("Enabled Scheduling"));
        QCOMPARE(picture(tray.TrayIcon1->icon()), picture(forautoIcon()));

        const QList<QAction*> items = tray.backupItems();
        QCOMPARE(items.size(), 2);
        QVERIFY(!items[0]->icon().isNull()); // Docs
        QVERIFY(items[1]->icon().isNull());  // Photos
        // A schedule set meanwhile by the command line shows when the submenu opens.
        IniFile(w.dir / "project.ini").writeString("Photos", "BackupMode", "1");
        emit tray.menuBackup->aboutToShow();
        QVERIFY(!items[1]->icon().isNull());

        w.prompts.answers = {false}; // "No": scheduling stays on
        tray.menuEnDis->trigger();
        QCOMPARE(w.prompts.said.back(), std::string("Do you want to disable all scheduling?"));
        QVERIFY(tray.menuEnDis->isChecked() && w.form->spEnable->isChecked());
        QCOMPARE(tray.menuEnDis->text(), QStringLiteral("Enabled Scheduling"));
        QCOMPARE(w.form->spEnable->toolTip(), QStringLiteral("Enabled Scheduling"));
        w.prompts.answers = {true};
        tray.menuEnDis->trigger();
        QVERIFY(!tray.menuEnDis->isChecked());
        QCOMPARE(w.form->spEnable->toolTip(), QStringLiteral("Disabled Scheduling"));
        QCOMPARE(tray.menuEnDis->text(), QStringLiteral("Disabled Scheduling"));
        QCOMPARE(picture(tray.TrayIcon1->icon()), picture(fornormalIcon()));
        QCOMPARE(picture(w.form->windowIcon()), picture(fornormalIcon()));
    }

    // An item of "Backup Project" runs that project as Create Backup does, with the question
    // before the run; a failure is shown as a scheduled one is, a No is not a failure.
    void aTrayItemRunsItsProjectWithTheQuestion() {
        Window w("PromptBeforeBackup=1\n");
        w.form->comboProject->setCurrentIndex(0);
        w.form->comboProjectChange();
        QAction* photos = w.form->TrayIcon1->backupItems().at(1);
        w.prompts.answers = {false};
        photos->trigger();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(w.form->selectedProjectName(), QStringLiteral("Photos"));
        QCOMPARE(w.prompts.said, std::vector<std::string>{"Do you want to backup the project 'Photos'?"});
        QCOMPARE(w.archives(), size_t(0));
        QVERIFY(!w.form->TrayIcon1->failureShown());

        photos->trigger();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(w.archives(), size_t(1));
        QVERIFY(!w.form->TrayIcon1->failureShown());

        fs::remove_all(w.dir / "pics");
        photos->trigger();
        QVERIFY(waitForRun(*w.form));
        QVERIFY(w.form->TrayIcon1->failureShown());
        QVERIFY(w.form->TrayIcon1->failures().at(0).startsWith(QStringLiteral("'Photos': Fails: ")));
    }

    // Only one scheduler works on a data folder: while the background one holds it, the window
    // runs nothing and says so, and it takes over once that one has ended. A project whose run
    // another program has under way waits quietly for it.
    void theWindowLeavesTheFolderToAnotherSchedulerAndTakesOver() {
        Window w;
        w.form.reset();
        auto other = std::make_unique<SchedulerLock>(DataFiles{w.dir.path()});
        QVERIFY(other->owned());
        w.open();
        QVERIFY(!w.form->scheduling().schedules());
        QVERIFY(!w.tickRuns());
        const QString tip = w.form->TrayIcon1->TrayIcon1->toolTip();
        QVERIFY2(tip.contains(QStringLiteral("A scheduler is already running on the data folder")), qPrintable(tip));
        QVERIFY(w.form->spEnable->toolTip().startsWith(QStringLiteral("Enabled Scheduling\nA scheduler is already")));

        other.reset();
        {
            const ProjectRunLock running(DataFiles{w.dir.path()}, "docs");
            QVERIFY(!w.tickRuns());
            QVERIFY(w.form->scheduling().schedules());
            QCOMPARE(w.form->TrayIcon1->TrayIcon1->toolTip(),
                     QStringLiteral("Quorvel ZIP Backup. Right-click to backup"));
            QCOMPARE(w.form->spEnable->toolTip(), QStringLiteral("Enabled Scheduling"));
            QVERIFY(w.prompts.said.empty());
        }
        QVERIFY(w.tickRuns());
        QCOMPARE(w.archives(), size_t(1));
        const SchedulerLock second(DataFiles{w.dir.path()});
        QVERIFY(second.heldElsewhere());
    }

    // Minimising hides the window in the tray where there is one; without a tray it stays on the
    // task bar. After a minimised start the first minimise leaves it on the task bar.
    void minimisingHidesInTheTrayOnlyWhereThereIsOne() {
        Window w;
        bool tray = false;
        w.form->TrayIcon1->setAvailabilityProbe([&] { return tray; });
        w.form->show();
        w.form->showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(w.form->isVisible() && w.form->isMinimized());

        tray = true;
        w.form->showNormal();
        w.form->showMinimized();
        QTRY_VERIFY(!w.form->isVisible());
        emit w.form->TrayIcon1->TrayIcon1->activated(QSystemTrayIcon::Trigger); // left click
        QVERIFY(w.form->isVisible() && !w.form->isMinimized());
        w.form->showMinimized();
        QTRY_VERIFY(!w.form->isVisible());
        emit w.form->TrayIcon1->TrayIcon1->activated(QSystemTrayIcon::Context); // the menu, not the window
        QVERIFY(!w.form->isVisible());
        w.form->TrayIcon1->OpenMainWindow1->trigger();
        QVERIFY(w.form->isVisible() && !w.form->isMinimized());

        // The tray's host ends while the window is hidden in it: the window comes back onto the
        // task bar, minimised, instead of being out of reach.
        w.form->showMinimized();
        QTRY_VERIFY(!w.form->isVisible());
        w.form->checkTrayStillThere();
        QVERIFY(!w.form->isVisible());
        tray = false;
        w.form->checkTrayStillThere();
        QVERIFY(w.form->isVisible() && w.form->isMinimized());
        QCoreApplication::processEvents();
        QVERIFY(w.form->isVisible()); // and the minimise that brought it back does not hide it
        tray = true;

        Window started("Auto Run=1\nIs Minimized=1\n");
        started.form->TrayIcon1->setAvailabilityProbe([] { return true; });
        started.form->showAtStartup();
        QCoreApplication::processEvents();
        QVERIFY(started.form->isVisible() && started.form->isMinimized());
        QVERIFY(!started.form->startMinimisedFlag());
        started.form->restoreProgram();
        started.form->showMinimized();
        QTRY_VERIFY(!started.form->isVisible());
    }

    // Hidden in the tray, the program must not end when a message window that closed by itself
    // was the last one shown (the toolkit's default, which ended the program after a scheduled
    // run's outcome had been shown); it ends when the main window closes, also while hidden.
    void theProgramEndsWithTheMainWindowOnly() {
        Window w;
        QVERIFY(!QGuiApplication::quitOnLastWindowClosed());
        w.form->show();
        w.form->hide();
        QTimer::singleShot(0, w.form.get(), &QWidget::close);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!w.form->TrayIcon1->TrayIcon1->isVisible());
    }
};

QTEST_MAIN(ScheduleTrayTest)
#include "schedule_tray_test.moc"
