#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quorvel {

// Names and masks as a FilesList holds them, matched against the stored names of an archive. A
// plain name is equal to a stored name ignoring letter case, as WildcardMatch takes it; plain names
// are looked up rather than compared one by one, so choosing every entry of an archive of a
// hundred thousand entries by name takes no longer than listing it.
class NameSelection {
public:
    explicit NameSelection(const std::vector<std::string>& namesAndMasks);

    // True when a name or a mask of the selection takes this stored name.
    bool selects(std::string_view storedName) const;
    // The names and masks, in their order, that take none of the stored names.
    std::vector<std::string> unmatched(const std::vector<std::string>& storedNames) const;

private:
    std::vector<std::string> m_all;
    std::unordered_set<std::string> m_plain; // lower case
    std::vector<std::string> m_masks;
};

} // namespace quorvel
