#include "gui/widgets/project_selector.h"

#include "gui/resources/app_icons.h"

#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace quorvel::gui {

namespace {
constexpr int NameIndent = 20;
}

void paintProjectItem(QPainter& painter, const QRect& rect, const QString& name, bool scheduled) {
    if (scheduled)
        painter.drawPixmap(rect.topLeft(), scheduleMarker());
    QRect text = rect.adjusted(NameIndent, 0, 0, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, name);
}

ProjectItemDelegate::ProjectItemDelegate(ScheduleQuery query, QObject* parent)
    : QStyledItemDelegate(parent), m_query(std::move(query)) {}

void ProjectItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    option.widget->style()->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);
    QString name = index.data(Qt::DisplayRole).toString();
    painter->save();
    painter->setPen(
        option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    QRect rect = option.rect;
    rect.setHeight(std::max(rect.height(), 16));
    paintProjectItem(*painter, rect, name, m_query && m_query(name));
    painter->restore();
}

QSize ProjectItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    return {size.width() + NameIndent, std::max(size.height(), 18)};
}

ProjectSelector::ProjectSelector(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
}

void ProjectSelector::setScheduleQuery(ScheduleQuery query) {
    m_query = query;
    setItemDelegate(new ProjectItemDelegate(std::move(query), this));
}

QStringList ProjectSelector::names() const {
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list << itemText(i);
    return list;
}

void ProjectSelector::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    QString name = option.currentText;
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    QRect item(field.left(), field.top() + (field.height() - 16) / 2, field.width(), 16);
    bool scheduled = currentIndex() >= 0 && m_query && m_query(name);
    if (scheduled)
        painter.drawPixmap(item.topLeft(), scheduleMarker());
    painter.drawText(field.adjusted(NameIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
}

} // namespace quorvel::gui
