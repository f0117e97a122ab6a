#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/dialog_frame.h"
#include "gui/dialogs/gui_prompts.h"
#include "gui/dialogs/incomplete_zip_dialog.h"
#include "gui/dialogs/msg_form.h"
#include "gui/dialogs/rename_dialog.h"
#include "message_box_answer.h"

#include <QAbstractButton>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace quorvel;
using namespace quorvel::gui;
using quorvel::test::answerNextBox;

namespace {

int screenWidth() {
    return QGuiApplication::primaryScreen()->geometry().width();
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(QStringLiteral("Quorvel ZIP Backup")); }

    void messageWindowClosesByItself() {
        {
            const auto form =
                CreateTimedMessageForm(QStringLiteral("Backup 3 Files Succeeds!"), MessageKind::Information, 6);
            QCOMPARE(form->closeTimer()->interval(), 6000);
            QVERIFY(form->closeTimer()->isActive());
        }

        // The whole path: shown modally, nobody answers, it returns by itself.
        ShowTimedMessage("Restore files fails!", MessageKind::Error, 1);
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(qobject_cast<TMsgForm*>(window) == nullptr); // destroyed once closed
    }

    // The window says how long it stays: the seconds left, counted down from the close timer.
    void messageWindowCountsDownTheSecondsLeft() {
        const auto form =
            CreateTimedMessageForm(QStringLiteral("Backup 3 Files Succeeds!"), MessageKind::Information, 6);
        QVERIFY(form->Countdown->isVisibleTo(form.get()));
        QCOMPARE(form->Countdown->text(), QStringLiteral("This window closes by itself in 6 seconds."));
        // Below the message, above the button, inside the window.
        QVERIFY(form->Countdown->y() > form->Message->geometry().bottom());
        QVERIFY(form->OK->y() > form->Countdown->geometry().bottom());
        QVERIFY(form->Countdown->geometry().right() < form->width());
        QVERIFY(form->OK->geometry().bottom() < form->height());
        QVERIFY(qAbs(form->OK->geometry().center().x() - form->width() / 2) <= 1);
        form->closeTimer()->start(1500);
        form->updateCountdown();
        QCOMPARE(form->Countdown->text(), QStringLiteral("This window closes by itself in 2 seconds."));
        form->closeTimer()->start(900);
        form->updateCountdown();
        QCOMPARE(form->Countdown->text(), QStringLiteral("This window closes by itself in 1 second."));

        // Without a running timer there is nothing to count.
        TMsgForm still(QStringLiteral("text"), MessageKind::Information);
        still.showCountdown();
        QVERIFY(!still.Countdown->isVisibleTo(&still));
    }

