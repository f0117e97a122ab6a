#include "core/ini/ini_document.h"
#include "core/ini/ini_password_codec.h"
#include "core/project/wildcard_library.h"
#include "gui/app/form_main.h"
#include "gui/app/tray_icon.h"
#include "gui/dialogs/rename_dialog.h"
#include "gui/dialogs/select_by_filter_dialog.h"
#include "gui/dialogs/wildcard_dialog.h"
#include "gui/pages/backup_page.h"
#include "gui/widgets/project_selector.h"
#include "next_modal.h"
#include "scripted_prompts.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <memory>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

const std::string Projects = "[Common]\nProject Count=2\nCount0=Photos\nCount1=Docs\nLast Project=Docs\n\n"
                             "[Docs]\nFilename prefix=Docs\nSave Path=/b/\nBackup Directory Count=1\n"
                             "Backup0=/home/u/a.txt\nPassword=" +
                             IniPasswordCodec::encode("pw", "Docs") +
                             "\nRestore path=/r/\n\n[Photos]\nFilename prefix=Pic\nSave Path=/p/\n"
                             "Backup Directory Count=1\nBackup0=/home/u/Pictures/*.jpg\n";

struct Window {
    TempDir dir;
    WindowPrompts prompts;
    TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
    std::unique_ptr<TFormMain> form;

    Window() {
        writeFile(dir / "project.ini", Projects);
        writeFile(dir / "StoreNumber.txt", "[Docs]\nMax=2\nHead=1\nN1=/b/Docs1.zip\n");
        form = std::make_unique<TFormMain>(DataFiles{dir.path()}, prompts, clock);
    }
    BackupPage& page() { return *form->TabBackup; }
    IniDocument ini() const { return IniDocument::parse(readFile(dir / "project.ini")); }
    QStringList trayItems() const {
        QStringList names;
        for (QAction* item : form->TrayIcon1->backupItems())
            names << item->text();
        return names;
    }
};

// Types the name into the next name dialog and presses OK.
void answerNameDialog(const QString& caption, const QString& name, QString* shown = nullptr) {
    onNextModal<TFormRename>([=](TFormRename& dialog) {
        QCOMPARE(dialog.windowTitle(), caption);
        if (shown != nullptr)
            *shown = dialog.EditProjName->text();
        dialog.EditProjName->setText(name);
        dialog.ButtonOk->click();
    });
}

