#include "core/ftp/ftp_local_names.h"

#include "core/util/path_parts.h"
#include "core/zip/safe_destination.h"

namespace quorvel {

bool isSafeLocalName(std::string_view name) {
    return SafeDestination::validName(name);
}

std::string remoteBaseName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return fileNamePart(path);
}

} // namespace quorvel
