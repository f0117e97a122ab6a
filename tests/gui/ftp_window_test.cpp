// The site manager and the transfer window, the latter against a real FTP server on 127.0.0.1.
#include "core/ftp/ftp_list_items.h"
#include "core/ftp/ftp_site.h"
#include "core/ini/ini_file.h"
#include "core/ini/ini_password_codec.h"
#include "gui/ftp/form_account.h"
#include "gui/ftp/form_ftp.h"
#include "gui/ftp/transfer_list.h"
#include "gui/ftp/transfer_texts.h"
#include "gui/pages/restore_folder_field.h"
#include "scripted_prompts.h"
#include "support/ftp_test_server.h"
#include "support/test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

constexpr int Wait = 30000;
const std::string LabelRule = "Lable for site cannot be blank or repeation";

QStringList rowNames(const TransferList* list) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names.append(list->topLevelItem(i)->text(0));
    return names;
}

// Selects the rows of these names; the first of them becomes the current row.
void selectNames(TransferList* list, const QStringList& names) {
    list->clearSelection();
    bool first = true;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (!names.contains(list->topLevelItem(i)->text(0)))
            continue;
        if (std::exchange(first, false))
            list->setCurrentItem(list->topLevelItem(i));
        list->topLevelItem(i)->setSelected(true);
    }
}

QString logText(const QListWidget* log) {
    QStringList rows;
    for (int i = 0; i < log->count(); ++i)
        rows.append(log->item(i)->text());
    return rows.join(QLatin1Char('\n'));
}

bool logHas(const QListWidget* log, const QString& text) {
    for (int i = 0; i < log->count(); ++i)
        if (log->item(i)->text().contains(text))
            return true;
    return false;
}

// A server, a local folder and account.ini with one site for it.
struct Transfers {
    TempDir dir;
    fs::path root = dir / "server";
    fs::path local = dir / "local";
    WindowPrompts prompts;
    std::unique_ptr<FtpTestServer> server;

    bool start(FtpServerOptions options = {}, bool pin = true) {
        fs::create_directories(root);
        fs::create_directories(local);
        server = std::make_unique<FtpTestServer>(root, options);
        if (!server->running())
            return false;
        FtpSite site;
        site.label = "Test server";
        site.host = "127.0.0.1";
        site.port = std::to_string(server->port());
        site.user = "tester";
        site.password = "secret";
        site.passive = true;
        site.useTls = options.tls;
        if (pin)
            site.fingerprint = server->fingerprint();
        site.timeoutSeconds = 20;
        FtpSiteStore(dir / "account.ini").addSite(site);
        return true;
    }
    std::unique_ptr<TFormFtp> open(const QStringList& chosen = {}) {
        return std::make_unique<TFormFtp>(dir / "account.ini", prompts, qs(local.string()), chosen);
    }
    static QString qs(const std::string& text) { return QString::fromStdString(text); }
};

} // namespace

class FtpWindowTest : public QObject {
    Q_OBJECT
private slots:
    void siteManagerStartsEmptyAndDisabled() {
        TempDir dir;
        WindowPrompts prompts;
        TFormAccount form(dir / "account.ini", prompts);
        QCOMPARE(form.windowTitle(), QStringLiteral("Site Settings"));
        QCOMPARE(form.ListBox1->count(), 0);
        QVERIFY(!form.PanRight->isEnabled());
        QVERIFY(form.rbNormal->isChecked());
        QVERIFY(!form.SpSave->isEnabled());
        QVERIFY(form.EditLable->text().isEmpty());
    }

