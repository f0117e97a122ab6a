#pragma once

#include "core/backup/operation_log.h"

#include <QStyledItemDelegate>
#include <QWidget>

class QAction;
class QMenu;
class QTableView;

namespace quorvel::gui {

class LogTableModel;

// Draws a log cell as the grid always has: its text 2 pixels right of and below the cell's
// top-left corner, clipped to the cell.
class LogCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The Log page: the operation log, newest first, with the "Clear all log" menu. It follows every
// change of the log it is given, so appends made through OperationLog::AppendLog by any caller
// show at once; reload() reads log.txt again. The log must outlive the page.
class LogPage : public QWidget {
    Q_OBJECT
public:
    explicit LogPage(OperationLog& log, QWidget* parent = nullptr);

    OperationLog& log() { return m_log; }
    LogTableModel* model() const { return m_model; }

    QTableView* LogGrid = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction* Clearalllog1 = nullptr;

public slots:
    void Clearalllog1Click();
    void reload();

private:
    // Runs a command on the log; an error is shown in an error box, never passed on.
    void guarded(const std::function<void()>& command);

    OperationLog& m_log;
    LogTableModel* m_model = nullptr;
};

} // namespace quorvel::gui
