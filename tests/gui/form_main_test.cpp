#include "core/ini/ini_file.h"
#include "gui/app/form_main.h"
#include "gui/app/progress_strip.h"
#include "gui/app/tray_icon.h"
#include "gui/pages/backup_page.h"
#include "gui/widgets/project_selector.h"
#include "scripted_prompts.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>
#include <memory>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

const std::string TwoProjects = "[Common]\nProject Count=2\nCount0=Photos\nCount1=Docs\nLast Project=Photos\n\n"
                                "[Docs]\nFilename prefix=Docs\nSave Path=/b/\nValue=6\nBackup Directory Count=1\n"
                                "Backup0=/home/u/a.txt\nWhether password Project=0\nBackupMode=1\n"
                                "StartTime_or_Increase=90\n\n[Photos]\nFilename prefix=Pic\nSuffix=0\n"
                                "Save Path=/p\nBackup Directory Count=1\nBackup0=/home/u/Pictures/*.jpg\n";

struct Window {
    TempDir dir;
    WindowPrompts prompts;
    TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
    std::unique_ptr<TFormMain> form;

    explicit Window(const std::string* ini) {
        if (ini != nullptr)
            writeFile(dir / "project.ini", *ini);
        form = std::make_unique<TFormMain>(DataFiles{dir.path()}, prompts, clock);
    }
    BackupPage& page() { return *form->TabBackup; }
    std::string iniText() const { return readFile(dir / "project.ini"); }
};

} // namespace

class FormMainTest : public QObject {
    Q_OBJECT
private slots:
    void startsEmptyWithoutAProjectFileAndWritesNothingAtClose() {
        Window w(nullptr);
        QCOMPARE(w.form->windowTitle(), QStringLiteral("Quorvel ZIP Backup  V1.15"));
        QCOMPARE(w.form->comboProject->count(), 0);
        QVERIFY(!w.form->SpEdit->isEnabled()); // nothing to edit: Add Project is the way on
        QVERIFY(w.form->SpNew->isEnabled());
        QVERIFY(!w.form->SpSave->isEnabled());
        QVERIFY(!w.page().GroupDes->isEnabled());
        QVERIFY(w.page().RadioUserNumber->isChecked());
        QVERIFY(w.page().radioNone->isChecked());
        QCOMPARE(w.page().Trackbar1->value(), 6);
        QCOMPARE(w.page().EditFilename->text(), QString());
        w.form->SpEditClick(); // no project: stays in browse mode
        QVERIFY(!w.form->isEditing());
        w.form->close();
        QVERIFY(!fs::exists(w.dir / "project.ini"));
        QVERIFY(w.prompts.said.empty());
    }

    void anEmptyProjectFileStaysEmptyAfterClose() {
        const std::string empty;
        Window w(&empty);
        w.form->spEnable->click(); // a changed setting is still not written without projects
        w.form->close();
        QCOMPARE(w.iniText(), std::string());
    }

    void lastProjectIsSelectedAndLoaded() {
        Window w(&TwoProjects);
        QCOMPARE(w.form->projectNames(), (QStringList{"Docs", "Photos"}));
        QCOMPARE(w.form->comboProject->currentText(), QStringLiteral("Photos"));
        QCOMPARE(w.page().EditPrefix->text(), QStringLiteral("Pic"));
        QVERIFY(w.page().RadioUseNone->isChecked());
        QCOMPARE(w.page().EditFilename->text(), QStringLiteral("/p/Pic.zip"));
        QCOMPARE(w.form->TrayIcon1->backupItems().size(), 2);
    }

    void missingLastProjectFallsBackToTheFirstInSortedOrder() {
        std::string ini = TwoProjects;
        ini.replace(ini.find("Last Project=Photos"), 19, "Last Project=Gone");
        Window w(&ini);
        QCOMPARE(w.form->comboProject->currentText(), QStringLiteral("Docs"));
        QCOMPARE(w.page().EditFilename->text(), QStringLiteral("/b/Docs7.zip"));
        QVERIFY(w.page().radioDaily->isChecked());
        QCOMPARE(w.page().SpinEditNumber->value(), 90);
    }

