#pragma once

#include "core/zip/zip_types.h"

#include <cstddef>
#include <vector>

namespace quorvel {

// A list of entries kept in one sort order. Entries belong to the list.
class TSortedZip {
public:
    explicit TSortedZip(TZipSortMode mode = ByNone) : m_mode(mode) {}

    TZipSortMode sortMode() const { return m_mode; }
    // Reorders the list; ByNone is physical order (disk, then local header offset).
    void sort(TZipSortMode mode);

    void add(TZipHeaderInfo entry) { m_items.push_back(std::move(entry)); }
    void reserve(std::size_t count) { m_items.reserve(count); }
    void clear() { m_items.clear(); }
    std::size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    const TZipHeaderInfo& operator[](std::size_t i) const { return m_items[i]; }
    TZipHeaderInfo& operator[](std::size_t i) { return m_items[i]; }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }

private:
    TZipSortMode m_mode;
    std::vector<TZipHeaderInfo> m_items;
};

// Strict weak order of two entries for a sort mode (names compare without regard to ASCII case).
bool entryLess(TZipSortMode mode, const TZipHeaderInfo& a, const TZipHeaderInfo& b);

} // namespace quorvel
