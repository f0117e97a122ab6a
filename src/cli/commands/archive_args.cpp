#include "cli/commands/archive_args.h"

#include "core/util/errors.h"
#include "core/util/strings.h"

#include <filesystem>
#include <fstream>

namespace quorvel::cli {

std::string readPasswordFile(const std::string& path) {
    const std::string named = "The password file '" + path + "'";
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw IoError(named + " is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw IoError("Cannot read the password file '" + path + "'");
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    // Going on without a password would write an archive anyone can read, or test and extract
    // as if none were needed.
    if (line.empty())
        throw IoError(named + " holds no password: its first line is empty");
    return line;
}

std::optional<PasswordAndOperands> splitPasswordOption(const std::vector<std::string>& args) {
    PasswordAndOperands parsed;
    ArgCursor cursor(args);
    while (!cursor.atEnd()) {
        std::string arg = cursor.take();
        if (arg != "--password-file") {
            parsed.operands.push_back(std::move(arg));
            continue;
        }
        const std::optional<std::string> file = cursor.value();
        if (!file)
            return std::nullopt;
        parsed.password = readPasswordFile(*file);
    }
    return parsed;
}

} // namespace quorvel::cli