    void closeWritesTheSettingsAndTheSelectedProject() {
        Window w(&TwoProjects);
        w.form->comboProject->setCurrentIndex(0);
        w.form->close();
        IniDocument doc = IniDocument::parse(w.iniText());
        QCOMPARE(doc.readString("Common", "Last Project"), std::string("Docs"));
        QCOMPARE(doc.readString("Common", "Count0"), std::string("Docs"));
        QCOMPARE(doc.readString("Common", "Enable schedule"), std::string("1"));
        QVERIFY(!doc.value("Common", "Auto Run").has_value());
    }

    void selectingAProjectLoadsIt() {
        Window w(&TwoProjects);
        int loads = 0;
        connect(w.form.get(), &TFormMain::projectLoaded, [&] { ++loads; });
        w.form->comboProject->setCurrentIndex(0);
        emit w.form->comboProject->activated(0);
        QCOMPARE(loads, 1);
        QCOMPARE(w.page().EditPrefix->text(), QStringLiteral("Docs"));
        QCOMPARE(w.page().ListboxBackup->count(), 1);
        QVERIFY(!w.page().CheckBoxPassword->isChecked());
        QVERIFY(!w.page().EditPassword->isEnabledTo(&w.page()));
    }

    void editModeIsTheOppositeOfBrowseModeAndCancelReloads() {
        Window w(&TwoProjects);
        w.form->SpEditClick();
        QVERIFY(w.form->isEditing());
        for (QWidget* off :
             std::initializer_list<QWidget*>{w.form->comboProject, w.form->SpRename, w.form->SpNew, w.form->SpEdit,
                                             w.form->SpDelete, w.form->SpStart, w.form->SpRestore})
            QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
        QVERIFY(!w.form->menuPreferences->isEnabled());
        QVERIFY(w.form->SpCancel->isEnabled());
        for (QGroupBox* g : {w.page().GroupDes, w.page().GroupSource, w.page().GroupOption, w.page().GroupSche})
            QVERIFY(g->isEnabled());
        w.page().EditPrefix->setText(QStringLiteral("changed"));
        w.form->SpCancelClick();
        QVERIFY(!w.form->isEditing());
        QVERIFY(w.form->SpStart->isEnabled());
        QCOMPARE(w.page().EditPrefix->text(), QStringLiteral("Pic"));
    }

