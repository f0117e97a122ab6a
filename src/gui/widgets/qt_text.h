#pragma once

#include "core/util/date_time.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <string>
#include <string_view>

namespace quorvel::gui {

// Core text is UTF-8 std::string; widgets hold QString.
inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string ss(const QString& text) {
    return text.toStdString();
}

inline QDate toQDate(const DateTime& value) {
    return QDate(value.year, value.month, value.day);
}
inline QTime toQTime(const DateTime& value) {
    return QTime(value.hour, value.minute, value.second);
}
inline DateTime fromQt(const QDate& date, const QTime& time) {
    return DateTime{date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

} // namespace quorvel::gui
