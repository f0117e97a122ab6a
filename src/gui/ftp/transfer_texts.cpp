#include "gui/ftp/transfer_texts.h"

#include <QLocale>

namespace quorvel::gui {

QStringList logRows(const QString& prefix, const QString& block) {
    QStringList rows;
    QString line;
    for (qsizetype i = 0; i < block.size(); ++i) {
        const QChar c = block[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            rows.append(prefix + line);
            line.clear();
            if (c == QLatin1Char('\r') && i + 1 < block.size() && block[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        rows.append(prefix + line);
    return rows;
}

bool isSentRow(const QString& row) {
    return row.indexOf(QStringLiteral(">>"), 1) >= 0;
}

QString speedText(bool download, qint64 count, qint64 maximum, qint64 elapsedMs) {
    const double seconds = static_cast<double>(elapsedMs) / 1000.0;
    const double speed = seconds > 0 ? static_cast<double>(count) / 1024.0 / seconds : 0.0;
    QString remaining;
    if (speed > 0 && maximum > 0 && count < maximum) {
        const qint64 left = static_cast<qint64>(static_cast<double>(maximum - count) / 1024.0 / speed);
        remaining =
            QStringLiteral("Time remaining %1:%2:%3").arg(left / 3600, 2).arg((left / 60) % 60, 2).arg(left % 60, 2);
    }
    return (download ? QStringLiteral("Download speed ") : QStringLiteral("Upload speed ")) +
           QLocale().toString(speed, 'f', 2) + QStringLiteral(" KB/s; ") + remaining;
}

} // namespace quorvel::gui
