#include "core/platform/data_folder.h"
#include "gui/app/form_main.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/preferences_dialog.h"
#include "gui/widgets/help_book.h"
#include "next_modal.h"
#include "scripted_prompts.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <QAction>
#include <QDesktopServices>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

// Records the addresses the program asks the desktop to open, instead of starting a browser.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// Presses F1 in the next modal dialog of the type, once that dialog's own window has the focus
// (a dialog counts as active while its parent is), then closes it.
template <typename Dialog> void pressF1InNextDialog() {
    onNextModal<Dialog>([](Dialog& dialog) {
        dialog.windowHandle()->requestActivate();
        QVERIFY(QTest::qWaitFor([&dialog] { return QGuiApplication::focusWindow() == dialog.windowHandle(); }));
        QTest::keyClick(&dialog, Qt::Key_F1);
        dialog.reject();
    });
}

class HelpBookTest : public QObject {
    Q_OBJECT
    const fs::path book = executableFolder() / "help" / "index.html";
    UrlRecorder recorder;

    QStringList fragments() const {
        QStringList all;
        for (const QUrl& url : recorder.opened)
            all << url.fragment();
        return all;
    }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open"); }
    void cleanup() {
        fs::remove_all(book.parent_path());
        recorder.opened.clear();
    }

    void aMissingBookIsReportedNotOpened() {
        WindowPrompts prompts;
        openHelp(HelpPreferences, prompts);
        QVERIFY(recorder.opened.isEmpty());
        QCOMPARE(prompts.said.size(), size_t(1));
        QVERIFY(prompts.said[0].find("help/index.html") != std::string::npos);
    }

    void helpOpensTheSectionOfThePageInFront() {
        writeFile(book, "<html></html>");
        TempDir data;
        WindowPrompts prompts;
        TestClock clock{DateTime{2026, 12, 7, 10, 0, 0}};
        TFormMain form(DataFiles{data.path()}, prompts, clock);
        form.menuHelp->trigger();
        form.PageControl1->setCurrentWidget(form.TabRestore);
        form.menuHelp->trigger();
        openHelp(0, prompts);
        QCOMPARE(recorder.opened.size(), 3);
        QCOMPARE(recorder.opened[0].fragment(), QStringLiteral("topic-41"));
        QCOMPARE(recorder.opened[1].fragment(), QStringLiteral("topic-6"));
        QCOMPARE(recorder.opened[2].fragment(), QString());
        QCOMPARE(recorder.opened[2].toLocalFile().toStdString(), book.string());
        QVERIFY(prompts.said.empty());
    }

    // F1 and the tool bar's Help open the section of the page in front, the Log page's too.
    void theKeyAndTheToolBarOpenThePageInFront() {
        writeFile(book, "<html></html>");
        TempDir data;
        WindowPrompts prompts;
        TestClock clock{DateTime{2026, 12, 7, 10, 0, 0}};
        TFormMain form(DataFiles{data.path()}, prompts, clock);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.PageControl1->setCurrentWidget(form.TabLog);
        QTest::keyClick(&form, Qt::Key_F1);
        form.SpeedButton15->click();
        form.PageControl1->setCurrentWidget(form.TabRestore);
        form.SpeedButton15->click();
        QCOMPARE(fragments(), (QStringList{"topic-7", "topic-7", "topic-6"}));
    }

    // Inside a dialog F1 opens the dialog's section, not the one of the window behind it.
    void f1InADialogOpensTheDialogsSection() {
        writeFile(book, "<html></html>");
        TempDir data;
        writeFile(data / "project.ini", "[Common]\nProject Count=1\nCount0=Docs\n");
        WindowPrompts prompts;
        TestClock clock{DateTime{2026, 12, 7, 10, 0, 0}};
        TFormMain form(DataFiles{data.path()}, prompts, clock);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        pressF1InNextDialog<TFormPreferences>();
        form.menuPreferencesClick();
        QCOMPARE(fragments(), QStringList{"topic-601"});

        // The about box has no Help button: F1 is how its section is reached.
        recorder.opened.clear();
        pressF1InNextDialog<Taboutform>();
        form.menuAboutClick();
        QCOMPARE(fragments(), QStringList{"topic-30"});
        QVERIFY(prompts.said.empty());
    }
};

QTEST_MAIN(HelpBookTest)
#include "help_book_test.moc"
