#include "core/zip/name_selection.h"

#include "core/util/strings.h"
#include "core/zip/wildcard_match.h"

#include <algorithm>

namespace quorvel {

NameSelection::NameSelection(const std::vector<std::string>& items, NameMatching matching)
    : m_matching(matching), m_all(items) {
    for (const std::string& item : items) {
        if (isMask(item))
            m_masks.push_back(item);
        else
            m_names.insert(key(item));
    }
}

std::string NameSelection::key(std::string_view name) const {
    return m_matching == NameMatching::Exact ? std::string(name) : toLowerAscii(name);
}

bool NameSelection::isMask(const std::string& item) const {
    return m_matching == NameMatching::Masks && IsWildcardName(item);
}

bool NameSelection::selects(std::string_view storedName) const {
    if (!m_names.empty() && m_names.count(key(storedName)) != 0)
        return true;
    return std::any_of(m_masks.begin(), m_masks.end(),
                       [storedName](const std::string& mask) { return WildcardMatch(mask, storedName); });
}

std::vector<std::string> NameSelection::unmatched(const std::vector<std::string>& storedNames) const {
    std::unordered_set<std::string> stored;
    for (const std::string& name : storedNames)
        stored.insert(key(name));
    std::vector<std::string> missing;
    for (const std::string& item : m_all) {
        const bool found = isMask(item)
                               ? std::any_of(storedNames.begin(), storedNames.end(),
                                             [&item](const std::string& name) { return WildcardMatch(item, name); })
                               : stored.count(key(item)) != 0;
        if (!found)
            missing.push_back(item);
    }
    return missing;
}

} // namespace quorvel
