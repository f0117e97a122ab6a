#include "core/ftp/ftp_local_names.h"

#include "core/zip/safe_destination.h"

namespace quorvel {

bool isSafeLocalName(std::string_view name) {
    return SafeDestination::validName(name);
}

std::string remoteBaseName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace quorvel
