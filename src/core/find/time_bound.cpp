#include "core/find/time_bound.h"

#include <tuple>

namespace quorvel {

TimeBound TimeBound::date(int year, int month, int day) {
    return TimeBound(Kind::Date, DateTime{year, month, day, 0, 0, 0});
}

TimeBound TimeBound::timeOfDay(int hour, int minute, int second) {
    DateTime value;
    value.hour = hour;
    value.minute = minute;
    value.second = second;
    return TimeBound(Kind::TimeOfDay, value);
}

TimeBound TimeBound::dateTime(const DateTime& value) {
    return TimeBound(Kind::DateTime, value);
}

namespace {
std::strong_ordering order(const DateTime& a, const DateTime& b) {
    if (a < b)
        return std::strong_ordering::less;
    if (b < a)
        return std::strong_ordering::greater;
    return std::strong_ordering::equal;
}
} // namespace

// How the file time stands against the bound, looking only at the parts the bound has.
std::strong_ordering TimeBound::compareWith(const DateTime& fileTime) const {
    switch (m_kind) {
    case Kind::Date:
        return order(fileTime.datePart(), m_value.datePart());
    case Kind::TimeOfDay:
        return std::tie(fileTime.hour, fileTime.minute, fileTime.second) <=>
               std::tie(m_value.hour, m_value.minute, m_value.second);
    case Kind::DateTime:
        return order(fileTime, m_value);
    case Kind::None:
        break;
    }
    return std::strong_ordering::equal;
}

bool TimeBound::admitsAsBefore(const DateTime& fileTime) const {
    return compareWith(fileTime) <= 0;
}

bool TimeBound::admitsAsAfter(const DateTime& fileTime) const {
    return compareWith(fileTime) >= 0;
}

} // namespace quorvel