    void messageWindowClosesOnEnterAndEsc() {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            const auto form =
                CreateTimedMessageForm(QStringLiteral("The email has been sent!"), MessageKind::Information, 60);
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            QTest::keyClick(form.get(), key);
            QVERIFY2(!form->isVisible(), qPrintable(QString::number(key)));
        }
    }

    void messageWindowCaptionsIconsAndLayout() {
        const struct {
            MessageKind kind;
            const char* caption;
        } kinds[] = {{MessageKind::Warning, "Warning"},
                     {MessageKind::Error, "Error"},
                     {MessageKind::Information, "Information"},
                     {MessageKind::Confirmation, "Confirm"}};
        for (const auto& k : kinds) {
            TMsgForm form(QStringLiteral("text"), k.kind);
            QCOMPARE(form.windowTitle(), QString::fromLatin1(k.caption));
            QVERIFY(form.Image != nullptr);
            QCOMPARE(form.Image->size(), QSize(32, 32));
            QVERIFY(!form.Image->pixmap().isNull());
            // The text stands right of the icon, the button is centred below both.
            QVERIFY(form.Message->x() >= form.Image->geometry().right() + 1);
            QVERIFY(form.OK->y() > std::max(form.Image->geometry().bottom(), form.Message->geometry().bottom()));
            QVERIFY(qAbs(form.OK->geometry().center().x() - form.width() / 2) <= 1);
            QVERIFY(form.OK->isDefault());
        }

        TMsgForm custom(QStringLiteral("text"), MessageKind::Custom);
        QCOMPARE(custom.windowTitle(), QStringLiteral("Quorvel ZIP Backup"));
        QVERIFY(custom.Image == nullptr);
        QVERIFY(custom.findChild<QLabel*>(QStringLiteral("Image")) == nullptr);
        QVERIFY(custom.Message->x() < 32); // no room kept for an icon
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(qAbs(custom.geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(custom.geometry().center().y() - screen.center().y()) <= 1);
    }

    void longTextWrapsAtHalfTheScreenAndLineBreaksStay() {
        QString words;
        for (int i = 0; i < 80; ++i)
            words += QStringLiteral("backup ");
        TMsgForm wide(words, MessageKind::Information);
        const int line = wide.fontMetrics().height();
        QVERIFY(wide.Message->width() <= screenWidth() / 2);
        QVERIFY(wide.Message->width() > screenWidth() / 4);
        QVERIFY(wide.Message->height() >= 2 * line);

        // The lines of a summary are joined by carriage returns; each stays a line of its own.
        const QString summary = messageText("Backup 2 Files Succeeds!\rProject Name: 'Docs'\r"
                                            "File Name:    'Docs0001.zip'");
        QCOMPARE(summary.count(QLatin1Char('\n')), 2);
        TMsgForm lines(summary, MessageKind::Information);
        QVERIFY(lines.Message->height() >= 3 * line);
        QVERIFY(lines.Message->height() < 4 * line);
    }

    void renameDialogKeepsABlankName() {
        TFormRename dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Rename project"));
        QCOMPARE(dialog.Label1->text(), QStringLiteral("Please enter new project name"));
        QVERIFY(dialog.ButtonOk->isDefault());
        dialog.EditProjName->setText(QStringLiteral("  \t "));
        dialog.show();
        const auto seen = answerNextBox(QMessageBox::Ok);
        dialog.ButtonOk->click();
        QVERIFY(seen->seen);
        QCOMPARE(seen->text, QStringLiteral("Please enter project name"));
        QCOMPARE(seen->title, QStringLiteral("Warning"));
        QCOMPARE(seen->icon, QMessageBox::Warning);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.EditProjName->text(), QStringLiteral("  \t "));

        dialog.EditProjName->setText(QStringLiteral(" Photos "));
        dialog.ButtonOk->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        TFormRename cancelled;
        cancelled.show();
        cancelled.ButtonCancel->click();
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    }

    void incompleteZipDialogAnswers() {
        TIncompleteZipDlg dialog;
        int beeps = 0;
        dialog.beep = [&beeps] { ++beeps; };
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(beeps, 1);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(TIncompleteZipDlg::answerFor(dialog.result()), IncompleteZipAnswer::AssumeNotAZip);

        TIncompleteZipDlg recover;
        recover.show();
        recover.Button1->click();
        QCOMPARE(TIncompleteZipDlg::answerFor(recover.result()), IncompleteZipAnswer::AssumeBad);
        TIncompleteZipDlg multi;
        multi.show();
        QVERIFY(multi.OKBtn->isDefault());
        QCOMPARE(multi.OKBtn->text(), QStringLiteral("MultiZip"));
        multi.OKBtn->click();
        QCOMPARE(TIncompleteZipDlg::answerFor(multi.result()), IncompleteZipAnswer::AssumeMulti);
    }

    void aboutBoxLinks() {
        Taboutform about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About  Quorvel ZIP Backup"));
        QCOMPARE(about.ShadowLabel1->text(), QStringLiteral("Quorvel ZIP Backup V1.15"));
        QList<QUrl> opened;
        about.openUrl = [&opened](const QUrl& url) {
            opened << url;
            return true;
        };
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));

        TLinkLabel* link = about.Label4;
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(link, &enter);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QVERIFY(!link->font().underline());
        QVERIFY(!link->testAttribute(Qt::WA_SetCursor));

        QTest::mouseClick(about.Label4, Qt::LeftButton);
        QTest::mouseClick(about.Label6, Qt::LeftButton);
        QCOMPARE(opened, (QList<QUrl>{QUrl(QStringLiteral("mailto:support@quorvel.example.org")),
                                      QUrl(QStringLiteral("https://quorvel.example.org/"))}));
    }

    void promptsUseTheStandardBoxes() {
        GuiPrompts prompts;
        auto seen = answerNextBox(QMessageBox::Yes);
        QVERIFY(prompts.askYesNo("Do you want to backup the project 'Docs'?", MessageKind::Information));
        QCOMPARE(seen->title, QStringLiteral("Information"));
        QCOMPARE(seen->icon, QMessageBox::Information);

        seen = answerNextBox(QMessageBox::Cancel);
        QVERIFY(!prompts.askOkCancel("Please insert disk number 2 of the spanned Zip file", MessageKind::Confirmation));
        QCOMPARE(seen->icon, QMessageBox::Question);
        QCOMPARE(seen->title, QStringLiteral("Confirm"));

        // The overwrite question: Yes, "Yes to all", No and "No to all"; Esc is No for this file.
        for (const auto& [button, answer] :
             {std::pair{QMessageBox::YesToAll, ToAllAnswer::YesToAll},
              std::pair{QMessageBox::NoToAll, ToAllAnswer::NoToAll}, std::pair{QMessageBox::Yes, ToAllAnswer::Yes},
              std::pair{QMessageBox::No, ToAllAnswer::No}}) {
            seen = answerNextBox(button);
            QCOMPARE(prompts.askYesNoToAll("Replace existing file a.txt?", MessageKind::Confirmation), answer);
        }
        QStringList captions;
        QTimer::singleShot(0, [&captions] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            for (QAbstractButton* button : box->buttons())
                captions << button->text();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(prompts.askYesNoToAll("Replace existing file a.txt?", MessageKind::Confirmation), ToAllAnswer::No);
        QVERIFY(captions.contains(QStringLiteral("Yes to &all")) && captions.contains(QStringLiteral("No &to all")));

        seen = answerNextBox(QMessageBox::Ok);
        prompts.showMessage("line one\rline two", MessageKind::Custom);
        QCOMPARE(seen->text, QStringLiteral("line one\nline two"));
        QCOMPARE(seen->icon, QMessageBox::NoIcon);
        QCOMPARE(seen->title, QStringLiteral("Quorvel ZIP Backup"));
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
