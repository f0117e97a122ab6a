#include "core/find/file_attributes.h"

#include <sys/stat.h>

namespace quorvel {

TFileAttributes attributesOf(std::string_view name, mode_t mode) {
    using enum TFileAttribute;
    TFileAttributes result;
    if (S_ISDIR(mode))
        result.insert(ffDirectory);
    else
        result.insert(ffArchive);
    if ((mode & S_IWUSR) == 0)
        result.insert(ffReadonly);
    if (name.starts_with('.'))
        result.insert(ffHidden);
    return result;
}

bool attributesPass(TFileAttributes entry, TFileAttributes wanted, bool exact) {
    if (exact)
        return entry == wanted;
    return entry.empty() || entry.intersects(wanted);
}

} // namespace quorvel
