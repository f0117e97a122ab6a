#include "gui/app/worker_progress.h"

#include "gui/app/background_task.h"

namespace quorvel::gui {

void WorkerProgress::showProgressStrip(bool visible) {
    if (visible) {
        // A run starts: an update its task dropped when an earlier run was torn down no longer
        // holds the next ones back.
        std::lock_guard lock(m_mutex);
        m_updateQueued = false;
    }
    change([visible](State& state) {
        ++state.stripChanges;
        state.stripShown = visible;
        state.fileName.clear();
        state.totalPercent = 0;
        state.filePercent = 0;
    });
}

void WorkerProgress::setProgressFileName(const std::string& name) {
    change([&name](State& state) { state.fileName = name; });
}

void WorkerProgress::setTotalPercent(int percent) {
    change([percent](State& state) { state.totalPercent = percent; });
}

void WorkerProgress::setFilePercent(int percent) {
    change([percent](State& state) { state.filePercent = percent; });
}

void WorkerProgress::processMessages() {
    m_task.checkCancel();
}

void WorkerProgress::change(const std::function<void(State&)>& edit) {
    {
        std::lock_guard lock(m_mutex);
        edit(m_latest);
        if (m_updateQueued)
            return;
        m_updateQueued = true;
    }
    if (!m_task.postToWindow([this] { show(); })) {
        std::lock_guard lock(m_mutex);
        m_updateQueued = false;
    }
}

void WorkerProgress::show() {
    State latest;
    {
        std::lock_guard lock(m_mutex);
        latest = m_latest;
        m_updateQueued = false;
    }
    if (latest.stripChanges != m_shown.stripChanges) {
        m_window.showProgressStrip(latest.stripShown); // which empties the strip
        m_shown = State{latest.stripChanges, latest.stripShown, {}, 0, 0};
    }
    if (!latest.stripShown)
        return;
    if (latest.totalPercent != m_shown.totalPercent)
        m_window.setTotalPercent(latest.totalPercent);
    if (latest.filePercent != m_shown.filePercent)
        m_window.setFilePercent(latest.filePercent);
    if (latest.fileName != m_shown.fileName)
        m_window.setProgressFileName(latest.fileName);
    m_shown = std::move(latest);
}

} // namespace quorvel::gui
