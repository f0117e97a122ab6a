// "Send By Email": its controls, the account it writes back, sending through a real SMTP server on
// 127.0.0.1, errors, Stop, pinning a certificate, opening from the Restore page, and the failure
// report's recipient in the preferences.
#include "core/ini/ini_file.h"
#include "core/ini/ini_password_codec.h"
#include "core/mail/email_account.h"
#include "gui/app/form_main.h"
#include "gui/dialogs/preferences_dialog.h"
#include "gui/mail/form_email.h"
#include "gui/pages/restore_folder_field.h"
#include "gui/pages/restore_page.h"
#include "next_modal.h"
#include "scripted_prompts.h"
#include "support/scripted_server.h"
#include "support/smtp_test_server.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

constexpr int Wait = 30000;

QStringList rows(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A data folder with account.ini, and the server the account sends through when started.
struct Mailing {
    TempDir dir;
    WindowPrompts prompts;
    std::unique_ptr<SmtpTestServer> server;

    bool start(SmtpServerOptions options = {}) {
        server = std::make_unique<SmtpTestServer>(dir / "received", options);
        if (!server->running())
            return false;
        useAccountOn(server->port());
        return true;
    }
    void useAccountOn(int port, MailSecurity security = MailSecurity::None) {
        EmailAccount account;
        account.senderEmail = "backup@example.org";
        account.port = std::to_string(port);
        account.type = 0;
        account.user = "Backup";
        account.sendTo = "owner@example.org";
        account.security = security;
        saveEmailAccount(dir / "account.ini", account);
    }
    std::unique_ptr<TFormEmail> open(const QStringList& attachments = {}) {
        return std::make_unique<TFormEmail>(dir / "account.ini", prompts, attachments);
    }
};

} // namespace

