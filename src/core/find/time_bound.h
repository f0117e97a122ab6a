#pragma once

#include "core/util/date_time.h"
#include <compare>

namespace quorvel {

// One of the finder's time-stamp bounds. A bound is either absent, a whole date (compared
// with the file's date), a time of day alone (compared with the file's time of day, whatever
// the date) or a full date-time (compared with the file's moment).
class TimeBound {
public:
    enum class Kind { None, Date, TimeOfDay, DateTime };

    TimeBound() = default;
    static TimeBound date(int year, int month, int day);
    static TimeBound timeOfDay(int hour, int minute, int second);
    static TimeBound dateTime(const DateTime& value);

    Kind kind() const { return m_kind; }
    bool isSet() const { return m_kind != Kind::None; }
    // The bound's value; for a date the time fields are 0, for a time of day the date fields
    // are those of a default DateTime.
    const DateTime& value() const { return m_value; }

    // A "before" bound lets a file time through when it is not later than the bound,
    // an "after" bound when it is not earlier. An absent bound lets everything through.
    bool admitsAsBefore(const DateTime& fileTime) const;
    bool admitsAsAfter(const DateTime& fileTime) const;

    bool operator==(const TimeBound&) const = default;

private:
    TimeBound(Kind kind, const DateTime& value) : m_kind(kind), m_value(value) {}
    std::strong_ordering compareWith(const DateTime& fileTime) const;

    Kind m_kind = Kind::None;
    DateTime m_value;
};

} // namespace quorvel
