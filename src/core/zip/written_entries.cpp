#include "core/zip/written_entries.h"

#include "core/zip/byte_reader.h"
#include "core/zip/zip_format.h"

#include <algorithm>

namespace quorvel {

using namespace zipformat;

namespace {

constexpr std::size_t ChunkSize = 1024 * 1024;

std::size_t recordSizeAt(const std::string& chunk, std::size_t offset) {
    ByteReader lengths(reinterpret_cast<const unsigned char*>(chunk.data()) + offset + 28, 6);
    std::size_t size = CentralHeaderSize + lengths.u16();
    size += lengths.u16();
    return size + lengths.u16();
}

} // namespace

void WrittenEntries::push_back(const TZipHeaderInfo& entry) {
    std::string record = encodeCentralRecord(entry);
    if (m_chunks.empty() || m_chunks.back().capacity() - m_chunks.back().size() < record.size()) {
        m_chunks.emplace_back();
        m_chunks.back().reserve(std::max(ChunkSize, record.size()));
    }
    m_chunks.back() += record;
    ++m_count;
}

void WrittenEntries::clear() {
    std::vector<std::string>().swap(m_chunks);
    m_count = 0;
}

WrittenEntries::operator std::vector<TZipHeaderInfo>() && {
    std::vector<TZipHeaderInfo> entries;
    entries.reserve(m_count);
    for (Iterator it = begin(); it != end(); ++it)
        entries.push_back(*it);
    clear();
    return entries;
}

std::string_view WrittenEntries::Iterator::record() const {
    const std::string& chunk = m_owner->m_chunks[m_chunk];
    return std::string_view(chunk).substr(m_offset, recordSizeAt(chunk, m_offset));
}

TZipHeaderInfo WrittenEntries::Iterator::operator*() const {
    std::string_view bytes = record();
    ByteReader in(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    TZipHeaderInfo entry;
    parseCentralRecord(in, entry, m_owner->m_oemConvert);
    return entry;
}

WrittenEntries::Iterator& WrittenEntries::Iterator::operator++() {
    m_offset += recordSizeAt(m_owner->m_chunks[m_chunk], m_offset);
    if (m_offset >= m_owner->m_chunks[m_chunk].size()) {
        ++m_chunk;
        m_offset = 0;
    }
    return *this;
}

} // namespace quorvel
