#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The text of an INI file held in memory. Section and key names match without regard to
// ASCII case; the first occurrence of a duplicated section or key is the one that counts.
// Every line the program does not touch (comments, unknown keys and sections, blank lines)
// is kept as it was, so writing a value never loses what another version of the program
// or the user put there.
class IniDocument {
public:
    static IniDocument parse(std::string_view text);
    std::string serialize() const;

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    bool removeKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    bool removeSection(std::string_view section);

    bool hasSection(std::string_view section) const;
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keys(std::string_view section) const;

    // Typed access with the program's conventions: integers are decimal text and fall back to
    // the default when the text is not one; booleans are written "1"/"0" and read as integers,
    // any value other than 0 being true.
    std::string readString(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
    int readInteger(std::string_view section, std::string_view key, int fallback) const;
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;
    // Line breaks cannot be stored in a value; they are written as blanks.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    // True once anything was changed since parsing.
    bool modified() const { return m_modified; }

private:
    struct Section {
        std::string name;
        std::vector<std::string> lines; // the header line first
    };

    Section* findSection(std::string_view name);
    const Section* findSection(std::string_view name) const;

    std::vector<std::string> m_preamble; // lines before the first section
    std::vector<Section> m_sections;
    bool m_modified = false;
};

} // namespace quorvel
