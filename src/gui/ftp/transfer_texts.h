#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace quorvel::gui {

// The rows a block of the control connection gives in the log: split at each CR (an LF right
// after it dropped, a lone LF also ending a row), each row with its prefix; nothing for what
// is left empty after the last line end.
QStringList logRows(const QString& prefix, const QString& block);

// Whether a log row is a line sent to the server (drawn red) rather than one received or a
// status (drawn blue).
bool isSentRow(const QString& row);

// "Download speed 12.34 KB/s; Time remaining  1: 2: 5" for `count` of `maximum` bytes moved in
// `elapsedMs`; the remaining time is left out when the speed or the maximum is not known or the
// count has reached it. The decimal separator is the locale's.
QString speedText(bool download, qint64 count, qint64 maximum, qint64 elapsedMs);

} // namespace quorvel::gui
