#include "gui/pages/restore_page.h"

#include "core/platform/data_folder.h"
#include "core/project/app_settings.h"
#include "core/project/backup_project.h"
#include "core/restore/added_files_password.h"
#include "core/restore/archive_entry_maintenance.h"
#include "core/restore/archive_folder_listing.h"
#include "core/restore/archive_list_sort.h"
#include "core/restore/archive_maintenance.h"
#include "core/restore/restore_session.h"
#include "gui/app/background_task.h"
#include "gui/dialogs/incomplete_zip_dialog.h"
#include "gui/ftp/form_ftp.h"
#include "gui/mail/form_email.h"
#include "gui/pages/restore_folder_field.h"
#include "gui/pages/restore_grid_model.h"
#include "gui/widgets/guarded.h"
#include "gui/widgets/qt_text.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>

namespace quorvel::gui {

namespace {

TIncompleteZipMode incompleteZipModeOf(IncompleteZipAnswer answer) {
    switch (answer) {
    case IncompleteZipAnswer::AssumeMulti:
        return izAssumeMulti;
    case IncompleteZipAnswer::AssumeBad:
        return izAssumeBad;
    case IncompleteZipAnswer::AssumeNotAZip:
        break;
    }
    return izAssumeNotAZip;
}

ArchiveSortOrder sortOrderOf(const AppSettings& settings) {
    return ArchiveSortOrder::fromStored(settings.byField, settings.sortOrder);
}

EntrySortOrder entrySortOrderOf(const AppSettings& settings) {
    return EntrySortOrder::fromStored(settings.entriesByField, settings.entriesSortOrder);
}

Qt::SortOrder qtOrder(SortDirection direction) {
    return direction == SortDirection::Ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
}

// The column's width that shows its caption (with the sort mark) and its cells whole; of a long
// list the first thousand rows are measured, as the grid itself would.
int wholeWidth(const QTableView* grid, int column) {
    constexpr int MeasuredRows = 1000, TextRoom = 8; // the text starts 2 pixels in; the rest is air
    const QAbstractItemModel* model = grid->model();
    const QFontMetrics metrics(model->index(0, column).data(Qt::FontRole).value<QFont>());
    int widest = grid->horizontalHeader()->sectionSizeHint(column);
    for (int row = 0; row < std::min(model->rowCount(), MeasuredRows); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(model->index(row, column).data().toString()) + TextRoom);
    return widest;
}

} // namespace

// The incomplete-zip dialog, on the window's thread also when the reader meets such an archive on
// the worker.
struct RestorePage::Feedback final : ArchiveQuestions {
    Feedback(BackgroundTask& task, QWidget& page) : m_task(task), m_page(page) {}

    TIncompleteZipMode askIncompleteZip() override {
        return m_task.askOnWindow<TIncompleteZipMode>(
            [this] { return incompleteZipModeOf(gui::askIncompleteZip(&m_page)); }, izAssumeNotAZip);
    }

    BackgroundTask& m_task;
    QWidget& m_page;
};

RestorePage::RestorePage(RestorePageContext context, QWidget* parent)
    : QWidget(parent), m_context(std::move(context)), m_feedback(std::make_unique<Feedback>(m_context.task, *this)) {
    setObjectName(QStringLiteral("restorePage"));
    m_session =
        std::make_unique<RestoreSession>(RestoreServices{m_context.task.prompts(), m_context.progress, *m_feedback,
                                                         m_context.runLog, m_context.store, &m_context.disks});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildFiles(), 1);
    layout->addWidget(buildOptions());
    buildMenu();
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::ExistingFiles);
    m_importFolder = m_addFolder = m_exportFolder = qs(homeFolder());

    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    chooseFolder = [this](const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(this, title, start);
    };
    runOpenDialog = [](QFileDialog& dialog) {
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };
    connectCommands();
}

RestorePage::~RestorePage() {
    // The grids and their models go after this; nothing they announce may reach the session.
    m_listingAttached = false;
    StringGridZipfilename->selectionModel()->disconnect(this);
}

