#include "gui/dialogs/select_by_filter_dialog.h"

#include "core/project/wildcard_library.h"
#include "gui/dialogs/wildcard_dialog.h"
#include "gui/widgets/guarded.h"
#include "gui/widgets/help_book.h"
#include "gui/widgets/named.h"
#include "gui/widgets/qt_text.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>

namespace quorvel::gui {

TFormselectbyfilter::TFormselectbyfilter(std::filesystem::path projectIni, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_projectIni(std::move(projectIni)), m_prompts(prompts) {
    setObjectName(QStringLiteral("Formselectbyfilter"));
    setWindowTitle(tr("Select files by wildcard"));
    bindHelpKey(this, HelpSelectByFilter, m_prompts);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_model->setRootPath(QStringLiteral("/"));
    ShellTree1 = named<QTreeView>("ShellTree1");
    ShellTree1->setModel(m_model);
    ShellTree1->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        ShellTree1->hideColumn(column);
    ShellTree1->setMinimumSize(440, 340);

    labFolder = named<QLabel>("labFolder");
    labFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    labFolder->setWordWrap(true);
    ComboBox1 = named<QComboBox>("ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->setMinimumWidth(200);
    SpeedButton1 = named<QToolButton>("SpeedButton1");
    SpeedButton1->setToolTip(tr("Edit Wildcard"));
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    Button1 = named<QPushButton>("Button1", tr("&Ok"));
    Button1->setDefault(true);
    Button2 = named<QPushButton>("Button2", tr("Can&cel"));

    auto* form = new QGridLayout(this);
    form->addWidget(ShellTree1, 0, 0, 1, 3);
    form->addWidget(new QLabel(tr("Folder selected:")), 1, 0, Qt::AlignTop);
    form->addWidget(labFolder, 1, 1, 1, 2);
    form->addWidget(new QLabel(tr("Wildcard:")), 2, 0);
    auto* mask = new QHBoxLayout;
    mask->addWidget(ComboBox1, 1);
    mask->addWidget(SpeedButton1);
    form->addLayout(mask, 2, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    form->addLayout(buttons, 3, 0, 1, 3);
    form->setColumnStretch(1, 1);

    connect(ShellTree1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { labFolder->setText(m_model->filePath(current)); });
    connect(SpeedButton1, &QToolButton::clicked, this, &TFormselectbyfilter::SpeedButton1Click);
    connect(Button1, &QPushButton::clicked, this, &TFormselectbyfilter::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    runGuarded(m_prompts, [this] { fillMasks(); });
    setFolder(QDir::homePath());
}

QString TFormselectbyfilter::folder() const {
    return labFolder->text().trimmed();
}

void TFormselectbyfilter::setFolder(const QString& path) {
    const QModelIndex index = m_model->index(path);
    ShellTree1->setCurrentIndex(index);
    ShellTree1->expand(index);
    ShellTree1->scrollTo(index, QAbstractItemView::PositionAtCenter);
    labFolder->setText(m_model->filePath(index));
}

// The library's masks; "*.*" when it has none.
void TFormselectbyfilter::fillMasks() {
    ComboBox1->clear();
    for (const std::string& mask : loadWildcardLibrary(IniFile(m_projectIni)))
        ComboBox1->addItem(qs(mask));
    if (ComboBox1->count() == 0)
        ComboBox1->setEditText(QStringLiteral("*.*"));
    else
        ComboBox1->setCurrentIndex(0);
}

void TFormselectbyfilter::SpeedButton1Click() {
    runGuarded(m_prompts, [this] {
        TFormWildcard editor(m_projectIni, m_prompts, this);
        if (editor.exec() == QDialog::Accepted)
            fillMasks();
    });
}

void TFormselectbyfilter::Button1Click() {
    if (folder().isEmpty()) {
        m_prompts.showMessage("Please select a folder!", MessageKind::Warning);
        return;
    }
    accept();
}

} // namespace quorvel::gui
