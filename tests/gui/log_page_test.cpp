#include "gui/pages/log_page.h"
#include "gui/pages/log_table_model.h"
#include "message_box_answer.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QTest>

using namespace quorvel;
using namespace quorvel::gui;
using quorvel::test::TempDir;
using quorvel::test::TestClock;

namespace {

bool isRed(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

// The red pixels of a rectangle of the image, as their bounding box (empty when there are none).
QRect redArea(const QImage& image, const QRect& area) {
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isRed(image.pixel(x, y)))
                found |= QRect(x, y, 1, 1);
    return found;
}

} // namespace

class LogPageTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dir = std::make_unique<TempDir>();
        m_log = std::make_unique<OperationLog>(*m_dir / "log.txt", m_clock, 10);
        m_log->AppendLog("Backup", "Succeeds", "3 files added to /b/Docs0001.zip  12Kb", "Docs");
        m_log->AppendLog("Restore", "Fails", "Restore files fails!", "Docs");
        m_log->AppendLog("Backup", "Interrupt", "'/b/Docs0002.zip' exists,backup has been interripted", "Docs");
        m_page = std::make_unique<LogPage>(*m_log);
    }

    void cleanup() {
        m_page.reset();
        m_log.reset();
        m_dir.reset();
    }

    void gridShowsCaptionsAndNewestFirst() {
        const LogTableModel* model = m_page->model();
        QCOMPARE(m_log->rowCount(), 11); // the log's grid: the header and the limit's rows
        QCOMPARE(model->rowCount(), 3);  // the table: the rows that hold an entry
        QCOMPARE(model->columnCount(), 5);
        const QStringList captions = {"Date", "Operation", "Status", "Project", "Information"};
        for (int column = 0; column < 5; ++column) {
            QCOMPARE(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), captions[column]);
            QCOMPARE(model->headerData(column, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 128));
        }
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("2026-05-04 21:07:09"));
        QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("Interrupt"));
        QCOMPARE(model->index(2, 2).data().toString(), QStringLiteral("Succeeds"));
        QVERIFY(!model->index(3, 0).data().isValid());
        QCOMPARE(model->index(0, 4).data(Qt::FontRole).value<QFont>().pointSize(), 9);
    }

    void failedAndInterruptedRowsAreRedInEveryColumn() {
        const LogTableModel* model = m_page->model();
        for (int column = 0; column < 5; ++column) {
            QCOMPARE(model->index(0, column).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
            QCOMPARE(model->index(1, column).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
            QVERIFY(!model->index(2, column).data(Qt::ForegroundRole).isValid());
        }

        // And they are painted so: red text in each cell of the interrupted row, 2 pixels in.
        m_page->resize(900, 400);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        const QImage image = m_page->LogGrid->viewport()->grab().toImage();
        for (int column = 0; column < 5; ++column) {
            const QRect cell = m_page->LogGrid->visualRect(model->index(0, column));
            const QRect red = redArea(image, cell.intersected(image.rect()));
            QVERIFY2(!red.isEmpty(), qPrintable(QStringLiteral("column %1").arg(column)));
            QVERIFY(red.left() >= cell.left() + 2);
            QVERIFY(red.top() >= cell.top() + 2);
            const QRect plain = m_page->LogGrid->visualRect(model->index(2, column));
            QVERIFY(redArea(image, plain.intersected(image.rect())).isEmpty());
        }
    }

    void appendsByAnyCallerShowAtOnce() {
        m_log->AppendLog("Backup", "Succeeds", "1 files added to /b/Docs0003.zip  1Kb", "Photos");
        QCOMPARE(m_page->model()->index(0, 3).data().toString(), QStringLiteral("Photos"));
        QCOMPARE(m_page->model()->index(3, 2).data().toString(), QStringLiteral("Succeeds"));

        // A changed limit resizes the log's grid; the table still shows the entries.
        m_log->setLimit(10);
        m_log->setLimit(12);
        QCOMPARE(m_log->rowCount(), 13);
        QCOMPARE(m_page->model()->rowCount(), 4);
    }

    void anEmptyLogShowsNoRowsToSelect() {
        std::filesystem::create_directories(*m_dir / "empty");
        OperationLog empty(*m_dir / "empty" / "log.txt", m_clock, 10);
        LogPage page(empty);
        QCOMPARE(page.model()->rowCount(), 0);
        page.LogGrid->selectAll();
        QVERIFY(page.LogGrid->selectionModel()->selectedIndexes().isEmpty());
        empty.AppendLog("Backup", "Succeeds", "1 files added", "Docs");
        QCOMPARE(page.model()->rowCount(), 1);
    }

    void clearAllLogFromTheMenuAsksFirst() {
        QCOMPARE(m_page->PopupMenu->actions().value(0)->text(), QStringLiteral("Clear all log"));
        auto seen = test::answerNextBox(QMessageBox::No);
        m_page->Clearalllog1->trigger();
        QCOMPARE(seen->text, QStringLiteral("Do you want to clear all 3 entries of the log?"));
        QCOMPARE(seen->icon, QMessageBox::Warning);
        QCOMPARE(m_page->model()->rowCount(), 3);
        QCOMPARE(IniFile(*m_dir / "log.txt").readInteger("Common", "Log Total", -1), 3);

        seen = test::answerNextBox(QMessageBox::Yes);
        m_page->Clearalllog1->trigger();
        QVERIFY(seen->seen);
        QCOMPARE(m_page->model()->rowCount(), 0);
        for (int row = 0; row < 3; ++row)
            QVERIFY(!m_page->model()->index(row, 2).data().isValid());
        QCOMPARE(IniFile(*m_dir / "log.txt").readInteger("Common", "Log Total", -1), 0);

        m_page->reload();
        QVERIFY(!m_page->model()->index(0, 2).data().isValid());
    }

    void aFailedClearIsShownInAnErrorBox() {
        test::writeFile(*m_dir / "file", "x");
        OperationLog broken(*m_dir / "file" / "log.txt", m_clock, 10);
        LogPage page(broken);
        const auto seen = test::answerNextBox(QMessageBox::Ok);
        page.Clearalllog1Click();
        QVERIFY(seen->seen);
        QCOMPARE(seen->title, QStringLiteral("Error"));
        QCOMPARE(seen->icon, QMessageBox::Critical);
    }

private:
    TestClock m_clock{DateTime{2026, 5, 4, 21, 7, 9}};
    std::unique_ptr<TempDir> m_dir;
    std::unique_ptr<OperationLog> m_log;
    std::unique_ptr<LogPage> m_page;
};

QTEST_MAIN(LogPageTest)
#include "log_page_test.moc"
