#include "gui/dialogs/gui_prompts.h"

#include "gui/dialogs/dialog_frame.h"
#include "gui/dialogs/msg_form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace quorvel::gui {

namespace {

// While the person reads and answers, the pointer is an arrow, also over a busy window.
class ArrowWhileShown {
public:
    ArrowWhileShown() : m_over(QApplication::overrideCursor() != nullptr) {
        Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
        if (m_over)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileShown() {
        if (m_over)
            QApplication::restoreOverrideCursor();
    }
    ArrowWhileShown(const ArrowWhileShown&) = delete;
    ArrowWhileShown& operator=(const ArrowWhileShown&) = delete;

private:
    bool m_over;
};

QMessageBox::StandardButton ask(QWidget* parent, const std::string& text, MessageKind kind,
                                QMessageBox::StandardButtons buttons) {
    const ArrowWhileShown arrow;
    const MessageLook look = messageLook(kind);
    QMessageBox box(look.boxIcon, look.caption, messageText(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    if (QAbstractButton* yesToAll = box.button(QMessageBox::YesToAll))
        yesToAll->setText(QObject::tr("Yes to &all"));
    if (QAbstractButton* noToAll = box.button(QMessageBox::NoToAll)) {
        noToAll->setText(QObject::tr("No &to all"));
        box.setEscapeButton(QMessageBox::No); // of the two "No" buttons, Esc is the one for this file only
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

bool GuiPrompts::askYesNo(const std::string& text, MessageKind kind) {
    return ask(m_parent, text, kind, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

ToAllAnswer GuiPrompts::askYesNoToAll(const std::string& text, MessageKind kind) {
    switch (
        ask(m_parent, text, kind, QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll)) {
    case QMessageBox::Yes:
        return ToAllAnswer::Yes;
    case QMessageBox::YesToAll:
        return ToAllAnswer::YesToAll;
    case QMessageBox::NoToAll:
        return ToAllAnswer::NoToAll;
    default:
        return ToAllAnswer::No; // also Esc and the close box
    }
}

bool GuiPrompts::askOkCancel(const std::string& text, MessageKind kind) {
    return ask(m_parent, text, kind, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void GuiPrompts::showMessage(const std::string& text, MessageKind kind) {
    ask(m_parent, text, kind, QMessageBox::Ok);
}

void GuiPrompts::showTimedMessage(const std::string& text, MessageKind kind, int seconds) {
    const ArrowWhileShown arrow;
    ShowTimedMessage(text, kind, seconds);
}

} // namespace quorvel::gui
