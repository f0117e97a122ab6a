#include "core/backup/retention.h"

#include "core/util/strings.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <sys/stat.h>

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

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int> slotNumber(std::string_view key) {
    if (key.size() < 2 || (key[0] != 'N' && key[0] != 'n') || !allDigits(key.substr(1)))
        return std::nullopt;
    return parseInt(key.substr(1));
}

// Empty slots and the "NoFile" placeholders of a re-pack name no archive.
bool namesNoArchive(std::string_view entry) {
    return entry.empty() || (startsWithIgnoreCase(entry, "NoFile") && allDigits(entry.substr(6)));
}

// "12-07_23h16m06s": the date-time suffix.
bool isDateSuffix(std::string_view text) {
    static constexpr std::string_view Shape = "99-99_99h99m99s";
    if (text.size() != Shape.size())
        return false;
    for (size_t i = 0; i < Shape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (Shape[i] == '9' ? !digit : text[i] != Shape[i])
            return false;
    }
    return true;
}

// A folder as a path without a trailing separator ("/" stays "/").
fs::path folderPath(const fs::path& folder) {
    fs::path normal = (folder / "").lexically_normal();
    return normal.has_filename() || normal == normal.root_path() ? normal : normal.parent_path();
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    if (folderPath(a) == folderPath(b))
        return true;
    std::error_code ec1, ec2;
    const fs::path ca = fs::weakly_canonical(folderPath(a), ec1);
    const fs::path cb = fs::weakly_canonical(folderPath(b), ec2);
    return !ec1 && !ec2 && ca == cb;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isMissing(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

void removeSlots(IniDocument& doc, std::string_view section) {
    for (const std::string& key : doc.keys(section))
        if (slotNumber(key))
            doc.removeKey(section, key);
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

// The slots from 1 to `max` that hold an entry, by slot number.
std::map<int, std::string> slotEntries(const IniDocument& doc, std::string_view section, int max) {
    std::map<int, std::string> entries;
    for (const std::string& key : doc.keys(section)) {
        const auto slot = slotNumber(key);
        if (slot && *slot >= 1 && *slot <= max)
            entries.emplace(*slot, doc.readString(section, key));
    }
    return entries;
}

// The archive is in the ring already: it moves to the newest place (the head's slot) and the
// entries keep their order. Further copies of it become empty slots at the oldest end, which
// later runs fill without letting anything go. Returns false when the ring does not hold it.
// Works on the slots that hold something, as a large limit may leave most of them empty.
bool moveToNewest(IniDocument& doc, std::string_view section, const std::string& archivePath, int max, int head) {
    const std::string wanted = normalisedPath(archivePath);
    const auto age = [&](int slot) { return (slot - head - 1 + max) % max; }; // 0 is the oldest
    const std::map<int, std::string> before = slotEntries(doc, section, max);
    std::vector<int> copies; // by age
    for (const auto& [slot, entry] : before)
        if (!namesNoArchive(entry) && normalisedPath(entry) == wanted)
            copies.push_back(age(slot));
    if (copies.empty())
        return false;
    std::sort(copies.begin(), copies.end());

    // Taking the copies out and putting one at the newest end shifts an entry by one towards the
    // oldest for each copy before it, and the holes left go to the oldest end.
    std::map<int, std::string> after;
    for (const auto& [slot, entry] : before) {
        const int position = age(slot);
        if (std::binary_search(copies.begin(), copies.end(), position))
            continue;
        const auto newer = copies.end() - std::upper_bound(copies.begin(), copies.end(), position);
        const int moved = position + static_cast<int>(newer) - 1;
        after.emplace((head + moved) % max + 1, entry);
    }
    after.emplace(head == 0 ? max : head, archivePath);
    for (const auto& [slot, entry] : before)
        if (after.count(slot) == 0)
            doc.removeKey(section, slotKey(slot));
    for (const auto& [slot, entry] : after)
        doc.writeString(section, slotKey(slot), entry);
    return true;
}

} // namespace

std::string normalisedPath(const std::string& path) {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? fs::path(path).lexically_normal().string() : canonical.string();
}

int clampRetentionLimit(int limit) {
    return std::clamp(limit, MinRetentionLimit, MaxRetentionLimit);
}

bool ArchiveOwner::mayHaveWritten(const std::string& path) const {
    const fs::path file(path);
    if (!file.is_absolute() || trim(folder).empty() || !sameFolder(file.parent_path(), trim(folder)))
        return false;
    const std::string name = file.filename().string();
    const std::string ownPrefix = trim(prefix);
    if (ownPrefix.empty() || !name.starts_with(ownPrefix))
        return false;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < ownPrefix.size())
        return false;
    const std::string_view extension = std::string_view(name).substr(dot + 1);
    const std::string_view suffix = std::string_view(name).substr(ownPrefix.size(), dot - ownPrefix.size());
    const bool piece = extension.size() >= 3 && allDigits(extension);
    return (extension == "zip" || piece) && (allDigits(suffix) || isDateSuffix(suffix));
}

bool removeArchiveFile(const fs::path& archive) {
    std::error_code ec;
    return isRegularFile(archive.string()) && fs::remove(archive, ec);
}

std::set<std::string> archivesInRing(const IniDocument& doc, std::string_view section) {
    const int max = doc.readInteger(section, "Max", 2);
    std::set<std::string> kept;
    for (const std::string& key : doc.keys(section)) {
        const auto slot = slotNumber(key);
        const std::string entry = doc.readString(section, key);
        if (slot && *slot >= 1 && *slot <= max && !namesNoArchive(entry))
            kept.insert(normalisedPath(entry));
    }
    return kept;
}

RingChange recordInRing(IniDocument& doc, std::string_view section, const std::string& archivePath, int limit,
                        const ArchiveOwner& owner) {
    const int size = clampRetentionLimit(limit);
    int max = doc.readInteger(section, "Max", 2);
    int head = doc.readInteger(section, "Head", 0);
    RingChange change;
    if (max < MinRetentionLimit || max > MaxRetentionLimit || head < 0 || head > max) {
        // Only an edited or damaged file holds such values: what its slots name is not trusted.
        removeSlots(doc, section);
        change.restarted = true;
        max = size;
        head = 0;
    }

    std::vector<std::string> leaving;
    if (size < max) {
        leaving = repack(doc, section, max, head, size);
        head = size;
    }
    max = size;
    doc.writeInteger(section, "Max", max);
    if (!moveToNewest(doc, section, archivePath, max, head)) {
        head = head % max + 1;
        doc.writeInteger(section, "Head", head);
        leaving.push_back(doc.readString(section, slotKey(head)));
        doc.writeString(section, slotKey(head), archivePath);
    }

    const std::set<std::string> kept = archivesInRing(doc, section);
    std::set<std::string> seen;
    for (const std::string& entry : leaving) {
        if (namesNoArchive(entry) || kept.count(normalisedPath(entry)) != 0 ||
            !seen.insert(normalisedPath(entry)).second)
            continue;
        if (owner.mayHaveWritten(entry) && isRegularFile(entry))
            change.leaving.push_back(entry);
        else if (!(owner.mayHaveWritten(entry) && isMissing(entry)))
            change.leftAlone.push_back(entry); // a file already gone is not worth a word
    }
    return change;
}

void removeLeftArchives(const std::vector<std::string>& leaving, const std::set<std::string>& ring,
                        const ArchiveOwner& owner, const ArchiveRemover& removeArchive) {
    for (const std::string& entry : leaving) {
        if (ring.count(normalisedPath(entry)) == 0 && owner.mayHaveWritten(entry) && isRegularFile(entry))
            removeArchive(entry);
    }
}

RingChange ApplyRetention(IniFile& storeNumber, std::string_view project, const std::string& archivePath, int limit,
                          const ArchiveOwner& owner, const ArchiveRemover& removeArchive) {
    RingChange change;
    std::set<std::string> ring;
    storeNumber.edit([&](IniDocument& doc) {
        change = recordInRing(doc, project, archivePath, limit, owner);
        ring = archivesInRing(doc, project);
    });
    removeLeftArchives(change.leaving, ring, owner, removeArchive);
    return change;
}

} // namespace quorvel
