#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quorvel {

// How the items of a selection name stored names.
enum class NameMatching {
    // As a FilesList holds them: an item holding one of "*", "?", "<", ">", "|" is a mask
    // (WildcardMatch), any other item is a name equal to a stored name ignoring letter case.
    Masks,
    // Every item is a stored name as the archive holds it: letter case counts and no character is
    // special, so a file really named "a*b?.txt" is chosen alone.
    Exact,
};

// Names and masks matched against the stored names of an archive. Names are looked up rather than
// compared one by one, so choosing every entry of an archive of a hundred thousand entries by name
// takes no longer than listing it.
class NameSelection {
public:
    explicit NameSelection(const std::vector<std::string>& items, NameMatching matching = NameMatching::Masks);

    // True when an item of the selection takes this stored name.
    bool selects(std::string_view storedName) const;
    // The items, in their order, that take none of the stored names.
    std::vector<std::string> unmatched(const std::vector<std::string>& storedNames) const;

private:
    std::string key(std::string_view name) const; // how names are looked up in m_names
    bool isMask(const std::string& item) const;

    NameMatching m_matching;
    std::vector<std::string> m_all;
    std::unordered_set<std::string> m_names;
    std::vector<std::string> m_masks;
};

} // namespace quorvel
