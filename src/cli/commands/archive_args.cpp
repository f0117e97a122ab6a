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

} // namespace quorvel::cli
