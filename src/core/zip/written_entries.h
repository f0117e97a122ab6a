#pragma once

#include "core/zip/zip_types.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The entries of the archive being written, in physical order, until its directory is written.
// Each is kept as the directory record it becomes (about a quarter of the memory of the entry
// itself, which counts in archives of many small files), in blocks that never move once filled.
// Iterating gives the entries back as the directory will describe them.
class WrittenEntries {
public:
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = TZipHeaderInfo;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = TZipHeaderInfo;

        Iterator(const WrittenEntries& owner, std::size_t chunk, std::size_t offset)
            : m_owner(&owner), m_chunk(chunk), m_offset(offset) {}
        TZipHeaderInfo operator*() const;
        std::string_view record() const;
        Iterator& operator++();
        bool operator==(const Iterator& other) const = default;

    private:
        const WrittenEntries* m_owner;
        std::size_t m_chunk;
        std::size_t m_offset;
    };

    // How names of entries from MS-DOS hosts read back (the writer's OEMConvert).
    void setOemConvert(bool oemConvert) { m_oemConvert = oemConvert; }
    void push_back(const TZipHeaderInfo& entry);
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // Forgets the entries and gives their memory back.
    void clear();
    Iterator begin() const { return Iterator(*this, 0, 0); }
    Iterator end() const { return Iterator(*this, m_chunks.size(), 0); }
    // The entries, for a directory that takes them over.
    operator std::vector<TZipHeaderInfo>() &&;

private:
    std::vector<std::string> m_chunks;
    std::size_t m_count = 0;
    bool m_oemConvert = true;
};

} // namespace quorvel
