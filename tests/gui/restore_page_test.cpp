#include "core/backup/operation_log.h"
#include "core/zip/zip_writer.h"
#include "gui/app/form_main.h"
#include "gui/app/progress_strip.h"
#include "gui/pages/restore_folder_field.h"
#include "gui/pages/restore_grid_model.h"
#include "gui/pages/restore_page.h"
#include "gui/widgets/project_selector.h"
#include "restore_window.h"
#include "scripted_prompts.h"
#include "support/test_support.h"
#include "wait_for_run.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <memory>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

class RestorePageTest : public QObject {
    Q_OBJECT
private slots:
    void followsTheSelectedProjectAndListsItsArchives() {
        Window w;
        QCOMPARE(w.page().RadioOlder->isChecked(), true);
        QCOMPARE(w.page().DirectoryRestore->text(), QString::fromStdString(w.restored().string()));
        QVERIFY(w.page().CheckBoxUseFolder->isChecked());
        w.showRestorePage();
        QCOMPARE(w.page().DirectoryView->text(), QString::fromStdString(w.archives().string() + "/"));
        QVERIFY(w.page().DirectoryView->edit->isReadOnly());
        QCOMPARE(w.page().LabelZipNumber->text(), QStringLiteral("(Total 3 files)"));
        // "By Field" 2 and "Sort" 0 by default: oldest first.
        QCOMPARE(w.archiveNames(), (QStringList{"B-first.zip", "a-second.zip", "c-third.zip"}));
        QCOMPARE(w.page().currentArchiveName(), QStringLiteral("B-first.zip"));
        QCOMPARE(w.page().LabelfileNumber->text(), QStringLiteral("(Total 1 files)"));
        QCOMPARE(w.page().entryModel()->rows().at(0)[1], std::string("2"));

        click(w.page().StringGridZipfilename, 1);
        QCOMPARE(w.page().LabelfileNumber->text(), QStringLiteral("(Total 5 files)"));
        QCOMPARE(w.page().entryModel()->rows().at(0)[2], std::string("Data/sub/"));
        QCOMPARE(w.page().StringGrid1->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Date"));

        w.selectProject(1); // "Empty": its folder holds no archive, its overwrite mode no button
        QVERIFY(!w.page().RadioPrompt->isChecked() && !w.page().RadioAlways->isChecked() &&
                !w.page().RadioNever->isChecked() && !w.page().RadioNewer->isChecked() &&
                !w.page().RadioOlder->isChecked());
        w.showRestorePage();
        QCOMPARE(w.page().DirectoryView->text(), QString::fromStdString((w.dir / "empty").string() + "/"));
        QCOMPARE(w.page().LabelZipNumber->text(), QStringLiteral("(Total 0 files)"));
        QCOMPARE(w.page().LabelfileNumber->text(), QStringLiteral("(Total 0 files)"));
        QCOMPARE(w.page().StringGridZipfilename->model()->rowCount(), 1);
        QCOMPARE(w.page().StringGrid1->model()->rowCount(), 1);
        QVERIFY(w.prompts.said.empty());
    }

    void sortMenuKeepsOneMarkPerGroupAndSurvivesARestart() {
        Window w;
        w.showRestorePage();
        w.page().PupMenuByname->trigger();
        QCOMPARE(w.archiveNames(), (QStringList{"B-first.zip", "a-second.zip", "c-third.zip"}));
        QVERIFY(w.page().PupMenuByname->isChecked() && !w.page().PupMenuBydate->isChecked());
        w.page().PopupmenuDesc->trigger();
        QCOMPARE(w.archiveNames(), (QStringList{"c-third.zip", "a-second.zip", "B-first.zip"}));
        QVERIFY(w.page().PopupmenuDesc->isChecked() && !w.page().PopupmenuAsc->isChecked());
        QCOMPARE(w.page().currentArchiveName(), QStringLiteral("c-third.zip"));
        QCOMPARE(w.page().entryModel()->rows().at(0)[0], std::string("c.txt"));
        w.page().PupmenuBysize->trigger();
        QCOMPARE(w.archiveNames().front(), QStringLiteral("B-first.zip")); // the only one above 1 KB
        w.page().PupMenuByname->trigger();
        w.form->close();
        const std::string ini = readFile(w.dir / "project.ini");
        QVERIFY(ini.find("By Field=0\n") != std::string::npos);
        QVERIFY(ini.find("Sort=1\n") != std::string::npos);

        w.open();
        QVERIFY(w.page().PupMenuByname->isChecked() && !w.page().PupmenuBysize->isChecked() &&
                !w.page().PupMenuBydate->isChecked());
        QVERIFY(w.page().PopupmenuDesc->isChecked() && !w.page().PopupmenuAsc->isChecked());
        w.showRestorePage();
        QCOMPARE(w.archiveNames(), (QStringList{"c-third.zip", "a-second.zip", "B-first.zip"}));
    }

    void thePopupOffersOnlySortAndImportWithoutArchives() {
        Window w;
        w.showRestorePage();
        RestorePage& page = w.page();
        page.PopupMenuStringPopup();
        for (QAction* item : {page.menuspe, page.OpenZipFile1, page.MenuCopy, page.menuDelete, page.menuRestore})
            QVERIFY(item->isVisible());
        w.selectProject(1);
        w.showRestorePage();
        page.PopupMenuStringPopup();
        for (QAction* item : {page.menuspe, page.OpenZipFile1, page.MenuCopy, page.menuDelete, page.menuRestore})
            QVERIFY(!item->isVisible());
        QVERIFY(page.FilesSort->menuAction()->isVisible());
        QVERIFY(page.menuimport->isVisible());
    }

    void restoresTheShiftClickedEntriesAndKeepsTheOptions() {
        Window w;
        w.showRestorePage();
        RestorePage& page = w.page();
        click(page.StringGridZipfilename, 1); // a-second.zip: Data/sub/four.txt, Data/three.txt, Data/two.txt, ...
        click(page.StringGrid1, 1);
        click(page.StringGrid1, 3, Qt::ShiftModifier);
        QCOMPARE(page.selectedEntryNames(), (std::vector<std::string>{"Data/three.txt", "Data/two.txt", "five.txt"}));
        page.RadioAlways->setChecked(true);
        page.CheckBoxUseFolder->setChecked(false);
        page.SpeedButton14->click();
        QVERIFY(waitForRun(*w.form));

        QCOMPARE(w.prompts.said.at(0), "Do you want to restore 3 files from 'a-second.zip'?\rExtract to:          '" +
                                           w.restored().string() +
                                           "'\rUse original folder: 'No'\rOverwrite Mode:      'Always'");
        QCOMPARE(w.prompts.said.at(1), std::string("Restore 3 Files Succeeds!\rProject Name: 'Docs'\r"
                                                   "Filename:     'a-second.zip'"));
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(w.restored()))
            files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        QCOMPARE(files, (std::vector<std::string>{"five.txt", "three.txt", "two.txt"}));
        QCOMPARE(w.form->operationLog().row(1)[LogColumnStatus], std::string("Succeeds"));
        QVERIFY(w.form->SpRestore->isEnabled());
        QVERIFY(w.form->PageControl1->isEnabled());
        QVERIFY(!w.form->progressStrip->ProgressBarTotal->isVisible());

        w.selectProject(1);
        QVERIFY(!page.RadioAlways->isChecked());
        w.selectProject(0);
        QVERIFY(page.RadioAlways->isChecked());
        QVERIFY(!page.CheckBoxUseFolder->isChecked());
    }

