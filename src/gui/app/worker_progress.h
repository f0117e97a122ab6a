#pragma once

#include "core/backup/run_progress.h"

#include <functional>
#include <mutex>
#include <string>

namespace quorvel::gui {

class BackgroundTask;

// The progress core work on a BackgroundTask reports, shown by a window's own progress on the
// window's thread. The worker only records the latest state; one update at a time waits in the
// window's queue and shows whatever is latest when it runs, so a fast writer never floods the
// event loop and the window sees the values in the order they were reported. Between blocks the
// core calls processMessages(), which stops the work once the task was asked to cancel.
//
// The busy state and the cursor are the window's while the task runs, not the core's: the calls
// that would set them are ignored here.
class WorkerProgress final : public RunProgress {
public:
    WorkerProgress(BackgroundTask& task, RunProgress& window) : m_task(task), m_window(window) {}

    void enableRunControls(bool) override {}
    void setWaitCursor(bool) override {}
    void showProgressStrip(bool visible) override;
    void setProgressFileName(const std::string& name) override;
    void setTotalPercent(int percent) override;
    void setFilePercent(int percent) override;
    void processMessages() override;

private:
    struct State {
        int stripChanges = 0; // every show or hide counts, so the window follows each one
        bool stripShown = false;
        std::string fileName;
        int totalPercent = 0;
        int filePercent = 0;
    };

    void change(const std::function<void(State&)>& edit);
    void show(); // window's thread

    BackgroundTask& m_task;
    RunProgress& m_window;
    std::mutex m_mutex;
    State m_latest;
    bool m_updateQueued = false;
    State m_shown; // window's thread
};

} // namespace quorvel::gui
