// The Restore page as a new user meets it: sorting by a click on a heading, the overwrite question
// with its "to all" answers, the password of files added to an archive, and file dialogs that
// say what they are for and start where that use left off.
#include "core/platform/data_folder.h"
#include "core/restore/archive_entry_listing.h"
#include "core/zip/zip_reader.h"
#include "gui/pages/backup_page.h"
#include "restore_window.h"
#include "wait_for_run.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

void clickHeading(QTableView* grid, int column) {
    QHeaderView* header = grid->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

QStringList entryNames(RestorePage& page) {
    QStringList names;
    for (const auto& row : page.entryModel()->rows())
        names << QString::fromStdString(row[EntryColumnName]);
    return names;
}

// The row of the archive list that shows `name`.
int rowOf(Window& w, const QString& name) {
    return static_cast<int>(w.archiveNames().indexOf(name));
}

// Whether the entry of the file `name` is in the archive (stored with the folder it was added
// from), whether it is encrypted, and whether `password` opens it.
struct StoredEntry {
    bool found = false;
    bool encrypted = false;
    bool opensWith = false;
};
StoredEntry storedEntry(const fs::path& archive, const std::string& name, const std::string& password) {
    TZipReader reader;
    reader.setZipName(archive.string());
    reader.ReadZip();
    for (int i = 0; i < reader.Count(); ++i) {
        if (fs::path(reader.Entry(i).storedName()).filename() != name)
            continue;
        reader.Password = password;
        return {true, reader.Entry(i).isEncrypted(), reader.testEntry(i).ok};
    }
    return {};
}

const std::string AskToEncrypt =
    "Encrypt the files added to 'c-third.zip' with the password typed in \"Input Password ( "
    "If has ):\"?\rThe files it holds are not encrypted.";

bool sameFolder(const QString& a, const std::string& b) {
    return QDir(a).canonicalPath() == QDir(QString::fromStdString(b)).canonicalPath();
}

} // namespace

