#pragma once

#include "core/util/date_time.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

enum TFtpListItemKind { ditFile, ditDirectory, ditSymbolicLink };

// The listing formats a folder listing is read in. A custom parser is not used by the program.
enum TFtpListFormat { flfNone, flfDos, flfUnix, flfVms, flfUnknown, flfCustom };

// One entry of a folder listing. Everything in it comes from the server and is untrusted: the
// name may hold anything (see isSafeLocalName before using it as a file name); sizes and dates
// that cannot be real are shown as unknown (0 and the zero date).
struct TFtpListItem {
    std::string rawLine;
    TFtpListItemKind kind = ditFile;
    std::string fileName;
    std::string linkTarget;
    std::int64_t size = 0;
    DateTime modified; // the zero date (1899-12-30 00:00) when unknown
    std::string ownerPermissions = "???";
    std::string groupPermissions = "???";
    std::string otherPermissions = "???";
    int linkCount = 0;
    std::string ownerName = "????????";
    std::string groupName = "????????";

    bool isDirectory() const { return kind == ditDirectory; }
    bool hasDate() const { return modified != DateTime{}; }
};

// The entries of the last folder listing, with the format it was read in.
class TFtpListItems {
public:
    TFtpListFormat ListFormat = flfNone;

    int Count() const { return static_cast<int>(m_items.size()); }
    const TFtpListItem& operator[](std::size_t index) const { return m_items[index]; }
    const std::vector<TFtpListItem>& items() const { return m_items; }
    void add(TFtpListItem item) { m_items.push_back(std::move(item)); }

private:
    std::vector<TFtpListItem> m_items;
};

// Sizes above this are taken as unknown: no file is that big, a server that says so is wrong.
inline constexpr std::int64_t MaxPlausibleSize = std::int64_t{1} << 50; // 1 PiB

// The format of a listing, judged from its first line that is not blank.
TFtpListFormat detectListFormat(std::string_view listing);

// Reads a detailed listing (LIST). `today` decides the year of Unix dates given without one.
// A line that cannot be read is left out; the others are kept. A listing in no known format
// gives no entries and the format flfUnknown.
TFtpListItems parseListing(std::string_view listing, const DateTime& today);

// The parsers of one line; false when the line is not an entry of that format.
bool parseUnixLine(std::string_view line, const DateTime& today, TFtpListItem& item);
bool parseDosLine(std::string_view line, TFtpListItem& item);
bool parseVmsLine(std::string_view line, TFtpListItem& item);

} // namespace quorvel