    void newSitesAreSavedTrimmedAndRepeatsRefused() {
        TempDir dir;
        WindowPrompts prompts;
        TFormAccount form(dir / "account.ini", prompts);
        form.SpNew->click();
        QVERIFY(form.editing());
        QCOMPARE(form.EditLable->text(), QStringLiteral("New FTP Site"));
        QCOMPARE(form.Editport->text(), QStringLiteral("21"));
        QVERIFY(form.rbNormal->isChecked());
        QVERIFY(!form.CheckBox1->isChecked());
        form.EditLable->setText(QStringLiteral("  Home  "));
        form.Edithost->setText(QStringLiteral("nas.local"));
        form.Editpassword->setText(QStringLiteral("pw"));
        form.SpSave->click();
        QVERIFY(!form.editing());
        QCOMPARE(form.ListBox1->item(0)->text(), QStringLiteral("Home"));
        QCOMPARE(QString::fromStdString(IniFile(dir / "account.ini").readString("Home", "password")),
                 QString::fromStdString(IniPasswordCodec::encode("pw", "Home")));

        form.SpNew->click();
        form.EditLable->setText(QStringLiteral("HOME"));
        form.SpSave->click();
        QVERIFY(form.editing());
        QCOMPARE(prompts.said.back(), LabelRule);
        form.EditFingerprint->setText(QStringLiteral("not a fingerprint"));
        form.EditLable->setText(QStringLiteral("Other"));
        form.SpSave->click();
        QVERIFY(form.editing());
        form.EditFingerprint->clear();
        form.SpSave->click();
        QVERIFY(!form.editing());
        QCOMPARE(form.ListBox1->count(), 2);
    }

    void editingKeepsItsOwnLabelButNotAnothers() {
        TempDir dir;
        WindowPrompts prompts;
        FtpSiteStore store(dir / "account.ini");
        for (const char* label : {"First", "Second"}) {
            FtpSite site;
            site.label = label;
            store.addSite(site);
        }
        TFormAccount form(dir / "account.ini", prompts);
        form.ListBox1->setCurrentRow(1);
        form.SpEdit->click();
        form.EditLable->setText(QStringLiteral("first"));
        form.SpSave->click();
        QCOMPARE(prompts.said.back(), LabelRule);
        form.EditLable->setText(QStringLiteral("SECOND"));
        form.SpSave->click();
        QVERIFY(!form.editing());
        QCOMPARE(form.ListBox1->item(1)->text(), QStringLiteral("SECOND"));
        QCOMPARE(store.labels(), (std::vector<std::string>{"First", "SECOND"}));
    }

    void deletingTheLastSiteLeavesTheDefaults() {
        TempDir dir;
        WindowPrompts prompts;
        FtpSite site;
        site.label = "Only";
        site.port = "2121";
        site.passive = true;
        FtpSiteStore(dir / "account.ini").addSite(site);
        TFormAccount form(dir / "account.ini", prompts);
        QCOMPARE(form.Editport->text(), QStringLiteral("2121"));
        form.SpDelete->click();
        QCOMPARE(prompts.said.back(), std::string("Do you want to delete 'Only' Site?"));
        QCOMPARE(form.ListBox1->count(), 0);
        QCOMPARE(form.Editport->text(), QStringLiteral("21"));
        QVERIFY(form.rbNormal->isChecked());
        QVERIFY(!form.CheckBox1->isChecked());
        QCOMPARE(IniFile(dir / "account.ini").readInteger("Common", "Account Count", -1), 0);
    }

    void logRowsAndSpeedTexts() {
        QCOMPARE(logRows(QStringLiteral("<<- "), QStringLiteral("220 a\r\n230 b")),
                 (QStringList{QStringLiteral("<<- 220 a"), QStringLiteral("<<- 230 b")}));
        QCOMPARE(logRows(QStringLiteral("->> "), QStringLiteral("NOOP\r\n")), QStringList{QStringLiteral("->> NOOP")});
        QVERIFY(isSentRow(QStringLiteral("->> NOOP")));
        QVERIFY(!isSentRow(QStringLiteral("<<- 200 ok")));
        QVERIFY(!isSentRow(QStringLiteral("Connected.")));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(speedText(true, 0, 1000, 0), QStringLiteral("Download speed 0.00 KB/s; "));
        // 3725 seconds left at 1 KB/s.
        QCOMPARE(speedText(false, 1024, 1024 + 3725 * 1024, 1000),
                 QStringLiteral("Upload speed 1.00 KB/s; Time remaining  1: 2: 5"));
        QCOMPARE(speedText(true, 2048, 0, 1000), QStringLiteral("Download speed 2.00 KB/s; "));
    }

