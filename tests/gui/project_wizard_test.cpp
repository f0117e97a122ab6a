#include "core/ini/ini_document.h"
#include "core/ini/ini_password_codec.h"
#include "gui/app/form_main.h"
#include "gui/dialogs/project_wizard.h"
#include "gui/dialogs/select_by_filter_dialog.h"
#include "gui/pages/backup_page.h"
#include "gui/widgets/project_selector.h"
#include "next_modal.h"
#include "scripted_prompts.h"
#include "support/test_clock.h"
#include "support/test_support.h"
#include "wait_for_run.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

// Chooses a folder and a mask in the select-by-filter dialog once it opens.
void chooseInFilterDialog(const fs::path& folder, const QString& mask) {
    onNextModal<TFormselectbyfilter>([folder, mask](TFormselectbyfilter& dialog) {
        dialog.setFolder(QString::fromStdString(folder.string()));
        dialog.ComboBox1->setEditText(mask);
        dialog.Button1->click();
    });
}

} // namespace

class ProjectWizardTest : public QObject {
    Q_OBJECT
private slots:
    // A new user's first project, made in the window and backed up.
    void theWizardMakesTheFirstProjectOfAnEmptyDataFolderAndItBacksUp() {
        TempDir dir;
        writeFile(dir / "src" / "a.txt", "alpha");
        writeFile(dir / "src" / "deep" / "b.txt", "beta");
        writeFile(dir / "src" / "c.log", "left out");
        fs::create_directory(dir / "data"); // empty, as the program makes it on its first start
        WindowPrompts prompts;
        TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
        TFormMain form(DataFiles{dir / "data"}, prompts, clock);
        QVERIFY(form.TabBackup->PanelNoProject->isVisibleTo(&form));
        QVERIFY(!form.SpEdit->isEnabled() && !form.SpRename->isEnabled() && !form.SpDelete->isEnabled());
        QVERIFY(form.SpNew->isEnabled());

        bool walked = false;
        onNextModal<TFormProjectName>([&](TFormProjectName& w) {
            QCOMPARE(w.windowTitle(), QStringLiteral("Add project wizard - Step 1 of 6"));
            QVERIFY(!w.btnBack->isEnabled());
            w.btnNext->click();
            QCOMPARE(prompts.said.back(), std::string("Please input a new project name!"));
            w.comboproject->setText(QStringLiteral(" My Docs "));
            w.btnNext->click();
            QCOMPARE(w.Notebook1->currentIndex(), 1);
            QCOMPARE(w.EditPrefix->text(), QStringLiteral(" My Docs ")); // as typed
            w.btnNext->click();
            QCOMPARE(prompts.said.back(), std::string("Please select files to backup"));
            chooseInFilterDialog(dir / "src", QStringLiteral(" *.txt "));
            w.SpeedButton1->click();
            QCOMPARE(w.ListboxBackup->item(0)->text(), QString::fromStdString((dir / "src").string() + "/*.txt"));
            w.btnNext->click();
            QCOMPARE(w.windowTitle(), QStringLiteral("Add project wizard - Step 3 of 6"));
            w.btnNext->click(); // an empty exclusion list is accepted
            QCOMPARE(w.EditFilename->text(), QString::fromStdString(homeFolder() + "My Docs1.zip"));
            w.EditFilename->setText(QString::fromStdString((dir / "out").string() + "/My Docs1.zip"));
            w.btnNext->click();
            w.CheckBoxPassword->click();
            QVERIFY(w.EditPassword->isEnabled());
            w.EditPassword->setText(QStringLiteral("pw"));
            w.EditConfirmPassword->setText(QStringLiteral("px"));
            w.btnNext->click();
            QCOMPARE(prompts.said.back(), std::string("Confirm password is not matching"));
            w.EditConfirmPassword->setText(QStringLiteral(" pw"));
            w.btnNext->click();
            QCOMPARE(w.btnNext->text(), QStringLiteral("Finish"));
            w.btnBack->click();
            QCOMPARE(w.btnNext->text(), QStringLiteral("Next"));
            w.btnNext->click();
            w.radioWeekly->click();
            QCOMPARE(w.cbWeekly->currentText(), QStringLiteral("Sunday"));
            walked = true;
            w.btnNext->click(); // Finish
        });
        form.SpNewClick();
        QVERIFY(walked);
        QCOMPARE(prompts.said.size(), size_t(3));

        QCOMPARE(form.projectNames(), QStringList{"My Docs"});
        QCOMPARE(form.selectedProjectName(), QStringLiteral("My Docs"));
        QVERIFY(!form.TabBackup->PanelNoProject->isVisibleTo(&form));
        QVERIFY(form.SpEdit->isEnabled());
        QCOMPARE(form.TabBackup->EditPrefix->text(), QStringLiteral("My Docs"));
        const IniDocument ini = IniDocument::parse(readFile(dir / "data" / "project.ini"));
        QCOMPARE(ini.readString("Common", "Project Count"), std::string("1"));
        QCOMPARE(ini.readString("Common", "Last Project"), std::string("My Docs"));
        QCOMPARE(ini.readString("My Docs", "Value"), std::string("0"));
        QCOMPARE(ini.readString("My Docs", "StartTime_or_Increase"), std::string("Sunday"));
        QCOMPARE(IniPasswordCodec::decode(ini.readString("My Docs", "Password"), "My Docs"), std::string("pw"));

        form.SpStartClick();
        QVERIFY(waitForRun(form));
        const fs::path archive = dir / "out" / "My Docs1.zip";
        QVERIFY2(fs::exists(archive), prompts.said.back().c_str());
        if (!haveTool("unzip"))
            QSKIP("unzip is not installed");
        const ProcessResult test = runProcess({"unzip", "-t", "-P", "pw", archive.string()});
        QCOMPARE(test.exitCode, 0);
        QVERIFY(test.output.find("a.txt") != std::string::npos);
        QVERIFY(test.output.find("deep/b.txt") != std::string::npos);
        QVERIFY(test.output.find("c.log") == std::string::npos);
    }