void RestorePage::connectCommands() {
    connect(DirectoryView, &FolderField::browseRequested, this, &RestorePage::browseArchiveFolder);
    connect(DirectoryRestore, &FolderField::browseRequested, this, &RestorePage::browseRestoreFolder);
    connect(StringGridZipfilename->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { StringGridZipfilenameSelectCell(current.row()); });
    connect(StringGridZipfilename, &QTableView::doubleClicked, this, &RestorePage::StringGridZipfilenameDblClick);
    StringGridZipfilename->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGridZipfilename, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenuStringPopup();
        PopupMenuString->popup(StringGridZipfilename->viewport()->mapToGlobal(at));
    });
    connect(SplitterGrids, &QSplitter::splitterMoved, this, [this] { m_splitterDragged = true; });
    connect(FilesSort, &QMenu::triggered, this, &RestorePage::PopupmenuAscClick);
    connect(StringGridZipfilename->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &RestorePage::StringGridZipfilenameHeaderClick);
    connect(StringGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, &RestorePage::StringGrid1HeaderClick);
    connect(OpenZipFile1, &QAction::triggered, this, &RestorePage::StringGridZipfilenameDblClick);
    connect(menuRestore, &QAction::triggered, this, &RestorePage::SpRestoreClick);
    connect(SpeedButton14, &QToolButton::clicked, this, &RestorePage::SpeedButton14Click);
    connect(menuDelete, &QAction::triggered, this, &RestorePage::menuDeleteClick);
    connect(SpeedButton10, &QToolButton::clicked, this, &RestorePage::menuDeleteClick);
    connect(MenuCopy, &QAction::triggered, this, &RestorePage::MenuCopyClick);
    connect(SpeedButton9, &QToolButton::clicked, this, &RestorePage::MenuCopyClick);
    connect(menuimport, &QAction::triggered, this, &RestorePage::menuimportClick);
    connect(Spimport, &QToolButton::clicked, this, &RestorePage::menuimportClick);
    connect(SpeedButton12, &QToolButton::clicked, this, &RestorePage::SpeedButton12Click);
    connect(SpeedButton13, &QToolButton::clicked, this, &RestorePage::SpeedButton13Click);
    connect(SpeedButton7, &QToolButton::clicked, this, [this] {
        QStringList chosen;
        for (const std::string& name : selectedArchiveNames())
            chosen.append(qs(name));
        TFormFtp(m_context.accountIni, m_context.prompts, DirectoryView->text(), chosen, this).exec();
        DirectoryViewChange();
    });
    connect(SpeedButton8, &QToolButton::clicked, this, [this] {
        DirectoryView->setText(DirectoryView->text().trimmed());
        const QString folder = DirectoryView->text();
        QStringList files;
        for (const std::string& name : selectedArchiveNames())
            if (!qs(name).trimmed().isEmpty())
                files.append(folder + (folder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + qs(name));
        TFormEmail(m_context.accountIni, m_context.prompts, files, this).exec();
    });
}

void RestorePage::guarded(const std::function<void()>& command) {
    runGuarded(m_context.prompts, command);
}

// --- the archive list ----------------------------------------------------------------------

void RestorePage::PageControl1Change() {
    const QString savePath = m_context.savePath();
    DirectoryView->setText(savePath.trimmed().isEmpty() ? qs(homeFolder()) : savePath);
    DirectoryViewChange();
}

void RestorePage::browseArchiveFolder() {
    const QString folder = chooseFolder(tr("Please select directory"), DirectoryView->text());
    if (folder.isEmpty())
        return;
    DirectoryView->setText(folder);
    DirectoryViewChange();
}

void RestorePage::browseRestoreFolder() {
    const QString folder = chooseFolder(tr("Please select directory"), DirectoryRestore->text());
    if (!folder.isEmpty())
        DirectoryRestore->setText(folder);
}

void RestorePage::DirectoryViewChange() {
    m_listingAttached = false;
    guarded([this] {
        const std::vector<FolderArchive> files = listArchiveFolder(ss(DirectoryView->text()));
        if (files.empty()) {
            m_archives->setRows({});
            placeArchiveList();
            clearEntries();
        } else {
            m_archives->setRows(archiveRowsOf(files));
            placeArchiveList();
            sortArchiveList();
        }
        LabelZipNumber->setText(qs(totalFilesCaption(files.size())));
    });
    m_listingAttached = true;
}

