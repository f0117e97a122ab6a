#include "core/ftp/ftp_list_items.h"
#include "core/util/strings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace quorvel {

namespace {

struct Token {
    std::size_t start = 0;
    std::string text;
};

std::vector<Token> tokensOf(std::string_view line) {
    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", pos);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        tokens.push_back({start, std::string(line.substr(start, end - start))});
        pos = end;
    }
    return tokens;
}

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A size as the server wrote it, or 0 when it is not a number or not a plausible one.
std::int64_t sizeOf(std::string_view text) {
    std::string digits;
    for (const char c : text)
        if (c != ',')
            digits += c;
    if (!allDigits(digits) || digits.size() > 18)
        return 0;
    const std::int64_t size = std::stoll(digits);
    return size <= MaxPlausibleSize ? size : 0;
}

int numberOr(std::string_view text, int fallback) {
    if (!allDigits(text) || text.size() > 9)
        return fallback;
    return std::stoi(std::string(text));
}

std::optional<int> monthOf(std::string_view text) {
    static constexpr std::array<std::string_view, 12> Months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                                "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (std::size_t i = 0; i < Months.size(); ++i)
        if (equalsIgnoreCase(text, Months[i]))
            return static_cast<int>(i) + 1;
    return std::nullopt;
}

// "hh:mm" or "hh:mm:ss"; nullopt when it is not a time of day.
std::optional<std::array<int, 3>> timeOf(std::string_view text) {
    const std::vector<std::string> parts = split(text, ':');
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    std::array<int, 3> time{0, 0, 0};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        // VMS may add hundredths of a second: "12:01:02.15".
        const std::string part = i == 2 ? parts[i].substr(0, parts[i].find('.')) : parts[i];
        if (!allDigits(part) || part.size() > 2)
            return std::nullopt;
        time[i] = std::stoi(part);
    }
    if (time[0] > 23 || time[1] > 59 || time[2] > 59)
        return std::nullopt;
    return time;
}

// The date when it is one a file can have; otherwise the zero date (unknown).
DateTime plausibleDate(int year, int month, int day, int hour, int minute, int second) {
    const DateTime value{year, month, day, hour, minute, second};
    if (year < 1970 || year > 9999 || !isValid(value))
        return DateTime{};
    return value;
}

std::string permissionsAt(const std::string& text, std::size_t at) {
    return text.size() >= at + 3 ? text.substr(at, 3) : std::string("???");
}

} // namespace

bool parseUnixLine(std::string_view line, const DateTime& today, TFtpListItem& item) {
    const std::string text = trimRight(line);
    std::vector<Token> tokens = tokensOf(text);
    // Listings with only one of the owner and group columns: the size column holds the month.
    if (tokens.size() >= 8 && std::isalpha(static_cast<unsigned char>(tokens[4].text[0])) != 0)
        tokens.insert(tokens.begin() + 2, Token{tokens[2].start, std::string()});
    if (tokens.size() < 9)
        return false;
    const std::optional<int> month = monthOf(tokens[5].text);
    if (!month)
        return false;
    const std::string& mode = tokens[0].text;
    const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(mode[0])));
    item.kind = kind == 'D' ? ditDirectory : kind == 'L' ? ditSymbolicLink : ditFile;
    item.ownerPermissions = permissionsAt(mode, 1);
    item.groupPermissions = permissionsAt(mode, 4);
    item.otherPermissions = permissionsAt(mode, 7);
    item.linkCount = numberOr(tokens[1].text, 0);
    item.ownerName = tokens[2].text;
    item.groupName = tokens[3].text;
    item.size = sizeOf(tokens[4].text);
    const int day = numberOr(tokens[6].text, today.day);
    const std::string& yearOrTime = tokens[7].text;
    if (yearOrTime.find(':') != std::string::npos) {
        const auto time = timeOf(yearOrTime);
        const int year = *month > today.month ? today.year - 1 : today.year;
        item.modified = time ? plausibleDate(year, *month, day, (*time)[0], (*time)[1], 0) : DateTime{};
    } else {
        item.modified = plausibleDate(numberOr(yearOrTime, today.year), *month, day, 0, 0, 0);
    }
    // The name is the rest of the line as written, so that runs of blanks inside it survive.
    std::string name = text.substr(tokens[8].start);
    if (item.kind == ditSymbolicLink) {
        const std::size_t arrow = name.find(" -> ");
        if (arrow != std::string::npos) {
            item.linkTarget = name.substr(arrow + 4);
            name.erase(arrow);
        }
    }
    item.fileName = std::move(name);
    return !item.fileName.empty();
}

