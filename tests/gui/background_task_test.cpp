#include "core/zip/zip_errors.h"
#include "gui/app/background_task.h"
#include "gui/app/worker_progress.h"
#include "scripted_prompts.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <future>
#include <memory>
#include <string>
#include <vector>

using namespace quorvel;
using namespace quorvel::gui;
using namespace quorvel::test;

namespace {

constexpr int RunLimitMs = 120000;

// What the window's progress was told, on which thread.
class RecordingProgress final : public RunProgress {
public:
    std::vector<std::string> calls;
    bool offWindowThread = false;

    void showProgressStrip(bool visible) override { note(visible ? "shown" : "hidden"); }
    void setProgressFileName(const std::string& name) override { note("file " + name); }
    void setTotalPercent(int percent) override {
        note("total");
        totals.push_back(percent);
    }
    void setFilePercent(int) override { note("file percent"); }

    std::vector<int> totals;

private:
    void note(const std::string& call) {
        offWindowThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        calls.push_back(call);
    }
};

bool waitForEnd(BackgroundTask& task) {
    if (!task.isRunning())
        return true;
    QSignalSpy finished(&task, &BackgroundTask::finished);
    return finished.wait(RunLimitMs);
}

} // namespace

class BackgroundTaskTest : public QObject {
    Q_OBJECT
private slots:
    // The work waits for a timer of the window's thread: it can only end because the window's
    // event loop keeps running meanwhile. A second start waits for the first to end.
    void workRunsOffTheWindowThreadWhileItsEventLoopRuns() {
        WindowPrompts prompts;
        BackgroundTask task(prompts);
        QSignalSpy running(&task, &BackgroundTask::runningChanged);
        std::promise<void> timerFired;
        QThread* workThread = nullptr;
        bool doneOnWindowThread = false, completedSeen = false;
        QVERIFY(task.start(
            QStringLiteral("The test"),
            [&, fired = timerFired.get_future().share()] {
                workThread = QThread::currentThread();
                fired.wait();
            },
            [&](bool completed) {
                doneOnWindowThread = QThread::currentThread() == thread();
                completedSeen = completed;
            }));
        QVERIFY(task.isRunning());
        QCOMPARE(task.what(), QStringLiteral("The test"));
        QVERIFY(!task.start(QStringLiteral("Another"), [] {}));
        QTimer::singleShot(0, this, [&] { timerFired.set_value(); });
        QVERIFY(waitForEnd(task));
        QVERIFY(workThread != nullptr && workThread != thread());
        QVERIFY(doneOnWindowThread && completedSeen);
        QCOMPARE(running.size(), 2);
        QCOMPARE(running.at(0).at(0).toBool(), true);
        QCOMPARE(running.at(1).at(0).toBool(), false);
        QVERIFY(!task.isRunning());
        QVERIFY(prompts.said.empty());
    }

    void theWorksQuestionsAreAnsweredOnTheWindowThreadInOrder() {
        WindowPrompts prompts;
        prompts.answers = {true, false, false};
        BackgroundTask task(prompts);
        std::vector<bool> answers;
        int asked = 0;
        QVERIFY(task.start(QStringLiteral("Questions"), [&] {
            UserPrompts& window = task.prompts();
            answers.push_back(window.askYesNo("first", MessageKind::Information));
            window.showMessage("second", MessageKind::Error);
            answers.push_back(window.askOkCancel("third", MessageKind::Confirmation));
            window.showTimedMessage("fourth", MessageKind::Information, 6);
            answers.push_back(window.askYesNo("fifth", MessageKind::Warning));
            asked = task.askOnWindow<int>([&] { return QThread::currentThread() == thread() ? 7 : -1; }, 0);
        }));
        QVERIFY(waitForEnd(task));
        QCOMPARE(prompts.said, (std::vector<std::string>{"first", "second", "third", "fourth", "fifth"}));
        QCOMPARE(answers, (std::vector<bool>{true, false, false}));
        QCOMPARE(asked, 7);
        QVERIFY(!prompts.calledOffWindowThread);
    }

