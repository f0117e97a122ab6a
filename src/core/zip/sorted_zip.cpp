#include "core/zip/sorted_zip.h"

#include "core/util/strings.h"

#include <algorithm>
#include <string_view>

namespace quorvel {

namespace {

unsigned char lowerAscii(char c) {
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// Compares a1 + a2 with b1 + b2, ASCII case ignored, without making either string: sorting a large
// directory by name compares names millions of times.
int compareNoCase(std::string_view a1, std::string_view a2, std::string_view b1, std::string_view b2) {
    std::size_t aSize = a1.size() + a2.size();
    std::size_t bSize = b1.size() + b2.size();
    // Names in one folder share their path: the bytes that are equal are passed over first.
    const std::size_t common = std::min(a1.size(), b1.size());
    const std::size_t same = static_cast<std::size_t>(
        std::mismatch(a1.begin(), a1.begin() + static_cast<std::ptrdiff_t>(common), b1.begin()).first - a1.begin());
    for (std::size_t i = same; i < aSize && i < bSize; ++i) {
        unsigned char ca = lowerAscii(i < a1.size() ? a1[i] : a2[i - a1.size()]);
        unsigned char cb = lowerAscii(i < b1.size() ? b1[i] : b2[i - b1.size()]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return aSize < bSize ? -1 : aSize > bSize ? 1 : 0;
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
        return compareNoCase(a.filePath, a.fileName, b.filePath, b.fileName) < 0;
    case ByFileName:
        return compareNoCase(a.fileName, {}, b.fileName, {}) < 0;
    case ByDirectoryName:
        return compareNoCase(a.filePath, {}, b.filePath, {}) < 0;
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
    auto less = [mode](const TZipHeaderInfo& a, const TZipHeaderInfo& b) { return entryLess(mode, a, b); };
    // A directory is nearly always in physical order already; a stable sort would copy it whole.
    if (!std::is_sorted(m_items.begin(), m_items.end(), less))
        std::stable_sort(m_items.begin(), m_items.end(), less);
}

} // namespace quorvel
