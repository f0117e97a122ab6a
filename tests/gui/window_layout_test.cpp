// The main window on screens of real sizes: it keeps its place, size and list widths between runs
// (and writes nothing when they did not change), and it fits small laptop screens.
#include "core/ini/ini_file.h"
#include "gui/app/form_main.h"
#include "gui/pages/backup_page.h"
#include "gui/pages/log_page.h"
#include "gui/pages/restore_page.h"
#include "restore_window.h"

#include <QApplication>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

// Drags the divider between the archive list and the entries by `dx` pixels, as a hand would.
void dragDivider(QSplitter* splitter, int dx) {
    QWidget* handle = splitter->handle(1);
    const QPoint from = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(handle, from + QPoint(dx / 2, 0));
    QTest::mouseMove(handle, from + QPoint(dx, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, from + QPoint(dx, 0));
}

} // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void keepsItsPlaceSizeAndDividerAndWritesNothingUnchanged() {
        Window w;
        const fs::path file = w.dir / "window.ini";
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        w.showRestorePage();
        w.form->close();
        QVERIFY(!fs::exists(file)); // shown, looked at, closed: nothing to keep

        w.open();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        w.form->setGeometry(40, 50, 1030, 710);
        w.showRestorePage();
        QSplitter* splitter = w.page().SplitterGrids;
        const int chosen = splitter->sizes().at(0);
        dragDivider(splitter, 60);
        const int dragged = splitter->sizes().at(0);
        QVERIFY2(dragged > chosen, qPrintable(QStringLiteral("%1 %2").arg(chosen).arg(dragged)));
        w.form->close();
        IniDocument doc = IniFile(file).read();
        QCOMPARE(doc.readInteger("Main Window", "Left", -1), 40);
        QCOMPARE(doc.readInteger("Main Window", "Width", -1), 1030);
        QCOMPARE(doc.readInteger("Main Window", "Archive List Width", -1), dragged);
        QVERIFY(readFile(w.dir / "project.ini").find("Main Window") == std::string::npos);

        w.open();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        QCOMPARE(w.form->geometry(), QRect(40, 50, 1030, 710));
        w.showRestorePage();
        QCOMPARE(w.page().SplitterGrids->sizes().at(0), dragged);
        const std::string before = readFile(file);
        setModificationTime(file, 1000000000);
        const auto stamp = fs::last_write_time(file);
        w.form->close();
        QVERIFY(fs::last_write_time(file) == stamp); // nothing changed: not written again
        QCOMPARE(readFile(file), before);

        // Maximised, it comes back maximised, and its normal place is kept.
        w.open();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        w.form->showMaximized();
        QTRY_VERIFY(w.form->isMaximized());
        w.form->close();
        w.open();
        QVERIFY(w.form->isMaximized());
        QCOMPARE(w.form->normalGeometry(), QRect(40, 50, 1030, 710));
    }

    // A window kept on a screen that has gone since comes back onto the screen there is.
    void aPlaceOffTheScreensIsBroughtBack() {
        Window w;
        writeFile(w.dir / "window.ini", "[Main Window]\nLeft=5000\nTop=-300\nWidth=3000\nHeight=900\nMaximized=0\n");
        w.open();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(w.form->geometry()));
        QCOMPARE(w.form->height(), 900);
    }

    // Every page fits a 1024 × 700 screen with room for a title bar, and a 1366 × 768 laptop
    // screen with a panel besides.
    void fitsSmallScreens() {
        Window w;
        for (QWidget* page : {static_cast<QWidget*>(w.form->TabBackup), w.form->TabRestore, w.form->TabLog}) {
            w.form->PageControl1->setCurrentWidget(page);
            const QSize least = w.form->minimumSizeHint().expandedTo(w.form->minimumSize());
            QVERIFY2(least.width() <= 1024 && least.height() <= 640,
                     qPrintable(
                         QStringLiteral("%1: %2 x %3").arg(page->objectName()).arg(least.width()).arg(least.height())));
        }
    }
};

// The offscreen platform's screen is 800 × 600 unless told otherwise: smaller than the sizes a
// desktop's window takes. These tests run on one of 1600 × 1000.
int main(int argc, char** argv) {
    TempDir config;
    writeFile(config / "screens.json", R"({"synchronousWindowSystemEvents": true, "windowFrameMargins": false,
        "screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1600, "height": 1000,
                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + (config / "screens.json").string().c_str());
    QApplication app(argc, argv);
    WindowLayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_layout_test.moc"
