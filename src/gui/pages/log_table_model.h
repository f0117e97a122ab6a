#pragma once

#include "core/backup/operation_log.h"
#include "gui/widgets/grid_style.h"

#include <QAbstractTableModel>
#include <QColor>

namespace quorvel::gui {

// The grid of the operation log as a table: the captions are the header, and the rows are the
// grid's data rows that hold an entry, newest first (the grid's empty rows are not shown).
// Rows of failed or interrupted operations carry red text, the header navy text.
class LogTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static inline const QColor CaptionColour = GridCaptionColour;
    static inline const QColor AlertColour{255, 0, 0};
    static constexpr int DataPointSize = GridDataPointSize;

    explicit LogTableModel(OperationLog& log, QObject* parent = nullptr);
    ~LogTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Status texts drawn in red in every column of their row.
    static bool isAlertStatus(const std::string& status);

private:
    const LogRow& entry(int row) const;

    OperationLog& m_log;
};

} // namespace quorvel::gui
