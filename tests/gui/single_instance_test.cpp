#include "gui/app/single_instance.h"
#include "support/test_support.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void aSecondClaimAsksTheFirstToRaise() {
        TempDir dir;
        QString name = SingleInstance::serverNameFor(dir.path());
        QVERIFY(name != SingleInstance::serverNameFor(dir / "other"));
        SingleInstance first(name);
        QVERIFY(first.claim());
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        // The answer needs this thread's event loop, so the client gives up waiting quickly.
        QVERIFY(SingleInstance::notifyRunning(name, 200));
        QVERIFY(raised.wait(3000));
    }

    void aStaleSocketDoesNotBlockTheNextStart() {
        TempDir dir;
        QString name = SingleInstance::serverNameFor(dir.path());
        {
            QLocalServer stale;
            QVERIFY(stale.listen(name));
            stale.close();
        }
        SingleInstance next(name);
        QVERIFY(next.claim());
    }

    void aSecondProgramEndsWithoutTouchingTheDataFolder() {
        TempDir dir;
        fs::path program = binaryDir() / "src" / "gui" / "quorvel-backup";
        QVERIFY(fs::exists(program));
        writeFile(dir / "cfg" / "quorvel-backup" / "project.ini", "[Common]\nProject Count=0\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "cfg").string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QString::fromStdString(program.string()), {});
        QVERIFY(first.waitForStarted());
        QString name = SingleInstance::serverNameFor(dir / "cfg" / "quorvel-backup");
        bool running = false;
        for (int i = 0; i < 100 && !running; ++i) {
            QTest::qWait(100);
            running = SingleInstance::notifyRunning(name, 500);
        }
        QVERIFY(running);
        setModificationTime(dir / "cfg" / "quorvel-backup" / "project.ini", 1000000000);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(QString::fromStdString(program.string()), {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(
            fs::last_write_time(dir / "cfg" / "quorvel-backup" / "project.ini"),
            fs::file_time_type(std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(1000000000))));
        first.terminate();
        first.waitForFinished(10000);
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
