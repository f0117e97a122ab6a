#pragma once

#include "core/util/user_prompts.h"

#include <QPointer>
#include <QWidget>

namespace quorvel::gui {

// Questions and messages as the desktop's standard message boxes, owned by a window.
class MessageBoxPrompts final : public UserPrompts {
public:
    explicit MessageBoxPrompts(QWidget* owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget* owner) { m_owner = owner; }

    bool askYesNo(const std::string& text, MessageKind kind) override;
    bool askOkCancel(const std::string& text, MessageKind kind) override;
    void showMessage(const std::string& text, MessageKind kind) override;
    // A message box that closes itself after the given seconds.
    void showTimedMessage(const std::string& text, MessageKind kind, int seconds) override;

private:
    QPointer<QWidget> m_owner;
};

} // namespace quorvel::gui
