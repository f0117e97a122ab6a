#include "core/find/exclusion_mask.h"

#include "core/util/strings.h"

#include <string>

namespace quorvel {

namespace {

// The folder part of the mask must end the entry's folder.
bool folderPartMatches(std::string_view entryFolder, std::string maskFolder) {
    if (maskFolder.size() >= 2 && maskFolder[1] == ':') {
        if (maskFolder[0] != '*' && maskFolder[0] != '?')
            return false; // a named drive: no path on this system has one
        maskFolder.erase(0, 2);
    }
    return maskFolder.size() <= entryFolder.size() && entryFolder.ends_with(maskFolder);
}

bool namePartMatches(std::string_view name, std::string_view mask) {
    if (mask.empty())
        return true;
    size_t i = 0; // in the name
    size_t k = 0; // in the mask
    while (i < name.size() && k < mask.size()) {
        const char c = name[i];
        const char m = mask[k];
        if (m == c || (m == '?' && c != '.')) {
            ++i;
            ++k;
        } else if (c == '.') {
            if (m == '?') {
                ++k;
            } else if (m == '*') {
                k = mask.find('.', k);
                if (k == std::string_view::npos)
                    return false;
            } else {
                return false;
            }
        } else if (m == '*') {
            ++i;
        } else {
            return false;
        }
    }
    while (k < mask.size() && (mask[k] == '*' || mask[k] == '?'))
        ++k;
    return i == name.size() && k == mask.size();
}

} // namespace

bool matchesExclusionMask(std::string_view folder, std::string_view name, std::string_view mask) {
    const std::string upperMask = toUpperAscii(mask);
    const size_t slash = upperMask.rfind('/');
    const std::string_view maskName =
        slash == std::string::npos ? std::string_view(upperMask) : std::string_view(upperMask).substr(slash + 1);
    if (slash != std::string::npos && !folderPartMatches(toUpperAscii(folder), upperMask.substr(0, slash + 1)))
        return false;
    return namePartMatches(toUpperAscii(name), maskName);
}

} // namespace quorvel
