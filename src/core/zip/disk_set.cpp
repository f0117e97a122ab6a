#include "core/zip/disk_set.h"

#include <cstdio>
#include <filesystem>

namespace quorvel {

std::string numberedPieceName(const std::string& zipName, std::uint32_t number) {
    char extension[16];
    std::snprintf(extension, sizeof extension, ".%03u", number);
    return std::filesystem::path(zipName).replace_extension(extension).string();
}

DiskSet::DiskSet(TMultiMode mode, std::string zipName, std::uint32_t lastDisk, std::uint32_t currentDisk,
                 bool zipNameIsLast, AskForDisk ask)
    : m_mode(mode), m_zipName(std::move(zipName)), m_lastDisk(lastDisk), m_current(currentDisk),
      m_zipNameIsLast(zipNameIsLast), m_ask(std::move(ask)) {}

const ArchiveFile* DiskSet::disk(std::uint32_t index) {
    if (index > m_lastDisk)
        return nullptr;
    if (m_file && m_fileIsCurrent && index == m_current)
        return m_file.get();
    std::string path;
    if (m_mode == mmBlocks) {
        path = index == m_lastDisk && m_zipNameIsLast ? m_zipName : numberedPieceName(m_zipName, index + 1);
    } else if (index == m_current && m_currentInPlace) {
        path = m_zipName;
    } else {
        m_file.reset(); // the disk in the drive is about to be changed
        path = m_ask(static_cast<int>(index) + 1);
        m_currentInPlace = false;
    }
    m_file.reset();
    m_file = std::make_unique<ArchiveFile>(path);
    m_current = index;
    m_fileIsCurrent = true;
    m_sizes[index] = m_file->size();
    return m_file.get();
}

std::uint64_t DiskSet::sizeOf(std::uint32_t index) {
    auto known = m_sizes.find(index);
    if (known != m_sizes.end())
        return known->second;
    const ArchiveFile* file = disk(index);
    return file ? file->size() : 0;
}

std::size_t SpannedSource::readAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    std::uint32_t index = m_first;
    while (index <= m_disks.lastDisk() && offset >= m_disks.sizeOf(index)) {
        offset -= m_disks.sizeOf(index);
        ++index;
    }
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count && index <= m_disks.lastDisk()) {
        const ArchiveFile* file = m_disks.disk(index);
        std::size_t got = file->readAt(offset, out + done, count - done);
        done += got;
        offset += got;
        if (done < count && offset < file->size())
            break; // the disk ended early while being read
        if (done < count) {
            ++index;
            offset = 0;
        }
    }
    return done;
}

} // namespace quorvel
