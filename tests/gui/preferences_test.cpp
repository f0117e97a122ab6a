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

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

class PreferencesTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheStoredRunKeysAndTheSettingsInMemory() {
        TempDir dir;
        writeFile(dir / "project.ini", "[Common]\nAuto Run=0\nIs Minimized=1\n");
        IniFile ini(dir / "project.ini");
        ScriptedPrompts prompts;
        TFormPreferences dialog(ini, dir / "autostart" / "quorvel-backup.desktop", "/usr/bin/quorvel-backup", prompts);
        QCOMPARE(dialog.PageControl1->currentWidget(), dialog.TabSheet1);
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
        TempDir dir;
        writeFile(dir / "project.ini", "[Common]\nWidth=3\n");
        IniFile ini(dir / "project.ini");
        ScriptedPrompts prompts;
        fs::path entry = dir / "autostart" / "quorvel-backup.desktop";
        TFormPreferences dialog(ini, entry, "/usr/bin/quorvel-backup", prompts);
        dialog.cbRun->click();
        dialog.cbMini->click();
        dialog.cbprompt->click();
        dialog.btnApply->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(fs::exists(entry));
        QCOMPARE(readFile(dir / "project.ini"), std::string("[Common]\nWidth=3\nAuto Run=1\nIs Minimized=1\n"));
        AppSettings settings;
        dialog.applyTo(settings);
        QVERIFY(settings.promptBeforeBackup);

        TFormPreferences again(ini, entry, "/usr/bin/quorvel-backup", prompts);
        QVERIFY(again.cbRun->isChecked());
        again.cbRun->click(); // off: the entry goes, "Is Minimized" is written as it stands
        again.btnApply->click();
        QVERIFY(!fs::exists(entry));
        QCOMPARE(readFile(dir / "project.ini"), std::string("[Common]\nWidth=3\nAuto Run=0\nIs Minimized=1\n"));
        QVERIFY(prompts.said.empty());
    }

    void closeChangesNothing() {
        TempDir dir;
        IniFile ini(dir / "project.ini");
        ScriptedPrompts prompts;
        fs::path entry = dir / "autostart" / "quorvel-backup.desktop";
        TFormPreferences dialog(ini, entry, "/usr/bin/quorvel-backup", prompts);
        dialog.cbRun->click();
        dialog.btnClose->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!fs::exists(entry));
        QVERIFY(!fs::exists(dir / "project.ini"));
    }

    void anEntryThatCannotBeWrittenIsReportedAndNothingIsStored() {
        TempDir dir;
        writeFile(dir / "autostart", "a file where the folder should be");
        IniFile ini(dir / "project.ini");
        ScriptedPrompts prompts;
        TFormPreferences dialog(ini, dir / "autostart" / "quorvel-backup.desktop", "/usr/bin/quorvel-backup", prompts);
        dialog.cbRun->click();
        dialog.btnApply->click();
        QCOMPARE(prompts.said.size(), size_t(1));
        QVERIFY(prompts.said[0].find("could not be written") != std::string::npos);
        QVERIFY(dialog.result() != int(QDialog::Accepted));
        QVERIFY(!fs::exists(dir / "project.ini"));
    }
};

QTEST_MAIN(PreferencesTest)
#include "preferences_test.moc"
