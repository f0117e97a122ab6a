#include "gui/pages/restore_folder_field.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

namespace quorvel::gui {

FolderField::FolderField(const char* name, bool typing, QWidget* parent) : QWidget(parent) {
    setObjectName(QString::fromLatin1(name));
    edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name) + QStringLiteral("Text"));
    edit->setReadOnly(!typing);
    browse = new QToolButton(this);
    browse->setObjectName(QString::fromLatin1(name) + QStringLiteral("Browse"));
    browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    browse->setToolTip(tr("Please select directory"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    connect(browse, &QToolButton::clicked, this, &FolderField::browseRequested);
}

QString FolderField::text() const {
    return edit->text();
}

void FolderField::setText(const QString& text) {
    edit->setText(text);
    edit->setCursorPosition(0);
}

} // namespace quorvel::gui
