#pragma once

#include "core/util/user_prompts.h"

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

namespace quorvel::gui {

// The program's own message window for the outcome of an operation: icon, text and one OK
// button, closing by itself when its timer fires so that an unattended run never waits.
class TMsgForm : public QDialog {
    Q_OBJECT
public:
    // Lays the window out for the text; the timer is created stopped, at 3 seconds.
    TMsgForm(const QString& text, MessageKind kind, QWidget* parent = nullptr);

    QTimer* closeTimer() const { return m_timer; }
    // Shows, below the message, how many seconds are left before the window closes by itself,
    // counting down while the close timer runs.
    void showCountdown();
    // Sets the countdown line from the time the close timer has left.
    void updateCountdown();

    QLabel* Image = nullptr; // absent for the custom kind
    QLabel* Message = nullptr;
    QLabel* Countdown = nullptr; // hidden until showCountdown()
    QPushButton* OK = nullptr;

private:
    QTimer* m_timer = nullptr;
    QTimer* m_tick = nullptr; // once a second while the countdown shows
};

// A new message window whose timer is set to `seconds` and running.
std::unique_ptr<TMsgForm> CreateTimedMessageForm(const QString& text, MessageKind kind, int seconds);

// Shows the message window modally until OK, Esc, the close box or the timer closes it, then
// destroys it. Carriage returns in the text break lines.
void ShowTimedMessage(const std::string& text, MessageKind kind, int seconds);

} // namespace quorvel::gui
