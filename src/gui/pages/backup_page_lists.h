#pragma once

#include "core/util/user_prompts.h"

#include <QStyledItemDelegate>
#include <filesystem>
#include <string>
#include <vector>

#include <QStyle>

class QAbstractButton;
class QListWidget;
class QToolButton;

namespace quorvel::gui {

// Draws an item of a backup or exclusion list: the file icon, or the mask icon for a folder
// with a mask, and the text 15 pixels from the left edge.
class ItemListDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
void useItemDrawing(QListWidget* list);

// The operations of the buttons beside an item list, shared by the Backup page, the new-project
// wizard and the wildcard list.
// Appends the files chosen in a file dialog titled "Select files by filename", in its order.
void AddByFileName(QListWidget* list, QWidget* parent);
// Appends the folder and mask chosen in the select-by-filter dialog, and selects the item.
void AddByWildcard(QListWidget* list, const std::filesystem::path& projectIni, UserPrompts& prompts, QWidget* parent);
// Nothing on an empty list; without a selected item, says how to select one.
void DeleteSelectedItem(QListWidget* list, UserPrompts& prompts);
// Exchange the selected item with its neighbour and keep it selected; nothing at either end.
void MoveItemUp(QListWidget* list);
void MoveItemDown(QListWidget* list);
// The items' texts in list order.
std::vector<std::string> listItems(const QListWidget* list);
// The row of the selected item, or -1.
int selectedRow(const QListWidget* list);

// The six buttons, in the order: by file name, by wildcard, delete, delete all, up, down.
struct ItemListButtons {
    QAbstractButton* byFileName;
    QAbstractButton* byWildcard;
    QAbstractButton* remove;
    QAbstractButton* removeAll;
    QAbstractButton* up;
    QAbstractButton* down;
};
// A flat tool button with an icon of the style and a hint, named for tests.
QToolButton* listToolButton(const char* name, QStyle::StandardPixmap icon, const QString& hint, QWidget* owner);

// An item list under its title with its six buttons in a column beside it; `names` are the
// buttons' object names in the order of ItemListButtons.
struct ItemListBox {
    QWidget* box;
    QListWidget* list;
    QToolButton* buttons[6];
};
ItemListBox buildItemListBox(const QString& title, const char* const names[6], QWidget* owner);

// `prompts` must outlive the buttons.
void connectItemListButtons(const ItemListButtons& buttons, QListWidget* list, std::filesystem::path projectIni,
                            UserPrompts& prompts);

} // namespace quorvel::gui
