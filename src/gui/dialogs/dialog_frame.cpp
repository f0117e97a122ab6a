#include "gui/dialogs/dialog_frame.h"

#include "core/util/strings.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace quorvel::gui {

void useFixedDialogFrame(QWidget* dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    window->move(area.x() + area.width() / 2 - window->width() / 2,
                 area.y() + area.height() / 2 - window->height() / 2);
}

MessageLook messageLook(MessageKind kind) {
    switch (kind) {
    case MessageKind::Warning:
        return {QApplication::translate("TMsgForm", "Warning"), QMessageBox::Warning, QStyle::SP_MessageBoxWarning};
    case MessageKind::Error:
        return {QApplication::translate("TMsgForm", "Error"), QMessageBox::Critical, QStyle::SP_MessageBoxCritical};
    case MessageKind::Information:
        return {QApplication::translate("TMsgForm", "Information"), QMessageBox::Information,
                QStyle::SP_MessageBoxInformation};
    case MessageKind::Confirmation:
        return {QApplication::translate("TMsgForm", "Confirm"), QMessageBox::Question, QStyle::SP_MessageBoxQuestion};
    case MessageKind::Custom:
        break;
    }
    return {QApplication::applicationDisplayName(), QMessageBox::NoIcon, std::nullopt};
}

QString messageText(const std::string& text) {
    return QString::fromStdString(lineBreaksAsNewlines(text));
}

} // namespace quorvel::gui