bool parseDosLine(std::string_view line, TFtpListItem& item) {
    if (line.size() < 9)
        return false;
    std::string rest = trim(line.substr(8));
    const std::size_t timeEnd = rest.find_first_of(" \t");
    if (timeEnd == std::string::npos)
        return false;
    std::string time = toUpperAscii(rest.substr(0, timeEnd));
    rest = trim(rest.substr(timeEnd));
    const std::size_t sizeEnd = rest.find_first_of(" \t");
    if (sizeEnd == std::string::npos)
        return false;
    const std::string sizeText = rest.substr(0, sizeEnd);
    item.fileName = trim(rest.substr(sizeEnd));
    if (equalsIgnoreCase(sizeText, "<DIR>")) {
        item.kind = ditDirectory;
    } else {
        item.kind = ditFile;
        item.size = sizeOf(sizeText);
    }
    // Two-digit years: 70 to 99 are of the last century, the rest of this one.
    const int month = numberOr(line.substr(0, 2), 0);
    const int day = numberOr(line.substr(3, 2), 0);
    int year = numberOr(line.substr(6, 2), -1);
    year += year >= 70 ? 1900 : 2000;
    int hourShift = 0;
    bool twelveHour = false;
    if (time.ends_with("AM") || time.ends_with("PM")) {
        twelveHour = true;
        hourShift = time.ends_with("PM") ? 12 : 0;
        time.resize(time.size() - 2);
    }
    const auto clock = timeOf(time);
    if (clock && (!twelveHour || ((*clock)[0] >= 1 && (*clock)[0] <= 12))) {
        const int hour = twelveHour ? (*clock)[0] % 12 + hourShift : (*clock)[0];
        item.modified = plausibleDate(year, month, day, hour, (*clock)[1], 0);
    } else {
        item.modified = DateTime{};
    }
    return !item.fileName.empty();
}

bool parseVmsLine(std::string_view line, TFtpListItem& item) {
    const std::vector<Token> tokens = tokensOf(line);
    if (tokens.size() < 4)
        return false;
    std::string name = tokens[0].text;
    const std::size_t semicolon = name.find(';');
    if (semicolon == std::string::npos || semicolon == 0)
        return false;
    name.erase(semicolon);
    // Sizes are in blocks of 512 bytes, as "used/allocated" or "used".
    const std::string used = tokens[1].text.substr(0, tokens[1].text.find('/'));
    if (!allDigits(used))
        return false;
    const std::vector<std::string> date = split(tokens[2].text, '-');
    if (date.size() != 3)
        return false;
    const std::optional<int> month = monthOf(date[1]);
    const auto time = timeOf(tokens[3].text);
    if (!month || !time)
        return false;
    item.kind = ditFile;
    if (toUpperAscii(name).ends_with(".DIR")) {
        item.kind = ditDirectory;
        name.resize(name.size() - 4);
    }
    item.fileName = name;
    const std::int64_t blocks = sizeOf(used);
    item.size = blocks <= MaxPlausibleSize / 512 ? blocks * 512 : 0;
    item.modified =
        plausibleDate(numberOr(date[2], 0), *month, numberOr(date[0], 0), (*time)[0], (*time)[1], (*time)[2]);
    if (tokens.size() > 4)
        item.ownerName = tokens[4].text;
    return !item.fileName.empty();
}

} // namespace quorvel
