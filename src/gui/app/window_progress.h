#pragma once

#include "core/backup/run_progress.h"

namespace quorvel::gui {

class ProgressStrip;

// The main window's progress strip as a backup run, a restore or an archive change reports to it,
// on the window's thread (a WorkerProgress brings the worker's reports here).
class WindowProgress final : public RunProgress {
public:
    explicit WindowProgress(ProgressStrip& strip) : m_strip(strip) {}

    void showProgressStrip(bool visible) override;
    void setProgressFileName(const std::string& name) override;
    void setTotalPercent(int percent) override;
    void setFilePercent(int percent) override;

private:
    ProgressStrip& m_strip;
};

} // namespace quorvel::gui
