#pragma once

#include "gui/widgets/grid_style.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::gui {

// The rows of one of the Restore page's grids as a table: the captions are the header (navy),
// the rows the cells' texts at 9 points. An empty list shows one empty row, as the grid always
// keeps a data row. Rows are kept as the core made them and turned into text only when drawn,
// so that a list of a hundred thousand entries is shown at once.
template <typename Row> class RestoreGridModel final : public QAbstractTableModel {
public:
    static inline const QColor CaptionColour = GridCaptionColour;
    static constexpr int DataPointSize = GridDataPointSize;

    RestoreGridModel(QStringList captions, QObject* parent) : QAbstractTableModel(parent), m_captions(captions) {}

    void setRows(std::vector<Row> rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    // Replaces one row, keeping the current row and the selection.
    void setRow(int row, Row value) {
        if (row < 0 || row >= static_cast<int>(m_rows.size()))
            return;
        m_rows[static_cast<size_t>(row)] = std::move(value);
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    const std::vector<Row>& rows() const { return m_rows; }
    bool isEmpty() const { return m_rows.empty(); }
    // The cell's text; empty for the empty row.
    std::string cell(int row, int column) const {
        if (row < 0 || row >= static_cast<int>(m_rows.size()))
            return {};
        return m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(m_rows.size()));
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        switch (role) {
        case Qt::DisplayRole: {
            const std::string text = cell(index.row(), index.column());
            return text.empty() ? QVariant() : QVariant(QString::fromStdString(text));
        }
        default:
            return gridCellStyle(role);
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= m_captions.size())
            return {};
        if (role == Qt::DisplayRole)
            return m_captions[section];
        if (role == Qt::ForegroundRole)
            return CaptionColour;
        return {};
    }

private:
    QStringList m_captions;
    std::vector<Row> m_rows;
};

} // namespace quorvel::gui
