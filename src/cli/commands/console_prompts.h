#pragma once

#include "core/util/user_prompts.h"

#include <ostream>
#include <string>

namespace quorvel::cli {

// Lines of a message are joined by carriage returns (a server's reply by CR LF), which a terminal
// would print over each other: each becomes a line feed, and no line end is left at the end.
std::string consoleText(const std::string& text);

// How a command talks when nobody is there to answer: every question takes its safe answer
// (No, Cancel) and says so; reports go to the output, errors to the error stream.
class ConsolePrompts final : public UserPrompts {
public:
    ConsolePrompts(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    bool askYesNo(const std::string& text, MessageKind kind) override;
    bool askOkCancel(const std::string& text, MessageKind kind) override;
    void showMessage(const std::string& text, MessageKind kind) override;
    void showTimedMessage(const std::string& text, MessageKind kind, int seconds) override;

private:
    bool declined(const std::string& text, const char* answer);
    std::ostream& streamFor(MessageKind kind) { return kind == MessageKind::Error ? m_err : m_out; }

    std::ostream& m_out;
    std::ostream& m_err;
};

} // namespace quorvel::cli
