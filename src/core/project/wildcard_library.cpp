#include "core/project/wildcard_library.h"

#include "core/project/project_store.h"
#include "core/util/strings.h"

#include <algorithm>

namespace quorvel {

namespace {

constexpr std::string_view TotalKey = "Wildcard Total";
constexpr std::string_view MaskPrefix = "Wildcard";

bool holds(const std::vector<std::string>& masks, std::string_view mask) {
    return std::any_of(masks.begin(), masks.end(), [&](const std::string& m) { return equalsIgnoreCase(m, mask); });
}

} // namespace

std::vector<std::string> readWildcardLibrary(const IniDocument& doc) {
    return readIndexedList(doc, CommonSection, TotalKey, MaskPrefix);
}

std::vector<std::string> loadWildcardLibrary(const IniFile& ini) {
    return readWildcardLibrary(ini.read());
}

void saveWildcardLibrary(IniFile& ini, const std::vector<std::string>& masks) {
    ini.edit([&](IniDocument& doc) {
        doc.writeInteger(CommonSection, TotalKey, static_cast<int>(masks.size()));
        for (size_t i = 0; i < masks.size(); ++i)
            doc.writeString(CommonSection, std::string(MaskPrefix) + std::to_string(i), masks[i]);
    });
}

bool addWildcard(std::vector<std::string>& masks, std::string_view typed) {
    std::string mask = trim(typed);
    if (mask.empty() || holds(masks, mask))
        return false;
    masks.push_back(std::move(mask));
    return true;
}

bool removeWildcard(std::vector<std::string>& masks, std::string_view typed) {
    const std::string mask = trim(typed);
    const auto gone =
        std::remove_if(masks.begin(), masks.end(), [&](const std::string& m) { return equalsIgnoreCase(m, mask); });
    const bool found = gone != masks.end();
    masks.erase(gone, masks.end());
    return found;
}

} // namespace quorvel
