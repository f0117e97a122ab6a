#include "core/util/date_time.h"

#include "core/util/strings.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return (month == 2 && isLeapYear(year)) ? 29 : days[month - 1];
}

bool isValid(const DateTime& v) {
    return v.year >= 1 && v.year <= 9999 && v.month >= 1 && v.month <= 12 && v.day >= 1 &&
           v.day <= daysInMonth(v.year, v.month) && v.hour >= 0 && v.hour < 24 && v.minute >= 0 && v.minute < 60 &&
           v.second >= 0 && v.second < 60;
}

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const auto doy = static_cast<unsigned>((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0));
}

// Reads 1..maxDigits decimal digits at pos.
std::optional<int> readNumber(std::string_view text, size_t& pos, size_t maxDigits) {
    size_t start = pos;
    int value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == start)
        return std::nullopt;
    return value;
}

bool readDate(std::string_view text, size_t& pos, DateTime& out) {
    auto y = readNumber(text, pos, 4);
    if (!y || pos >= text.size() || text[pos] != '-')
        return false;
    ++pos;
    auto m = readNumber(text, pos, 2);
    if (!m || pos >= text.size() || text[pos] != '-')
        return false;
    ++pos;
    auto d = readNumber(text, pos, 2);
    if (!d)
        return false;
    out.year = *y;
    out.month = *m;
    out.day = *d;
    return true;
}

bool readTime(std::string_view text, size_t& pos, DateTime& out) {
    auto h = readNumber(text, pos, 2);
    if (!h || pos >= text.size() || text[pos] != ':')
        return false;
    ++pos;
    auto mi = readNumber(text, pos, 2);
    if (!mi)
        return false;
    int s = 0;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        auto sec = readNumber(text, pos, 2);
        if (!sec)
            return false;
        s = *sec;
    }
    out.hour = *h;
    out.minute = *mi;
    out.second = s;
    return true;
}

} // namespace

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

std::int64_t toNaiveSeconds(const DateTime& v) {
    return daysFromCivil(v.year, v.month, v.day) * 86400 + v.hour * 3600 + v.minute * 60 + v.second;
}

DateTime fromNaiveSeconds(std::int64_t seconds) {
    DateTime v;
    std::int64_t days = floorDiv(seconds, 86400);
    std::int64_t rest = seconds - days * 86400;
    civilFromDays(days, v.year, v.month, v.day);
    v.hour = static_cast<int>(rest / 3600);
    v.minute = static_cast<int>(rest / 60 % 60);
    v.second = static_cast<int>(rest % 60);
    return v;
}

DateTime addSeconds(const DateTime& value, std::int64_t seconds) {
    return fromNaiveSeconds(toNaiveSeconds(value) + seconds);
}

DateTime addDays(const DateTime& value, int days) {
    return addSeconds(value, static_cast<std::int64_t>(days) * 86400);
}

int dayOfWeek(const DateTime& value) {
    std::int64_t days = daysFromCivil(value.year, value.month, value.day);
    // 1970-01-01 was a Thursday.
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

std::time_t toTimeT(const DateTime& v) {
    std::tm tm{};
    tm.tm_year = v.year - 1900;
    tm.tm_mon = v.month - 1;
    tm.tm_mday = v.day;
    tm.tm_hour = v.hour;
    tm.tm_min = v.minute;
    tm.tm_sec = v.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

DateTime fromTimeT(std::time_t value) {
    std::tm tm{};
    localtime_r(&value, &tm);
    return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

DateTime currentDateTime() {
    return fromTimeT(std::time(nullptr));
}

std::string formatDate(const DateTime& v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", v.year, v.month, v.day);
    return buf;
}

std::string formatTime(const DateTime& v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", v.hour, v.minute, v.second);
    return buf;
}

std::string formatDateTime(const DateTime& v) {
    return formatDate(v) + " " + formatTime(v);
}

std::string formatDateTimeShort(const DateTime& v) {
    return v.isMidnight() ? formatDate(v) : formatDateTime(v);
}

std::optional<DateTime> parseDate(std::string_view text) {
    std::string t = trim(text);
    size_t pos = 0;
    DateTime v;
    if (!readDate(t, pos, v) || pos != t.size() || !isValid(v))
        return std::nullopt;
    return v;
}

std::optional<DateTime> parseTime(std::string_view text) {
    std::string t = trim(text);
    size_t pos = 0;
    DateTime v;
    if (!readTime(t, pos, v) || pos != t.size() || !isValid(v))
        return std::nullopt;
    return v;
}

std::optional<DateTime> parseDateTime(std::string_view text) {
    std::string t = trim(text);
    size_t pos = 0;
    DateTime v;
    if (!readDate(t, pos, v))
        return std::nullopt;
    if (pos < t.size()) {
        size_t blanks = pos;
        while (pos < t.size() && t[pos] == ' ')
            ++pos;
        if (pos == blanks || !readTime(t, pos, v) || pos != t.size())
            return std::nullopt;
    }
    if (!isValid(v))
        return std::nullopt;
    return v;
}

std::uint32_t toDosDateTime(const DateTime& v) {
    int year = std::clamp(v.year, 1980, 2107);
    std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | (v.month << 5) | v.day);
    std::uint32_t time = static_cast<std::uint32_t>((v.hour << 11) | (v.minute << 5) | (v.second / 2));
    if (v.year < 1980) { // the earliest moment the format can hold
        date = (1 << 5) | 1;
        time = 0;
    }
    return (date << 16) | time;
}

DateTime fromDosDateTime(std::uint32_t dos) {
    std::uint32_t date = dos >> 16;
    std::uint32_t time = dos & 0xFFFF;
    DateTime v;
    v.year = 1980 + static_cast<int>((date >> 9) & 0x7F);
    v.month = std::clamp(static_cast<int>((date >> 5) & 0x0F), 1, 12);
    v.day = std::clamp(static_cast<int>(date & 0x1F), 1, daysInMonth(v.year, v.month));
    v.hour = std::min(static_cast<int>((time >> 11) & 0x1F), 23);
    v.minute = std::min(static_cast<int>((time >> 5) & 0x3F), 59);
    v.second = std::min(static_cast<int>(time & 0x1F) * 2, 58);
    return v;
}

} // namespace quorvel