    void cancelWritesNothing() {
        TempDir dir;
        WindowPrompts prompts;
        TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
        TFormMain form(DataFiles{dir.path()}, prompts, clock);
        onNextModal<TFormProjectName>([](TFormProjectName& w) {
            w.comboproject->setText(QStringLiteral("P"));
            w.btnNext->click();
            w.btnClose->click();
        });
        form.SpNewClick();
        QVERIFY(!fs::exists(dir / "project.ini"));
        QCOMPARE(form.comboProject->count(), 0);
    }

    void aNameInUseInOtherCaseIsRefusedOnTheFirstPage() {
        TempDir dir;
        WindowPrompts prompts;
        TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
        TFormProjectName w(WizardContext{DataFiles{dir.path()}, prompts, clock, {"Docs"}, true, 4});
        w.comboproject->setText(QStringLiteral("dOCS"));
        w.btnNext->click();
        QCOMPARE(prompts.said.back(), std::string("Project 'dOCS' exists,please input another name!"));
        QCOMPARE(w.Notebook1->currentIndex(), 0);
        w.comboproject->setText(QStringLiteral("Other"));
        w.btnNext->click();
        QCOMPARE(w.Notebook1->currentIndex(), 1);
        // The preview pads the number when the width preference is on.
        QCOMPARE(w.EditFilename->text(), QString::fromStdString(homeFolder() + "Other0001.zip"));
        w.RadioUseNone->click();
        QVERIFY(!w.SpinValue->isEnabled());
        QCOMPARE(w.EditFilename->text(), QString::fromStdString(homeFolder() + "Other.zip"));
        w.radioyes->click();
        QCOMPARE(w.LabelYesOrNo->text(), QStringLiteral("Subdirectories are not included"));
    }
};

QTEST_MAIN(ProjectWizardTest)
#include "project_wizard_test.moc"
