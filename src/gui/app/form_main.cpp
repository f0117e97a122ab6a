#include "gui/app/form_main.h"

#include "core/backup/operation_log.h"
#include "core/platform/disk_info.h"
#include "core/project/project_store.h"
#include "core/project/validate_project_input.h"
#include "gui/app/background_task.h"
#include "gui/app/progress_strip.h"
#include "gui/app/tray_icon.h"
#include "gui/app/window_progress.h"
#include "gui/app/window_scheduler.h"
#include "gui/app/worker_progress.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/pages/backup_page.h"
#include "gui/pages/log_page.h"
#include "gui/pages/restore_page.h"
#include "gui/resources/app_icons.h"
#include "gui/widgets/guarded.h"
#include "gui/widgets/help_book.h"
#include "gui/widgets/project_selector.h"
#include "gui/widgets/qt_text.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace quorvel::gui {

TFormMain::TFormMain(DataFiles files, UserPrompts& prompts, const Clock& clock, QWidget* parent)
    : QMainWindow(parent), m_data(std::move(files)), m_prompts(prompts), m_clock(clock),
      m_store(std::make_unique<ProjectStore>(m_data.projectIni(), clock)), m_loaded(std::make_unique<BackupProject>()),
      m_log(std::make_unique<OperationLog>(m_data.logFile(), clock)),
      m_runLog(std::make_unique<OperationLog>(m_data.logFile(), clock)), m_disks(std::make_unique<SystemDiskInfo>()),
      m_task(std::make_unique<BackgroundTask>(prompts)) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Quorvel ZIP Backup  V1.15"));
    setWindowIcon(mainIcon());
    buildToolBar();
    buildMenu();
    buildPages();
    buildTray();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    m_scheduler = std::make_unique<WindowScheduler>(*this, *Timer1);
    connectCommands();
    connectTray();
    resize(1100, 680);
    restoreWindowLayout();
    SetBrowseMode(true);
    guarded([this] { LoadSettingsAndProjects(); });
    guarded([this] {
        m_log->setLimit(m_settings.logCount);
        m_log->LoadLog();
    });
    m_startMinimised = m_settings.startMinimised();
    ShowProgressStrip(false);
}

TFormMain::~TFormMain() {
    m_task->cancelAndWait(); // a run still under way stops before what it works on goes
    if (m_busy)
        QApplication::restoreOverrideCursor();
    // The page follows the log and must go before it; the widget tree would delete it only
    // after the members are gone.
    delete logPage;
    delete restorePage; // its restore session works on the log and the project file
}

void TFormMain::connectCommands() {
    connect(comboProject, &QComboBox::activated, this, &TFormMain::comboProjectChange);
    connect(SpEdit, &QToolButton::clicked, this, &TFormMain::SpEditClick);
    connect(SpSave, &QToolButton::clicked, this, &TFormMain::SpSaveClick);
    connect(SpStart, &QToolButton::clicked, this, &TFormMain::SpStartClick);
    connect(SpCancel, &QToolButton::clicked, this, &TFormMain::SpCancelClick);
    connect(SpExit, &QToolButton::clicked, this, &TFormMain::close);
    connect(spEnable, &QToolButton::clicked, this, &TFormMain::spEnableClick);
    connect(menuPreferences, &QAction::triggered, this, &TFormMain::menuPreferencesClick);
    connect(menuWebsite, &QAction::triggered, this, &TFormMain::menuWebsiteClick);
    connect(menuHelp, &QAction::triggered, this, &TFormMain::menuHelpClick);
    connect(menuAbout, &QAction::triggered, this, &TFormMain::menuAboutClick);
    connect(SpeedButton15, &QToolButton::clicked, this, &TFormMain::menuHelpClick);
    connect(TrayIcon1->Help3, &QAction::triggered, this, [this] { openHelp(0, m_prompts); });
    connect(TabBackup->SpSelectDirectory, &QToolButton::clicked, this, &TFormMain::SpSelectDirectoryClick);
    connect(SpRestore, &QToolButton::clicked, restorePage, &RestorePage::SpRestoreClick);
    connect(this, &TFormMain::restoreFolderRefreshRequested, restorePage, &RestorePage::PageControl1Change);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (PageControl1->currentWidget() == TabRestore)
            restorePage->PageControl1Change();
    });
    connect(TrayIcon1, &TrayIcon::openRequested, this, &TFormMain::restoreProgram);
    connect(TrayIcon1->menuEnDis, &QAction::triggered, this, &TFormMain::menuEnDisClick);
    connect(TrayIcon1->Exit1, &QAction::triggered, this, &TFormMain::close);
    connect(this, &TFormMain::projectLoaded, restorePage, [this] { restorePage->loadOptions(*m_loaded); });
    connect(m_task.get(), &BackgroundTask::runningChanged, this, &TFormMain::runningChanged);
    connect(m_task.get(), &BackgroundTask::finished, this, [this] {
        if (m_closing == Closing::WhenRunEnds)
            close();
        emit runFinished();
    });
    connectProjectCommands();
    m_runLog->onChanged = [this] { m_task->postToWindow([this] { guarded([this] { m_log->LoadLog(); }); }); };
}

