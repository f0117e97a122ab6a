#pragma once

#include <string>

namespace quorvel {

// How a run of the zip engine (a backup, a restore, a change of an archive) shows the window that
// started it what it is doing. The desktop program disables its run controls and shows its
// progress strip; a caller without a window (the command line, a test) keeps the defaults, which
// show nothing.
class RunProgress {
public:
    virtual ~RunProgress() = default;
    // Create Backup, Restore File, the pages and the tray backup items; false while the writer
    // runs, which also shows the hourglass cursor.
    virtual void enableRunControls(bool enabled) { (void)enabled; }
    // The hourglass alone, dropped while a question waits for the user.
    virtual void setWaitCursor(bool waiting) { (void)waiting; }
    virtual void showProgressStrip(bool visible) { (void)visible; }
    // The name (without folder) of the file being added, shown at once.
    virtual void setProgressFileName(const std::string& name) { (void)name; }
    virtual void setTotalPercent(int percent) { (void)percent; }
    virtual void setFilePercent(int percent) { (void)percent; }
    // The cancel check, called on the run's own thread between blocks and files: raises
    // EUserCanceled once whoever started the run asked it to stop (the window's Cancel, the
    // scheduler's stop). Nothing is painted here; the desktop program runs the core on a worker
    // thread and shows progress on its own.
    virtual void processMessages() {}
};

// Shows the progress events of a zip writer or reader on the strip, and lets its cancel check reach
// whoever started the run.
template <typename ZipComponent> void showProgressOf(ZipComponent& zip, RunProgress& progress) {
    zip.processMessages = [&progress] { progress.processMessages(); };
    zip.OnTotalPercentDone = [&progress](int percent) { progress.setTotalPercent(percent); };
    zip.OnFilePercentDone = [&progress](int percent) { progress.setFilePercent(percent); };
}

// The busy state for as long as the object lives: the run controls are disabled on entry, and
// the progress strip is hidden and the controls enabled again on exit, whatever happened.
class BusyState {
public:
    explicit BusyState(RunProgress& progress) : m_progress(progress) { m_progress.enableRunControls(false); }
    ~BusyState() {
        m_progress.showProgressStrip(false);
        m_progress.enableRunControls(true);
    }
    BusyState(const BusyState&) = delete;
    BusyState& operator=(const BusyState&) = delete;

private:
    RunProgress& m_progress;
};

} // namespace quorvel
