#include "gui/app/window_progress.h"

#include "gui/app/progress_strip.h"
#include "gui/widgets/qt_text.h"

namespace quorvel::gui {

void WindowProgress::showProgressStrip(bool visible) {
    m_strip.setShown(visible);
}

void WindowProgress::setProgressFileName(const std::string& name) {
    m_strip.setFileName(qs(name));
}

void WindowProgress::setTotalPercent(int percent) {
    m_strip.setTotalPercent(percent);
}

void WindowProgress::setFilePercent(int percent) {
    m_strip.setFilePercent(percent);
}

} // namespace quorvel::gui
