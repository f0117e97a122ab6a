#include "cli/commands/console_prompts.h"

#include <algorithm>

namespace quorvel::cli {

std::string consoleText(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
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
