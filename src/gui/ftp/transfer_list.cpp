#include "gui/ftp/transfer_list.h"

#include <QDropEvent>
#include <QHeaderView>
#include <algorithm>

namespace quorvel::gui {

TransferList::TransferList(const char* name, QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QString::fromLatin1(name));
    setColumnCount(3);
    setHeaderLabels({tr("Name"), tr("Size"), tr("Modified")});
    header()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Header"));
    header()->setMinimumSectionSize(10);
    header()->resizeSection(0, 180);
    header()->resizeSection(1, 80);
    header()->resizeSection(2, 140);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setStyleSheet(QStringLiteral("QTreeView::item:selected { background: rgb(10, 95, 137); color: white; }"));
}

QList<int> TransferList::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TransferList::addRow(const QIcon& icon, const QString& name, const QString& size, const QString& date) {
    auto* item = new QTreeWidgetItem(this, {name, size, date});
    item->setIcon(0, icon);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
}

void TransferList::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == m_partner && m_partner != nullptr)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TransferList::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() == m_partner && m_partner != nullptr)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TransferList::dropEvent(QDropEvent* event) {
    if (event->source() != m_partner || m_partner == nullptr) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit rowsDropped();
}

} // namespace quorvel::gui
