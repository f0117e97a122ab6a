// The off-site copy in the window: the Backup page's site and folder, and Create Backup uploading
// the archive on the worker to a real FTP server on 127.0.0.1.
#include "core/backup/operation_log.h"
#include "core/ftp/ftp_site.h"
#include "core/ini/ini_file.h"
#include "gui/app/form_main.h"
#include "gui/app/progress_strip.h"
#include "gui/pages/backup_page.h"
#include "gui/pages/log_page.h"
#include "gui/pages/log_table_model.h"
#include "scripted_prompts.h"
#include "support/ftp_test_server.h"
#include "support/test_clock.h"
#include "support/test_support.h"
#include "wait_for_run.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

void addSite(const fs::path& data, const std::string& label, int port) {
    addTestServerSite(data / "account.ini", label, port);
}

// A data folder with one project, "Docs", that backs up src/ into dest/ and copies to `ftpKeys`.
std::unique_ptr<TFormMain> openWindow(const TempDir& dir, WindowPrompts& prompts, const TestClock& clock,
                                      const std::string& ftpKeys) {
    writeFile(dir / "src/a.txt", compressibleText(200000, 1));
    writeFile(dir / "src/sub/b.bin", randomBytes(300000, 2));
    writeFile(dir / "project.ini", "[Common]\nProject Count=1\nCount0=Docs\n\n[Docs]\nFilename prefix=Docs\nValue=6\n"
                                   "Save Path=" +
                                       (dir / "dest").string() + "/\nBackup Directory Count=1\nBackup0=" +
                                       (dir / "src").string() + "/*.*\nWhether password Project=0\n" + ftpKeys);
    return std::make_unique<TFormMain>(DataFiles{dir.path()}, prompts, clock);
}

} // namespace

class OffsiteCopyTest : public QObject {
    Q_OBJECT
private slots:
    void createBackupUploadsTheArchiveOnTheWorkerWithItsProgressInTheStrip() {
        TempDir dir;
        FtpServerOptions slow;
        slow.throttle = 100000; // some seconds: the strip shows the upload under way
        fs::create_directories(dir / "server");
        FtpTestServer server(dir / "server", slow);
        QVERIFY2(server.running(), server.error().c_str());
        addSite(dir.path(), "Home NAS", server.port());
        WindowPrompts prompts;
        TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
        auto form = openWindow(dir, prompts, clock, "FTP Site=Home NAS\nFTP Folder=up\n");
        QCOMPARE(form->TabBackup->cbFtpSite->currentText(), QStringLiteral("Home NAS"));

        // The server takes the archive slowly; a look at the strip now and then sees the upload.
        QString uploading;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, form.get(), [&] {
            const QString text = form->progressStrip->LabelFilename->text();
            if (text.startsWith(QStringLiteral("Uploading")) &&
                form->progressStrip->LabelFilename->isVisibleTo(form.get()))
                uploading = text;
        });
        look.start(20);
        form->SpStartClick();
        QVERIFY(waitForRun(*form));

