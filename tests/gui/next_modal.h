#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace quorvel::test {

// Waits in the event loop for the next modal dialog of the type and acts on it; the action may
// open further dialogs. A dialog the action leaves open (a failed check returns early) is
// cancelled, so a failing test ends instead of waiting for its time-out.
template <typename Dialog> void onNextModal(std::function<void(Dialog&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<Dialog> open(dialog);
        act(*dialog);
        if (open && open->isVisible())
            open->reject();
    });
    poll->start();
}

} // namespace quorvel::test
