#pragma once

#include "core/backup/backup_progress.h"

namespace quorvel::gui {

class TFormMain;

// The main window as a backup run or a restore sees it: the busy state, the progress strip and
// an event loop that keeps running while the zip engine works.
class WindowProgress final : public BackupProgress {
public:
    explicit WindowProgress(TFormMain& form) : m_form(form) {}

    void enableRunControls(bool enabled) override;
    void setWaitCursor(bool waiting) override;
    void showProgressStrip(bool visible) override;
    void setProgressFileName(const std::string& name) override;
    void setTotalPercent(int percent) override;
    void setFilePercent(int percent) override;
    void processMessages() override;

private:
    TFormMain& m_form;
};

} // namespace quorvel::gui
