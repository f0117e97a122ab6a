#include "core/project/project_ring.h"

#include "core/backup/retention.h"
#include "core/util/strings.h"

#include <algorithm>
#include <string>

namespace quorvel {

namespace {

// The slot of a key "N<digits>", or 0 when the key is not one.
int slotOf(std::string_view key) {
    if (key.size() < 2 || (key[0] != 'N' && key[0] != 'n'))
        return 0;
    if (!std::all_of(key.begin() + 1, key.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return parseIntOr(key.substr(1), 0);
}

} // namespace

void copyRetentionRing(IniDocument& doc, std::string_view from, std::string_view to) {
    doc.removeSection(to);
    if (!doc.hasSection(from))
        return;
    const int max = doc.readInteger(from, "Max", 2);
    doc.writeInteger(to, "Max", max);
    doc.writeInteger(to, "Head", doc.readInteger(from, "Head", 0));
    // The slots that exist, not every number below a "Max" that a damaged file may make huge.
    const int slots = std::clamp(max, 0, MaxRetentionLimit);
    for (const std::string& key : doc.keys(from)) {
        const int slot = slotOf(key);
        const std::string slotKey = "N" + std::to_string(slot);
        const std::string archive = doc.readString(from, key);
        if (slot >= 1 && slot <= slots && !archive.empty() && !doc.value(to, slotKey).has_value())
            doc.writeString(to, slotKey, archive);
    }
}

} // namespace quorvel
