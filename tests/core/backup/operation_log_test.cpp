#include "core/backup/operation_log.h"

#include "core/util/errors.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

class OperationLogTest : public ::testing::Test {
protected:
    fs::path file() const { return m_dir / "log.txt"; }

    // Appends entries numbered by their information text "entry <n>", one second apart.
    void appendNumbered(OperationLog& log, int from, int to) {
        for (int n = from; n <= to; ++n) {
            m_clock.advance(1);
            log.AppendLog("Backup", "Succeeds", "entry " + std::to_string(n), "Docs");
        }
    }

    // Writes a log.txt holding `total` entries "entry 1" .. "entry <total>".
    void writeLog(int total) {
        std::string text = "[Common]\nLog Total=" + std::to_string(total) + "\n";
        for (int n = 1; n <= total; ++n)
            text += "[Log" + std::to_string(n) +
                    "]\nDate=2026-01-01 10:00:00\nOperate=Backup\nStatus=Succeeds\n"
                    "Project=Docs\nInformation=entry " +
                    std::to_string(n) + "\n";
        writeFile(file(), text);
    }

    TempDir m_dir;
    TestClock m_clock{DateTime{2026, 3, 14, 9, 26, 53}};
};

std::string info(const OperationLog& log, int row) {
    return log.row(row)[LogColumnInformation];
}

} // namespace

TEST_F(OperationLogTest, MissingFileIsAnEmptyLogAndTheFirstAppendCreatesIt) {
    OperationLog log(file(), m_clock);
    log.LoadLog();
    EXPECT_EQ(log.count(), 0);
    EXPECT_EQ(log.rowCount(), 51);
    EXPECT_EQ(log.row(0), (LogRow{"Date", "Operation", "Status", "Project", "Information"}));
    EXPECT_EQ(log.row(1), LogRow{});

    log.AppendLog("Backup", "Interrupt", "'/b/x.zip' exists", "Docs");
    EXPECT_EQ(readFile(file()), "[Common]\nLog Total=1\n\n[Log1]\nDate=2026-03-14 09:26:53\nOperate=Backup\n"
                                "Status=Interrupt\nProject=Docs\nInformation='/b/x.zip' exists\n");
    EXPECT_EQ(log.row(1), (LogRow{"2026-03-14 09:26:53", "Backup", "Interrupt", "Docs", "'/b/x.zip' exists"}));
}

TEST_F(OperationLogTest, ReachingTheLimitKeepsTheFiveNewestEntries) {
    writeLog(48);
    OperationLog log(file(), m_clock);
    log.LoadLog();
    appendNumbered(log, 49, 49);
    EXPECT_EQ(log.count(), 49);
    EXPECT_EQ(IniFile(file()).readInteger("Common", "Log Total", -1), 49);

    appendNumbered(log, 50, 50);
    EXPECT_EQ(log.count(), 5);
    const IniDocument doc = IniFile(file()).read();
    EXPECT_EQ(doc.readInteger("Common", "Log Total", -1), 5);
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(doc.readString("Log" + std::to_string(n), "Information"), "entry " + std::to_string(45 + n));
    for (int row = 1; row <= 5; ++row)
        EXPECT_EQ(info(log, row), "entry " + std::to_string(51 - row));
    EXPECT_EQ(log.row(6), LogRow{});
    EXPECT_EQ(log.row(50), LogRow{});

    // The next append continues after the kept five.
    appendNumbered(log, 51, 51);
    EXPECT_EQ(IniFile(file()).readString("Log6", "Information"), "entry 51");
}

// "Log Count" was lowered and the program restarted: what is shown and kept are the newest entries.
TEST_F(OperationLogTest, StoredTotalAboveTheLimitShowsTheNewestAndCompactsOnTheNextAppend) {
    writeLog(80);
    OperationLog log(file(), m_clock);
    log.LoadLog();
    EXPECT_EQ(log.count(), 49);
    EXPECT_EQ(info(log, 1), "entry 80");
    EXPECT_EQ(info(log, 49), "entry 32");
    EXPECT_EQ(log.row(50), LogRow{});

    appendNumbered(log, 900, 900);
    EXPECT_EQ(log.count(), 5);
    const IniDocument doc = IniFile(file()).read();
    EXPECT_EQ(doc.readInteger("Common", "Log Total", 0), 5);
    EXPECT_EQ(doc.readString("Log5", "Information"), "entry 900");
    EXPECT_EQ(doc.readString("Log4", "Information"), "entry 80");
    EXPECT_EQ(doc.readString("Log1", "Information"), "entry 77");
}

TEST_F(OperationLogTest, ClearingKeepsTheSectionsButStartsNumberingAgain) {
    OperationLog log(file(), m_clock);
    appendNumbered(log, 1, 3);
    log.Clear();
    EXPECT_EQ(log.count(), 0);
    EXPECT_EQ(log.row(1), LogRow{});
    EXPECT_EQ(IniFile(file()).readInteger("Common", "Log Total", -1), 0);
    EXPECT_EQ(IniFile(file()).readString("Log3", "Information"), "entry 3");

    appendNumbered(log, 4, 4);
    EXPECT_EQ(IniFile(file()).readInteger("Common", "Log Total", -1), 1);
    EXPECT_EQ(IniFile(file()).readString("Log1", "Information"), "entry 4");

    OperationLog restarted(file(), m_clock);
    restarted.LoadLog();
    EXPECT_EQ(restarted.count(), 1);
    EXPECT_EQ(info(restarted, 1), "entry 4");
    EXPECT_EQ(restarted.row(2), LogRow{});
}

