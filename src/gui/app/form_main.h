#pragma once

#include "core/platform/data_folder.h"
#include "core/project/app_settings.h"
#include "core/util/user_prompts.h"
#include "gui/widgets/window_layout.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QTabWidget;
class QTimer;
class QToolButton;

// Headers that reach <compare> stay out of here: the meta-object compiler cannot read it.
namespace quorvel {
class Clock;
class DiskInfo;
class OperationLog;
class ProjectStore;
struct BackupOutcome;
struct BackupProject;
struct ScheduledRun;
struct ScheduledRunReport;
} // namespace quorvel

namespace quorvel::gui {

class BackgroundTask;
class BackupPage;
class LogPage;
class ProgressStrip;
class ProjectSelector;
class RestorePage;
class TrayIcon;
class WindowProgress;
class WindowScheduler;
class WorkerProgress;

// The main window: tool bar with the project selector and the project commands, the Backup,
// Restore and Log pages, the progress strip, the program menu and the tray icon.
class TFormMain final : public QMainWindow {
    Q_OBJECT
public:
    TFormMain(DataFiles data, UserPrompts& prompts, const Clock& clock, QWidget* parent = nullptr);
    ~TFormMain() override;

    // Tool bar
    ProjectSelector* comboProject;
    QToolButton* SpNew;
    QToolButton* SpEdit;
    QToolButton* SpSave;
    QToolButton* SpCancel;
    QToolButton* SpRename;
    QToolButton* spCopy;
    QToolButton* SpDelete;
    QToolButton* SpStart;
    QToolButton* SpRestore;
    QToolButton* spEnable;
    QToolButton* SpMenu;
    QToolButton* SpeedButton15;
    QToolButton* SpExit;

    // Pages and strip. The Restore and Log pages are plain pages that their own widgets fill.
    QTabWidget* PageControl1;
    BackupPage* TabBackup;
    QWidget* TabRestore;
    RestorePage* restorePage; // on TabRestore
    QWidget* TabLog;
    LogPage* logPage; // on TabLog
    ProgressStrip* progressStrip;

    // Program menu
    QMenu* PopupMenu1;
    QAction* menuPreferences;
    QAction* menuWebsite;
    QAction* menuHelp;
    QAction* menuAbout;

    TrayIcon* TrayIcon1;
    // The schedule timer: 30 seconds, running while the schedule table holds a project.
    QTimer* Timer1;

    // States
    void SetBrowseMode(bool browse);
    // The busy state: off while a backup, restore or archive change runs. Create Backup, Restore
    // File, the pages, the project commands, the preferences and the tray's backup items are then
    // disabled and the hourglass shows.
    void EnableRunControls(bool enabled);
    bool isBusy() const { return m_busy; }
    void ShowProgressStrip(bool show);
    bool isEditing() const;

    // Where backups, restores and archive changes run: one at a time, off the window's thread.
    BackgroundTask& backgroundTask() { return *m_task; }
    // The backup run of the selected project with these settings. False when there is no project
    // or a run is under way; otherwise `ended` gets the outcome once it has been shown.
    bool startBackup(const AppSettings& settings, std::function<void(const BackupOutcome&)> ended = {});
    // A scheduled run: the project as project.ini holds it, selected in the window while it
    // runs, with the settings in memory but without the question before the run; any other
    // question takes its safe answer. `ended` gets the report, and whether the run was stopped
    // because the program is closing. False when a run is under way or a project is being edited.
    bool startScheduledBackup(const ScheduledRun& run,
                              std::function<void(const ScheduledRunReport&, bool stopped)> ended);

    // The schedule table (form_main_schedule.cpp): at start-up, after a save, after the project
    // list changed.
    void RebuildSchedule();
    const WindowScheduler& scheduling() const { return *m_scheduler; }

    // Start-up loading; also after a new project has been created.
    void LoadSettingsAndProjects();
    // Shows the window as the start-up asks: minimised when the start-minimised flag is set.
    void showAtStartup();
    // Brings the window back from the tray or the task bar and to the front.
    void restoreProgram();

    AppSettings& settings() { return m_settings; }
    const AppSettings& settings() const { return m_settings; }
    bool startMinimisedFlag() const { return m_startMinimised; }
    void clearStartMinimisedFlag() { m_startMinimised = false; }
    ProjectStore& store() { return *m_store; }
    const DataFiles& dataFiles() const { return m_data; }
    UserPrompts& prompts() { return m_prompts; }
    // The operation log the Log page shows; backups and restores append to it.
    OperationLog& operationLog() { return *m_log; }
    const Clock& clock() const { return m_clock; }
    // The drives backups and restores write to and read from.
    const DiskInfo& diskInfo() const { return *m_disks; }
    QStringList projectNames() const;
    // The trimmed text of the project selector.
    QString selectedProjectName() const;
    // The project as last loaded from project.ini (restore options included).
    const BackupProject& loadedProject() const { return *m_loaded; }
    // The project as the Backup page shows it now, with the loaded restore options.
    BackupProject currentProject() const;

