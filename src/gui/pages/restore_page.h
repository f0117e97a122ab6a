#pragma once

#include <QUrl>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QSplitter;
class QTableView;
class QToolButton;

// Core headers stay out of here: the meta-object compiler cannot read headers that reach <compare>.
namespace quorvel {
class RunProgress;
class DiskInfo;
class OperationLog;
class ProjectStore;
class RestoreSession;
class UserPrompts;
struct AppSettings;
struct BackupProject;
struct RestoreOptions;
struct RestoreRequest;
enum class StoredOverwriteMode;
} // namespace quorvel

namespace quorvel::gui {

class BackgroundTask;
class FolderField;
template <typename Row> class RestoreGridModel;
using ArchiveGridModel = RestoreGridModel<std::array<std::string, 3>>;
using EntryGridModel = RestoreGridModel<std::array<std::string, 4>>;

// What the Restore page works with besides its own widgets.
struct RestorePageContext {
    UserPrompts& prompts;                          // the window's, on the window's thread
    AppSettings& settings;                         // the archive list's sort order
    ProjectStore& store;                           // restores keep their options in the project's section
    const DiskInfo& disks;                         // the drives archives lie on
    OperationLog& runLog;                          // the log restores append to from the worker
    BackgroundTask& task;                          // where restores, archive changes, exports and imports run
    RunProgress& progress;                         // what they report to on the worker
    std::function<QString()> projectName;          // the project selector's trimmed text
    std::function<QString()> savePath;             // the selected project's save path; empty without one
    std::function<BackupProject()> currentProject; // as the Backup page shows it (adding files uses it)
    std::filesystem::path accountIni;              // the FTP sites and the email account
};

// The Restore page: the archives of a folder, the entries of the chosen archive, the restore
// options, and the commands that restore from, export, import and delete archives. Restores,
// archive changes, exports and imports run on the window's background task; the restore itself
// is the core's RestoreSession, which keeps its reader between restores.
class RestorePage final : public QWidget {
    Q_OBJECT
public:
    explicit RestorePage(RestorePageContext context, QWidget* parent = nullptr);
    ~RestorePage() override;

    // "Files"
    QGroupBox* GroupBox6;
    QLabel* Label7;
    FolderField* DirectoryView;
    QLabel* Label8;
    QLabel* LabelZipNumber;
    QTableView* StringGridZipfilename;
    QLabel* Label11;
    QLabel* LabelfileNumber;
    QTableView* StringGrid1;
    QSplitter* SplitterGrids;   // the archive list beside the entries; the window keeps its sizes
    QToolButton* SpeedButton10; // delete archives
    QToolButton* SpeedButton9;  // export
    QToolButton* Spimport;
    QToolButton* SpeedButton12; // add files to the archive
    QToolButton* SpeedButton13; // delete entries
    QToolButton* SpeedButton7;  // FTP
    QToolButton* SpeedButton8;  // email
    QToolButton* SpeedButton14; // restore the selected entries

    // The archive list's popup menu
    QMenu* PopupMenuString;
    QMenu* FilesSort;
    QAction* PupMenuByname;
    QAction* PupmenuBysize;
    QAction* PupMenuBydate;
    QAction* PopupmenuAsc;
    QAction* PopupmenuDesc;
    QAction* menuspe;
    QAction* OpenZipFile1;
    QAction* menuimport;
    QAction* MenuCopy;
    QAction* menuDelete;
    QAction* menuRestore;

    // "Options"
    QGroupBox* GroupBox4;
    QLabel* Label14;
    FolderField* DirectoryRestore;
    QLabel* Label15;
    QLineEdit* EditRestorePassword;
    QCheckBox* CheckBoxUseFolder;
    QLabel* Label16;
    QRadioButton* RadioPrompt;
    QRadioButton* RadioAlways;
    QRadioButton* RadioNever;
    QRadioButton* RadioNewer;
    QRadioButton* RadioOlder;

