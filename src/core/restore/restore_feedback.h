#pragma once

#include "core/zip/zip_types.h"

#include <string>

namespace quorvel {

// How a restore shows the window that started it what it is doing. The desktop program
// disables its run controls and shows its progress strip; a caller without a window (the
// command line, a test) keeps the defaults, which show nothing.
class RestoreProgress {
public:
    virtual ~RestoreProgress() = default;
    // Create Backup, Restore File, the pages and the tray backup items; false while the reader
    // extracts, which also shows the hourglass cursor.
    virtual void enableRunControls(bool enabled) { (void)enabled; }
    virtual void showProgressStrip(bool visible) { (void)visible; }
    // The name (without folder) of the file being restored, shown at once.
    virtual void setProgressFileName(const std::string& name) { (void)name; }
    virtual void setTotalPercent(int percent) { (void)percent; }
    virtual void setFilePercent(int percent) { (void)percent; }
    // Called between blocks, so that a window stays responsive while the reader works.
    virtual void processMessages() {}
};

// The question the reader puts when an archive has no readable end record. The desktop program
// answers with the incomplete-zip dialog; without one the archive is taken as not a zip file.
class ArchiveQuestions {
public:
    virtual ~ArchiveQuestions() = default;
    virtual TIncompleteZipMode askIncompleteZip() { return izAssumeNotAZip; }
};

} // namespace quorvel