class RestorePageAnswersTest : public QObject {
    Q_OBJECT
private slots:
    void clickingAHeadingSortsByItsColumnAndIsKept() {
        Window w;
        w.showRestorePage();
        RestorePage& page = w.page();
        QHeaderView* archiveHeading = page.StringGridZipfilename->horizontalHeader();
        QCOMPARE(archiveHeading->sortIndicatorSection(), 2); // by date, as "By Field" says

        clickHeading(page.StringGridZipfilename, 0);
        QCOMPARE(w.archiveNames(), (QStringList{"B-first.zip", "a-second.zip", "c-third.zip"}));
        QVERIFY(page.PupMenuByname->isChecked() && page.PopupmenuAsc->isChecked());
        QCOMPARE(archiveHeading->sortIndicatorSection(), 0);
        QCOMPARE(archiveHeading->sortIndicatorOrder(), Qt::AscendingOrder);
        clickHeading(page.StringGridZipfilename, 0); // the same heading again: the other way round
        QCOMPARE(w.archiveNames(), (QStringList{"c-third.zip", "a-second.zip", "B-first.zip"}));
        QVERIFY(page.PopupmenuDesc->isChecked());
        QCOMPARE(archiveHeading->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(page.currentArchiveName(), QStringLiteral("c-third.zip"));
        clickHeading(page.StringGridZipfilename, 1);                      // another heading starts ascending
        QCOMPARE(w.archiveNames().back(), QStringLiteral("B-first.zip")); // the only one above 1 KB
        QVERIFY(page.PupmenuBysize->isChecked() && page.PopupmenuAsc->isChecked());
        page.PupMenuBydate->trigger(); // the menu moves the mark of the heading too
        QCOMPARE(archiveHeading->sortIndicatorSection(), 2);

        // The entries: the reader's order until a heading is clicked.
        click(page.StringGridZipfilename, rowOf(w, "a-second.zip"));
        QCOMPARE(entryNames(page), (QStringList{"four.txt", "three.txt", "two.txt", "five.txt", "one.txt"}));
        QCOMPARE(page.StringGrid1->horizontalHeader()->sortIndicatorSection(), -1);
        clickHeading(page.StringGrid1, EntryColumnName);
        QCOMPARE(entryNames(page), (QStringList{"five.txt", "four.txt", "one.txt", "three.txt", "two.txt"}));
        clickHeading(page.StringGrid1, EntryColumnName);
        QCOMPARE(entryNames(page), (QStringList{"two.txt", "three.txt", "one.txt", "four.txt", "five.txt"}));
        QCOMPARE(page.selectedEntryNames(), std::vector<std::string>{"Data/two.txt"}); // the first row
        clickHeading(page.StringGrid1, EntryColumnPath);
        // No path comes first; equal paths keep the order the rows had (by name, descending).
        QCOMPARE(entryNames(page).mid(0, 2), (QStringList{"one.txt", "five.txt"}));

        // Both orders survive a restart, as the menu's does.
        clickHeading(page.StringGrid1, EntryColumnName);
        clickHeading(page.StringGrid1, EntryColumnName);
        w.form->close();
        const std::string ini = readFile(w.dir / "project.ini");
        QVERIFY(ini.find("Entries By Field=0\n") != std::string::npos);
        QVERIFY(ini.find("Entries Sort=1\n") != std::string::npos);
        w.open();
        w.showRestorePage();
        QCOMPARE(w.archiveNames(), (QStringList{"B-first.zip", "a-second.zip", "c-third.zip"}));
        click(w.page().StringGridZipfilename, 1);
        QCOMPARE(entryNames(w.page()), (QStringList{"two.txt", "three.txt", "one.txt", "four.txt", "five.txt"}));
        QCOMPARE(w.page().StringGrid1->horizontalHeader()->sortIndicatorSection(), 0);
        QCOMPARE(w.page().StringGrid1->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    // "Prompt Before Overwrite": the question names the file where it is, and "Yes to all" or
    // "No to all" answers it for the rest of that restore.
    void overwriteQuestionShowsTheTargetAndAnswersForTheRest() {
        Window w;
        w.showRestorePage();
        RestorePage& page = w.page();
        click(page.StringGridZipfilename, 1); // a-second.zip, restored in the order of its names
        page.RadioPrompt->setChecked(true);
        const std::vector<std::string> names{"Data/sub/four.txt", "Data/three.txt", "Data/two.txt", "five.txt",
                                             "one.txt"};
        auto putOldFiles = [&] {
            for (const std::string& name : names)
                writeFile(w.restored() / name, "old");
        };
        auto contents = [&] {
            std::string all;
            for (const std::string& name : names)
                all += readFile(w.restored() / name);
            return all;
        };

        putOldFiles();
        w.prompts.toAllAnswers = {ToAllAnswer::No, ToAllAnswer::YesToAll};
        w.form->SpRestore->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(contents(), std::string("old") + "3" + "2" + "5" + "1");
        QCOMPARE(w.prompts.said.size(), std::size_t(4)); // restore?, two questions, the summary
        const std::string first = w.prompts.said[1];
        QVERIFY2(first.starts_with("Replace existing file Data/sub/four.txt?\r\r" +
                                   (w.restored() / "Data/sub/four.txt").string() + "\rExisting file:     "),
                 first.c_str());
        QVERIFY(w.prompts.said[2].starts_with("Replace existing file Data/three.txt?\r\r"));
        QVERIFY(w.prompts.said[3].starts_with("Restore 4 Files Succeeds!"));

        putOldFiles();
        w.prompts.said.clear();
        w.prompts.toAllAnswers = {ToAllAnswer::Yes, ToAllAnswer::NoToAll};
        w.form->SpRestore->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(contents(), std::string("4") + "old" + "old" + "old" + "old");
        QCOMPARE(w.prompts.said.size(), std::size_t(4));
        QVERIFY(w.prompts.said[3].starts_with("Restore 1 Files Succeeds!"));
        QVERIFY(!w.prompts.calledOffWindowThread);
    }

    void addedFilesFollowTheArchivesEncryption() {
        Window w;
        {
            TempDir source;
            writeFile(source / "secret.txt", "classified");
            TZipWriter writer;
            writer.setZipName((w.archives() / "d-locked.zip").string());
            writer.Password = "pw";
            writer.FilesList = {(source / "secret.txt").string()};
            writer.Zip();
            setModificationTime(w.archives() / "d-locked.zip", 1900000000);
        }
        w.showRestorePage();
        RestorePage& page = w.page();
        TempDir picked;
        int next = 0;
        std::string added;
        page.runOpenDialog = [&](QFileDialog&) {
            added = "new" + std::to_string(++next) + ".txt";
            writeFile(picked / added, "added " + added);
            return QStringList{QString::fromStdString((picked / added).string())};
        };
        auto addTo = [&](const QString& archive) {
            click(page.StringGridZipfilename, rowOf(w, archive));
            w.prompts.said.clear();
            page.SpeedButton12->click();
            return waitForRun(*w.form);
        };
        const fs::path plain = w.archives() / "c-third.zip";
        const fs::path locked = w.archives() / "d-locked.zip";

        // A plain archive stays plain without a question, whatever the project's password.
        w.form->TabBackup->CheckBoxPassword->setChecked(true);
        w.form->TabBackup->EditPassword->setText(QStringLiteral("project"));
        QVERIFY(addTo("c-third.zip"));
        QVERIFY(w.prompts.said.empty());
        QVERIFY(storedEntry(plain, added, "").found && !storedEntry(plain, added, "").encrypted);

        // With a password typed on the page it asks; No adds the files plain, Yes encrypts them.
        page.EditRestorePassword->setText(QStringLiteral("typed"));
        w.prompts.answers = {false};
        QVERIFY(addTo("c-third.zip"));
        QCOMPARE(w.prompts.said, std::vector<std::string>{AskToEncrypt});
        QVERIFY(!storedEntry(plain, added, "").encrypted);
        w.prompts.answers = {true};
        QVERIFY(addTo("c-third.zip"));
        QCOMPARE(w.prompts.said, std::vector<std::string>{AskToEncrypt});
        QVERIFY(storedEntry(plain, added, "typed").encrypted && storedEntry(plain, added, "typed").opensWith);
        QCOMPARE(page.LabelfileNumber->text(), QStringLiteral("(Total 4 files)"));

        // An encrypted archive: no password at all, or a wrong one, adds nothing.
        w.form->TabBackup->CheckBoxPassword->setChecked(false);
        page.EditRestorePassword->clear();
        QVERIFY(addTo("d-locked.zip"));
        QCOMPARE(w.prompts.said, std::vector<std::string>{"'d-locked.zip' is encrypted: type its password in \"Input "
                                                          "Password ( If has ):\" to add files to it.\rNothing was "
                                                          "added."});
        QVERIFY(!storedEntry(locked, added, "").found);
        page.EditRestorePassword->setText(QStringLiteral("wrong"));
        QVERIFY(addTo("d-locked.zip"));
        QCOMPARE(w.prompts.said,
                 std::vector<std::string>{"The password is incorrect\rNothing was added to 'd-locked.zip'."});
        QVERIFY(!storedEntry(locked, added, "").found);
        QCOMPARE(page.LabelfileNumber->text(), QStringLiteral("(Total 1 files)"));

        // The right one, typed or the project's, encrypts the new files with it, silently.
        page.EditRestorePassword->setText(QStringLiteral("pw"));
        QVERIFY(addTo("d-locked.zip"));
        QVERIFY(w.prompts.said.empty());
        QVERIFY(storedEntry(locked, added, "pw").encrypted && storedEntry(locked, added, "pw").opensWith);
        page.EditRestorePassword->clear();
        w.form->TabBackup->CheckBoxPassword->setChecked(true);
        w.form->TabBackup->EditPassword->setText(QStringLiteral("pw"));
        QVERIFY(addTo("d-locked.zip"));
        QVERIFY(w.prompts.said.empty());
        QVERIFY(storedEntry(locked, added, "pw").opensWith);
        QCOMPARE(page.LabelfileNumber->text(), QStringLiteral("(Total 3 files)"));
    }

    // Import and add share one dialog, but each use has its own title, filters and folder.
    void fileDialogsSayWhatTheyAreForAndStartWhereTheirUseLeftOff() {
        Window w;
        w.showRestorePage();
        RestorePage& page = w.page();
        TempDir importFrom, addFrom, exportTo;
        makeArchive(importFrom / "new.zip", {{"n.txt", "n"}}, 1500000000);
        writeFile(addFrom / "x.txt", "x");
        struct Seen {
            QString title, folder;
            QStringList filters;
        } seen;
        QStringList answer;
        page.runOpenDialog = [&](QFileDialog& dialog) {
            seen = {dialog.windowTitle(), dialog.directory().absolutePath(), dialog.nameFilters()};
            return answer;
        };
        const std::string home = homeFolder();

        answer = {QString::fromStdString((importFrom / "new.zip").string())};
        page.Spimport->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(seen.title, QStringLiteral("Import Zip file"));
        QCOMPARE(seen.filters, (QStringList{"Zip file (*.Zip *.zip *.ZIP)", "All files (*)"}));
        QVERIFY(sameFolder(seen.folder, home));

        click(page.StringGridZipfilename, rowOf(w, "a-second.zip"));
        answer = {QString::fromStdString((addFrom / "x.txt").string())};
        page.SpeedButton12->click();
        QVERIFY(waitForRun(*w.form));
        QCOMPARE(seen.title, QStringLiteral("Add files to 'a-second.zip'"));
        QCOMPARE(seen.filters, QStringList{"All files (*)"});
        QVERIFY(sameFolder(seen.folder, home)); // not the folder the import came from
        QCOMPARE(page.OpenDialog1->windowTitle(), QString());

        answer.clear();
        page.SpeedButton12->click();
        QVERIFY(sameFolder(seen.folder, addFrom.path().string()));
        page.Spimport->click();
        QVERIFY(sameFolder(seen.folder, importFrom.path().string()));

        QStringList starts;
        page.chooseFolder = [&](const QString&, const QString& start) {
            starts << start;
            return QString::fromStdString(exportTo.path().string());
        };
        for (int i = 0; i < 2; ++i) {
            page.SpeedButton9->click();
            QVERIFY(waitForRun(*w.form));
        }
        QCOMPARE(starts.size(), 2);
        QVERIFY(sameFolder(starts[0], home));
        QVERIFY(sameFolder(starts[1], exportTo.path().string()));
    }
};

QTEST_MAIN(RestorePageAnswersTest)
#include "restore_page_answers_test.moc"
