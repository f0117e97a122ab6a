#include "gui/dialogs/rename_dialog.h"

#include "core/util/strings.h"
#include "gui/dialogs/dialog_frame.h"
#include "gui/dialogs/gui_prompts.h"
#include "gui/widgets/help_book.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel::gui {

TFormRename::TFormRename(QWidget* parent) : QDialog(parent) {
    useFixedDialogFrame(this);
    setWindowTitle(tr("Rename project"));
    bindHelpKey(this, HelpProjectName);

    Label1 = new QLabel(tr("Please enter new project name"), this);
    EditProjName = new QLineEdit(this);
    EditProjName->setMinimumWidth(280);
    Label1->setBuddy(EditProjName);
    ButtonOk = new QPushButton(tr("&Ok"), this);
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(tr("Can&cel"), this);
    connect(ButtonOk, &QPushButton::clicked, this, &TFormRename::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(Label1);
    layout->addWidget(EditProjName);
    layout->addLayout(buttons);

    adjustSize();
    centreOnScreen(this);
}

void TFormRename::ButtonOkClick() {
    if (!trim(EditProjName->text().toStdString()).empty()) {
        accept();
        return;
    }
    GuiPrompts(this).showMessage("Please enter project name", MessageKind::Warning);
}

} // namespace quorvel::gui
