#include "gui/pages/log_page.h"

#include "gui/dialogs/gui_prompts.h"
#include "gui/pages/log_table_model.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QTableView>
#include <QVBoxLayout>
#include <exception>

namespace quorvel::gui {

namespace {

constexpr int TextOffset = 2;
// Widths of the columns before the information, which takes the rest; the date column is sized
// to its text.
constexpr int ColumnWidths[] = {0, 80, 80, 130};

} // namespace

void LogCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget); // background, selection, focus

    const bool selected = cell.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setClipRect(cell.rect);
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(cell.rect.adjusted(TextOffset, TextOffset, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    painter->restore();
}

LogPage::LogPage(OperationLog& log, QWidget* parent) : QWidget(parent), m_log(log) {
    m_model = new LogTableModel(m_log, this);

    LogGrid = new QTableView(this);
    LogGrid->setObjectName(QStringLiteral("LogGrid"));
    LogGrid->setModel(m_model);
    LogGrid->setItemDelegate(new LogCellDelegate(LogGrid));
    LogGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LogGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    LogGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    LogGrid->setWordWrap(false);
    LogGrid->verticalHeader()->hide();
    LogGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LogGrid->horizontalHeader()->setStretchLastSection(true);
    QFont dataFont = font();
    dataFont.setPointSize(LogTableModel::DataPointSize);
    const QFontMetrics dataMetrics(dataFont);
    LogGrid->setColumnWidth(0, dataMetrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 4 * TextOffset);
    for (int column = 1; column < static_cast<int>(std::size(ColumnWidths)); ++column)
        LogGrid->setColumnWidth(column, ColumnWidths[column]);
    LogGrid->verticalHeader()->setDefaultSectionSize(dataMetrics.height() + 2 * TextOffset + 2);

    PopupMenu = new QMenu(this);
    Clearalllog1 = PopupMenu->addAction(tr("Clear all log"));
    Clearalllog1->setObjectName(QStringLiteral("Clearalllog1"));
    connect(Clearalllog1, &QAction::triggered, this, &LogPage::Clearalllog1Click);
    LogGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LogGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu->popup(LogGrid->viewport()->mapToGlobal(at)); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(LogGrid);
}

// Clearing cannot be undone: with entries to lose, it asks first.
void LogPage::Clearalllog1Click() {
    const int entries = m_model->rowCount();
    if (entries > 0 && !GuiPrompts(this).askYesNo("Do you want to clear all " + std::to_string(entries) +
                                                      (entries == 1 ? " entry" : " entries") + " of the log?",
                                                  MessageKind::Warning))
        return;
    guarded([this] { m_log.Clear(); });
}

void LogPage::reload() {
    guarded([this] { m_log.LoadLog(); });
}

void LogPage::guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        GuiPrompts(this).showMessage(error.what(), MessageKind::Error);
    }
}

} // namespace quorvel::gui
