#pragma once

#include <stdexcept>
#include <string>

namespace quorvel {

// Base of every error the core raises; what() is the text shown to the user.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A file-system operation failed; the message names the path and the system's reason.
class IoError : public Error {
public:
    explicit IoError(const std::string& message) : Error(message) {}
};

} // namespace quorvel