    void connectListUploadAndDownload() {
        Transfers t;
        QVERIFY2(t.start(), t.server ? t.server->error().c_str() : "");
        writeFile(t.root / "on-server.zip", "remote content");
        writeFile(t.local / "a.zip", randomBytes(200000, 4));
        writeFile(t.local / "b.txt", "bee");
        fs::create_directories(t.local / "sub");
        auto form = t.open({QStringLiteral("a.zip")});
        QCOMPARE(form->windowTitle(), QStringLiteral("FTP"));
        QCOMPARE(form->ComboBox1->currentText(), QStringLiteral("Test server"));
        QCOMPARE(rowNames(form->ListBoxsource), (QStringList{"a.zip", "b.txt", "sub"}));
        QCOMPARE(form->ListBoxsource->selectedRows(), QList<int>{0});

        form->SpeedButton1->click();
        QTRY_VERIFY_WITH_TIMEOUT(form->connected() && !form->busy(), Wait);
        QCOMPARE(form->EditFolder->text(), QStringLiteral("/"));
        QCOMPARE(rowNames(form->DirectoryListBox), QStringList{"on-server.zip"});
        QVERIFY(logHas(form->DebugListBox, QStringLiteral("->> PASS ****")));
        QVERIFY(logHas(form->DebugListBox, QStringLiteral("<<- 230")));

        // A folder in the selection is reported and the files still go.
        selectNames(form->ListBoxsource, {"a.zip", "sub"});
        form->Spupload->click();
        QCOMPARE(QString::fromStdString(t.prompts.said.back()),
                 QStringLiteral("Folder '%1' can not be upload!").arg(Transfers::qs((t.local / "sub").string())));
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy() && rowNames(form->DirectoryListBox).contains("a.zip"), Wait);
        QCOMPARE(readFile(t.root / "a.zip"), readFile(t.local / "a.zip"));