// The first time the page lists its folder, the archive list is made wide enough for the names,
// sizes and dates, up to 45 % of the room both lists share (or as wide as the user left it last
// time); the entries get the rest. Later the width is the user's: the divider stays where it is.
void RestorePage::placeArchiveList() {
    if (m_splitterPlaced || !SplitterGrids->isVisible() || SplitterGrids->width() <= 0)
        return;
    m_splitterPlaced = true;
    QTableView* grid = StringGridZipfilename;
    int wanted = 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_archives->columnCount(); ++column)
        wanted += column == ArchiveColumnName ? wholeWidth(grid, column) : grid->columnWidth(column);
    const int room = SplitterGrids->width() - SplitterGrids->handleWidth();
    // The entries have four columns to this list's three: they keep the larger part.
    const int left = m_keptWidth ? std::clamp(*m_keptWidth, 0, room) : std::min(wanted, room * 9 / 20);
    SplitterGrids->setSizes({left, room - left});
}

std::optional<int> RestorePage::archiveListWidth() const {
    if (m_splitterDragged)
        return SplitterGrids->sizes().value(0);
    return m_keptWidth;
}

void RestorePage::setArchiveListWidth(int width) {
    m_keptWidth = width;
}

// The date (the last column) and the size keep their widths; the names and paths of the listed
// archive are shown whole when the list's width allows, else they share what is left in
// proportion to their widths, so that the date is never pushed out of sight.
void RestorePage::fitEntryColumns() {
    constexpr int Least = 60;
    const int room = StringGrid1->viewport()->width() - StringGrid1->columnWidth(EntryColumnSize) -
                     std::max(m_dateWidth, wholeWidth(StringGrid1, EntryColumnDate));
    const int name = wholeWidth(StringGrid1, EntryColumnName);
    const int path = wholeWidth(StringGrid1, EntryColumnPath);
    if (name + path <= room) {
        StringGrid1->setColumnWidth(EntryColumnName, name);
        StringGrid1->setColumnWidth(EntryColumnPath, path);
        return;
    }
    const int nameShare = std::max(Least, static_cast<int>(static_cast<long long>(room) * name / (name + path)));
    StringGrid1->setColumnWidth(EntryColumnName, nameShare);
    StringGrid1->setColumnWidth(EntryColumnPath, std::max(Least, room - nameShare));
}

void RestorePage::sortArchiveList() {
    if (m_archives->isEmpty())
        return;
    std::vector<ArchiveRow> rows = m_archives->rows();
    SortArchiveList(rows, sortOrderOf(m_context.settings));
    m_archives->setRows(std::move(rows));
    selectFirstRow(StringGridZipfilename);
    ListArchiveEntries(currentArchiveName());
}

void RestorePage::selectFirstRow(QTableView* grid) {
    const bool attached = m_listingAttached;
    m_listingAttached = false;
    grid->clearSelection();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    grid->selectRow(0);
    m_listingAttached = attached;
}

void RestorePage::StringGridZipfilenameSelectCell(int row) {
    if (!m_listingAttached || row < 0)
        return;
    guarded([this, row] { ListArchiveEntries(qs(m_archives->cell(row, ArchiveColumnName))); });
}

void RestorePage::ListArchiveEntries(const QString& name) {
    if (m_context.task.isRunning())
        return; // the session's reader is the worker's until the run has ended
    std::vector<EntryRow> rows;
    try {
        rows = m_session->ListArchiveEntries(ss(DirectoryView->text()), ss(name));
    } catch (...) {
        // The entries of another archive must not stay under an archive that cannot be read.
        clearEntries();
        throw;
    }
    const std::size_t count = rows.size();
    SortEntryList(rows, entrySortOrderOf(m_context.settings));
    m_entries->setRows(std::move(rows));
    LabelfileNumber->setText(qs(totalFilesCaption(count)));
    if (count > 0) {
        fitEntryColumns();
        selectFirstRow(StringGrid1);
    }
}

void RestorePage::clearEntries() {
    m_entries->setRows({});
    LabelfileNumber->setText(qs(totalFilesCaption(0)));
}

QString RestorePage::currentArchiveName() const {
    const int row = StringGridZipfilename->currentIndex().row();
    return qs(m_archives->cell(std::max(row, 0), ArchiveColumnName)).trimmed();
}

