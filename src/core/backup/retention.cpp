#include "core/backup/retention.h"

#include "core/util/strings.h"

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

namespace quorvel {

namespace fs = std::filesystem;

namespace {

std::string slotKey(int slot) {
    return "N" + std::to_string(slot);
}

// The text a re-pack writes for a slot that names no archive.
std::string noFile(int slot) {
    return "NoFile" + std::to_string(slot);
}

// Two spellings of one file compare equal: "a/./b", "a//b" and paths through symbolic links.
std::string normalised(const std::string& path) {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? fs::path(path).lexically_normal().string() : canonical.string();
}

std::optional<int> slotNumber(std::string_view key) {
    if (key.size() < 2 || (key[0] != 'N' && key[0] != 'n'))
        return std::nullopt;
    if (!std::all_of(key.begin() + 1, key.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return parseInt(key.substr(1));
}

// Lowering the limit: keeps the newest `limit` entries in slots 1..limit, oldest first, and
// returns the entries dropped. Keys past the new size are removed, so that a later raise of
// the limit finds those slots empty instead of naming archives that were moved or removed.
std::vector<std::string> repack(IniDocument& doc, std::string_view section, int max, int head, int limit) {
    std::vector<std::string> oldestFirst;
    for (int k = 1; k <= max; ++k) {
        const int slot = (head + k - 1) % max + 1;
        oldestFirst.push_back(doc.value(section, slotKey(slot)).value_or(noFile(slot)));
    }
    const auto dropped = static_cast<size_t>(max - limit);
    for (int k = 1; k <= limit; ++k)
        doc.writeString(section, slotKey(limit - k + 1), oldestFirst[static_cast<size_t>(max - k)]);
    for (int slot = limit + 1; slot <= max; ++slot)
        doc.removeKey(section, slotKey(slot));
    return {oldestFirst.begin(), oldestFirst.begin() + static_cast<std::ptrdiff_t>(dropped)};
}

std::set<std::string> archivesInRing(const IniDocument& doc, std::string_view section, int size) {
    std::set<std::string> kept;
    for (const std::string& key : doc.keys(section)) {
        const auto slot = slotNumber(key);
        if (slot && *slot >= 1 && *slot <= size)
            kept.insert(normalised(doc.readString(section, key)));
    }
    return kept;
}

// One step of the ring inside the file's text; returns the entries that left it.
std::vector<std::string> advanceRing(IniDocument& doc, std::string_view section, const std::string& archivePath,
                                     int limit) {
    const int max = std::clamp(doc.readInteger(section, "Max", 2), 0, MaxRetentionLimit);
    int head = doc.readInteger(section, "Head", 0);
    if (head < 0 || head > max)
        head = 0; // only a damaged file holds such a head: start the ring afresh

    std::vector<std::string> leaving;
    if (limit < max) {
        leaving = repack(doc, section, max, head, limit);
        head = limit;
    }
    doc.writeInteger(section, "Max", limit);
    head = head % limit + 1;
    doc.writeInteger(section, "Head", head);
    leaving.push_back(doc.readString(section, slotKey(head)));
    doc.writeString(section, slotKey(head), archivePath);
    return leaving;
}

} // namespace

int clampRetentionLimit(int limit) {
    return std::clamp(limit, MinRetentionLimit, MaxRetentionLimit);
}

bool removeArchiveFile(const fs::path& archive) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(archive, ec);
    if (ec || !fs::exists(status) || fs::is_directory(status))
        return false;
    return fs::remove(archive, ec);
}

void ApplyRetention(IniFile& storeNumber, std::string_view project, const std::string& archivePath, int limit,
                    const ArchiveRemover& removeArchive) {
    const int size = clampRetentionLimit(limit);
    std::vector<std::string> leaving;
    std::set<std::string> kept;
    storeNumber.edit([&](IniDocument& doc) {
        leaving = advanceRing(doc, project, archivePath, size);
        kept = archivesInRing(doc, project, size);
    });

    std::set<std::string> done;
    for (const std::string& entry : leaving) {
        // Empty slots and the "NoFile" placeholders of a re-pack are not paths of archives.
        if (!fs::path(entry).is_absolute())
            continue;
        const std::string key = normalised(entry);
        if (kept.count(key) == 0 && done.insert(key).second)
            removeArchive(entry);
    }
}

} // namespace quorvel
