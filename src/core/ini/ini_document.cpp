#include "core/ini/ini_document.h"

#include "core/util/strings.h"

#include <algorithm>

namespace quorvel {

namespace {

std::optional<std::string> sectionHeaderName(std::string_view line) {
    std::string t = trim(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    size_t close = t.rfind(']');
    if (close == std::string::npos || close == 0)
        close = t.size();
    return trim(std::string_view(t).substr(1, close - 1));
}

bool isComment(std::string_view line) {
    std::string t = trimLeft(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// Splits "key=value" lines; the key is trimmed, the value is kept exactly as written.
bool splitKeyLine(std::string_view line, std::string& key, std::string& value) {
    if (isComment(line))
        return false;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trim(line.substr(0, eq));
    if (key.empty())
        return false;
    value = std::string(line.substr(eq + 1));
    return true;
}

std::string sanitizeValue(std::string_view value) {
    std::string out(value);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return out;
}

} // namespace

IniDocument IniDocument::parse(std::string_view text) {
    IniDocument doc;
    // A UTF-8 byte order mark written by another editor is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string_view raw = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        if (auto name = sectionHeaderName(raw))
            doc.m_sections.push_back(Section{*name, {std::string(raw)}});
        else if (doc.m_sections.empty())
            doc.m_preamble.emplace_back(raw);
        else
            doc.m_sections.back().lines.emplace_back(raw);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return doc;
}

std::string IniDocument::serialize() const {
    std::string out;
    for (const auto& line : m_preamble)
        out += line + "\n";
    for (const auto& section : m_sections)
        for (const auto& line : section.lines)
            out += line + "\n";
    return out;
}

IniDocument::Section* IniDocument::findSection(std::string_view name) {
    for (auto& s : m_sections)
        if (equalsIgnoreCase(s.name, name))
            return &s;
    return nullptr;
}

const IniDocument::Section* IniDocument::findSection(std::string_view name) const {
    for (const auto& s : m_sections)
        if (equalsIgnoreCase(s.name, name))
            return &s;
    return nullptr;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const {
    const Section* s = findSection(section);
    if (s == nullptr)
        return std::nullopt;
    std::string k, v;
    for (size_t i = 1; i < s->lines.size(); ++i)
        if (splitKeyLine(s->lines[i], k, v) && equalsIgnoreCase(k, key))
            return v;
    return std::nullopt;
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = std::string(key) + "=" + sanitizeValue(value);
    Section* s = findSection(section);
    if (s == nullptr) {
        bool needsGap = !m_sections.empty() || !m_preamble.empty();
        if (needsGap) {
            auto& last = m_sections.empty() ? m_preamble : m_sections.back().lines;
            if (!last.empty() && !trim(last.back()).empty())
                last.emplace_back();
        }
        m_sections.push_back(Section{std::string(section), {"[" + std::string(section) + "]", line}});
        m_modified = true;
        return;
    }
    std::string k, v;
    size_t lastKeyLine = 0;
    for (size_t i = 1; i < s->lines.size(); ++i) {
        if (!splitKeyLine(s->lines[i], k, v)) {
            if (!trim(s->lines[i]).empty())
                lastKeyLine = i;
            continue;
        }
        if (equalsIgnoreCase(k, key)) {
            if (s->lines[i] != line) {
                s->lines[i] = line;
                m_modified = true;
            }
            return;
        }
        lastKeyLine = i;
    }
    // New keys go after the section's last non-blank line, so blank separators stay at its end.
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(lastKeyLine + 1), line);
    m_modified = true;
}

bool IniDocument::removeKey(std::string_view section, std::string_view key) {
    Section* s = findSection(section);
    if (s == nullptr)
        return false;
    std::string k, v;
    for (size_t i = 1; i < s->lines.size(); ++i) {
        if (splitKeyLine(s->lines[i], k, v) && equalsIgnoreCase(k, key)) {
            s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(i));
            m_modified = true;
            return true;
        }
    }
    return false;
}

bool IniDocument::removeSection(std::string_view section) {
    auto before = m_sections.size();
    std::erase_if(m_sections, [&](const Section& s) { return equalsIgnoreCase(s.name, section); });
    if (m_sections.size() == before)
        return false;
    m_modified = true;
    return true;
}

bool IniDocument::hasSection(std::string_view section) const {
    return findSection(section) != nullptr;
}

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> names;
    for (const auto& s : m_sections)
        names.push_back(s.name);
    return names;
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
    std::vector<std::string> result;
    const Section* s = findSection(section);
    if (s == nullptr)
        return result;
    std::string k, v;
    for (size_t i = 1; i < s->lines.size(); ++i)
        if (splitKeyLine(s->lines[i], k, v))
            result.push_back(k);
    return result;
}

std::string IniDocument::readString(std::string_view section, std::string_view key, std::string_view fallback) const {
    auto v = value(section, key);
    return v ? *v : std::string(fallback);
}

int IniDocument::readInteger(std::string_view section, std::string_view key, int fallback) const {
    auto v = value(section, key);
    return v ? parseIntOr(*v, fallback) : fallback;
}

bool IniDocument::readBool(std::string_view section, std::string_view key, bool fallback) const {
    auto v = value(section, key);
    if (!v)
        return fallback;
    auto n = parseInt(*v);
    return n ? *n != 0 : fallback;
}

void IniDocument::writeString(std::string_view section, std::string_view key, std::string_view value) {
    setValue(section, key, value);
}

void IniDocument::writeInteger(std::string_view section, std::string_view key, int value) {
    setValue(section, key, std::to_string(value));
}

void IniDocument::writeBool(std::string_view section, std::string_view key, bool value) {
    setValue(section, key, value ? "1" : "0");
}

} // namespace quorvel
