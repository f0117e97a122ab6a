#include "core/platform/data_folder.h"
#include "gui/app/form_main.h"
#include "gui/widgets/help_book.h"
#include "scripted_prompts.h"
#include "support/test_support.h"

#include <QAction>
#include <QDesktopServices>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

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

class HelpBookTest : public QObject {
    Q_OBJECT
    const fs::path book = executableFolder() / "help" / "index.html";
    UrlRecorder recorder;

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open"); }
    void cleanup() {
        fs::remove_all(book.parent_path());
        recorder.opened.clear();
    }

    void aMissingBookIsReportedNotOpened() {
        ScriptedPrompts prompts;
        openHelp(HelpPreferences, prompts);
        QVERIFY(recorder.opened.isEmpty());
        QCOMPARE(prompts.said.size(), size_t(1));
        QVERIFY(prompts.said[0].find("help/index.html") != std::string::npos);
    }

    void helpOpensTheSectionOfThePageInFront() {
        writeFile(book, "<html></html>");
        TempDir data;
        ScriptedPrompts prompts;
        FixedClock clock{DateTime{2026, 12, 7, 10, 0, 0}};
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
};

QTEST_MAIN(HelpBookTest)
#include "help_book_test.moc"