    void anExceptionFromTheWorkIsShownOnTheWindowThread() {
        WindowPrompts prompts;
        BackgroundTask task(prompts);
        bool completed = true;
        QVERIFY(task.start(
            QStringLiteral("Failing"), [] { throw IoError("Cannot write '/x/y.zip'"); },
            [&](bool ok) { completed = ok; }));
        QVERIFY(waitForEnd(task));
        QCOMPARE(prompts.said, std::vector<std::string>{"Cannot write '/x/y.zip'"});
        QVERIFY(!completed);
        QVERIFY(!prompts.calledOffWindowThread);

        QVERIFY(task.start(QStringLiteral("Odd"), [] { throw 42; }));
        QVERIFY(waitForEnd(task));
        QCOMPARE(prompts.said.back(), std::string("An unexpected error occurred."));

        // An error of what runs afterwards on the window's thread stays there too.
        QVERIFY(task.start(
            QStringLiteral("Done fails"), [] {}, [](bool) { throw Error(ErrorKind::Io, "Cannot list"); }));
        QVERIFY(waitForEnd(task));
        QCOMPARE(prompts.said.back(), std::string("Cannot list"));
    }

    // Cancelling is seen by the work at its next check; from then on nobody is asked anything and
    // the cancellation itself is not reported as an error.
    void cancelStopsTheWorkAtItsNextCheckAndSilencesIt() {
        WindowPrompts prompts;
        BackgroundTask task(prompts);
        bool afterCancel = true, stopped = false, completed = true;
        QVERIFY(task.start(
            QStringLiteral("Long"),
            [&] {
                task.askOnWindow<bool>(
                    [&] {
                        task.cancel();
                        return true;
                    },
                    false);
                afterCancel = task.prompts().askYesNo("Replace existing file a.txt?", MessageKind::Confirmation);
                task.prompts().showMessage("not shown", MessageKind::Error);
                try {
                    task.checkCancel();
                } catch (const EUserCanceled&) {
                    stopped = true;
                    throw;
                }
            },
            [&](bool ok) { completed = ok; }));
        QVERIFY(waitForEnd(task));
        QVERIFY(stopped);
        QVERIFY(!afterCancel);
        QVERIFY(!completed);
        QVERIFY(prompts.said.empty());
        QVERIFY(!task.cancelRequested()); // the next run starts afresh
    }

    // A window that goes away while its work waits for an answer: the work gets the safe answer
    // and ends before the window's objects do.
    void destroyingTheTaskEndsWorkWaitingForTheWindow() {
        WindowPrompts prompts;
        bool answer = true, ended = false;
        {
            BackgroundTask task(prompts);
            QVERIFY(task.start(QStringLiteral("Waiting"), [&] {
                answer = task.prompts().askYesNo("Never answered", MessageKind::Confirmation);
                ended = true;
            }));
        }
        QVERIFY(ended);
        QVERIFY(!answer);
        QVERIFY(prompts.said.empty());
    }

    // Progress reaches the window's thread in the order it was reported, with at most one update
    // waiting there: the latest state, not every step.
    void progressArrivesInOrderAndCoalesced() {
        WindowPrompts prompts;
        BackgroundTask task(prompts);
        RecordingProgress window;
        WorkerProgress progress(task, window);
        int totalWhenAsked = 0;
        QVERIFY(task.start(QStringLiteral("Progress"), [&] {
            progress.enableRunControls(false);
            progress.showProgressStrip(true);
            for (int percent = 1; percent <= 100; ++percent) {
                progress.setProgressFileName("file" + std::to_string(percent));
                progress.setTotalPercent(percent);
                progress.setFilePercent(percent);
                progress.processMessages();
            }
            // A question waits for everything reported before it.
            totalWhenAsked = task.askOnWindow<int>([&] { return window.totals.back(); }, -1);
            progress.showProgressStrip(false);
            progress.enableRunControls(true);
        }));
        QVERIFY(waitForEnd(task));
        QCOMPARE(totalWhenAsked, 100);
        QVERIFY(!window.offWindowThread);
        QCOMPARE(window.calls.front(), std::string("shown"));
        QCOMPARE(window.calls.back(), std::string("hidden"));
        QVERIFY(!window.totals.empty());
        QVERIFY(std::is_sorted(window.totals.begin(), window.totals.end()));
        QCOMPARE(window.totals.back(), 100);
        const auto lastFile = std::find(window.calls.rbegin(), window.calls.rend(), "file file100");
        QVERIFY(lastFile != window.calls.rend());
    }
};

QTEST_MAIN(BackgroundTaskTest)
#include "background_task_test.moc"
