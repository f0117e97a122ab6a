#include "gui/app/window_progress.h"

#include "gui/app/form_main.h"
#include "gui/app/progress_strip.h"
#include "gui/widgets/qt_text.h"

#include <QApplication>

namespace quorvel::gui {

void WindowProgress::enableRunControls(bool enabled) {
    m_form.EnableRunControls(enabled);
}

void WindowProgress::setWaitCursor(bool waiting) {
    if (waiting)
        QApplication::restoreOverrideCursor();
    else
        QApplication::setOverrideCursor(Qt::ArrowCursor);
}

void WindowProgress::showProgressStrip(bool visible) {
    m_form.ShowProgressStrip(visible);
}

void WindowProgress::setProgressFileName(const std::string& name) {
    m_form.progressStrip->setFileName(qs(name));
}

void WindowProgress::setTotalPercent(int percent) {
    m_form.progressStrip->setTotalPercent(percent);
}

void WindowProgress::setFilePercent(int percent) {
    m_form.progressStrip->setFilePercent(percent);
}

void WindowProgress::processMessages() {
    QCoreApplication::processEvents();
}

} // namespace quorvel::gui