class EmailWindowTest : public QObject {
    Q_OBJECT
private slots:
    void aFreshInstallationShowsTheDefaults() {
        Mailing m;
        auto form = m.open();
        form->show();
        QCOMPARE(form->windowTitle(), QStringLiteral("Send By Email"));
        QCOMPARE(form->PageControl1->currentWidget(), form->TabMessage);
        QCOMPARE(form->PageControl1->tabText(0), QStringLiteral("Message"));
        QCOMPARE(form->PageControl1->tabText(1), QStringLiteral("Account"));
        QCOMPARE(form->btnSend->text(), QStringLiteral("Send Message"));
        QVERIFY(!form->SpAbort->isEnabled());
        QCOMPARE(form->Editsmtp->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(form->Editport->text(), QStringLiteral("25"));
        QCOMPARE(form->cbtype->currentText(), QStringLiteral("Simple Login"));
        QCOMPARE(form->Edituser->text(), QStringLiteral("Account name"));
        QCOMPARE(form->Editpassword->echoMode(), QLineEdit::Password);
        QCOMPARE(form->Editaddress->text(), qs(std::string(RecipientPlaceholder)));
        QCOMPARE(form->Memo1->toPlainText().split(QLatin1Char('\n')),
                 (QStringList{"Hello,", "", "", "Best regards,",
                              "Account name" + QString(32, QLatin1Char(' ')) + qs(std::string(SenderPlaceholder))}));
        QTRY_COMPARE(QApplication::focusWidget(), form->Editaddress);
        QVERIFY(form->btnSend->isEnabled());
        form->Editaddress->setText(QStringLiteral("   "));
        QVERIFY(!form->btnSend->isEnabled());
        form->Editaddress->setText(QStringLiteral("x@example.org"));
        QVERIFY(form->btnSend->isEnabled());
        // The standard port follows the security chosen; a port of one's own stays.
        form->cbSecurity->setCurrentIndex(1);
        QCOMPARE(form->Editport->text(), QStringLiteral("587"));
        form->cbSecurity->setCurrentIndex(2);
        QCOMPARE(form->Editport->text(), QStringLiteral("465"));
        form->Editport->setText(QStringLiteral("2525"));
        form->cbSecurity->setCurrentIndex(0);
        QCOMPARE(form->Editport->text(), QStringLiteral("2525"));
    }

    void attachmentsAreAddedAndRemoved() {
        Mailing m;
        auto form = m.open({QStringLiteral("/archives/a.zip")});
        QStringList chosen{QStringLiteral("/archives/b.zip"), QStringLiteral("/archives/c.zip")};
        form->chooseFiles = [&] { return chosen; };
        form->Button2->click();
        QCOMPARE(rows(form->ListBox1), (QStringList{"/archives/a.zip", "/archives/b.zip", "/archives/c.zip"}));
        QCOMPARE(form->ListBox1->currentRow(), 2);
        form->Button4->click();
        QCOMPARE(rows(form->ListBox1), (QStringList{"/archives/a.zip", "/archives/b.zip"}));
        QCOMPARE(form->ListBox1->currentRow(), 1);
        form->ListBox1->setCurrentRow(0);
        form->Button4->click();
        QCOMPARE(rows(form->ListBox1), QStringList{"/archives/b.zip"});
        QCOMPARE(form->ListBox1->currentRow(), 0);
        form->Button4->click();
        QVERIFY(rows(form->ListBox1).isEmpty());
        QCOMPARE(form->ListBox1->currentRow(), -1);
        form->Button4->click(); // nothing selected: nothing happens
    }

    void closingWritesTheAccountAsShown() {
        Mailing m;
        auto form = m.open();
        form->show();
        form->Editsender->setText(QStringLiteral(" me@example.org "));
        form->Editsmtp->setText(QStringLiteral("mail.example.org"));
        form->Editport->setText(QStringLiteral("five"));
        form->cbtype->setCurrentIndex(0);
        form->Edituser->setText(QStringLiteral("me"));
        form->Editpassword->setText(QStringLiteral(" pw "));
        form->Editaddress->setText(QStringLiteral("a@example.org, b@example.org"));
        form->SpeedButton4->click();
        QVERIFY(!form->isVisible());
        const IniFile ini(m.dir / "account.ini");
        QCOMPARE(qs(ini.readString("Email Account", "Sender Email")), QStringLiteral(" me@example.org "));
        QCOMPARE(qs(ini.readString("Email Account", "Port")), QStringLiteral("five"));
        QCOMPARE(qs(ini.readString("Email Account", "Type")), QStringLiteral("0"));
        QCOMPARE(qs(ini.readString("Email Account", "SendTo")), QStringLiteral("a@example.org, b@example.org"));
        QCOMPARE(IniPasswordCodec::decode(ini.readString("Email Account", "password"), "Email Account"),
                 std::string("pw"));
    }

    void sendsTheMessageWithItsAttachments() {
        Mailing m;
        QVERIFY2(m.start(), m.server ? m.server->error().c_str() : "");
        writeFile(m.dir / "Docs1.zip", randomBytes(500000, 3));
        auto form = m.open({qs((m.dir / "Docs1.zip").string())});
        form->show();
        form->EditSubject->setText(QStringLiteral("Die Sicherung"));
        form->btnSend->click();
        QVERIFY(!form->btnSend->isEnabled());
        QVERIFY(form->SpAbort->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!form->sending(), Wait);
        QCOMPARE(m.prompts.said, std::vector<std::string>{"The email has been sent!"});
        QVERIFY(form->btnSend->isEnabled());
        QVERIFY(!form->SpAbort->isEnabled());
        QCOMPARE(form->ProgressBar1->value(), 0);
        const std::vector<ReceivedMail> mails = m.server->messages();
        QCOMPARE(mails.size(), std::size_t(1));
        QCOMPARE(qs(mails[0].subject), QStringLiteral("Die Sicherung"));
        QCOMPARE(qs(mails[0].facts.at("rcpt_tos")), QStringLiteral("owner@example.org"));
        QCOMPARE(qs(mails[0].header("Reply-To")), QStringLiteral("backup@example.org"));
        QCOMPARE(mails[0].attachments.size(), std::size_t(1));
        QCOMPARE(mails[0].attachments[0].size, std::uint64_t(500000));
        QVERIFY(mails[0].text.starts_with("Hello,\n\n\nBest regards,\nBackup "));
        QVERIFY(!m.prompts.calledOffWindowThread);
    }

    void errorsAreShownAndTheWindowStaysUsable() {
        Mailing m;
        SmtpServerOptions options;
        options.refuse = {"owner@example.org"};
        QVERIFY2(m.start(options), m.server ? m.server->error().c_str() : "");
        auto form = m.open();
        form->show();
        form->Editaddress->setText(QStringLiteral("not an address"));
        form->btnSend->click();
        QCOMPARE(m.prompts.said, std::vector<std::string>{"'not an address' is not an email address."});
        QVERIFY(!form->sending());
        m.prompts.said.clear();
        form->Editaddress->setText(QStringLiteral("owner@example.org"));
        form->btnSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form->sending(), Wait);
        QCOMPARE(m.prompts.said.size(), std::size_t(1));
        QVERIFY(m.prompts.said[0].find("Recipient address rejected") != std::string::npos);
        QVERIFY(form->btnSend->isEnabled());
        QCOMPARE(form->Editaddress->text(), QStringLiteral("owner@example.org"));
        QVERIFY(m.server->messages().empty());
    }