    // The file dialog shared by import and add: several existing files. Each use sets its own
    // title, filters and starting folder (the folder that use chose from last), and leaves the
    // title and filters empty again afterwards.
    QFileDialog* OpenDialog1;

    ArchiveGridModel* archiveModel() const { return m_archives; }
    EntryGridModel* entryModel() const { return m_entries; }
    RestoreSession& session() { return *m_session; }

    // The restore options as the "Options" group shows them, and loading them from a project.
    RestoreOptions options() const;
    void loadOptions(const BackupProject& project);
    // Puts the check marks of "Files Sort" and the headings' sort marks from the settings' "By
    // Field" and "Sort" and the entries list's "Entries By Field" and "Entries Sort".
    void loadSortOrder();

    // The archive list's width as the user dragged the divider to, or as given to the page;
    // nullopt while it is the width the page chose itself (wide enough for the names, the
    // first time the page shows archives).
    std::optional<int> archiveListWidth() const;
    void setArchiveListWidth(int width);

    // The archive name of the current row (empty without archives) and the selected ranges.
    QString currentArchiveName() const;
    std::vector<std::string> selectedArchiveNames() const;
    std::vector<std::string> selectedEntryNames() const;

    // Seams for the desktop: opening a document, choosing a folder, running OpenDialog1.
    std::function<bool(const QUrl&)> openUrl;
    std::function<QString(const QString& title, const QString& start)> chooseFolder;
    std::function<QStringList(QFileDialog&)> runOpenDialog;

public slots:
    void PageControl1Change();
    void DirectoryViewChange();
    void StringGridZipfilenameDblClick();
    void PopupMenuStringPopup();
    void PopupmenuAscClick(QAction* item);
    void SpRestoreClick();
    void SpeedButton14Click();
    void menuDeleteClick();
    void MenuCopyClick();
    void menuimportClick();
    void SpeedButton12Click();
    void SpeedButton13Click();
    // A click on a column heading: sorts by that column, the other way round when it is the
    // column sorted by already; kept like the choice of the "Files Sort" menu.
    void StringGridZipfilenameHeaderClick(int column);
    void StringGrid1HeaderClick(int column);

private:
    QWidget* buildFiles();
    QWidget* buildGrids();
    QWidget* buildButtons();
    QWidget* buildOptions();
    void buildMenu();
    void connectCommands();
    void setUpGrid(QTableView* grid, const QString& hint);

    void StringGridZipfilenameSelectCell(int row);
    void ListArchiveEntries(const QString& name);
    void clearEntries();
    void sortArchiveList();
    void showSortMarks();
    void placeArchiveList();
    void fitEntryColumns();
    QStringList chooseFiles(const QString& title, const QStringList& filters, QString& folder);
    void selectFirstRow(QTableView* grid);
    void browseArchiveFolder();
    void browseRestoreFolder();
    std::optional<StoredOverwriteMode> checkedOverwriteMode() const;
    RestoreRequest requestFor(const QString& archiveName) const;
    void runRestore(bool selectedOnly);
    void changeCurrentArchive(const QString& what, std::function<bool(const std::string& archive)> change);
    void showCurrentArchiveAnew();
    void guarded(const std::function<void()>& command);

    RestorePageContext m_context;
    ArchiveGridModel* m_archives = nullptr;
    EntryGridModel* m_entries = nullptr;
    QActionGroup* m_sortKeys = nullptr;
    QActionGroup* m_sortDirections = nullptr;
    struct Feedback;
    std::unique_ptr<Feedback> m_feedback;
    std::unique_ptr<RestoreSession> m_session;
    bool m_listingAttached = true;  // the archive list's selection lists entries
    bool m_splitterPlaced = false;  // the archive list got its width once; from then on the user's
    std::optional<int> m_keptWidth; // the width to give it, or the user's
    bool m_splitterDragged = false;
    int m_dateWidth = 0; // the date columns' width: a date and time whole, with the sort mark
    // Where each file dialog starts: the folder it was last used in, the home folder before.
    QString m_importFolder, m_addFolder, m_exportFolder;
};

} // namespace quorvel::gui
