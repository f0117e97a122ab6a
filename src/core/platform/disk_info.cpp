#include "core/platform/disk_info.h"

#include <fstream>
#include <sstream>
#include <string>
#include <sys/statvfs.h>
#include <system_error>
#include <vector>

namespace quorvel {

namespace fs = std::filesystem;

namespace {

fs::path nearestExisting(const fs::path& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec)
        p = path;
    while (!p.empty() && !fs::exists(p, ec)) {
        if (p == p.parent_path())
            break;
        p = p.parent_path();
    }
    fs::path canonical = fs::canonical(p, ec);
    return ec ? p : canonical;
}

struct Mount {
    std::string devNumbers; // "major:minor"
    std::string mountPoint;
    std::string fsType;
};

// mountinfo escapes blanks and a few other characters as octal "\040".
std::string unescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            int value = 0;
            bool octal = true;
            for (size_t k = 1; k <= 3; ++k) {
                char c = field[i + k];
                if (c < '0' || c > '7') {
                    octal = false;
                    break;
                }
                value = value * 8 + (c - '0');
            }
            if (octal) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::vector<Mount> readMounts() {
    std::vector<Mount> mounts;
    std::ifstream in("/proc/self/mountinfo");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string id, parent, dev, root, mountPoint;
        fields >> id >> parent >> dev >> root >> mountPoint;
        std::string token;
        while (fields >> token && token != "-") {
        }
        std::string fsType;
        fields >> fsType;
        mounts.push_back(Mount{dev, unescapeMountField(mountPoint), fsType});
    }
    return mounts;
}

bool isUnder(const std::string& path, const std::string& mountPoint) {
    if (mountPoint == "/")
        return true;
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

bool readFlag(const fs::path& file) {
    std::ifstream in(file);
    int value = 0;
    return (in >> value) && value != 0;
}

bool blockDeviceIsRemovable(const std::string& devNumbers) {
    std::error_code ec;
    fs::path device = fs::canonical(fs::path("/sys/dev/block") / devNumbers, ec);
    if (ec)
        return false;
    // A partition has no flag of its own; its disk, one level up, has it.
    if (fs::exists(device / "removable", ec))
        return readFlag(device / "removable");
    return readFlag(device.parent_path() / "removable");
}

} // namespace

DriveType SystemDiskInfo::driveType(const fs::path& path) const {
    const std::string target = nearestExisting(path).string();
    const Mount* best = nullptr;
    std::vector<Mount> mounts = readMounts();
    for (const auto& m : mounts)
        if (isUnder(target, m.mountPoint) && (best == nullptr || m.mountPoint.size() >= best->mountPoint.size()))
            best = &m;
    if (best == nullptr)
        return DriveType::Unknown;
    const std::string& type = best->fsType;
    if (type == "iso9660" || type == "udf")
        return DriveType::CdRom;
    if (type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "smbfs" ||
        type == "fuse.sshfs" || type == "9p")
        return DriveType::Network;
    if (blockDeviceIsRemovable(best->devNumbers))
        return DriveType::Removable;
    return DriveType::Fixed;
}

std::uint64_t SystemDiskInfo::freeSpace(const fs::path& path) const {
    struct statvfs st {};
    if (::statvfs(nearestExisting(path).c_str(), &st) != 0)
        return 0;
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

} // namespace quorvel