        QCOMPARE(uploading, QStringLiteral("Uploading Docs7.zip to the FTP site 'Home NAS'..."));
        QCOMPARE(readFile(dir / "server/up/Docs7.zip"), readFile(dir / "dest/Docs7.zip"));
        QCOMPARE(prompts.said.size(), size_t(2));
        QCOMPARE(prompts.said[1], std::string("Docs7.zip copied to the FTP site 'Home NAS' as up/Docs7.zip"));
        QVERIFY(!prompts.calledOffWindowThread);
        const LogTableModel& log = *form->logPage->model();
        QCOMPARE(log.index(0, LogColumnOperation).data().toString(), QStringLiteral("FTP"));
        QCOMPARE(log.index(0, LogColumnStatus).data().toString(), QStringLiteral("Succeeds"));
        QCOMPARE(log.index(1, LogColumnOperation).data().toString(), QStringLiteral("Backup"));
        QVERIFY(!form->progressStrip->ProgressBarTotal->isVisibleTo(form.get()));
        QVERIFY(form->SpStart->isEnabled());
    }

    // Stop in the strip ends the upload; the backup it follows stays as it was.
    void stopInTheStripEndsTheUploadButNotTheBackup() {
        TempDir dir;
        FtpServerOptions slow;
        slow.throttle = 50000; // ten seconds and more: the upload is under way when Stop is pressed
        fs::create_directories(dir / "server");
        FtpTestServer server(dir / "server", slow);
        QVERIFY2(server.running(), server.error().c_str());
        addSite(dir.path(), "Home NAS", server.port());
        WindowPrompts prompts;
        TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
        auto form = openWindow(dir, prompts, clock, "FTP Site=Home NAS\n");
        QPushButton* stop = form->progressStrip->ButtonStop;
        QVERIFY(!stop->isVisibleTo(form.get()));

        bool pressed = false;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, form.get(), [&] {
            if (!pressed && form->progressStrip->LabelFilename->text().startsWith(QStringLiteral("Uploading")) &&
                stop->isVisibleTo(form.get()) && stop->isEnabled()) {
                pressed = true;
                stop->click();
                QVERIFY(!stop->isEnabled()); // pressed once is enough
            }
        });
        look.start(20);
        form->SpStartClick();
        QVERIFY(waitForRun(*form));

        QVERIFY(pressed);
        QVERIFY(fs::exists(dir / "dest/Docs7.zip"));
        QVERIFY(!fs::exists(dir / "server/Docs7.zip")); // nothing under the real name
        // The backup's summary came before the Stop; whoever stopped the upload hears no more of it.
        QCOMPARE(prompts.said.size(), size_t(1));
        QVERIFY(prompts.said[0].starts_with("Backup 2 Files Succeeds!"));
        const LogTableModel& log = *form->logPage->model();
        QCOMPARE(log.index(0, LogColumnOperation).data().toString(), QStringLiteral("FTP"));
        QCOMPARE(log.index(0, LogColumnStatus).data().toString(), QStringLiteral("Interrupt"));
        QCOMPARE(log.index(0, LogColumnInformation).data().toString(),
                 QStringLiteral("The copy of Docs7.zip to the FTP site 'Home NAS' was cancelled"));
        QCOMPARE(log.index(1, LogColumnOperation).data().toString(), QStringLiteral("Backup"));
        QCOMPARE(log.index(1, LogColumnStatus).data().toString(), QStringLiteral("Succeeds"));
        QCOMPARE(IniFile(dir / "project.ini").readString("Docs", "Value"), std::string("7"));
        QVERIFY(!stop->isVisibleTo(form.get()));
        QVERIFY(form->SpStart->isEnabled());
    }

    void theBackupPageOffersTheSitesAndSaveRefusesOneThatIsGone() {
        TempDir dir;
        addSite(dir.path(), "Home NAS", 21);
        addSite(dir.path(), "Work", 21);
        WindowPrompts prompts;
        TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
        auto form = openWindow(dir, prompts, clock, "FTP Site=Old\nFTP Folder=/up\n");
        BackupPage& page = *form->TabBackup;
        QCOMPARE(page.cbFtpSite->count(), 4);
        QCOMPARE(page.cbFtpSite->itemText(0), QStringLiteral("(none)"));
        QCOMPARE(page.cbFtpSite->currentText(), QStringLiteral("Old (missing)"));
        QCOMPARE(page.EditFtpFolder->text(), QStringLiteral("/up"));
        QVERIFY(!page.GroupFtp->isEnabled()); // browse mode

        addSite(dir.path(), "Later", 21); // added meanwhile, in the FTP window
        form->SpEditClick();
        QVERIFY(page.GroupFtp->isEnabled());
        QCOMPARE(page.cbFtpSite->count(), 5);
        QCOMPARE(page.cbFtpSite->currentText(), QStringLiteral("Old (missing)"));
        form->SpSaveClick();
        QCOMPARE(prompts.said.back(),
                 std::string("The FTP site 'Old' does not exist; please choose one of the FTP sites"));
        QVERIFY(form->isEditing());

        page.cbFtpSite->setCurrentIndex(0);
        QVERIFY(!page.EditFtpFolder->isEnabled()); // no site, no folder
        page.cbFtpSite->setCurrentText(QStringLiteral("Work"));
        QVERIFY(page.EditFtpFolder->isEnabled());
        page.EditFtpFolder->setText(QStringLiteral(" /backups/docs "));
        QVERIFY(page.hasUnsavedChanges());
        form->SpSaveClick();
        QVERIFY(!form->isEditing());
        QCOMPARE(IniFile(dir / "project.ini").readString("Docs", "FTP Site"), std::string("Work"));
        QCOMPARE(IniFile(dir / "project.ini").readString("Docs", "FTP Folder"), std::string("/backups/docs"));

        form->SpEditClick();
        page.cbFtpSite->setCurrentIndex(0);
        form->SpSaveClick();
        QCOMPARE(IniFile(dir / "project.ini").readString("Docs", "FTP Site", "(missing)"), std::string("(missing)"));
        QCOMPARE(IniFile(dir / "project.ini").readString("Docs", "FTP Folder", "(missing)"), std::string("(missing)"));
    }
};

QTEST_MAIN(OffsiteCopyTest)
#include "offsite_copy_test.moc"
