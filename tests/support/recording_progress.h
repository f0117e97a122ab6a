#pragma once

#include "core/backup/run_progress.h"

#include <functional>
#include <string>
#include <vector>

namespace quorvel::test {

// Records what a run shows of itself: the busy state, the hourglass and the strip as one event
// per call, the file names, and the last total percentage.
class RecordingProgress final : public RunProgress {
public:
    std::vector<std::string> events;
    std::vector<std::string> fileNames;
    int lastTotal = -1;
    std::function<void(const std::string&)> onFileName;

    void enableRunControls(bool enabled) override { events.push_back(enabled ? "enable" : "disable"); }
    void setWaitCursor(bool waiting) override { events.push_back(waiting ? "hourglass" : "arrow"); }
    void showProgressStrip(bool visible) override { events.push_back(visible ? "strip" : "no strip"); }
    void setProgressFileName(const std::string& name) override {
        fileNames.push_back(name);
        if (onFileName)
            onFileName(name);
    }
    void setTotalPercent(int percent) override { lastTotal = percent; }
};

} // namespace quorvel::test