TEST_F(OperationLogTest, MissingKeysAreEmptyCellsAndANegativeTotalIsEmpty) {
    writeFile(file(), "[Common]\nLog Total=2\n[Log1]\nStatus=Fails\n[log2]\nDATE=2026-01-02 03:04:05\n");
    OperationLog log(file(), m_clock);
    log.LoadLog();
    EXPECT_EQ(log.row(1), (LogRow{"2026-01-02 03:04:05", "", "", "", ""}));
    EXPECT_EQ(log.row(2), (LogRow{"", "", "Fails", "", ""}));

    writeFile(file(), "[Common]\nLog Total=-4\n");
    log.LoadLog();
    EXPECT_EQ(log.count(), 0);
    EXPECT_EQ(log.row(1), LogRow{});
    log.AppendLog("Restore", "Succeeds", "ok", "Docs");
    EXPECT_EQ(IniFile(file()).readString("Log1", "Information"), "ok");
}

TEST_F(OperationLogTest, LimitIsClampedAndALoweredLimitCompactsAtTheNextAppend) {
    OperationLog log(file(), m_clock, 5);
    EXPECT_EQ(log.limit(), 10);
    log.setLimit(1000);
    EXPECT_EQ(log.limit(), 200);
    EXPECT_EQ(log.rowCount(), 201);

    log.setLimit(50);
    appendNumbered(log, 1, 30);
    log.setLimit(10);
    EXPECT_EQ(log.rowCount(), 11);
    EXPECT_EQ(info(log, 1), "entry 30");
    EXPECT_EQ(info(log, 10), "entry 21");
    EXPECT_EQ(log.count(), 30);

    appendNumbered(log, 31, 31);
    EXPECT_EQ(log.count(), 5);
    EXPECT_EQ(IniFile(file()).readString("Log1", "Information"), "entry 27");
    EXPECT_EQ(IniFile(file()).readString("Log5", "Information"), "entry 31");
}

TEST_F(OperationLogTest, FailedWriteChangesNeitherGridNorCount) {
    writeFile(m_dir / "not-a-folder", "x");
    OperationLog log(m_dir / "not-a-folder" / "log.txt", m_clock);
    int changes = 0;
    log.onChanged = [&] { ++changes; };
    EXPECT_THROW(log.AppendLog("Backup", "Succeeds", "x", "Docs"), IoError);
    EXPECT_THROW(log.Clear(), IoError);
    EXPECT_EQ(log.count(), 0);
    EXPECT_EQ(log.row(1), LogRow{});
    EXPECT_EQ(changes, 0);
}

// The command line appends to the same file while the desktop program holds its log loaded: the
// program's next entry must follow that one, not overwrite it.
TEST_F(OperationLogTest, AnEntryAppendedByAnotherProgramIsKept) {
    OperationLog earlier(file(), m_clock);
    appendNumbered(earlier, 1, 2);
    OperationLog desktop(file(), m_clock);
    desktop.LoadLog();
    OperationLog commandLine(file(), m_clock);
    commandLine.LoadLog();
    commandLine.AppendLog("Backup", "Fails", "unattended run failed", "Docs");

    appendNumbered(desktop, 3, 3);
    EXPECT_EQ(desktop.count(), 4);
    EXPECT_EQ(info(desktop, 1), "entry 3");
    EXPECT_EQ(info(desktop, 2), "unattended run failed");
    EXPECT_EQ(info(desktop, 3), "entry 2");
    OperationLog restarted(file(), m_clock);
    restarted.LoadLog();
    EXPECT_EQ(restarted.count(), 4);
    EXPECT_EQ(info(restarted, 2), "unattended run failed");
}

// The command line cleared the log and wrote as many entries as the program last saw: the count
// is the same, the entries are not. The program's next append must keep them all the same.
TEST_F(OperationLogTest, AChangedLogWithTheSameTotalIsReadAgainBeforeAnAppend) {
    OperationLog desktop(file(), m_clock, 10);
    appendNumbered(desktop, 1, 9);
    OperationLog commandLine(file(), m_clock, 10);
    commandLine.LoadLog();
    commandLine.Clear();
    for (int n = 1; n <= 9; ++n)
        commandLine.AppendLog("Backup", "Succeeds", "unattended " + std::to_string(n), "Docs");

    appendNumbered(desktop, 10, 10); // reaches the limit: compacts to the five newest
    EXPECT_EQ(info(desktop, 1), "entry 10");
    EXPECT_EQ(info(desktop, 2), "unattended 9");
    const IniDocument doc = IniFile(file()).read();
    EXPECT_EQ(doc.readString("Log5", "Information"), "entry 10");
    EXPECT_EQ(doc.readString("Log4", "Information"), "unattended 9");
    EXPECT_EQ(doc.readString("Log1", "Information"), "unattended 6");
}
