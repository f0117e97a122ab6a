#pragma once

#include "core/ini/ini_document.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace quorvel {

// An INI file on disk, opened, read or written, and closed for every operation; nothing is
// cached between calls. A missing or unreadable file reads as empty, so every read yields its
// default. Every write replaces the file atomically (see writeFileAtomically): a crash or a
// full disk never leaves a half-written file. The first write creates the file with mode 0600.
class IniFile {
public:
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return m_path; }

    // A snapshot of the file for a run of reads.
    IniDocument read() const;

    std::string readString(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
    int readInteger(std::string_view section, std::string_view key, int fallback) const;
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void deleteKey(std::string_view section, std::string_view key);
    void eraseSection(std::string_view section);

    // Applies several changes as one replacement of the file: either all of them reach the
    // disk or none does. Nothing is written when the change leaves the text as it was.
    // A file that exists but cannot be read is never overwritten (IoError instead).
    void edit(const std::function<void(IniDocument&)>& change);

private:
    std::filesystem::path m_path;
};

} // namespace quorvel