namespace {

// The selected range of a grid, top to bottom; the current row when nothing is selected.
std::pair<int, int> selectedRange(const QTableView* grid) {
    const QModelIndexList rows = grid->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        const int current = std::max(grid->currentIndex().row(), 0);
        return {current, current};
    }
    int top = rows.front().row(), bottom = top;
    for (const QModelIndex& index : rows) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
    }
    return {top, bottom};
}

} // namespace

std::vector<std::string> RestorePage::selectedArchiveNames() const {
    const auto [top, bottom] = selectedRange(StringGridZipfilename);
    std::vector<std::string> names;
    for (int row = top; row <= bottom; ++row)
        names.push_back(m_archives->cell(row, ArchiveColumnName));
    return names;
}

std::vector<std::string> RestorePage::selectedEntryNames() const {
    if (m_entries->isEmpty())
        return {};
    const auto [top, bottom] = selectedRange(StringGrid1);
    return entryStoredNames(m_entries->rows(), static_cast<std::size_t>(top), static_cast<std::size_t>(bottom));
}

void RestorePage::StringGridZipfilenameDblClick() {
    guarded([this] {
        const QString name = currentArchiveName();
        if (name.isEmpty())
            return;
        const std::string path = archivePath(ss(DirectoryView->text()), ss(name));
        if (!openUrl(QUrl::fromLocalFile(qs(path))))
            m_context.prompts.showMessage("Cannot open " + path, MessageKind::Warning);
    });
}

void RestorePage::PopupMenuStringPopup() {
    const bool archives = !m_archives->isEmpty();
    for (QAction* item : {menuspe, MenuCopy, menuRestore, menuDelete, OpenZipFile1})
        item->setVisible(archives);
}

// Each item of "Files Sort" carries the key or the direction it stands for.
void RestorePage::loadSortOrder() {
    const ArchiveSortOrder order = sortOrderOf(m_context.settings);
    for (QAction* item : m_sortKeys->actions()) {
        if (item->data().value<ArchiveSortKey>() == order.key)
            item->setChecked(true);
    }
    for (QAction* item : m_sortDirections->actions()) {
        if (item->data().value<SortDirection>() == order.direction)
            item->setChecked(true);
    }
    showSortMarks();
}

void RestorePage::showSortMarks() {
    const ArchiveSortOrder archives = sortOrderOf(m_context.settings);
    StringGridZipfilename->horizontalHeader()->setSortIndicator(static_cast<int>(archives.key),
                                                                qtOrder(archives.direction));
    const EntrySortOrder entries = entrySortOrderOf(m_context.settings);
    StringGrid1->horizontalHeader()->setSortIndicator(entries.key ? static_cast<int>(*entries.key) : -1,
                                                      qtOrder(entries.direction));
}

void RestorePage::StringGridZipfilenameHeaderClick(int column) {
    if (column < 0 || column >= m_archives->columnCount())
        return;
    ArchiveSortOrder order = sortOrderOf(m_context.settings);
    const auto key = static_cast<ArchiveSortKey>(column);
    const bool again = order.key == key;
    order.key = key;
    order.direction =
        again && order.direction == SortDirection::Ascending ? SortDirection::Descending : SortDirection::Ascending;
    m_context.settings.byField = order.storedByField();
    m_context.settings.sortOrder = order.storedSort();
    loadSortOrder();
    m_listingAttached = false;
    guarded([this] { sortArchiveList(); });
    m_listingAttached = true;
}

void RestorePage::StringGrid1HeaderClick(int column) {
    if (column < 0 || column >= m_entries->columnCount())
        return;
    EntrySortOrder order = entrySortOrderOf(m_context.settings);
    const auto key = static_cast<EntrySortKey>(column);
    const bool again = order.key == key;
    order.key = key;
    order.direction =
        again && order.direction == SortDirection::Ascending ? SortDirection::Descending : SortDirection::Ascending;
    m_context.settings.entriesByField = order.storedByField();
    m_context.settings.entriesSortOrder = order.storedSort();
    showSortMarks();
    if (m_entries->isEmpty())
        return;
    std::vector<EntryRow> rows = m_entries->rows();
    SortEntryList(rows, order);
    m_entries->setRows(std::move(rows));
    selectFirstRow(StringGrid1);
}

