#include "core/zip/span_output.h"

#include "core/util/errors.h"
#include "core/zip/archive_file.h"
#include "core/zip/disk_set.h"
#include "core/zip/zip_errors.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

// The reader accepts disk numbers up to 999.
constexpr std::uint32_t MaxPieces = 1000;
// A handler that keeps answering without changing the disk ends the operation instead of looping.
constexpr int MaxUnchangedAnswers = 3;

bool sameFile(const std::string& path, const struct stat& other) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_dev == other.st_dev && st.st_ino == other.st_ino;
}

} // namespace

SpanOutput::SpanOutput(Setup setup) : m_setup(std::move(setup)) {
    if (m_setup.mode == mmBlocks) {
        openPiece(numberedPieceName(m_setup.zipName, 1));
        m_capacity = m_setup.firstBlockSize;
    } else {
        openPiece(m_setup.zipName);
        std::uint64_t free = m_setup.disks->freeSpace(std::filesystem::absolute(m_path).parent_path());
        m_capacity = free > m_setup.firstDiskReserve ? free - m_setup.firstDiskReserve : 0;
    }
}

SpanOutput::~SpanOutput() {
    discard();
}

void SpanOutput::openPiece(const std::string& path) {
    m_path = path;
    m_piece = m_setup.openPiece(path);
    m_written = 0;
}

void SpanOutput::nextPiece() {
    if (m_disk + 1 >= MaxPieces)
        throw Error(ErrorKind::Refused,
                    "An archive cannot be cut into more than " + std::to_string(MaxPieces) + " pieces");
    m_piece->finish();
    m_piece.reset();
    ++m_disk;
    int number = static_cast<int>(m_disk) + 1;
    if (m_setup.mode == mmBlocks) {
        m_finished.push_back(m_path);
        openPiece(numberedPieceName(m_setup.zipName, m_disk + 1));
        m_capacity = m_setup.blockSize;
        return;
    }
    // Volume labels are never written here; the disk is asked for, then cleared of an old piece.
    // While the drive still holds the piece just finished the disk was not changed: deleting that
    // "old piece" would destroy the set, so the disk is asked for again.
    struct stat finished {};
    bool known = ::stat(m_path.c_str(), &finished) == 0;
    std::string path = m_setup.askForDisk(number, m_path);
    for (int answers = 1; known && sameFile(path, finished); ++answers) {
        if (answers == MaxUnchangedAnswers)
            throw Error(ErrorKind::Cancelled,
                        "Disk " + std::to_string(number) + " was not inserted: the drive still holds disk " +
                            std::to_string(number - 1),
                        path);
        path = m_setup.askForDisk(number, m_path);
    }
    ::unlink(path.c_str());
    if (m_setup.prepareDisk)
        m_setup.prepareDisk(number);
    openPiece(path);
    m_capacity = m_setup.disks->freeSpace(std::filesystem::absolute(m_path).parent_path());
}

void SpanOutput::keepTogether(std::size_t size) {
    if (room() >= size)
        return;
    if (m_written == 0)
        throw ENotEnoughRoom(); // not even an empty piece holds the record
    nextPiece();
    if (room() < size)
        throw ENotEnoughRoom();
}

void SpanOutput::write(const void* data, std::size_t size) {
    auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (room() == 0) {
            if (m_written == 0)
                throw ENotEnoughRoom();
            nextPiece();
            continue;
        }
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, room()));
        m_piece->write(bytes, n);
        m_written += n;
        bytes += n;
        size -= n;
    }
}

void SpanOutput::rewrite(std::uint64_t, const void*, std::size_t) {
    throw std::logic_error("a spanned archive cannot be rewritten; entries are staged first");
}

void SpanOutput::truncate(std::uint64_t) {
    throw std::logic_error("a spanned archive cannot be truncated; entries are staged first");
}

void SpanOutput::finish() {
    m_piece->finish();
    m_piece.reset();
    if (m_setup.mode == mmBlocks && m_disk == 0) {
        if (::rename(m_path.c_str(), m_setup.zipName.c_str()) != 0)
            throw IoError::of("Cannot rename " + m_path + " to", m_setup.zipName, errno);
        m_path = m_setup.zipName;
    }
    m_done = true;
}

void SpanOutput::discard() noexcept {
    if (m_done)
        return;
    if (m_piece)
        m_piece->discard();
    else if (!m_path.empty())
        ::unlink(m_path.c_str()); // complete, but the set it belongs to is not
    for (const std::string& path : m_finished)
        ::unlink(path.c_str());
    m_done = true;
}

} // namespace quorvel
