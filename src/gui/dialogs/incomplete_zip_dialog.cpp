#include "gui/dialogs/incomplete_zip_dialog.h"

#include "gui/dialogs/dialog_frame.h"
#include "gui/widgets/help_book.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel::gui {

namespace {

QLabel* wrappingLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFixedWidth(380);
    return label;
}

} // namespace

TIncompleteZipDlg::TIncompleteZipDlg(QWidget* parent) : QDialog(parent), beep(&QApplication::beep) {
    useFixedDialogFrame(this);
    setWindowTitle(tr("Incomplete Zip file!"));
    bindHelpKey(this, HelpRestorePage);

    Label1 = wrappingLabel(tr("This zip file is not complete.  It may be part of a muliple part zip file.  If so, "
                              "insert the last disk of the disk set and then press the MultiZip button."),
                           this);
    Label2 = wrappingLabel(tr("If you think it may be a corrupted zip file, press the Recover button and an attempt "
                              "will be made to read as much of the zip file as possible."),
                           this);
    OKBtn = new QPushButton(tr("MultiZip"), this);
    OKBtn->setDefault(true);
    Button1 = new QPushButton(tr("Recover"), this);
    CancelBtn = new QPushButton(tr("Cancel"), this);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, [this] { done(RetryResult); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(Button1);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addLayout(buttons);

    adjustSize();
    centreOnScreen(this);
}

IncompleteZipAnswer TIncompleteZipDlg::answerFor(int result) {
    if (result == QDialog::Accepted)
        return IncompleteZipAnswer::AssumeMulti;
    if (result == RetryResult)
        return IncompleteZipAnswer::AssumeBad;
    return IncompleteZipAnswer::AssumeNotAZip;
}

void TIncompleteZipDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && beep)
        beep();
}

IncompleteZipAnswer askIncompleteZip(QWidget* parent) {
    TIncompleteZipDlg dialog(parent);
    return TIncompleteZipDlg::answerFor(dialog.exec());
}

} // namespace quorvel::gui
