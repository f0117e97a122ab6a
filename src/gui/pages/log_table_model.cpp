#include "gui/pages/log_table_model.h"

#include <algorithm>

namespace quorvel::gui {

LogTableModel::LogTableModel(OperationLog& log, QObject* parent) : QAbstractTableModel(parent), m_log(log) {
    // Whoever changes the log (the backup run, a restore, the menu), the view follows.
    m_log.onChanged = [this] {
        beginResetModel();
        endResetModel();
    };
}

LogTableModel::~LogTableModel() {
    m_log.onChanged = nullptr;
}

// Only the rows that hold an entry: the grid's empty rows would be blank lines to click on.
int LogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::clamp(m_log.count(), 0, m_log.rowCount() - 1);
}

int LogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::tuple_size_v<LogRow>);
}

const LogRow& LogTableModel::entry(int row) const {
    return m_log.row(row + 1);
}

bool LogTableModel::isAlertStatus(const std::string& status) {
    return status == StatusFails || status == StatusInterrupt;
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const LogRow& row = entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return row[static_cast<size_t>(index.column())].empty()
                   ? QVariant()
                   : QVariant(QString::fromStdString(row[static_cast<size_t>(index.column())]));
    case Qt::ForegroundRole:
        return isAlertStatus(row[LogColumnStatus]) ? QVariant(AlertColour) : QVariant();
    default:
        return gridCellStyle(role);
    }
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(m_log.row(0)[static_cast<size_t>(section)]);
    if (role == Qt::ForegroundRole)
        return CaptionColour;
    return {};
}

} // namespace quorvel::gui