    // Stored names are told apart by letter case and are never masks: restoring the selected row
    // must not also write an entry the user did not select over a file of that name.
    void restoresOnlyTheSelectedEntryAmongNamesThatMatchIt() {
        if (!fs::exists(PythonInterpreter))
            QSKIP("Python's zipfile makes the archive");
        Window w;
        // Our writer keeps one name per letter-case spelling, so another program makes the archive;
        // each entry holds its own name.
        const fs::path zip = w.archives() / "d-names.zip";
        const ProcessResult made = zipNamesWithPython(zip, {"Notes.txt", "notes.txt", "a*.txt", "ab.txt"});
        QVERIFY2(made.exitCode == 0, made.output.c_str());
        setModificationTime(zip, 1900000000);
        writeFile(w.restored() / "Notes.txt", "mine");
        writeFile(w.restored() / "ab.txt", "my ab");
        w.showRestorePage();
        RestorePage& page = w.page();
        QCOMPARE(w.archiveNames().at(3), QStringLiteral("d-names.zip"));
        click(page.StringGridZipfilename, 3);
        page.RadioAlways->setChecked(true);
        for (const std::string name : {"notes.txt", "a*.txt"}) {
            const auto& rows = page.entryModel()->rows();
            const auto row = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r[0] == name; });
            QVERIFY(row != rows.end());
            click(page.StringGrid1, static_cast<int>(row - rows.begin()));
            QCOMPARE(page.selectedEntryNames(), std::vector<std::string>{name});
            page.SpeedButton14->click();
            QVERIFY(waitForRun(*w.form));
        }
        QCOMPARE(readFile(w.restored() / "notes.txt"), std::string("notes.txt"));
        QCOMPARE(readFile(w.restored() / "a*.txt"), std::string("a*.txt"));
        QCOMPARE(readFile(w.restored() / "Notes.txt"), std::string("mine"));
        QCOMPARE(readFile(w.restored() / "ab.txt"), std::string("my ab"));
        QCOMPARE(w.form->operationLog().row(1)[LogColumnStatus], std::string("Succeeds"));
        QCOMPARE(w.form->operationLog().row(1)[LogColumnInformation].substr(0, 20),
                 std::string("1 files restore from"));
    }

    void restoreFileOfTheToolbarRestoresTheWholeCurrentArchive() {
        Window w;
        w.showRestorePage();
        click(w.page().StringGridZipfilename, 1);
        w.page().EditRestorePassword->setText(QStringLiteral("unused"));
        QCOMPARE(w.page().EditRestorePassword->echoMode(), QLineEdit::Password);
        w.form->SpRestore->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(w.prompts.said.at(0).substr(0, 47), std::string("Do you want to restore the file 'a-second.zip'?"));
        QCOMPARE(readFile(w.restored() / "Data/sub/four.txt"), std::string("4"));
        QCOMPARE(w.prompts.said.at(1).substr(0, 26), std::string("Restore 5 Files Succeeds!\r"));
    }

    // Closing while the reader waits for an answer about an existing file, and answering Yes to
    // the cancel: the file asked about is left as it was, the restore is logged as failed, and the
    // window closes.
    void closingDuringARestoreCancelsItAndThenCloses() {
        Window w;
        w.showRestorePage();
        RestorePage& page = w.page();
        click(page.StringGridZipfilename, 1); // a-second.zip with five entries
        page.RadioPrompt->setChecked(true);
        for (const char* name : {"one.txt", "five.txt", "Data/two.txt", "Data/three.txt", "Data/sub/four.txt"})
            writeFile(w.restored() / name, "old");
        w.prompts.whileAsked = [&](const std::string& question) {
            if (question.starts_with("Replace existing file"))
                w.form->close();
        };
        w.form->SpRestore->click();
        QVERIFY(waitForRun(*w.form));

        QVERIFY(!w.form->isVisible());
        QCOMPARE(w.prompts.said.size(), size_t(3)); // restore?, replace?, cancel? and nothing after
        QCOMPARE(w.prompts.said[2].substr(0, 43), std::string("The restore from 'a-second.zip' is still ru"));
        for (const char* name : {"one.txt", "five.txt", "Data/two.txt", "Data/three.txt", "Data/sub/four.txt"})
            QCOMPARE(readFile(w.restored() / name), std::string("old"));
        QCOMPARE(w.form->operationLog().row(1)[LogColumnStatus], std::string("Fails"));
        QVERIFY(w.form->operationLog().row(1)[LogColumnInformation].find("Canceled by the user") != std::string::npos);
        QVERIFY(!w.prompts.calledOffWindowThread);
    }

    void doubleClickOpensTheArchiveWithTheDesktop() {
        Window w;
        w.showRestorePage();
        QUrl opened;
        w.page().openUrl = [&](const QUrl& url) {
            opened = url;
            return true;
        };
        const QRect cell = w.page().StringGridZipfilename->visualRect(w.page().archiveModel()->index(2, 0));
        QTest::mouseClick(w.page().StringGridZipfilename->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::mouseDClick(w.page().StringGridZipfilename->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(opened, QUrl::fromLocalFile(QString::fromStdString((w.archives() / "c-third.zip").string())));
    }

    void deletesImportsAndExportsArchiveFiles() {
        Window w;
        w.showRestorePage();
        RestorePage& page = w.page();
        click(page.StringGridZipfilename, 0);
        click(page.StringGridZipfilename, 1, Qt::ShiftModifier);
        page.SpeedButton10->click();
        QCOMPARE(w.prompts.said.back(), "Do you want to delete the 2 files \rin the folder '" + w.archives().string() +
                                            "':\r    B-first.zip\r    a-second.zip");
        QCOMPARE(w.archiveNames(), QStringList{"c-third.zip"});
        QCOMPARE(page.LabelZipNumber->text(), QStringLiteral("(Total 1 files)"));

        TempDir elsewhere;
        makeArchive(elsewhere / "new.zip", {{"n.txt", "n"}}, 1900000000);
        QString titleSeen, filterSeen;
        page.runOpenDialog = [&](QFileDialog& dialog) {
            titleSeen = dialog.windowTitle();
            filterSeen = dialog.nameFilters().join(QLatin1Char(';'));
            return QStringList{QString::fromStdString((elsewhere / "new.zip").string())};
        };
        page.Spimport->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(titleSeen, QStringLiteral("Import Zip file"));
        QVERIFY(filterSeen.startsWith(QStringLiteral("Zip file (*.Zip")));
        QCOMPARE(page.OpenDialog1->windowTitle(), QString());
        QCOMPARE(w.archiveNames(), (QStringList{"c-third.zip", "new.zip"}));

        QString exportTitle;
        page.chooseFolder = [&](const QString& title, const QString&) {
            exportTitle = title;
            return QString::fromStdString(elsewhere.path().string());
        };
        page.SpeedButton9->click(); // the current archive is c-third.zip
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(exportTitle, QStringLiteral("Export 'c-third.zip' to destination folder"));
        QVERIFY(fs::exists(elsewhere / "c-third.zip"));
        QCOMPARE(w.prompts.said.back(), "Export '" + (w.archives() / "c-third.zip").string() + "' to '" +
                                            elsewhere.path().string() + "' Successful!");
    }

    void deletesTheSelectedEntriesAndAddsTheChosenFiles() {
        Window w;
        w.showRestorePage();
        RestorePage& page = w.page();
        click(page.StringGridZipfilename, 1); // a-second.zip with five entries
        const std::string sizeBefore = page.archiveModel()->cell(1, 1);
        click(page.StringGrid1, 1);
        click(page.StringGrid1, 2, Qt::ShiftModifier);
        page.SpeedButton13->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(w.prompts.said, std::vector<std::string>{"Do you want to delete the 2 files \rfrom the archive '" +
                                                          (w.archives() / "a-second.zip").string() +
                                                          "':\r    Data/three.txt\r    Data/two.txt"});
        QCOMPARE(page.LabelfileNumber->text(), QStringLiteral("(Total 3 files)"));
        QCOMPARE(page.currentArchiveName(), QStringLiteral("a-second.zip"));

        TempDir picked;
        writeFile(picked / "added.txt", randomBytes(5000, 3));
        page.runOpenDialog = [&](QFileDialog&) {
            return QStringList{QString::fromStdString((picked / "added.txt").string())};
        };
        page.SpeedButton12->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(page.LabelfileNumber->text(), QStringLiteral("(Total 4 files)"));
        QCOMPARE(page.currentArchiveName(), QStringLiteral("a-second.zip"));
        QVERIFY(page.archiveModel()->cell(1, 1) != sizeBefore); // the row shows the archive as it is now
        QCOMPARE(w.prompts.said.size(), std::size_t{1});        // no message after either
        QCOMPARE(w.form->operationLog().count(), 0);
        QVERIFY(w.form->SpStart->isEnabled() && w.form->PageControl1->isEnabled());
        QVERIFY(!w.form->progressStrip->ProgressBarTotal->isVisible());
    }

    void anAddThatFailsLeavesTheArchiveAndThePageUsable() {
        Window w;
        w.showRestorePage();
        RestorePage& page = w.page();
        click(page.StringGridZipfilename, 2); // c-third.zip with one entry
        TempDir picked;
        writeFile(picked / "added.txt", "added");
        bool chosen = false;
        page.runOpenDialog = [&](QFileDialog&) {
            return chosen ? QStringList{QString::fromStdString((picked / "added.txt").string())} : QStringList();
        };
        page.SpeedButton12->click(); // the dialog was cancelled
        QVERIFY(w.prompts.said.empty());

        const fs::path zip = w.archives() / "c-third.zip";
        const std::string good = readFile(zip);
        writeFile(zip, "no longer a zip archive");
        chosen = true;
        page.SpeedButton12->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(w.prompts.said, std::vector<std::string>{"Not a valid zip file!"});
        QCOMPARE(readFile(zip), std::string("no longer a zip archive"));
        QCOMPARE(page.LabelfileNumber->text(), QStringLiteral("(Total 1 files)"));
        QVERIFY(w.form->SpStart->isEnabled() && w.form->SpRestore->isEnabled() && w.form->PageControl1->isEnabled());
        QVERIFY(!w.form->progressStrip->ProgressBarTotal->isVisible());
        QVERIFY(QApplication::overrideCursor() == nullptr);

        writeFile(zip, good);
        page.SpeedButton12->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(w.prompts.said.size(), std::size_t{1});
        QCOMPARE(page.LabelfileNumber->text(), QStringLiteral("(Total 2 files)"));
    }
};

QTEST_MAIN(RestorePageTest)
#include "restore_page_test.moc"
