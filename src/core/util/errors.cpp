#include "core/util/errors.h"

#include <cstring>

namespace quorvel {

std::string systemError(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

} // namespace quorvel
