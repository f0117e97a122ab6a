#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// A new version of a file, written under a hidden temporary name beside it and renamed over it
// only when complete and flushed to the disk. Whatever happens before commit() — a crash, a
// full disk, an exception — the target still holds its complete old content, and the
// temporary file is removed when the object goes away. The temporary file is locked while it
// is written (see leftover_files.h); what killed writes of the same target left is removed
// when the next one begins.
class AtomicReplacement {
public:
    explicit AtomicReplacement(std::filesystem::path target);
    ~AtomicReplacement();
    AtomicReplacement(const AtomicReplacement&) = delete;
    AtomicReplacement& operator=(const AtomicReplacement&) = delete;

    int fd() const { return m_fd; }
    const std::filesystem::path& target() const { return m_target; }
    const std::string& temporaryPath() const { return m_tempPath; }

    void write(const char* data, std::size_t size);
    // Flushes, closes and renames the temporary file over the target, then flushes the folder.
    void commit();

private:
    std::filesystem::path m_target;
    std::string m_tempPath;
    int m_fd = -1;
    bool m_committed = false;
};

// The name of the file that an AtomicReplacement's temporary file named `name` stands in for
// (".NAME.XXXXXX" stands for NAME); empty when `name` is no such temporary name.
std::string replacedTargetOf(const std::string& name);

// Replaces `target` with `contents` through an AtomicReplacement.
// The file gets mode 0600 (our data files hold passwords), also where an older one was readable
// by others.
// Throws IoError naming the path on failure; the old file is then untouched.
void writeFileAtomically(const std::filesystem::path& target, std::string_view contents);

// Copies `source` to `destination` through an AtomicReplacement, so the destination name only
// ever holds the old file or the complete copy. The copy keeps the source's permission bits
// (never set-id bits) and its modification time, as a copied archive should still show when it
// was made. Copying a file onto itself, under the same name or another link, leaves it as it is.
// Throws IoError naming the path and the system's reason; nothing is left behind then.
void copyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& destination);

// The whole file, or nullopt when it does not exist or cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Flushes a folder's entry table, so that a rename inside it survives a crash.
void syncFolder(const std::filesystem::path& folder);

} // namespace quorvel