QStringList itemsOf(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace

class ProjectCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void renameRefusesAnotherProjectsNameAndIgnoresItsOwn() {
        Window w;
        const std::string before = readFile(w.dir / "project.ini");
        answerNameDialog(QStringLiteral("Rename Project"), QStringLiteral(" pHOTOS "));
        w.form->SpRenameClick();
        QCOMPARE(w.prompts.said, std::vector<std::string>{"Project Name exists,Rename fail!"});
        answerNameDialog(QStringLiteral("Rename Project"), QStringLiteral("DOCS"));
        w.form->SpRenameClick();
        QCOMPARE(w.prompts.said.size(), size_t(1));
        QCOMPARE(readFile(w.dir / "project.ini"), before);
        QCOMPARE(w.form->selectedProjectName(), QStringLiteral("Docs"));
    }

    void renameMovesTheProjectAndRebuildsTheTrayMenu() {
        Window w;
        QSignalSpy listChanged(w.form.get(), &TFormMain::projectListChanged);
        QString shown;
        answerNameDialog(QStringLiteral("Rename Project"), QStringLiteral(" Papers "), &shown);
        w.form->SpRenameClick();
        QCOMPARE(shown, QStringLiteral("Docs"));
        QVERIFY(w.prompts.said.empty());
        QCOMPARE(w.form->selectedProjectName(), QStringLiteral("Papers"));
        QCOMPARE(w.trayItems(), (QStringList{"Papers", "Photos"}));
        QCOMPARE(listChanged.count(), 1);
        QCOMPARE(w.page().EditPassword->text(), QStringLiteral("pw"));
        const IniDocument ini = w.ini();
        QVERIFY(!ini.hasSection("Docs"));
        QCOMPARE(ini.readString("Common", "Count0"), std::string("Papers"));
        QCOMPARE(IniPasswordCodec::decode(ini.readString("Papers", "Password"), "Papers"), std::string("pw"));
        const IniDocument rings = IniDocument::parse(readFile(w.dir / "StoreNumber.txt"));
        QCOMPARE(rings.readString("Papers", "N1"), std::string("/b/Docs1.zip"));
        QVERIFY(!rings.hasSection("Docs"));
    }

    void copyAddsTheProjectInItsSortedPlaceWithItsOwnPassword() {
        Window w;
        QString shown;
        answerNameDialog(QStringLiteral("Copy Project"), QStringLiteral("A copy"), &shown);
        w.form->spCopyClick();
        QCOMPARE(shown, QStringLiteral("Copy of Docs"));
        QCOMPARE(w.form->projectNames(), (QStringList{"A copy", "Docs", "Photos"}));
        QCOMPARE(w.form->selectedProjectName(), QStringLiteral("A copy"));
        QCOMPARE(w.page().EditPrefix->text(), QStringLiteral("Docs"));
        QCOMPARE(w.trayItems().size(), 3);
        const IniDocument ini = w.ini();
        QCOMPARE(ini.readString("Common", "Project Count"), std::string("3"));
        QCOMPARE(IniPasswordCodec::decode(ini.readString("A copy", "Password"), "A copy"), std::string("pw"));
        QVERIFY(!ini.value("A copy", "Restore path"));
    }

    void deletingAskesFirstAndTheLastDeleteLeavesAnEmptyWindow() {
        Window w;
        w.prompts.answers = {false};
        w.form->SpDeleteClick();
        QCOMPARE(w.prompts.said, std::vector<std::string>{"Do you want to delete 'Docs' project?"});
        QCOMPARE(w.form->comboProject->count(), 2);
        w.form->SpDeleteClick();
        QCOMPARE(w.form->projectNames(), QStringList{"Photos"});
        QCOMPARE(w.form->selectedProjectName(), QStringLiteral("Photos"));
        QCOMPARE(w.page().EditPrefix->text(), QStringLiteral("Pic"));
        w.form->SpDeleteClick();
        QCOMPARE(w.form->comboProject->count(), 0);
        QCOMPARE(w.form->comboProject->currentText(), QString());
        QCOMPARE(w.page().ListboxBackup->count(), 0);
        QCOMPARE(w.page().EditPrefix->text(), QString());
        QVERIFY(w.trayItems().isEmpty());
        QVERIFY(w.page().PanelNoProject->isVisibleTo(w.form.get()));
        QVERIFY(!w.form->SpDelete->isEnabled());
        QCOMPARE(w.ini().readString("Common", "Project Count"), std::string("0"));
        QVERIFY(!IniDocument::parse(readFile(w.dir / "StoreNumber.txt")).hasSection("Docs"));
    }

    void theProjectCommandsWaitWhileARunIsUnderWay() {
        Window w;
        w.form->EnableRunControls(false);
        for (QToolButton* b : {w.form->SpNew, w.form->SpEdit, w.form->SpRename, w.form->spCopy, w.form->SpDelete})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        w.form->SpDeleteClick();
        QVERIFY(w.prompts.said.empty());
        w.form->EnableRunControls(true);
        for (QToolButton* b : {w.form->SpNew, w.form->SpEdit, w.form->SpRename, w.form->spCopy, w.form->SpDelete})
            QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
        w.form->SpEditClick();
        QVERIFY(!w.form->SpNew->isEnabled() && !w.form->SpDelete->isEnabled());
    }

    void closingWithUnsavedChangesAsksToSave() {
        Window w;
        w.form->SpEditClick();
        w.form->close(); // nothing changed: no question
        QVERIFY(w.prompts.said.empty());
        w.form->SpEditClick();
        w.page().EditPrefix->setText(QStringLiteral("Renamed"));
        w.prompts.answers = {true};
        w.form->close();
        QCOMPARE(w.prompts.said, std::vector<std::string>{"Do you want to save the changes of project 'Docs'?"});
        QCOMPARE(w.ini().readString("Docs", "Filename prefix"), std::string("Renamed"));
        QVERIFY(!w.form->isEditing());

        w.form->SpEditClick();
        w.page().EditPrefix->setText(QStringLiteral(" "));
        w.form->close(); // yes, but the save is refused: the window stays in edit mode
        QVERIFY(w.form->isEditing());
        QCOMPARE(w.prompts.said.back(), std::string("Please enter the prefix of backup filename"));
        w.prompts.answers = {false};
        QVERIFY(w.form->selectProject(QStringLiteral("photos"))); // no: the changes go
        QCOMPARE(w.page().EditPrefix->text(), QStringLiteral("Pic"));
        QCOMPARE(w.ini().readString("Docs", "Filename prefix"), std::string("Renamed"));
    }

    void listButtonsMoveDeleteAndAddItems() {
        Window w;
        w.form->SpEditClick();
        BackupPage& p = w.page();
        p.ListboxBackup->clear();
        p.Button4->click(); // delete on an empty list: no message
        QVERIFY(w.prompts.said.empty());
        p.ListboxBackup->addItems({"/a", "/b", "/c"});
        p.Button4->click();
        QCOMPARE(w.prompts.said, std::vector<std::string>{"Please select a item by clicking"});
        p.ListboxBackup->setCurrentRow(0);
        p.SpeedButton3->click(); // up on the first
        QCOMPARE(itemsOf(p.ListboxBackup), (QStringList{"/a", "/b", "/c"}));
        p.SpeedButton4->click();
        QCOMPARE(itemsOf(p.ListboxBackup), (QStringList{"/b", "/a", "/c"}));
        QCOMPARE(p.ListboxBackup->currentRow(), 1);
        p.SpeedButton4->click();
        p.SpeedButton4->click(); // down on the last
        QCOMPARE(itemsOf(p.ListboxBackup), (QStringList{"/b", "/c", "/a"}));
        QCOMPARE(p.ListboxBackup->currentRow(), 2);
        p.Button4->click();
        QCOMPARE(itemsOf(p.ListboxBackup), (QStringList{"/b", "/c"}));

        // The same folder and mask twice give two items; the root has a single "/".
        for (int i = 0; i < 2; ++i) {
            onNextModal<TFormselectbyfilter>([&](TFormselectbyfilter& dialog) {
                QCOMPARE(dialog.ComboBox1->currentText(), QStringLiteral("*.*")); // an empty library
                dialog.setFolder(QStringLiteral("/"));
                dialog.ComboBox1->setEditText(QStringLiteral("*.doc"));
                dialog.Button1->click();
            });
            p.Button6->click();
        }
        QCOMPARE(itemsOf(p.ListBoxNobackup), (QStringList{"/*.doc", "/*.doc"}));
        QCOMPARE(p.ListBoxNobackup->currentRow(), 1);
        p.SpeedButton2->click();
        QCOMPARE(p.ListBoxNobackup->count(), 0);
    }

    void theWildcardDialogEditsTheLibraryOnlyOnOk() {
        TempDir dir;
        WindowPrompts prompts;
        IniFile ini(dir / "project.ini");
        saveWildcardLibrary(ini, {"*.doc", "*.txt"});
        {
            TFormWildcard dialog(ini.path(), prompts);
            dialog.Edit1->setText(QStringLiteral(" *.DOC "));
            dialog.SpNew->click();
            QCOMPARE(dialog.ListBox1->count(), 2);
            QCOMPARE(dialog.Edit1->text(), QString());
            dialog.Button4->click();
            QCOMPARE(prompts.said, std::vector<std::string>{"Please select a item by clicking"});
            dialog.SpeedButton1->click();
            dialog.Button3->click();
        }
        QCOMPARE(loadWildcardLibrary(ini), (std::vector<std::string>{"*.doc", "*.txt"}));
        {
            TFormWildcard dialog(ini.path(), prompts);
            dialog.ListBox1->setCurrentRow(1);
            dialog.SpeedButton3->click();
            dialog.Edit1->setText(QStringLiteral("*.xls"));
            dialog.SpNew->click();
            dialog.btnOk->click();
        }
        QCOMPARE(loadWildcardLibrary(ini), (std::vector<std::string>{"*.txt", "*.doc", "*.xls"}));
        {
            TFormselectbyfilter filter(ini.path(), prompts);
            QCOMPARE(filter.ComboBox1->currentText(), QStringLiteral("*.txt"));
            onNextModal<TFormWildcard>([](TFormWildcard& dialog) {
                dialog.SpeedButton1->click();
                dialog.btnOk->click();
            });
            filter.ComboBox1->setEditText(QStringLiteral("typed"));
            filter.SpeedButton1->click();
            QCOMPARE(filter.ComboBox1->currentText(), QStringLiteral("*.*"));
            filter.labFolder->clear();
            filter.Button1->click();
            QCOMPARE(prompts.said.back(), std::string("Please select a folder!"));
            QVERIFY(filter.result() != QDialog::Accepted);
        }
        QCOMPARE(ini.readString("Common", "Wildcard Total"), std::string("0"));
    }
};

QTEST_MAIN(ProjectCommandsTest)
#include "project_commands_test.moc"