        selectNames(form->DirectoryListBox, {"on-server.zip"});
        form->SpDownload->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy() && rowNames(form->ListBoxsource).contains("on-server.zip"), Wait);
        QCOMPARE(readFile(t.local / "on-server.zip"), std::string("remote content"));
    }

    void overwriteQuestionsAndRemoteFolders() {
        Transfers t;
        QVERIFY2(t.start(), t.server ? t.server->error().c_str() : "");
        writeFile(t.root / "A.ZIP", "old");
        writeFile(t.local / "a.zip", "new");
        auto form = t.open();
        form->SpeedButton1->click();
        QTRY_VERIFY_WITH_TIMEOUT(form->connected() && !form->busy(), Wait);
        selectNames(form->ListBoxsource, {"a.zip"});
        t.prompts.answers = {false};
        form->Spupload->click();
        QCOMPARE(t.prompts.said.back(), std::string("File 'a.zip' in remote folder already exists, Overwrite?"));
        QVERIFY(!form->busy());
        QVERIFY(!fs::exists(t.root / "a.zip"));

        form->askText = [](const QString& caption, const QString& prompt, QString& text) {
            return caption == "Create Folder" && prompt == "Please eneter a folder name " && text == "New folder" &&
                   !(text = QStringLiteral("backups")).isEmpty();
        };
        form->createbutton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy() && rowNames(form->DirectoryListBox).contains("backups"), Wait);
        QVERIFY(fs::is_directory(t.root / "backups"));

        selectNames(form->DirectoryListBox, {"backups"});
        form->DirectoryListBoxDblClick();
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy() && form->EditFolder->text() == "/backups", Wait);
        form->btnUp->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy() && form->EditFolder->text() == "/", Wait);
        form->btnUp->click(); // at the root: nothing changes, nothing is said
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy(), Wait);
        QCOMPARE(form->EditFolder->text(), QStringLiteral("/"));

        selectNames(form->DirectoryListBox, {"backups", "A.ZIP"});
        t.prompts.answers = {true};
        form->DeleteRemoteClick();
        QCOMPARE(t.prompts.said.back(), std::string("Do you want to delete the 2 files?"));
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy() && form->DirectoryListBox->topLevelItemCount() == 0, Wait);
        QVERIFY(fs::is_empty(t.root));

        form->SpeedButton3->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy(), Wait);
        QVERIFY(!form->connected());
        QCOMPARE(form->EditFolder->text(), QStringLiteral("/"));
    }

    void stopAndDisconnectInTheMiddleOfATransfer() {
        Transfers t;
        FtpServerOptions options;
        options.throttle = 256 * 1024; // the server sends slowly, so the stop comes mid-transfer
        QVERIFY2(t.start(options), t.server ? t.server->error().c_str() : "");
        writeFile(t.root / "backups/big.zip", randomBytes(6 << 20, 8));
        auto form = t.open();
        form->SpeedButton1->click();
        QTRY_VERIFY_WITH_TIMEOUT(form->connected() && !form->busy(), Wait);
        selectNames(form->DirectoryListBox, {"backups"});
        form->DirectoryListBoxDblClick();
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy() && form->EditFolder->text() == "/backups", Wait);
        selectNames(form->DirectoryListBox, {"big.zip"});
        form->SpDownload->click();
        // The window goes on answering while the transfer runs: progress and speed show.
        QTRY_VERIFY2_WITH_TIMEOUT(form->ProgressBar1->value() > 0, qPrintable(logText(form->DebugListBox)), Wait);
        QVERIFY(form->StatusText->text().startsWith(QStringLiteral("Download speed ")));
        QVERIFY(form->SpAbort->isEnabled());
        form->SpAbort->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy() && form->connected(), Wait);
        QCOMPARE(form->EditFolder->text(), QStringLiteral("/backups"));
        QCOMPARE(rowNames(form->DirectoryListBox), QStringList{"big.zip"});
        QVERIFY(fs::is_empty(t.local)); // nothing half-downloaded is left
        QVERIFY(t.prompts.said.empty());

        // Disconnect in the middle of a transfer ends it without an error and leaves nothing open.
        selectNames(form->DirectoryListBox, {"big.zip"});
        form->SpDownload->click();
        QTRY_VERIFY2_WITH_TIMEOUT(form->ProgressBar1->value() > 0, qPrintable(logText(form->DebugListBox)), Wait);
        form->SpeedButton3->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form->busy(), Wait);
        QVERIFY(!form->connected());
        QCOMPARE(form->EditFolder->text(), QStringLiteral("/"));
        QCOMPARE(form->DirectoryListBox->topLevelItemCount(), 0);
        QVERIFY(t.prompts.said.empty());
        QVERIFY(fs::is_empty(t.local));
    }

    void unverifiedCertificateIsOfferedForPinning() {
        Transfers t;
        FtpServerOptions options;
        options.tls = true;
        QVERIFY2(t.start(options, false), t.server ? t.server->error().c_str() : "");
        auto form = t.open();
        t.prompts.answers = {true};
        form->SpeedButton1->click();
        QTRY_VERIFY_WITH_TIMEOUT(form->connected() && !form->busy(), Wait);
        QVERIFY(t.prompts.said.front().find(t.server->fingerprint()) != std::string::npos);
        QCOMPARE(QString::fromStdString(FtpSiteStore(t.dir / "account.ini").load("Test server").fingerprint),
                 QString::fromStdString(t.server->fingerprint()));
    }
};

QTEST_MAIN(FtpWindowTest)
#include "ftp_window_test.moc"