    void stopEndsASendThatWaitsForTheServer() {
        Mailing m;
        ScriptedServer silent([](ScriptedPeer& peer) { peer.waitForClose(); }); // never greets
        m.useAccountOn(silent.port());
        auto form = m.open();
        form->show();
        form->btnSend->click();
        QVERIFY(form->sending());
        QVERIFY(form->SpAbort->isEnabled());
        form->SpAbort->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form->sending(), Wait);
        QVERIFY(m.prompts.said.empty());
        QCOMPARE(form->StatusText->text(), QStringLiteral("Stopped: the message was not sent."));
        QVERIFY(form->btnSend->isEnabled());
    }

    void anUnverifiedCertificateIsOfferedForPinning() {
        Mailing m;
        SmtpServerOptions options;
        options.tls = true;
        QVERIFY2(m.start(options), m.server ? m.server->error().c_str() : "");
        m.useAccountOn(m.server->port(), MailSecurity::StartTls);
        auto form = m.open();
        form->show();
        QCOMPARE(form->Editport->text(), qs(std::to_string(m.server->port())));
        form->btnSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m.prompts.said.empty() && !form->sending(), Wait);
        QVERIFY(m.prompts.said[0].find("Trust this certificate and send the message?") != std::string::npos);
        QVERIFY(m.prompts.said[0].find(m.server->fingerprint()) != std::string::npos);
        QTRY_VERIFY_WITH_TIMEOUT(m.prompts.said.size() == 2 && !form->sending(), Wait);
        QCOMPARE(m.prompts.said[1], std::string("The email has been sent!"));
        QCOMPARE(form->EditFingerprint->text(), qs(m.server->fingerprint()));
        QCOMPARE(loadEmailAccount(m.dir / "account.ini").fingerprint, m.server->fingerprint());
        QCOMPARE(m.server->messages().size(), std::size_t(1));
    }

    void theRestorePageOpensItWithTheChosenArchives() {
        TempDir dir;
        WindowPrompts prompts;
        const fs::path archives = dir / "archives";
        fs::create_directories(archives);
        for (const char* name : {"a.zip", "b.zip", "c.zip"})
            QCOMPARE(zipNamesWithPython(archives / name, {"x.txt"}).exitCode, 0);
        writeFile(dir / "project.ini", "[Common]\nProject Count=1\nCount0=Docs\nLast Project=Docs\nBy Field=0\n"
                                       "\n[Docs]\nSave Path=" +
                                           archives.string() + "\n");
        TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
        TFormMain main(DataFiles{dir.path()}, prompts, clock);
        main.show();
        main.PageControl1->setCurrentWidget(main.TabRestore);
        RestorePage& page = *main.restorePage;
        page.DirectoryView->setText(qs("  " + archives.string() + "  "));
        page.DirectoryViewChange();
        QTableView* grid = page.StringGridZipfilename;
        QTRY_COMPARE(grid->model()->rowCount(), 3);
        grid->selectionModel()->select(QItemSelection(grid->model()->index(0, 0), grid->model()->index(1, 0)),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QStringList attached;
        onNextModal<TFormEmail>([&](TFormEmail& form) {
            attached = rows(form.ListBox1);
            form.close();
        });
        page.SpeedButton8->click();
        QCOMPARE(page.DirectoryView->text(), qs(archives.string()));
        QCOMPARE(attached, (QStringList{qs((archives / "a.zip").string()), qs((archives / "b.zip").string())}));
        QVERIFY(fs::exists(dir / "account.ini")); // closing wrote the account
    }

    void thePreferencesKeepTheRecipientOfFailureReports() {
        TempDir dir;
        IniFile ini(dir / "project.ini");
        WindowPrompts prompts;
        TFormPreferences dialog(ini, dir / "autostart.desktop", "/usr/bin/quorvel-backup", prompts);
        QVERIFY(dialog.EditReportTo->text().isEmpty());
        dialog.EditReportTo->setText(QStringLiteral("me@example.org, not an address"));
        dialog.btnApply->click();
        QCOMPARE(prompts.said, std::vector<std::string>{"'not an address' is not an email address."});
        QVERIFY(ini.readString("Common", "Failure Report To").empty());
        dialog.EditReportTo->setText(QStringLiteral(" me@example.org, you@example.org "));
        dialog.btnApply->click();
        QCOMPARE(qs(ini.readString("Common", "Failure Report To")), QStringLiteral("me@example.org, you@example.org"));
        AppSettings settings;
        dialog.applyTo(settings);
        QCOMPARE(qs(settings.failureReportTo), QStringLiteral("me@example.org, you@example.org"));
        TFormPreferences again(ini, dir / "autostart.desktop", "/usr/bin/quorvel-backup", prompts);
        QCOMPARE(again.EditReportTo->text(), QStringLiteral("me@example.org, you@example.org"));
        again.EditReportTo->setText(QStringLiteral("  "));
        again.btnApply->click();
        QVERIFY(readFile(dir / "project.ini").find("Failure Report To") == std::string::npos);
    }
};

QTEST_MAIN(EmailWindowTest)
#include "email_window_test.moc"
