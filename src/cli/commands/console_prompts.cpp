#include "cli/commands/console_prompts.h"

#include "core/util/strings.h"

namespace quorvel::cli {

std::string consoleText(const std::string& text) {
    return trimRight(lineBreaksAsNewlines(text));
}

bool ConsolePrompts::askYesNo(const std::string& text, MessageKind) {
    return declined(text, "No");
}

bool ConsolePrompts::askOkCancel(const std::string& text, MessageKind) {
    return declined(text, "Cancel");
}

void ConsolePrompts::showMessage(const std::string& text, MessageKind kind) {
    streamFor(kind) << consoleText(text) << "\n";
}

void ConsolePrompts::showTimedMessage(const std::string& text, MessageKind kind, int) {
    streamFor(kind) << consoleText(text) << "\n";
}

bool ConsolePrompts::declined(const std::string& text, const char* answer) {
    m_out << consoleText(text) << " -> " << answer << "\n";
    return false;
}

} // namespace quorvel::cli
