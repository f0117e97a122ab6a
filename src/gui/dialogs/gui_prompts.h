#pragma once

#include "core/util/user_prompts.h"

#include <QPointer>
#include <QWidget>

namespace quorvel::gui {

// The desktop program's way of asking and telling: the standard message boxes for questions
// and errors, the self-closing message window for outcome reports. Window's thread only: work
// on a worker reaches it through its BackgroundTask's prompts.
class GuiPrompts final : public UserPrompts {
public:
    explicit GuiPrompts(QWidget* parent = nullptr) : m_parent(parent) {}

    bool askYesNo(const std::string& text, MessageKind kind) override;
    ToAllAnswer askYesNoToAll(const std::string& text, MessageKind kind) override;
    bool askOkCancel(const std::string& text, MessageKind kind) override;
    void showMessage(const std::string& text, MessageKind kind) override;
    void showTimedMessage(const std::string& text, MessageKind kind, int seconds) override;

private:
    QPointer<QWidget> m_parent; // the window may close while a prompt is open
};

} // namespace quorvel::gui
