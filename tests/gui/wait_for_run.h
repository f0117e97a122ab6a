#pragma once

#include "gui/app/background_task.h"
#include "gui/app/form_main.h"

#include <QSignalSpy>
#include <QTest>

namespace quorvel::test {

// Lets the event loop run until the backup, restore or archive change under way has ended and its
// outcome has been shown. True at once when none runs.
[[nodiscard]] inline bool waitForRun(gui::TFormMain& form) {
    if (!form.backgroundTask().isRunning())
        return true;
    QSignalSpy ended(&form, &gui::TFormMain::runFinished);
    return ended.wait(120000);
}

} // namespace quorvel::test
