#include "core/zip/sorted_zip.h"

#include "core/util/strings.h"

#include <algorithm>

namespace quorvel {

namespace {

int compareNoCase(const std::string& a, const std::string& b) {
    std::string la = toLowerAscii(a);
    std::string lb = toLowerAscii(b);
    return la.compare(lb);
}

// Percent saved by compression; entries that grew count as 0.
double savedPercent(const TZipHeaderInfo& e) {
    if (e.uncompressedSize == 0 || e.compressedSize >= e.uncompressedSize)
        return 0.0;
    return 100.0 * static_cast<double>(e.uncompressedSize - e.compressedSize) / static_cast<double>(e.uncompressedSize);
}

} // namespace

bool entryLess(TZipSortMode mode, const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
    switch (mode) {
    case ByName:
        return compareNoCase(a.storedName(), b.storedName()) < 0;
    case ByFileName:
        return compareNoCase(a.fileName, b.fileName) < 0;
    case ByDirectoryName:
        return compareNoCase(a.filePath, b.filePath) < 0;
    case ByDate:
        return a.modifiedDateTime < b.modifiedDateTime;
    case ByCompressedSize:
        return a.compressedSize < b.compressedSize;
    case ByUnCompressedSize:
        return a.uncompressedSize < b.uncompressedSize;
    case ByRate:
        return savedPercent(a) < savedPercent(b);
    case ByNone:
        break;
    }
    if (a.diskNumberStart != b.diskNumberStart)
        return a.diskNumberStart < b.diskNumberStart;
    return a.relativeOffset < b.relativeOffset;
}

void TSortedZip::sort(TZipSortMode mode) {
    m_mode = mode;
    std::stable_sort(m_items.begin(), m_items.end(),
                     [mode](const TZipHeaderInfo& a, const TZipHeaderInfo& b) { return entryLess(mode, a, b); });
}

} // namespace quorvel
