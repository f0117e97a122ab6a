#pragma once

#include <QComboBox>
#include <QStyledItemDelegate>
#include <functional>

namespace quorvel::gui {

// Asked on every drawing of an item: does this project carry a schedule?
using ScheduleQuery = std::function<bool(const QString& project)>;

// Draws a project item: the schedule marker at the left top corner when the project is
// scheduled, the name 20 pixels from the left edge.
void paintProjectItem(QPainter& painter, const QRect& rect, const QString& name, bool scheduled);

class ProjectItemDelegate final : public QStyledItemDelegate {
public:
    ProjectItemDelegate(ScheduleQuery query, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ScheduleQuery m_query;
};

// The project selector: a list of project names kept in the program's sort order, drawn by
// the program with the schedule marker.
class ProjectSelector final : public QComboBox {
public:
    explicit ProjectSelector(QWidget* parent = nullptr);
    void setScheduleQuery(ScheduleQuery query);
    QStringList names() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ScheduleQuery m_query;
};

} // namespace quorvel::gui
