#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// A local wall-clock date-time with one-second resolution, as the program shows and stores it.
// Arithmetic on it is naive (no time zone, no daylight saving), which is how the stored
// schedule and filter times are meant.
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // Plain operators rather than <=>: Qt's moc cannot read headers that include <compare>.
    bool operator==(const DateTime&) const = default;
    bool operator<(const DateTime& other) const { return key() < other.key(); }
    bool operator>(const DateTime& other) const { return other < *this; }
    bool operator<=(const DateTime& other) const { return !(other < *this); }
    bool operator>=(const DateTime& other) const { return !(*this < other); }

    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0; }
    DateTime datePart() const { return DateTime{year, month, day, 0, 0, 0}; }

private:
    long long key() const {
        return ((((static_cast<long long>(year) * 13 + month) * 32 + day) * 24 + hour) * 60 + minute) * 60 + second;
    }
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
bool isValid(const DateTime& value);

// Integer division rounding towards minus infinity.
std::int64_t floorDiv(std::int64_t a, std::int64_t b);

// Seconds since 1970-01-01 00:00:00 of the naive wall-clock value.
std::int64_t toNaiveSeconds(const DateTime& value);
DateTime fromNaiveSeconds(std::int64_t seconds);
DateTime addSeconds(const DateTime& value, std::int64_t seconds);
DateTime addDays(const DateTime& value, int days);
// 0 = Sunday .. 6 = Saturday.
int dayOfWeek(const DateTime& value);

// Conversions through the system's local time zone.
std::time_t toTimeT(const DateTime& value);
DateTime fromTimeT(std::time_t value);
DateTime currentDateTime();

// The program's text formats: date "yyyy-mm-dd", time "HH:mm:ss", date-time "date time".
std::string formatDate(const DateTime& value);
std::string formatTime(const DateTime& value);
std::string formatDateTime(const DateTime& value);
// As formatDateTime, but the time is left out when it is exactly midnight.
std::string formatDateTimeShort(const DateTime& value);

// Parsing accepts one- or two-digit month, day, hour, minute and second fields and an
// optional seconds field; the date-time form also accepts a date alone (midnight).
// Text that is not a valid date or time gives nullopt.
std::optional<DateTime> parseDate(std::string_view text);
std::optional<DateTime> parseTime(std::string_view text); // date part stays 1899-12-30
std::optional<DateTime> parseDateTime(std::string_view text);

// MS-DOS date-time: date in the high word, time in the low word, two-second resolution.
std::uint32_t toDosDateTime(const DateTime& value);
// Invalid fields are clamped to the nearest valid value.
DateTime fromDosDateTime(std::uint32_t dos);

} // namespace quorvel
