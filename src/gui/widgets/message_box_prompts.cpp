#include "gui/widgets/message_box_prompts.h"

#include "gui/widgets/qt_text.h"

#include <QMessageBox>
#include <QTimer>

namespace quorvel::gui {

namespace {

QMessageBox::Icon iconOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Confirmation:
        return QMessageBox::Question;
    case MessageKind::Information:
    case MessageKind::Custom:
        break;
    }
    return QMessageBox::Information;
}

int ask(QWidget* owner, const std::string& text, MessageKind kind, QMessageBox::StandardButtons buttons) {
    QMessageBox box(iconOf(kind), QStringLiteral("Quorvel ZIP Backup"), qs(text), buttons, owner);
    return box.exec();
}

} // namespace

bool MessageBoxPrompts::askYesNo(const std::string& text, MessageKind kind) {
    return ask(m_owner, text, kind, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool MessageBoxPrompts::askOkCancel(const std::string& text, MessageKind kind) {
    return ask(m_owner, text, kind, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void MessageBoxPrompts::showMessage(const std::string& text, MessageKind kind) {
    ask(m_owner, text, kind, QMessageBox::Ok);
}

void MessageBoxPrompts::showTimedMessage(const std::string& text, MessageKind kind, int seconds) {
    QMessageBox box(iconOf(kind), QStringLiteral("Quorvel ZIP Backup"), qs(text), QMessageBox::Ok, m_owner);
    QTimer::singleShot(std::max(seconds, 0) * 1000, &box, &QMessageBox::accept);
    box.exec();
}

} // namespace quorvel::gui
