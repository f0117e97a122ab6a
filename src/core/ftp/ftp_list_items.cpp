#include "core/ftp/ftp_list_items.h"

#include "core/util/strings.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace quorvel {

namespace {

bool isBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::vector<std::string_view> listingLines(std::string_view listing) {
    std::vector<std::string_view> lines;
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        std::string_view line = listing.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        listing.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<std::int64_t> digitsOf(std::string_view text) {
    std::string digits;
    for (const char c : trim(text))
        if (c != ',')
            digits += c;
    if (digits.empty() || digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoll(digits);
}

bool looksUnix(const std::string& upper) {
    if (upper.starts_with("TOTAL"))
        return true;
    if (upper.size() < 10 || std::string_view("-DL").find(upper[0]) == std::string_view::npos)
        return false;
    // Set-id and sticky bits show as S and T in place of X.
    return std::all_of(upper.begin() + 1, upper.begin() + 10,
                       [](char c) { return std::string_view("-RWXST").find(c) != std::string_view::npos; });
}

// "NAME.EXT;12": a file name with its version number.
bool hasVmsVersion(std::string_view token) {
    const std::size_t semicolon = token.find(';');
    return semicolon != std::string_view::npos && semicolon > 0 && semicolon + 1 < token.size() &&
           std::all_of(token.begin() + static_cast<std::ptrdiff_t>(semicolon) + 1, token.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view firstToken(std::string_view line) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    line.remove_prefix(start);
    return line.substr(0, line.find_first_of(" \t"));
}

bool looksVms(const std::string& upper) {
    return upper.find("DSK:") != std::string::npos || upper.starts_with("DIRECTORY ") ||
           hasVmsVersion(firstToken(upper));
}

bool looksDos(const std::string& line) {
    const auto separator = [](char c) { return c == '-' || c == '/'; };
    if (line.size() < 8 || !separator(line[2]) || !separator(line[5]))
        return false;
    const std::string dirColumn = line.size() > 24 ? trim(line.substr(24, 6)) : std::string();
    if (equalsIgnoreCase(dirColumn, "<DIR>"))
        return true;
    return dirColumn.empty() && line.size() > 30 && digitsOf(line.substr(30, 8)).has_value();
}

bool isVmsSummaryLine(std::string_view line) {
    const std::string upper = toUpperAscii(trim(line));
    return upper.starts_with("DIRECTORY ") || upper.starts_with("TOTAL OF ") || upper.starts_with("GRAND TOTAL");
}

} // namespace

TFtpListFormat detectListFormat(std::string_view listing) {
    for (const std::string_view line : listingLines(listing)) {
        if (isBlankLine(line))
            continue;
        const std::string upper = toUpperAscii(line);
        if (looksUnix(upper))
            return flfUnix;
        if (looksVms(upper))
            return flfVms;
        if (looksDos(std::string(line)))
            return flfDos;
        return flfUnknown;
    }
    return flfNone;
}

TFtpListItems parseListing(std::string_view listing, const DateTime& today) {
    TFtpListItems items;
    items.ListFormat = detectListFormat(listing);
    if (items.ListFormat == flfNone || items.ListFormat == flfUnknown)
        return items;
    const std::vector<std::string_view> lines = listingLines(listing);
    bool first = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line(lines[i]);
        if (isBlankLine(line))
            continue;
        const bool firstLine = std::exchange(first, false);
        if (items.ListFormat == flfUnix && firstLine && toUpperAscii(line).starts_with("TOTAL"))
            continue;
        TFtpListItem item;
        bool parsed = false;
        if (items.ListFormat == flfUnix) {
            parsed = parseUnixLine(line, today, item);
        } else if (items.ListFormat == flfDos) {
            parsed = parseDosLine(line, item);
        } else {
            if (isVmsSummaryLine(line))
                continue;
            // A long VMS name stands alone on its line and the rest of the entry follows on the next.
            if (hasVmsVersion(trim(line)) && i + 1 < lines.size())
                line += " " + std::string(lines[++i]);
            parsed = parseVmsLine(line, item) || parseUnixLine(line, today, item);
        }
        if (parsed) {
            item.rawLine = line;
            items.add(std::move(item));
        }
    }
    return items;
}

} // namespace quorvel
