#include "cli/commands/archive_args.h"

#include "core/util/errors.h"

#include <fstream>

namespace quorvel::cli {

std::string readPasswordFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw IoError("Cannot read the password file " + path);
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
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
