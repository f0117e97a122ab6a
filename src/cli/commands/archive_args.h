#pragma once

#include "cli/commands/console_prompts.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel::cli {

// Walks a command's arguments: options with or without a value, then the positional rest.
class ArgCursor {
public:
    explicit ArgCursor(const std::vector<std::string>& args) : m_args(args) {}
    bool atEnd() const { return m_pos >= m_args.size(); }
    const std::string& peek() const { return m_args[m_pos]; }
    std::string take() { return m_args[m_pos++]; }
    // The value after an option; nullopt when it is missing.
    std::optional<std::string> value() {
        if (atEnd())
            return std::nullopt;
        return take();
    }

private:
    const std::vector<std::string>& m_args;
    std::size_t m_pos = 0;
};

// The first line of a password file (without its line end); raises IoError when it cannot be read,
// is a folder or its first line is empty.
std::string readPasswordFile(const std::string& path);

// The arguments of a command whose only option is "--password-file FILE", given anywhere.
struct PasswordAndOperands {
    std::string password; // empty without the option
    std::vector<std::string> operands;
};
// nullopt when the option is not followed by its file; raises IoError when the file cannot be read.
std::optional<PasswordAndOperands> splitPasswordOption(const std::vector<std::string>& args);

} // namespace quorvel::cli
