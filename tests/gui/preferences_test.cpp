#include "core/project/app_settings.h"
#include "gui/dialogs/preferences_dialog.h"
#include "scripted_prompts.h"
#include "support/test_support.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <memory>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

// A dialog on a data folder of its own; `setUp` may put files there first.
struct Dialog {
    TempDir dir;
    IniFile ini{dir / "project.ini"};
    WindowPrompts prompts;
    fs::path entry = dir / "autostart" / "quorvel-backup.desktop";
    std::unique_ptr<TFormPreferences> open() {
        return std::make_unique<TFormPreferences>(ini, entry, "/usr/bin/quorvel-backup", prompts);
    }
};

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheStoredRunKeysAndTheSettingsInMemory() {
        Dialog d;
        writeFile(d.dir / "project.ini", "[Common]\nAuto Run=0\nIs Minimized=1\n");
        auto opened = d.open();
        TFormPreferences& dialog = *opened;
        QCOMPARE(dialog.PageControl1->currentWidget(), dialog.TabSheet1);
        // What the box does here: the desktop's autostart entry starts the program at log-in.
        QCOMPARE(dialog.cbRun->text(), QStringLiteral("Run ZIP Backup when I log in"));
        QVERIFY(!dialog.cbRun->isChecked());
        QVERIFY(dialog.cbMini->isChecked());
        QVERIFY(!dialog.cbMini->isEnabled());
        dialog.cbRun->click();
        QVERIFY(dialog.cbMini->isEnabled());
        QVERIFY(dialog.rbSkip->isChecked());
        AppSettings settings;
        settings.overwrite = true;
        settings.width = 5;
        settings.logCount = 120;
        dialog.setSettings(settings);
        QVERIFY(dialog.rbOverwrite->isChecked());
        QCOMPARE(dialog.SpinEdit1->value(), 5);
        QCOMPARE(dialog.LogSpinEdit->value(), 120);
        QCOMPARE(dialog.LogSpinEdit->maximum(), 200);
        QCOMPARE(dialog.SpinEdit1->minimum(), 2);
        QVERIFY(dialog.btnClose->isDefault());
    }

    void applyWritesTheAutostartEntryAndTheRunKeysAtOnce() {
        Dialog d;
        writeFile(d.dir / "project.ini", "[Common]\nWidth=3\n");
        auto dialog = d.open();
        dialog->cbRun->click();
        dialog->cbMini->click();
        dialog->cbprompt->click();
        dialog->btnApply->click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(fs::exists(d.entry));
        QCOMPARE(readFile(d.dir / "project.ini"), std::string("[Common]\nWidth=3\nAuto Run=1\nIs Minimized=1\n"));
        AppSettings settings;
        dialog->applyTo(settings);
        QVERIFY(settings.promptBeforeBackup);

        auto again = d.open();
        QVERIFY(again->cbRun->isChecked());
        again->cbRun->click(); // off: the entry goes, "Is Minimized" is written as it stands
        again->btnApply->click();
        QVERIFY(!fs::exists(d.entry));
        QCOMPARE(readFile(d.dir / "project.ini"), std::string("[Common]\nWidth=3\nAuto Run=0\nIs Minimized=1\n"));
        QVERIFY(d.prompts.said.empty());
    }

    void closeChangesNothing() {
        Dialog d;
        auto dialog = d.open();
        dialog->cbRun->click();
        dialog->btnClose->click();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(!fs::exists(d.entry));
        QVERIFY(!fs::exists(d.dir / "project.ini"));
    }

    void anEntryThatCannotBeWrittenIsReportedAndNothingIsStored() {
        Dialog d;
        writeFile(d.dir / "autostart", "a file where the folder should be");
        auto dialog = d.open();
        dialog->cbRun->click();
        dialog->btnApply->click();
        QCOMPARE(d.prompts.said.size(), size_t(1));
        QVERIFY(d.prompts.said[0].find("could not be written") != std::string::npos);
        QVERIFY(dialog->result() != int(QDialog::Accepted));
        QVERIFY(!fs::exists(d.dir / "project.ini"));
    }
};

QTEST_MAIN(PreferencesTest)
#include "preferences_test.moc"