    // Project commands (form_main_projects.cpp).
    // Before anything leaves edit mode (closing, another project, Create Backup): unsaved
    // changes are saved or dropped as the user says. False when the window stays in edit mode.
    bool confirmLeaveEdit();
    // Selects and loads a project by name (case ignored), asking about unsaved changes first;
    // for the tray's project items. False when nothing was selected.
    bool selectProject(const QString& name);

public slots:
    void comboProjectChange();
    // Create Backup: the backup run of the selected project, with the question before it when
    // "PromptBeforeBackup" is on. The scheduler turns that setting off around its call.
    void SpStartClick();
    void SpEditClick();
    void SpSaveClick();
    void SpCancelClick();
    void spEnableClick();
    void menuEnDisClick();
    void menuPreferencesClick();
    void menuWebsiteClick();
    void menuHelpClick();
    void menuAboutClick();
    void SpSelectDirectoryClick();
    void RefreshSchedulingIndicators();
    void Timer1Timer();
    // The window was minimised: to the tray, where there is one.
    void ApplicationEvents1Minimize();
    // Hidden in the tray, the window comes back onto the task bar (minimised) when the desktop's
    // tray has gone away (its host ended), so that it is never out of reach. Checked every few
    // seconds while hidden.
    void checkTrayStillThere();
    // An item of the tray's "Backup Project": that project's backup, as Create Backup runs it.
    void menuBackupItemClick(const QString& name);
    void SpNewClick();
    void SpRenameClick();
    void spCopyClick();
    void SpDeleteClick();

signals:
    // After a project was loaded into the controls (also after Cancel); the Restore page
    // takes its options from loadedProject().
    void projectLoaded();
    // After a project was saved.
    void projectSaved();
    // After the preferences were applied (the log size may have changed).
    void settingsApplied();
    // A backup started on the Restore page has finished: its folder view should be read again.
    void restoreFolderRefreshRequested();
    // The busy state changed (see EnableRunControls).
    void busyChanged(bool busy);
    // A backup, restore or archive change has ended and its outcome has been shown.
    void runFinished();
    // A project was added, copied, renamed or deleted: the project list is the selector's now.
    // The tray's "Backup Project" submenu has been rebuilt; the schedule list should be.
    void projectListChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildToolBar();
    void buildMenu();
    void buildPages();
    void buildTray();
    void connectTray();
    void writeSchedulingSwitch();
    // Whether the project carries a schedule, as project.ini says now: the marker.
    bool projectHasSchedule(const QString& name) const;
    void connectCommands();
    void applyCommandStates();
    void runningChanged(bool running);
    void askToStopRunAndClose();
    void guarded(const std::function<void()>& command);
    void FormClose();
    void showBackupResult(const BackupProject& project, const std::string& fileNameField);
    // Loads the selected project into the controls, leaving the page in front as it is.
    bool loadSelectedProject();
    // After a run the window did not start from its controls: the project shows what the run
    // changed, when it is still the one shown and is not being edited.
    void reloadAfterRun(const QString& name);
    void connectProjectCommands();
    void updateProjectCommands();
    void RebuildBackupMenu();
    void reloadProjectList(const QString& select);
    std::optional<QString> nameCommand(const QString& caption, const QString& text, bool rename);
    void showNamedProject(int position);
    // The window's size, place and list widths from window.ini, and back there at close when
    // the user changed them (window.ini is not touched otherwise).
    void restoreWindowLayout();
    void saveWindowLayout();
    WindowLayout currentLayout() const;

    DataFiles m_data;
    UserPrompts& m_prompts;
    const Clock& m_clock;
    std::unique_ptr<ProjectStore> m_store;
    AppSettings m_settings;
    std::unique_ptr<BackupProject> m_loaded;
    std::unique_ptr<OperationLog> m_log;
    // The same log.txt as the worker appends to it; the Log page's log reads the file again after
    // each append.
    std::unique_ptr<OperationLog> m_runLog;
    std::unique_ptr<DiskInfo> m_disks;
    std::unique_ptr<BackgroundTask> m_task;
    std::unique_ptr<WindowProgress> m_windowProgress;
    std::unique_ptr<WorkerProgress> m_workerProgress;
    std::unique_ptr<WindowScheduler> m_scheduler;
    bool m_startMinimised = false;
    bool m_positioned = false;
    std::optional<WindowLayout> m_shownLayout; // as the window first showed itself
    bool m_browse = true;
    bool m_busy = false;
    QTimer* m_trayWatch = nullptr;
    bool m_switchUnwritten = false; // the scheduling switch waits for a run to end to be written
    enum class Closing { No, Asking, WhenRunEnds } m_closing = Closing::No;
};

} // namespace quorvel::gui
