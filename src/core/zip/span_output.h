#pragma once

#include "core/platform/disk_info.h"
#include "core/zip/zip_output.h"
#include "core/zip/zip_types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

// Writes an archive as a set of pieces: numbered files of fixed sizes (mmBlocks), or one file per
// removable disk, each as large as the free space on that disk (mmSpan). A record announced with
// keepTogether() never straddles two pieces; entry data runs on from one piece into the next, so
// entries must be complete (staged) before they are written here: nothing can be rewritten.
class SpanOutput final : public ZipOutput {
public:
    struct Setup {
        TMultiMode mode = mmBlocks;
        std::string zipName;
        std::uint64_t firstBlockSize = 0;   // mmBlocks
        std::uint64_t blockSize = 0;        // mmBlocks
        std::uint64_t firstDiskReserve = 0; // mmSpan: kept free on the first disk
        const DiskInfo* disks = nullptr;    // mmSpan: free space of each disk
        // mmSpan: the path of the next disk's piece (1-based number); raises when canceled.
        std::function<std::string(int number, const std::string& current)> askForDisk;
        std::function<void(int number)> prepareDisk;
        std::function<std::unique_ptr<ZipOutput>(const std::string& path)> openPiece;
    };

    explicit SpanOutput(Setup setup);
    ~SpanOutput() override;

    void write(const void* data, std::size_t size) override;
    std::uint64_t position() const override { return m_written; }
    std::uint32_t disk() const override { return m_disk; }
    void rewrite(std::uint64_t offset, const void* data, std::size_t size) override;
    void truncate(std::uint64_t offset) override;
    void keepTogether(std::size_t size) override;
    void finish() override;
    void discard() noexcept override;

    // After finish(): the path of the last piece (the archive's name when there was only one).
    const std::string& lastPiece() const { return m_path; }
    std::uint32_t pieceCount() const { return m_disk + 1; }

private:
    void openPiece(const std::string& path);
    void nextPiece();
    std::uint64_t room() const { return m_capacity > m_written ? m_capacity - m_written : 0; }

    Setup m_setup;
    std::unique_ptr<ZipOutput> m_piece;
    std::string m_path;
    std::vector<std::string> m_finished; // numbered pieces already complete
    std::uint32_t m_disk = 0;
    std::uint64_t m_written = 0;
    std::uint64_t m_capacity = 0;
    bool m_done = false;
};

} // namespace quorvel