void TFormMain::runningChanged(bool running) {
    if (running && m_runLog->limit() != m_log->limit())
        m_runLog->setLimit(m_log->limit());
    EnableRunControls(!running);
    if (!running)
        ShowProgressStrip(false);
}

void TFormMain::guarded(const std::function<void()>& command) {
    runGuarded(m_prompts, command);
}

void TFormMain::SetBrowseMode(bool browse) {
    m_browse = browse;
    applyCommandStates();
}

bool TFormMain::isEditing() const {
    return !m_browse;
}

void TFormMain::EnableRunControls(bool enabled) {
    const bool changed = enabled == m_busy;
    m_busy = !enabled;
    applyCommandStates();
    if (!changed)
        return;
    if (m_busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    emit busyChanged(m_busy);
}

// Browse and edit mode, and the busy state on top of them. The preferences wait for a run too:
// they write project.ini, which the run writes from its own thread.
void TFormMain::applyCommandStates() {
    const bool idle = m_browse && !m_busy;
    for (QWidget* w : {static_cast<QWidget*>(SpRename), static_cast<QWidget*>(SpNew), static_cast<QWidget*>(SpEdit),
                       static_cast<QWidget*>(SpDelete), static_cast<QWidget*>(spCopy), static_cast<QWidget*>(SpStart),
                       static_cast<QWidget*>(SpRestore)})
        w->setEnabled(idle);
    comboProject->setEnabled(m_browse);
    menuPreferences->setEnabled(idle);
    SpSave->setEnabled(!m_browse && !m_busy);
    SpCancel->setEnabled(!m_browse && !m_busy);
    TabBackup->setGroupsEnabled(!m_browse);
    PageControl1->setEnabled(!m_busy);
    TrayIcon1->setBackupItemsEnabled(!m_busy);
    updateProjectCommands();
}

void TFormMain::ShowProgressStrip(bool show) {
    progressStrip->setShown(show);
}

QStringList TFormMain::projectNames() const {
    return comboProject->names();
}

QString TFormMain::selectedProjectName() const {
    return comboProject->currentText().trimmed();
}

BackupProject TFormMain::currentProject() const {
    BackupProject p = TabBackup->toProject(selectedProjectName());
    p.restorePath = m_loaded->restorePath;
    p.restoreToOrigPath = m_loaded->restoreToOrigPath;
    p.overwriteMode = m_loaded->overwriteMode;
    return p;
}

void TFormMain::comboProjectChange() {
    if (loadSelectedProject())
        PageControl1->setCurrentWidget(TabBackup);
}

bool TFormMain::loadSelectedProject() {
    if (comboProject->currentIndex() < 0)
        return false;
    bool loaded = false;
    guarded([&] {
        *m_loaded = m_store->load(ss(selectedProjectName()));
        TabBackup->loadProject(*m_loaded);
        emit projectLoaded();
        loaded = true;
    });
    return loaded;
}

void TFormMain::SpEditClick() {
    // Not while a backup, restore or archive change runs: a save then would write back the number
    // and filter date the run is about to advance, and the next run would reuse that number.
    if (comboProject->count() == 0 || m_busy)
        return;
    PageControl1->setCurrentWidget(TabBackup);
    SetBrowseMode(false);
}

void TFormMain::SpSaveClick() {
    guarded([this] {
        if (selectedProjectName().isEmpty())
            return;
        BackupProject project = currentProject();
        std::string fileName = ss(TabBackup->EditFilename->text());
        if (auto message = ValidateProjectInput(project, fileName);
            message || (message = offsiteCopyProblem(project, m_data.accountIni()))) {
            m_prompts.showMessage(*message, MessageKind::Error);
            return;
        }
        TabBackup->applySaved(m_store->save(project, fileName));
        *m_loaded = currentProject();
        SetBrowseMode(true);
        comboProject->update();
        emit projectSaved();
    });
}

void TFormMain::SpCancelClick() {
    SetBrowseMode(true);
    comboProjectChange();
}

void TFormMain::menuWebsiteClick() {
    if (!QDesktopServices::openUrl(QUrl(QString::fromLatin1(ProductWebPage))))
        m_prompts.showMessage(std::string("Cannot open the web page ") + ProductWebPage, MessageKind::Warning);
}

// F1 opens the book at the section of the page in front.
void TFormMain::menuHelpClick() {
    int context = HelpMainWindow;
    if (PageControl1->currentWidget() == TabBackup)
        context = HelpBackupPage;
    else if (PageControl1->currentWidget() == TabRestore)
        context = HelpRestorePage;
    else if (PageControl1->currentWidget() == TabLog)
        context = HelpLogPage;
    openHelp(context, m_prompts);
}

void TFormMain::menuAboutClick() {
    Taboutform about(this);
    about.exec();
}

void TFormMain::SpSelectDirectoryClick() {
    // Starts at the project's destination, not wherever the last file dialog happened to be.
    QString folder = QFileDialog::getExistingDirectory(this, tr("Please select directory"), TabBackup->savePath());
    if (folder.isEmpty() || selectedProjectName().isEmpty())
        return;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    TabBackup->setSavePath(folder);
}

void TFormMain::showAtStartup() {
    if (m_startMinimised)
        showMinimized();
    else
        show();
}

void TFormMain::restoreProgram() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
    if (PageControl1->currentWidget() == TabLog)
        TrayIcon1->clearFailures(); // what failed is in front of the user now
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_positioned && screen() != nullptr) {
        m_positioned = true;
        QRect area = screen()->geometry();
        QSize size = frameGeometry().size();
        move(area.left() + (area.width() - size.width()) / 2,
             std::max(area.top(), area.top() + (area.height() - size.height()) / 2 - 14));
    }
    if (!m_shownLayout)
        m_shownLayout = currentLayout();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (m_task->isRunning()) {
        event->ignore();
        askToStopRunAndClose();
        return;
    }
    m_closing = Closing::No;
    if (!confirmLeaveEdit()) {
        event->ignore();
        return;
    }
    Timer1->stop();
    m_trayWatch->stop();
    guarded([this] { FormClose(); });
    saveWindowLayout();
    TrayIcon1->TrayIcon1->hide();
    event->accept();
    // Closing the main window ends the program, also when it sat hidden in the notification area
    // and nothing else would notice that the last window went.
    QCoreApplication::quit();
}

// Closing during a run (the window or the tray's Exit): the run is cancelled and the window closes
// when it has ended, or both go on.
void TFormMain::askToStopRunAndClose() {
    if (m_closing != Closing::No)
        return;
    m_closing = Closing::Asking;
    const std::string question = ss(m_task->what()) + " is still running.\nDo you want to cancel it and exit?";
    bool stop = false;
    guarded([&] { stop = m_prompts.askYesNo(question, MessageKind::Warning); });
    m_closing = stop ? Closing::WhenRunEnds : Closing::No;
    if (!stop)
        return;
    if (m_task->isRunning())
        m_task->cancel();
    else
        close(); // it ended while the question waited
}

} // namespace quorvel::gui
