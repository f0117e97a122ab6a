#include "gui/pages/backup_page_lists.h"

#include "core/project/project_items.h"
#include "gui/dialogs/select_by_filter_dialog.h"
#include "gui/widgets/named.h"
#include "gui/widgets/qt_text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvel::gui {

namespace {

constexpr int TextIndent = 15;
constexpr int IconSize = 13;

void swapWithRow(QListWidget* list, int row, int other) {
    const int first = std::min(row, other);
    QListWidgetItem* item = list->takeItem(first + 1);
    list->insertItem(first, item);
    list->setCurrentRow(other);
}

} // namespace

void ItemListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const QString text = index.data(Qt::DisplayRole).toString();
    const QIcon icon = style->standardIcon(isMaskItem(ss(text)) ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    const QRect rect = option.rect;
    icon.paint(painter, QRect(rect.left() + 1, rect.top() + (rect.height() - IconSize) / 2, IconSize, IconSize));
    painter->save();
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    painter->setPen(option.palette.color(option.state & QStyle::State_Enabled ? QPalette::Active : QPalette::Disabled,
                                         selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(rect.adjusted(TextIndent + 2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}

QSize ItemListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    return {size.width() + TextIndent, std::max(size.height(), IconSize + 3)};
}

QToolButton* listToolButton(const char* name, QStyle::StandardPixmap icon, const QString& hint, QWidget* owner) {
    auto* button = named<QToolButton>(name);
    button->setIcon(owner->style()->standardIcon(icon));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    return button;
}

ItemListBox buildItemListBox(const QString& title, const char* const names[6], QWidget* owner) {
    static const QStyle::StandardPixmap icons[6] = {QStyle::SP_FileIcon,  QStyle::SP_FileDialogContentsView,
                                                    QStyle::SP_TrashIcon, QStyle::SP_DialogResetButton,
                                                    QStyle::SP_ArrowUp,   QStyle::SP_ArrowDown};
    static const char* const hints[6] = {"Select files by filename",
                                         "Select files by wildcard",
                                         "Delete a item",
                                         "Delete all items",
                                         "Up a item",
                                         "Down a item"};
    ItemListBox result{new QWidget, new QListWidget, {}};
    useItemDrawing(result.list);
    result.list->setMinimumHeight(90);
    auto* layout = new QGridLayout(result.box);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!title.isEmpty())
        layout->addWidget(new QLabel(title), 0, 0, 1, 2);
    layout->addWidget(result.list, 1, 0);
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    for (int i = 0; i < 6; ++i) {
        result.buttons[i] = listToolButton(names[i], icons[i], QObject::tr(hints[i]), owner);
        column->addWidget(result.buttons[i]);
    }
    column->addStretch(1);
    layout->addLayout(column, 1, 1);
    return result;
}

void useItemDrawing(QListWidget* list) {
    list->setItemDelegate(new ItemListDelegate(list));
}

std::vector<std::string> listItems(const QListWidget* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i)
        items.push_back(ss(list->item(i)->text()));
    return items;
}

int selectedRow(const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    return item != nullptr && item->isSelected() ? list->row(item) : -1;
}

void AddByFileName(QListWidget* list, QWidget* parent) {
    QFileDialog dialog(parent, QObject::tr("Select files by filename"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return;
    list->addItems(dialog.selectedFiles());
}

void AddByWildcard(QListWidget* list, const std::filesystem::path& projectIni, UserPrompts& prompts, QWidget* parent) {
    TFormselectbyfilter dialog(projectIni, prompts, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    list->addItem(qs(wildcardItem(ss(dialog.folder()), ss(dialog.ComboBox1->currentText()))));
    list->setCurrentRow(list->count() - 1);
}

void DeleteSelectedItem(QListWidget* list, UserPrompts& prompts) {
    if (list->count() == 0)
        return;
    const int row = selectedRow(list);
    if (row < 0) {
        prompts.showMessage("Please select a item by clicking", MessageKind::Information);
        return;
    }
    delete list->takeItem(row);
}

void MoveItemUp(QListWidget* list) {
    const int row = selectedRow(list);
    if (row > 0)
        swapWithRow(list, row, row - 1);
}

void MoveItemDown(QListWidget* list) {
    const int row = selectedRow(list);
    if (row >= 0 && row < list->count() - 1)
        swapWithRow(list, row, row + 1);
}

void connectItemListButtons(const ItemListButtons& b, QListWidget* list, std::filesystem::path projectIni,
                            UserPrompts& prompts) {
    QObject::connect(b.byFileName, &QAbstractButton::clicked, list, [list] { AddByFileName(list, list->window()); });
    QObject::connect(b.byWildcard, &QAbstractButton::clicked, list,
                     [list, projectIni, &prompts] { AddByWildcard(list, projectIni, prompts, list->window()); });
    QObject::connect(b.remove, &QAbstractButton::clicked, list,
                     [list, &prompts] { DeleteSelectedItem(list, prompts); });
    QObject::connect(b.removeAll, &QAbstractButton::clicked, list, &QListWidget::clear);
    QObject::connect(b.up, &QAbstractButton::clicked, list, [list] { MoveItemUp(list); });
    QObject::connect(b.down, &QAbstractButton::clicked, list, [list] { MoveItemDown(list); });
}

} // namespace quorvel::gui
