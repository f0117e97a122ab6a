#include "gui/pages/restore_page.h"

#include "core/platform/data_folder.h"
#include "core/restore/archive_entry_listing.h"
#include "core/restore/archive_folder_listing.h"
#include "core/restore/archive_list_sort.h"
#include "core/restore/restore_options.h"
#include "gui/pages/log_page.h"
#include "gui/pages/restore_folder_field.h"
#include "gui/pages/restore_grid_model.h"
#include "gui/widgets/named.h"
#include "gui/widgets/qt_text.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvel::gui {

namespace {

constexpr int TextOffset = 2;

QToolButton* commandButton(const char* name, const QString& caption, const QString& hint, QStyle::StandardPixmap icon,
                           QWidget* owner) {
    auto* button = named<QToolButton>(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(owner->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

// A caption on the left and a count on the right, above a grid.
QHBoxLayout* gridHeading(QLabel* caption, QLabel* count) {
    count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addStretch(1);
    row->addWidget(count);
    return row;
}

} // namespace

void RestorePage::setUpGrid(QTableView* grid, const QString& hint) {
    grid->setItemDelegate(new LogCellDelegate(grid));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A click selects one row, Shift+click extends the selection over a range of rows.
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setWordWrap(false);
    grid->setToolTip(hint);
    grid->verticalHeader()->hide();
    QHeaderView* header = grid->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    // A click on a heading sorts by its column; the mark shows which one and which way.
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    QFont dataFont = font();
    dataFont.setPointSize(ArchiveGridModel::DataPointSize);
    const QFontMetrics metrics(dataFont);
    grid->verticalHeader()->setDefaultSectionSize(metrics.height() + 2 * TextOffset + 2);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Widths to start with: the size column to its caption, the date (the last column) to its
    // text; both with room for the sort mark beside the caption.
    const int markRoom =
        style()->pixelMetric(QStyle::PM_HeaderMarkSize) + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin);
    grid->setColumnWidth(1, header->fontMetrics().horizontalAdvance(QStringLiteral("Size(KB)")) + 16 + markRoom);
    m_dateWidth = metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 4 * TextOffset + markRoom;
    grid->setColumnWidth(grid->model()->columnCount() - 1, m_dateWidth);
}

QWidget* RestorePage::buildFiles() {
    GroupBox6 = named<QGroupBox>("GroupBox6", tr("Files"));
    Label7 = named<QLabel>("Label7", tr("Zip folder:"));
    DirectoryView = new FolderField("DirectoryView", false);
    DirectoryView->setText(qs(homeFolder()));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(Label7);
    folderRow->addWidget(DirectoryView, 1);
    auto* layout = new QVBoxLayout(GroupBox6);
    layout->addLayout(folderRow);
    layout->addWidget(buildGrids(), 1);
    layout->addWidget(buildButtons());
    return GroupBox6;
}

QWidget* RestorePage::buildGrids() {
    Label8 = named<QLabel>("Label8", tr("Zip file list:"));
    LabelZipNumber = named<QLabel>("LabelZipNumber", tr("(Total 0 files)"));
    StringGridZipfilename = named<QTableView>("StringGridZipfilename");
    m_archives = new ArchiveGridModel({tr("Filename"), tr("Size(KB)"), tr("Date")}, this);
    StringGridZipfilename->setModel(m_archives);
    setUpGrid(StringGridZipfilename, tr("Right-click it to open menu\nDouble-click it to open file\n"
                                        "Shift+click to select multi-file"));
    // The names take what the size and the date leave; the list is made as wide as its names
    // when it is first filled (placeArchiveList).
    StringGridZipfilename->horizontalHeader()->setStretchLastSection(false);
    StringGridZipfilename->horizontalHeader()->setSectionResizeMode(ArchiveColumnName, QHeaderView::Stretch);

    Label11 = named<QLabel>("Label11", tr("Zip file details:"));
    LabelfileNumber = named<QLabel>("LabelfileNumber", tr("(Total 0 files)"));
    StringGrid1 = named<QTableView>("StringGrid1");
    m_entries = new EntryGridModel({tr("Filename"), tr("Size(KB)"), tr("Path"), tr("Date")}, this);
    StringGrid1->setModel(m_entries);
    setUpGrid(StringGrid1, tr("Shift+click to select multi-file"));
    StringGrid1->setColumnWidth(EntryColumnName, 120);
    StringGrid1->setColumnWidth(EntryColumnPath, 110);

    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(gridHeading(Label8, LabelZipNumber));
    leftLayout->addWidget(StringGridZipfilename, 1);
    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addLayout(gridHeading(Label11, LabelfileNumber));
    rightLayout->addWidget(StringGrid1, 1);
    // Width the window gains or loses goes to the entries, whose paths and dates need it most.
    SplitterGrids = named<QSplitter>("SplitterGrids");
    SplitterGrids->setOrientation(Qt::Horizontal);
    SplitterGrids->addWidget(left);
    SplitterGrids->addWidget(right);
    SplitterGrids->setStretchFactor(0, 0);
    SplitterGrids->setStretchFactor(1, 1);
    SplitterGrids->setChildrenCollapsible(false);
    return SplitterGrids;
}

QWidget* RestorePage::buildButtons() {
    SpeedButton10 =
        commandButton("SpeedButton10", tr("Delete"), tr("Delete Files Selected"), QStyle::SP_TrashIcon, this);
    SpeedButton9 = commandButton("SpeedButton9", tr("Export"), tr("Export Zip Files"), QStyle::SP_ArrowRight, this);
    Spimport = commandButton("Spimport", tr("Import"), tr("Import a Zip file"), QStyle::SP_ArrowLeft, this);
    SpeedButton12 =
        commandButton("SpeedButton12", tr("Add"), tr("Add files to Zip"), QStyle::SP_FileDialogNewFolder, this);
    SpeedButton13 =
        commandButton("SpeedButton13", tr("Remove"), tr("Delete files for ZIP"), QStyle::SP_DialogDiscardButton, this);
    SpeedButton7 = commandButton("SpeedButton7", tr("FTP"), tr("Transfer Files by FTP"), QStyle::SP_DriveNetIcon, this);
    SpeedButton8 =
        commandButton("SpeedButton8", tr("Email"), tr("Send Files by Email"), QStyle::SP_MessageBoxInformation, this);
    SpeedButton14 = commandButton("SpeedButton14", tr("Restore Selected"), tr("Restore files selected"),
                                  QStyle::SP_BrowserReload, this);
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QToolButton* button : {SpeedButton10, SpeedButton9, Spimport})
        layout->addWidget(button);
    layout->addSpacing(12);
    for (QToolButton* button : {SpeedButton12, SpeedButton13})
        layout->addWidget(button);
    layout->addSpacing(12);
    for (QToolButton* button : {SpeedButton7, SpeedButton8})
        layout->addWidget(button);
    layout->addStretch(1);
    layout->addWidget(SpeedButton14);
    return bar;
}

QWidget* RestorePage::buildOptions() {
    GroupBox4 = named<QGroupBox>("GroupBox4", tr("Options"));
    Label14 = named<QLabel>("Label14", tr("Extract to:"));
    DirectoryRestore = new FolderField("DirectoryRestore", true);
    DirectoryRestore->setText(qs(homeFolder()));
    Label15 = named<QLabel>("Label15", tr("Input Password ( If has ):"));
    EditRestorePassword = named<QLineEdit>("EditRestorePassword");
    EditRestorePassword->setEchoMode(QLineEdit::Password);
    EditRestorePassword->setToolTip(tr("The password of an encrypted archive: for restoring from it, and for the "
                                       "files added to it"));
    CheckBoxUseFolder = named<QCheckBox>("CheckBoxUseFolder", tr("Use Original Folder Name"));
    CheckBoxUseFolder->setChecked(true);
    Label16 = named<QLabel>("Label16", tr("Overwrite Mode:"));
    QRadioButton** radios[] = {&RadioPrompt, &RadioAlways, &RadioNever, &RadioNewer, &RadioOlder};
    auto* group = new QButtonGroup(this);
    auto* layout = new QVBoxLayout(GroupBox4);
    for (QWidget* w : {static_cast<QWidget*>(Label14), static_cast<QWidget*>(DirectoryRestore),
                       static_cast<QWidget*>(Label15), static_cast<QWidget*>(EditRestorePassword)})
        layout->addWidget(w);
    layout->addSpacing(8);
    layout->addWidget(CheckBoxUseFolder);
    layout->addSpacing(8);
    layout->addWidget(Label16);
    for (std::size_t i = 0; i < OverwriteRadios.size(); ++i) {
        const OverwriteRadio& radio = OverwriteRadios[i];
        *radios[i] = named<QRadioButton>(std::string(radio.control).c_str(), qs(radio.caption));
        group->addButton(*radios[i]);
        layout->addWidget(*radios[i]);
    }
    RadioNever->setChecked(true);
    layout->addStretch(1);
    GroupBox4->setFixedWidth(250);
    return GroupBox4;
}

void RestorePage::buildMenu() {
    PopupMenuString = new QMenu(this);
    PopupMenuString->setObjectName(QStringLiteral("PopupMenuString"));
    FilesSort = PopupMenuString->addMenu(tr("Files Sort"));
    FilesSort->setObjectName(QStringLiteral("FilesSort"));
    m_sortKeys = new QActionGroup(this);
    m_sortDirections = new QActionGroup(this);
    auto item = [this](const char* name, const QString& caption, const QVariant& meaning, QActionGroup* group) {
        QAction* action = FilesSort->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setData(meaning);
        action->setCheckable(true);
        group->addAction(action);
        return action;
    };
    PupMenuByname = item("PupMenuByname", tr("By name"), QVariant::fromValue(ArchiveSortKey::Name), m_sortKeys);
    PupmenuBysize = item("PupmenuBysize", tr("By size"), QVariant::fromValue(ArchiveSortKey::Size), m_sortKeys);
    PupMenuBydate = item("PupMenuBydate", tr("By date"), QVariant::fromValue(ArchiveSortKey::Date), m_sortKeys);
    FilesSort->addSeparator();
    PopupmenuAsc =
        item("PopupmenuAsc", tr("Ascending"), QVariant::fromValue(SortDirection::Ascending), m_sortDirections);
    PopupmenuDesc =
        item("PopupmenuDesc", tr("Descending"), QVariant::fromValue(SortDirection::Descending), m_sortDirections);
    PupMenuBydate->setChecked(true);
    PopupmenuAsc->setChecked(true);

    menuspe = PopupMenuString->addSeparator();
    menuspe->setObjectName(QStringLiteral("menuspe"));
    auto command = [this](const char* name, const QString& caption) {
        QAction* action = PopupMenuString->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    OpenZipFile1 = command("OpenZipFile1", tr("Open Zip File..."));
    menuimport = command("menuimport", tr("Import a Zip File..."));
    MenuCopy = command("MenuCopy", tr("Export the Zip File..."));
    menuDelete = command("menuDelete", tr("Delete Zip Files Selected..."));
    PopupMenuString->addSeparator();
    menuRestore = command("menuRestore", tr("Restore Zip File Selected to..."));
}

} // namespace quorvel::gui
