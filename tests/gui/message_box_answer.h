#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <memory>

namespace quorvel::test {

// What the next standard message box showed.
struct SeenBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Waits in the event loop for the next modal message box, records it and presses `button`.
// Returns the record, filled in once the box has been answered.
inline std::shared_ptr<SeenBox> answerNextBox(QMessageBox::StandardButton button) {
    auto seen = std::make_shared<SeenBox>();
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, seen, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        *seen = SeenBox{true, box->windowTitle(), box->text(), box->icon()};
        poll->stop();
        poll->deleteLater();
        box->button(button)->click();
    });
    poll->start();
    return seen;
}

} // namespace quorvel::test
