#pragma once

#include <QTreeWidget>

namespace quorvel::gui {

// One pane of the transfer window: rows of name, size and date under a header whose sections
// can be resized, several rows selectable, and rows dragged from the other pane dropped here.
class TransferList final : public QTreeWidget {
    Q_OBJECT
public:
    explicit TransferList(const char* name, QWidget* parent = nullptr);

    // The pane whose rows may be dropped here.
    void setPartner(TransferList* partner) { m_partner = partner; }
    // Rows of the selection in list order.
    QList<int> selectedRows() const;
    void addRow(const QIcon& icon, const QString& name, const QString& size, const QString& date);

signals:
    // Rows of the partner were dropped on this pane.
    void rowsDropped();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TransferList* m_partner = nullptr;
};

} // namespace quorvel::gui