void RestorePage::PopupmenuAscClick(QAction* item) {
    item->setChecked(true);
    ArchiveSortOrder order = sortOrderOf(m_context.settings);
    if (item->actionGroup() == m_sortKeys)
        order.key = item->data().value<ArchiveSortKey>();
    else if (item->actionGroup() == m_sortDirections)
        order.direction = item->data().value<SortDirection>();
    else
        return;
    m_context.settings.byField = order.storedByField();
    m_context.settings.sortOrder = order.storedSort();
    showSortMarks();
    m_listingAttached = false;
    guarded([this] { sortArchiveList(); });
    m_listingAttached = true;
}

// --- the options ---------------------------------------------------------------------------

void RestorePage::loadOptions(const BackupProject& project) {
    DirectoryRestore->setText(qs(project.restorePath));
    CheckBoxUseFolder->setChecked(project.restoreToOrigPath);
    const std::optional<StoredOverwriteMode> mode =
        project.overwriteMode ? storedOverwriteModeOf(*project.overwriteMode) : std::nullopt;
    QRadioButton* radios[] = {RadioPrompt, RadioAlways, RadioNever, RadioNewer, RadioOlder};
    QButtonGroup* group = RadioNever->group();
    group->setExclusive(false); // a value outside the set leaves all five unchecked
    for (std::size_t i = 0; i < OverwriteRadios.size(); ++i)
        radios[i]->setChecked(mode == OverwriteRadios[i].mode);
    group->setExclusive(true);
}

std::optional<StoredOverwriteMode> RestorePage::checkedOverwriteMode() const {
    const std::pair<QRadioButton*, StoredOverwriteMode> order[] = {{RadioOlder, StoredOverwriteMode::IfOlder},
                                                                   {RadioNewer, StoredOverwriteMode::IfNewer},
                                                                   {RadioNever, StoredOverwriteMode::Never},
                                                                   {RadioPrompt, StoredOverwriteMode::Prompt},
                                                                   {RadioAlways, StoredOverwriteMode::Always}};
    for (const auto& [radio, mode] : order) {
        if (radio->isChecked())
            return mode;
    }
    return std::nullopt;
}

RestoreOptions RestorePage::options() const {
    RestoreOptions options;
    options.destDir = ss(DirectoryRestore->text());
    options.useOriginalFolders = CheckBoxUseFolder->isChecked();
    options.overwrite = checkedOverwriteMode();
    options.password = ss(EditRestorePassword->text());
    return options;
}

// --- restore -------------------------------------------------------------------------------

RestoreRequest RestorePage::requestFor(const QString& archiveName) const {
    RestoreRequest request;
    request.archiveFolder = ss(DirectoryView->text());
    request.archiveName = ss(archiveName);
    request.options = options();
    request.projectName = ss(m_context.projectName());
    return request;
}

void RestorePage::SpRestoreClick() {
    runRestore(false);
}

void RestorePage::SpeedButton14Click() {
    runRestore(true);
}

void RestorePage::runRestore(bool selectedOnly) {
    RestoreRequest request = requestFor(currentArchiveName());
    if (selectedOnly) {
        request.entries = selectedEntryNames();
        request.exactNames = true;
    }
    auto outcome = std::make_shared<RestoreOutcome>();
    m_context.task.start(
        tr("The restore from '%1'").arg(qs(request.archiveName)),
        [this, request, selectedOnly, outcome] {
            *outcome = selectedOnly ? m_session->restoreSelected(request) : m_session->restoreArchive(request);
        },
        [this, outcome](bool) {
            // The list follows a restore; after an error the reader's message has been shown once.
            const bool ran = outcome->status == RestoreStatus::Succeeded || outcome->status == RestoreStatus::Failed;
            if (ran && outcome->error.empty())
                ListArchiveEntries(currentArchiveName());
        });
}

// --- archive files -------------------------------------------------------------------------

// Deleting files is quick: it stays on the window's thread.
void RestorePage::menuDeleteClick() {
    guarded([this] { deleteArchives(m_context.prompts, ss(DirectoryView->text()), selectedArchiveNames()); });
    DirectoryViewChange();
}

