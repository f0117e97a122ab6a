#include "core/zip/name_selection.h"

#include "core/util/strings.h"
#include "core/zip/wildcard_match.h"

#include <algorithm>

namespace quorvel {

NameSelection::NameSelection(const std::vector<std::string>& namesAndMasks) : m_all(namesAndMasks) {
    for (const std::string& item : namesAndMasks) {
        if (IsWildcardName(item))
            m_masks.push_back(item);
        else
            m_plain.insert(toLowerAscii(item));
    }
}

bool NameSelection::selects(std::string_view storedName) const {
    if (!m_plain.empty() && m_plain.count(toLowerAscii(storedName)) != 0)
        return true;
    return std::any_of(m_masks.begin(), m_masks.end(),
                       [storedName](const std::string& mask) { return WildcardMatch(mask, storedName); });
}

std::vector<std::string> NameSelection::unmatched(const std::vector<std::string>& storedNames) const {
    std::unordered_set<std::string> stored;
    for (const std::string& name : storedNames)
        stored.insert(toLowerAscii(name));
    std::vector<std::string> missing;
    for (const std::string& item : m_all) {
        const bool found = IsWildcardName(item)
                               ? std::any_of(storedNames.begin(), storedNames.end(),
                                             [&item](const std::string& name) { return WildcardMatch(item, name); })
                               : stored.count(toLowerAscii(item)) != 0;
        if (!found)
            missing.push_back(item);
    }
    return missing;
}

} // namespace quorvel
