#include "core/restore/archive_entry_listing.h"

#include "core/util/date_time.h"
#include "core/zip/zip_reader.h"

#include <algorithm>

namespace quorvel {

std::uint64_t entrySizeKb(std::uint64_t bytes) {
    return std::max<std::uint64_t>(1, bytes / 1024);
}

std::vector<EntryRow> ListArchiveEntries(TZipReader& reader, const std::string& path) {
    reader.setZipName(path);
    reader.ReadZip();
    return entryRowsOf(reader);
}

std::vector<EntryRow> entryRowsOf(const TZipReader& reader) {
    const int count = reader.Count();
    std::vector<EntryRow> rows;
    rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const TZipHeaderInfo& entry = reader.Entry(i);
        rows.push_back({entry.fileName, std::to_string(entrySizeKb(entry.uncompressedSize)), entry.filePath,
                        formatDateTimeShort(fromDosDateTime(entry.modifiedDateTime))});
    }
    return rows;
}

std::string entryStoredName(const EntryRow& row) {
    std::string path = row[EntryColumnPath];
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + row[EntryColumnName];
}

std::vector<std::string> entryStoredNames(const std::vector<EntryRow>& rows, std::size_t first, std::size_t last) {
    std::vector<std::string> names;
    for (std::size_t row = first; row <= last && row < rows.size(); ++row)
        names.push_back(entryStoredName(rows[row]));
    return names;
}

} // namespace quorvel
