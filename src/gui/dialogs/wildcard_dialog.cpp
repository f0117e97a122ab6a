#include "gui/dialogs/wildcard_dialog.h"

#include "core/project/wildcard_library.h"
#include "gui/pages/backup_page_lists.h"
#include "gui/widgets/guarded.h"
#include "gui/widgets/help_book.h"
#include "gui/widgets/named.h"
#include "gui/widgets/qt_text.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvel::gui {

TFormWildcard::TFormWildcard(std::filesystem::path projectIni, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_projectIni(std::move(projectIni)), m_prompts(prompts) {
    setObjectName(QStringLiteral("FormWildcard"));
    setWindowTitle(tr("Edit Wildcard"));

    ListBox1 = named<QListWidget>("ListBox1");
    Edit1 = named<QLineEdit>("Edit1");
    Edit1->setToolTip(tr("Please enter a new  wildcard"));
    SpNew = listToolButton("SpNew", QStyle::SP_FileDialogNewFolder, tr("Add wildcard"), this);
    Button4 = listToolButton("Button4", QStyle::SP_TrashIcon, tr("Delete a item"), this);
    SpeedButton1 = listToolButton("SpeedButton1", QStyle::SP_DialogResetButton, tr("Delete all items"), this);
    SpeedButton3 = listToolButton("SpeedButton3", QStyle::SP_ArrowUp, tr("Up a item"), this);
    SpeedButton2 = listToolButton("SpeedButton2", QStyle::SP_ArrowDown, tr("Down a item"), this);
    Button1 = named<QPushButton>("Button1", tr("Help"));
    btnOk = named<QPushButton>("btnOk", tr("&Ok"));
    btnOk->setDefault(true);
    Button3 = named<QPushButton>("Button3", tr("Can&cel"));

    auto* form = new QGridLayout(this);
    form->addWidget(new QLabel(tr("Wildcard list:")), 0, 0, 1, 2);
    form->addWidget(ListBox1, 1, 0);
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    for (QToolButton* b : {Button4, SpeedButton1, SpeedButton3, SpeedButton2})
        column->addWidget(b);
    column->addStretch(1);
    form->addLayout(column, 1, 1);
    form->addWidget(new QLabel(tr("Add wildcard:")), 2, 0, 1, 2);
    auto* add = new QHBoxLayout;
    add->addWidget(Edit1, 1);
    add->addWidget(SpNew);
    form->addLayout(add, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(Button3);
    form->addLayout(buttons, 4, 0, 1, 2);

    connect(SpNew, &QToolButton::clicked, this, &TFormWildcard::SpNewClick);
    connect(Button4, &QToolButton::clicked, this, &TFormWildcard::Button4Click);
    connect(SpeedButton1, &QToolButton::clicked, ListBox1, &QListWidget::clear);
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { MoveItemUp(ListBox1); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { MoveItemDown(ListBox1); });
    connect(Button1, &QPushButton::clicked, this, [this] { openHelp(HelpEditWildcard, m_prompts); });
    bindHelpKey(this, HelpEditWildcard, m_prompts);
    connect(btnOk, &QPushButton::clicked, this, &TFormWildcard::btnOkClick);
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);

    runGuarded(m_prompts, [this] {
        for (const std::string& mask : loadWildcardLibrary(IniFile(m_projectIni)))
            ListBox1->addItem(qs(mask));
    });
}

void TFormWildcard::SpNewClick() {
    std::vector<std::string> list = listItems(ListBox1);
    if (Edit1->text().trimmed().isEmpty())
        return;
    if (addWildcard(list, ss(Edit1->text())))
        ListBox1->addItem(qs(list.back()));
    Edit1->clear();
}

void TFormWildcard::Button4Click() {
    if (selectedRow(ListBox1) < 0) {
        m_prompts.showMessage("Please select a item by clicking", MessageKind::Information);
        return;
    }
    DeleteSelectedItem(ListBox1, m_prompts);
}

void TFormWildcard::btnOkClick() {
    runGuarded(m_prompts, [this] {
        IniFile ini(m_projectIni);
        saveWildcardLibrary(ini, listItems(ListBox1));
        accept();
    });
}

} // namespace quorvel::gui
