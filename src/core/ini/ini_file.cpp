#include "core/ini/ini_file.h"

#include "core/platform/atomic_file.h"
#include "core/util/errors.h"

#include <system_error>

namespace quorvel {

IniFile::IniFile(std::filesystem::path path) : m_path(std::move(path)) {}

IniDocument IniFile::read() const {
    auto text = readWholeFile(m_path);
    return text ? IniDocument::parse(*text) : IniDocument{};
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view fallback) const {
    return read().readString(section, key, fallback);
}

int IniFile::readInteger(std::string_view section, std::string_view key, int fallback) const {
    return read().readInteger(section, key, fallback);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return read().readBool(section, key, fallback);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    edit([&](IniDocument& doc) { doc.writeString(section, key, value); });
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    edit([&](IniDocument& doc) { doc.writeInteger(section, key, value); });
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    edit([&](IniDocument& doc) { doc.writeBool(section, key, value); });
}

void IniFile::deleteKey(std::string_view section, std::string_view key) {
    edit([&](IniDocument& doc) { doc.removeKey(section, key); });
}

void IniFile::eraseSection(std::string_view section) {
    edit([&](IniDocument& doc) { doc.removeSection(section); });
}

void IniFile::edit(const std::function<void(IniDocument&)>& change) {
    std::error_code ec;
    bool exists = std::filesystem::exists(m_path, ec);
    IniDocument doc;
    if (exists) {
        auto text = readWholeFile(m_path);
        if (!text)
            throw IoError("Cannot read '" + m_path.string() + "'");
        doc = IniDocument::parse(*text);
    }
    change(doc);
    if (doc.modified())
        writeFileAtomically(m_path, doc.serialize());
}

} // namespace quorvel