    void busyStateDisablesRunControlsAndShowsTheHourglass() {
        Window w(&TwoProjects);
        w.form->EnableRunControls(false);
        QVERIFY(!w.form->SpStart->isEnabled());
        QVERIFY(!w.form->SpRestore->isEnabled());
        QVERIFY(!w.form->PageControl1->isEnabled());
        for (QAction* item : w.form->TrayIcon1->backupItems())
            QVERIFY(!item->isEnabled());
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        w.form->EnableRunControls(false); // a second call does not stack the cursor
        w.form->SpEditClick();            // editing waits for the run to end
        QVERIFY(!w.form->isEditing());
        // The project commands and the preferences wait too, also when browse mode is set anew;
        // the project selector stays.
        w.form->SetBrowseMode(true);
        for (QWidget* off : std::initializer_list<QWidget*>{w.form->SpNew, w.form->SpEdit, w.form->SpRename,
                                                            w.form->spCopy, w.form->SpDelete, w.form->SpStart})
            QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
        QVERIFY(!w.form->menuPreferences->isEnabled());
        QVERIFY(w.form->comboProject->isEnabled());
        QVERIFY(w.form->isBusy());
        QSignalSpy busy(w.form.get(), &TFormMain::busyChanged);
        w.form->EnableRunControls(true);
        QCOMPARE(busy.size(), 1);
        QVERIFY(!w.form->isBusy() && w.form->SpNew->isEnabled() && w.form->menuPreferences->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(w.form->SpStart->isEnabled());
        QVERIFY(w.form->PageControl1->isEnabled());
        for (QAction* item : w.form->TrayIcon1->backupItems())
            QVERIFY(item->isEnabled());
    }

    void saveValidatesBeforeWritingAnything() {
        Window w(&TwoProjects);
        w.form->SpEditClick();
        w.page().EditPrefix->setText(QStringLiteral("  "));
        std::string before = w.iniText();
        w.form->SpSaveClick();
        QCOMPARE(w.prompts.said, std::vector<std::string>{"Please enter the prefix of backup filename"});
        QVERIFY(w.form->isEditing());
        QCOMPARE(w.iniText(), before);
        w.page().EditPrefix->setText(QStringLiteral("Pic"));
        w.page().CheckBoxPassword->setChecked(true);
        w.page().EditPassword->setText(QStringLiteral("a"));
        w.page().EditConfirmPassword->setText(QStringLiteral("b"));
        w.form->SpSaveClick();
        QCOMPARE(w.prompts.said.back(), std::string("Confirm password is not matching"));
        QVERIFY(w.form->isEditing());
    }

    void saveWritesTheSectionAndAppliesTheSaveRulesToTheControls() {
        Window w(&TwoProjects);
        int saves = 0;
        connect(w.form.get(), &TFormMain::projectSaved, [&] { ++saves; });
        w.form->SpEditClick();
        w.page().CheckBoxPassword->setChecked(false);
        w.page().EditPassword->setText(QStringLiteral("x"));
        w.page().EditConfirmPassword->setText(QStringLiteral("x"));
        w.page().Editcomment->setText(QStringLiteral("   "));
        w.page().EditFilename->setText(QStringLiteral("/typed/folder/name.zip"));
        w.page().radioWeekly->click();
        w.form->SpSaveClick();
        QVERIFY(w.prompts.said.empty());
        QVERIFY(!w.form->isEditing());
        QCOMPARE(saves, 1);
        QCOMPARE(w.page().EditPassword->text(), QString());
        QCOMPARE(w.page().EditConfirmPassword->text(), QString());
        QCOMPARE(w.page().Editcomment->text(), QString());
        QCOMPARE(w.page().savePath(), QStringLiteral("/typed/folder/"));
        IniDocument doc = IniDocument::parse(w.iniText());
        QCOMPARE(doc.readString("Photos", "Save Path"), std::string("/typed/folder/"));
        QCOMPARE(doc.readString("Photos", "StartTime_or_Increase"), std::string("Sunday"));
        QVERIFY(!doc.value("Photos", "Password").has_value());
        QCOMPARE(doc.readString("Common", "Last Project"), std::string("Photos")); // the list is not written
    }

    // The command line backed the project up while the window showed it: saving another change
    // keeps that run's number, and the window shows the number the next run will take.
    void saveKeepsTheNumberARunOfAnotherProgramWrote() {
        Window w(&TwoProjects);
        w.form->comboProject->setCurrentIndex(0); // Docs: last number 6
        w.form->comboProjectChange();
        QCOMPARE(w.page().SpinValue->value(), 7);
        IniFile(w.dir / "project.ini").writeString("Docs", "Value", "9");
        w.form->SpEditClick();
        w.page().Editcomment->setText(QStringLiteral("weekly"));
        w.form->SpSaveClick();
        QVERIFY(w.prompts.said.empty());
        IniDocument doc = IniDocument::parse(w.iniText());
        QCOMPARE(doc.readString("Docs", "Value"), std::string("9"));
        QCOMPARE(doc.readString("Docs", "Comment"), std::string("weekly"));
        QCOMPARE(w.page().SpinValue->value(), 10);
        QCOMPARE(w.page().EditFilename->text(), QStringLiteral("/b/Docs10.zip"));
    }

    void dependentControlsFollowTheirBoxes() {
        Window w(&TwoProjects);
        w.form->SpEditClick();
        BackupPage& p = w.page();
        p.CheckBoxPassword->click();
        QCOMPARE(p.EditPassword->isEnabled(), p.CheckBoxPassword->isChecked());
        QCOMPARE(p.EditConfirmPassword->isEnabled(), p.CheckBoxPassword->isChecked());
        p.CheckBoxcomment->click();
        QCOMPARE(p.Editcomment->isEnabled(), p.CheckBoxcomment->isChecked());
        QVERIFY(!p.CheckBoxAddNewer->isChecked());
        QVERIFY(!p.CheckBoxToday->isEnabled() && !p.DateTimePickerToday->isEnabled());
        p.CheckBoxAddNewer->click();
        QVERIFY(p.CheckBoxToday->isEnabled() && p.DateTimePickerToday->isEnabled() &&
                p.DateTimePickerTime->isEnabled());
        p.CheckBoxToday->click();
        QVERIFY(!p.DateTimePickerToday->isEnabled() && !p.DateTimePickerTime->isEnabled());
        QVERIFY(!p.SpinValue->isEnabled()); // Photos has no number suffix
        p.RadioUserNumber->click();
        QVERIFY(p.SpinValue->isEnabled() && p.SpinIncrease->isEnabled());
        QCOMPARE(p.EditFilename->text(), QStringLiteral("/p/Pic2.zip"));
        p.RadioUseDate->click();
        QCOMPARE(p.EditFilename->text(), QStringLiteral("/p/Pic12-07_23h16m06s.zip"));
        p.radioDaily->click();
        QVERIFY(p.SpinEditNumber->isEnabled() && !p.DateTimePicker1->isEnabled() && !p.cbWeekly->isEnabled());
        p.radioWeekly->click();
        QCOMPARE(p.cbWeekly->currentText(), QStringLiteral("Sunday"));
        p.radioNone->click();
        QVERIFY(!p.cbWeekly->isEnabled() && !p.SpinEditNumber->isEnabled() && !p.cbhour->isEnabled());
    }

    void loadingAProjectDoesNotKeepTheNumbersOfThePreviousOne() {
        std::string ini = TwoProjects + "\n[Odd]\nSuffix=9\nBackupMode=9\nStartTime_or_Increase=x\n";
        ini.replace(ini.find("Project Count=2"), 15, "Project Count=3\nCount2=Odd");
        Window w(&ini);
        w.form->comboProject->setCurrentIndex(0); // Docs: number suffix, daily every 90 minutes
        w.form->comboProjectChange();
        w.form->comboProject->setCurrentIndex(1); // Odd: suffix and mode outside their sets
        w.form->comboProjectChange();
        QVERIFY(w.page().RadioUserNumber->isChecked()); // kept from the project shown before
        QVERIFY(w.page().radioDaily->isChecked());
        QCOMPARE(w.page().SpinValue->value(), 2); // but the numbers are Odd's own
    }

    void schedulingSwitchAsksBeforeTurningOff() {
        Window w(&TwoProjects);
        w.prompts.answers = {false};
        w.form->spEnable->click();
        QCOMPARE(w.prompts.said, std::vector<std::string>{"Do you want to disable all scheduling?"});
        QVERIFY(w.form->spEnable->isChecked());
        QCOMPARE(w.form->TrayIcon1->menuEnDis->text(), QStringLiteral("Enabled Scheduling"));
        w.prompts.answers = {true};
        w.form->TrayIcon1->menuEnDis->trigger();
        QVERIFY(!w.form->spEnable->isChecked());
        QCOMPARE(w.form->spEnable->toolTip(), QStringLiteral("Disabled Scheduling"));
        QCOMPARE(w.form->TrayIcon1->menuEnDis->text(), QStringLiteral("Disabled Scheduling"));
        QVERIFY(!w.form->settings().enableSchedule);
        w.form->spEnable->click(); // turning it on asks nothing
        QCOMPARE(w.prompts.said.size(), size_t(2));
    }

    void progressStripShowsAndResets() {
        Window w(&TwoProjects);
        w.form->show();
        QVERIFY(!w.form->progressStrip->ProgressBarTotal->isVisible());
        w.form->ShowProgressStrip(true);
        QVERIFY(w.form->progressStrip->ProgressBarTotal->isVisible());
        QVERIFY(w.form->progressStrip->LabelCurrent->isVisible());
        w.form->progressStrip->setTotalPercent(40);
        w.form->progressStrip->setFileName(QStringLiteral("a.txt"));
        w.form->ShowProgressStrip(false);
        w.form->ShowProgressStrip(true);
        QCOMPARE(w.form->progressStrip->ProgressBarTotal->value(), 0);
        QCOMPARE(w.form->progressStrip->LabelFilename->text(), QString());
    }

    void startsMinimisedOnlyWithAutoRunAndIsMinimized() {
        std::string on = TwoProjects;
        on.insert(on.find("Last Project"), "Auto Run=1\nIs Minimized=1\n");
        Window minimised(&on);
        QVERIFY(minimised.form->startMinimisedFlag());
        std::string half = TwoProjects;
        half.insert(half.find("Last Project"), "Is Minimized=1\n");
        Window normal(&half);
        QVERIFY(!normal.form->startMinimisedFlag());
    }

    void selectorAsksTheFileForTheMarkerOnEveryDrawing() {
        Window w(&TwoProjects);
        w.form->show();
        QImage before = w.form->comboProject->grab().toImage();
        IniFile(w.dir / "project.ini").writeString("Photos", "BackupMode", "0");
        QImage after = w.form->comboProject->grab().toImage();
        QVERIFY(before != after);
    }
};

QTEST_MAIN(FormMainTest)
#include "form_main_test.moc"
