// The controls of the transfer window and what they are wired to.
#include "gui/ftp/form_ftp.h"

#include "core/ftp/ftp_list_items.h"
#include "gui/ftp/ftp_help.h"
#include "gui/ftp/ftp_worker.h"
#include "gui/ftp/tool_button.h"
#include "gui/ftp/transfer_list.h"
#include "gui/pages/restore_folder_field.h"
#include "gui/widgets/help_book.h"
#include "gui/widgets/named.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvel::gui {

namespace {

QToolButton* commandButton(const char* name, const QString& text, QStyle::StandardPixmap icon, QWidget* owner,
                           bool underIcon = true) {
    return toolButton(name, text, text.trimmed(), icon, owner, underIcon);
}

const char* const LocalHint = "Right-click it to open shortcut menu\nShift, Ctrl+click to select multi-file";
const char* const RemoteHint = "Right-click it to open shortcut menu\nShift,Ctrl+click to select multi-file";

} // namespace

void TFormFtp::buildWindow() {
    setObjectName(QStringLiteral("FormFtp"));
    setWindowTitle(tr("FTP"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    ComboBox1 = named<QComboBox>("ComboBox1");
    ComboBox1->setMinimumWidth(180);
    SpeedButton2 = commandButton("SpeedButton2", tr("Set Account"), QStyle::SP_FileDialogDetailedView, this);
    SpeedButton1 = commandButton("SpeedButton1", tr("Connect"), QStyle::SP_DialogYesButton, this);
    SpeedButton3 = commandButton("SpeedButton3", tr("Disconnect"), QStyle::SP_DialogNoButton, this);
    Spupload = commandButton("Spupload", tr("Upload"), QStyle::SP_ArrowRight, this);
    SpDownload = commandButton("SpDownload", tr("Download"), QStyle::SP_ArrowLeft, this);
    SpAbort = commandButton("SpAbort", tr("Stop"), QStyle::SP_BrowserStop, this);
    SpAbort->setEnabled(false);
    SpeedButton5 = commandButton("SpeedButton5", tr("Help"), QStyle::SP_DialogHelpButton, this);
    SpExit = commandButton("SpExit", tr("Exit"), QStyle::SP_DialogCloseButton, this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr("Account:")));
    bar->addWidget(ComboBox1);
    for (QToolButton* button : {SpeedButton2, SpeedButton1, SpeedButton3, Spupload, SpDownload, SpAbort})
        bar->addWidget(button);
    bar->addStretch(1);
    bar->addWidget(SpeedButton5);
    bar->addWidget(SpExit);

    auto* panes = named<QSplitter>("PanesSplitter", Qt::Horizontal);
    panes->addWidget(buildLocalPane());
    panes->addWidget(buildRemotePane());
    panes->setChildrenCollapsible(false);
    DebugListBox = named<QListWidget>("DebugListBox");
    DebugListBox->setToolTip(tr("Right-click it to open menu"));
    DebugListBox->setContextMenuPolicy(Qt::CustomContextMenu);
    DebugListBox->setStyleSheet(
        QStringLiteral("QListView::item:selected { background: rgb(10, 95, 137); color: white; }"));
    auto* vertical = named<QSplitter>("LogSplitter", Qt::Vertical);
    vertical->addWidget(panes);
    vertical->addWidget(DebugListBox);
    vertical->setStretchFactor(0, 3);
    vertical->setStretchFactor(1, 1);
    vertical->setChildrenCollapsible(false);

    StatusBar1 = named<QStatusBar>("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    ProgressBar1 = named<QProgressBar>("ProgressBar1");
    ProgressBar1->setFixedWidth(400);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setValue(0);
    StatusText = named<QLabel>("StatusText");
    StatusBar1->addWidget(ProgressBar1);
    StatusBar1->addWidget(StatusText, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(vertical, 1);
    layout->addWidget(StatusBar1);
    resize(1100, 680);
    buildMenus();
}

QWidget* TFormFtp::buildLocalPane() {
    auto* pane = new QWidget;
    ShellCombo1 = new FolderField("ShellCombo1", true);
    SpeedButton4 = commandButton("SpeedButton4", tr("Up Directory "), QStyle::SP_FileDialogToParent, this, false);
    ListBoxsource = new TransferList("ListBoxsource");
    ListBoxsource->setToolTip(tr(LocalHint));
    auto* top = new QHBoxLayout;
    top->addWidget(ShellCombo1, 1);
    top->addWidget(SpeedButton4);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(ListBoxsource, 1);
    return pane;
}

QWidget* TFormFtp::buildRemotePane() {
    auto* pane = new QWidget;
    EditFolder = named<QLineEdit>("EditFolder", QStringLiteral("/"));
    EditFolder->setReadOnly(true);
    btnUp = commandButton("btnUp", tr("Up Directory "), QStyle::SP_FileDialogToParent, this, false);
    createbutton = commandButton("createbutton", tr("Create Diectory"), QStyle::SP_FileDialogNewFolder, this, false);
    DirectoryListBox = new TransferList("DirectoryListBox");
    DirectoryListBox->setToolTip(tr(RemoteHint));
    auto* top = new QHBoxLayout;
    top->addWidget(EditFolder, 1);
    top->addWidget(btnUp);
    top->addWidget(createbutton);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(DirectoryListBox, 1);
    ListBoxsource->setPartner(DirectoryListBox);
    DirectoryListBox->setPartner(ListBoxsource);
    return pane;
}

void TFormFtp::buildMenus() {
    pmenuSource = named<QMenu>("pmenuSource", this);
    connect(pmenuSource->addAction(tr("Upload files")), &QAction::triggered, this, &TFormFtp::SpuploadClick);
    connect(pmenuSource->addAction(tr("Delete files")), &QAction::triggered, this, &TFormFtp::DeleteLocalClick);
    pmDesc = named<QMenu>("pmDesc", this);
    connect(pmDesc->addAction(tr("Download files")), &QAction::triggered, this, &TFormFtp::SpDownloadClick);
    connect(pmDesc->addAction(tr("Create folder")), &QAction::triggered, this, &TFormFtp::createbuttonClick);
    connect(pmDesc->addAction(tr("Delete files")), &QAction::triggered, this, &TFormFtp::DeleteRemoteClick);
    pmenuClear = named<QMenu>("pmenuClear", this);
    connect(pmenuClear->addAction(tr("Clear Logs")), &QAction::triggered, DebugListBox, &QListWidget::clear);
}

void TFormFtp::connectCommands() {
    connect(SpeedButton1, &QToolButton::clicked, this, &TFormFtp::SpeedButton1Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TFormFtp::SpeedButton3Click);
    connect(Spupload, &QToolButton::clicked, this, &TFormFtp::SpuploadClick);
    connect(SpDownload, &QToolButton::clicked, this, &TFormFtp::SpDownloadClick);
    connect(SpAbort, &QToolButton::clicked, this, &TFormFtp::SpAbortClick);
    connect(SpeedButton2, &QToolButton::clicked, this, &TFormFtp::SpeedButton2Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TFormFtp::SpeedButton4Click);
    connect(SpeedButton5, &QToolButton::clicked, this, [this] { openHelp(HelpFtp, m_prompts); });
    bindHelpKey(this, HelpFtp, m_prompts);
    connect(SpExit, &QToolButton::clicked, this, &QDialog::close);
    connect(btnUp, &QToolButton::clicked, this, &TFormFtp::btnUpClick);
    connect(createbutton, &QToolButton::clicked, this, &TFormFtp::createbuttonClick);
    connect(DirectoryListBox, &QTreeWidget::itemDoubleClicked, this, &TFormFtp::DirectoryListBoxDblClick);
    connect(ListBoxsource, &QTreeWidget::itemDoubleClicked, this, &TFormFtp::ListBoxsourceDblClick);
    connect(ListBoxsource, &TransferList::rowsDropped, this, &TFormFtp::SpDownloadClick);
    connect(DirectoryListBox, &TransferList::rowsDropped, this, &TFormFtp::SpuploadClick);
    connect(ShellCombo1->edit, &QLineEdit::editingFinished, this, &TFormFtp::RefreshLocalList);
    connect(ShellCombo1, &FolderField::browseRequested, this, [this] {
        const QString folder = chooseFolder(localFolder());
        if (folder.isEmpty())
            return;
        ShellCombo1->setText(folder);
        RefreshLocalList();
    });
    connect(ListBoxsource, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmenuSource->popup(ListBoxsource->viewport()->mapToGlobal(at)); });
    connect(DirectoryListBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmDesc->popup(DirectoryListBox->viewport()->mapToGlobal(at)); });
    connect(DebugListBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmenuClear->popup(DebugListBox->viewport()->mapToGlobal(at)); });
}

} // namespace quorvel::gui
