#pragma once

#include "core/util/user_prompts.h"

#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <memory>

namespace quorvel::gui {

// Runs one piece of core work at a time on a worker thread, so that the window's thread stays free
// to repaint, run its timers and answer the work's questions. One object per window, living as
// long as the window.
//
//   BackgroundTask task(windowPrompts);
//   task.start(tr("The backup of 'Docs'"),
//              [&] { runner.run(controls, settings, task.prompts(), workerProgress); }, // on the worker
//              [&](bool completed) { showTheResult(); });                               // on the window's thread
//
// - The work talks to the person through task.prompts() and reports progress through a
//   WorkerProgress, never through widgets. On the worker, every question, message and
//   askOnWindow() call is handed to the window's thread and the worker waits for the answer; calls
//   arrive in the order the work made them. On the window's thread they run directly, so core
//   objects can keep these stand-ins for their whole life.
// - start() refuses (returns false) while work runs; isRunning() and runningChanged() are the busy
//   state a window disables its commands by.
// - An exception escaping the work is caught on the worker and shown through the window's prompts
//   on the window's thread; `done` then gets completed == false.
// - cancel() asks the work to stop: checkCancel(), which WorkerProgress calls between blocks,
//   raises EUserCanceled on the worker, so the core ends the way it ends a cancelled disk request
//   (nothing left under the final name, the outcome logged). From then on questions take their
//   safe answer (No, Cancel) and messages are no longer shown: whoever cancels has stopped
//   listening.
// - finished() follows `done`; tests wait for it with QSignalSpy.
class BackgroundTask final : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void()>;
    using Done = std::function<void(bool completed)>;

    explicit BackgroundTask(UserPrompts& windowPrompts, QObject* parent = nullptr);
    ~BackgroundTask() override; // cancelAndWait()

    // Window's thread. `what` names the work for the person ("The backup of 'Docs'").
    bool start(const QString& what, Work work, Done done = {});
    bool isRunning() const { return m_run != nullptr; }
    QString what() const;
    void cancel();
    // Cancels work still running and waits for it to end; its `done` is not called. For a window
    // going away with the objects the work uses.
    void cancelAndWait();

    // Any thread.
    bool cancelRequested() const;
    // Worker: raises EUserCanceled once cancel() was called.
    void checkCancel() const;

    // The prompts core work is given; see above.
    UserPrompts& prompts();
    // Runs `question` on the window's thread and returns its answer; `safeAnswer` when the work was
    // cancelled or the window went away first. Worker or window's thread.
    template <typename T> T askOnWindow(const std::function<T()>& question, T safeAnswer) {
        if (cancelRequested())
            return safeAnswer;
        T answer = safeAnswer;
        callOnWindow([&] {
            if (!cancelRequested()) // it may have come while the question waited in the queue
                answer = question();
        });
        return answer;
    }
    // Queues `body` for the window's thread without waiting; it runs in order with the calls
    // above, before `done`. On the window's thread it runs at once. False when it was dropped
    // because no work runs.
    bool postToWindow(std::function<void()> body);

signals:
    void runningChanged(bool running);
    void finished();

private:
    class Prompts;
    struct Run; // the worker thread, its hand-over and its cancel flag; the standard thread headers
                // stay out of here for the meta-object compiler

    bool onWindowThread() const;
    bool callOnWindow(const std::function<void()>& body);
    void complete(const Run* run, const std::exception_ptr& error);

    UserPrompts& m_windowPrompts;
    std::unique_ptr<Prompts> m_prompts;
    std::unique_ptr<Run> m_run; // set while work runs; only the window's thread changes it
};

} // namespace quorvel::gui