// Copies of archives can take long: they run on the worker.
void RestorePage::MenuCopyClick() {
    const QString name = currentArchiveName();
    if (name.isEmpty())
        return;
    const QString folder = chooseFolder(tr("Export '%1' to destination folder").arg(name), m_exportFolder);
    if (folder.isEmpty())
        return;
    m_exportFolder = folder;
    m_context.task.start(tr("The export of '%1'").arg(name),
                         [this, archives = ss(DirectoryView->text()), name, folder] {
                             exportArchive(m_context.task.prompts(), archives, ss(name), ss(folder));
                         });
}

// Runs OpenDialog1 for one use: its title and filters, starting in `folder`, which becomes the
// folder the files were chosen in. Title and filters are left empty again.
QStringList RestorePage::chooseFiles(const QString& title, const QStringList& filters, QString& folder) {
    OpenDialog1->setWindowTitle(title);
    OpenDialog1->setNameFilters(filters);
    OpenDialog1->setDirectory(folder);
    QStringList files;
    guarded([this, &files] { files = runOpenDialog(*OpenDialog1); });
    OpenDialog1->setWindowTitle(QString());
    OpenDialog1->setNameFilter(QString());
    if (!files.isEmpty())
        folder = QFileInfo(files.front()).absolutePath();
    return files;
}

void RestorePage::menuimportClick() {
    // The file system tells letter case apart: list every spelling of the extension.
    const QStringList files =
        chooseFiles(tr("Import Zip file"), {tr("Zip file (*.Zip *.zip *.ZIP)"), tr("All files (*)")}, m_importFolder);
    if (files.isEmpty())
        return;
    m_context.task.start(
        tr("The import of '%1'").arg(files.front()),
        [this, archives = ss(DirectoryView->text()), source = ss(files.front())] {
            importArchive(m_context.task.prompts(), archives, source);
        },
        [this](bool) { DirectoryViewChange(); });
}

// --- entries of the current archive --------------------------------------------------------

// The added files follow the archive's encryption (passwordForAddedFiles): the password typed on
// this page, checked against the archive, or a question before a plain archive gets encrypted
// files.
void RestorePage::SpeedButton12Click() {
    const QString name = currentArchiveName();
    if (name.isEmpty())
        return;
    const QStringList chosen = chooseFiles(tr("Add files to '%1'").arg(name), {tr("All files (*)")}, m_addFolder);
    if (chosen.isEmpty())
        return;
    std::vector<std::string> files;
    for (const QString& file : chosen)
        files.push_back(ss(file));
    changeCurrentArchive(tr("The update of '%1'").arg(name),
                         [this, files, typed = ss(EditRestorePassword->text()),
                          settings = writerSettingsOf(m_context.currentProject())](const std::string& archive) {
                             UserPrompts& prompts = m_context.task.prompts();
                             const std::optional<std::string> password =
                                 passwordForAddedFiles(prompts, archive, typed, settings.password);
                             if (!password)
                                 return false;
                             ProjectWriterSettings chosenSettings = settings;
                             chosenSettings.password = *password;
                             addFilesToArchive(prompts, m_context.progress, archive, files, chosenSettings);
                             return true;
                         });
}

void RestorePage::SpeedButton13Click() {
    changeCurrentArchive(tr("The update of '%1'").arg(currentArchiveName()), [this, names = selectedEntryNames()](
                                                                                 const std::string& archive) {
        return deleteArchiveEntries(m_context.task.prompts(), m_context.progress, archive, names).has_value();
    });
}

// Runs a change of the current archive; once it has run, the archive's row and entries show
// what it holds now. After an error the archive is as it was, and so is the list.
void RestorePage::changeCurrentArchive(const QString& what, std::function<bool(const std::string& archive)> change) {
    const QString name = currentArchiveName();
    if (name.isEmpty())
        return;
    auto changed = std::make_shared<bool>(false);
    m_context.task.start(
        what,
        [archive = archivePath(ss(DirectoryView->text()), ss(name)), change = std::move(change), changed] {
            *changed = change(archive);
        },
        [this, changed](bool) {
            if (*changed)
                showCurrentArchiveAnew();
        });
}

void RestorePage::showCurrentArchiveAnew() {
    const QString name = currentArchiveName();
    if (const std::optional<FolderArchive> file = archiveFileOf(ss(DirectoryView->text()), ss(name)))
        m_archives->setRow(std::max(StringGridZipfilename->currentIndex().row(), 0), archiveRowOf(*file));
    ListArchiveEntries(name);
}

} // namespace quorvel::gui
