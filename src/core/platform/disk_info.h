#pragma once

#include <cstdint>
#include <filesystem>

namespace quorvel {

enum class DriveType { Unknown, Fixed, Removable, CdRom, Network };

// What the program needs to know about the medium a path lives on. Spanning and the backup
// run go through this interface so that tests can simulate a small removable disk.
class DiskInfo {
public:
    virtual ~DiskInfo() = default;
    virtual DriveType driveType(const std::filesystem::path& path) const = 0;
    // Bytes the calling user may still write on the file system of the path (or of its
    // nearest existing parent folder).
    virtual std::uint64_t freeSpace(const std::filesystem::path& path) const = 0;
};

// The real system: the mount point of the path decides. Its block device's "removable" flag
// gives Removable, an iso9660 or udf file system gives CdRom, nfs/cifs/smb/sshfs give Network.
class SystemDiskInfo final : public DiskInfo {
public:
    DriveType driveType(const std::filesystem::path& path) const override;
    std::uint64_t freeSpace(const std::filesystem::path& path) const override;
};

} // namespace quorvel
