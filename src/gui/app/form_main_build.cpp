#include "gui/app/form_main.h"

#include "core/project/project_store.h"
#include "gui/app/background_task.h"
#include "gui/app/progress_strip.h"
#include "gui/app/tray_icon.h"
#include "gui/app/window_progress.h"
#include "gui/app/worker_progress.h"
#include "gui/pages/backup_page.h"
#include "gui/pages/log_page.h"
#include "gui/pages/restore_page.h"
#include "gui/resources/app_icons.h"
#include "gui/widgets/project_selector.h"
#include "gui/widgets/qt_text.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvel::gui {

namespace {

QToolButton* commandButton(QToolBar* bar, const char* name, const QString& caption, const QString& hint,
                           const QIcon& icon) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumWidth(54);
    bar->addWidget(button);
    return button;
}

} // namespace

void TFormMain::buildToolBar() {
    QToolBar* bar = addToolBar(tr("Projects"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    auto* label = new QLabel(tr("Project:"), bar);
    label->setContentsMargins(6, 0, 4, 0);
    bar->addWidget(label);
    comboProject = new ProjectSelector(bar);
    comboProject->setObjectName(QStringLiteral("comboProject"));
    comboProject->setMinimumWidth(200);
    comboProject->setScheduleQuery([this](const QString& name) { return projectHasSchedule(name); });
    bar->addWidget(comboProject);
    bar->addSeparator();

    const QStyle* s = style();
    SpNew = commandButton(bar, "SpNew", tr("Add"), tr("Add Project"), s->standardIcon(QStyle::SP_FileDialogNewFolder));
    SpEdit = commandButton(bar, "SpEdit", tr("Edit"), tr("Edit Project"),
                           s->standardIcon(QStyle::SP_FileDialogDetailedView));
    SpSave = commandButton(bar, "SpSave", tr("Save"), tr("Save Project"), s->standardIcon(QStyle::SP_DialogSaveButton));
    SpCancel =
        commandButton(bar, "SpCancel", tr("Cancel"), tr("Cancel "), s->standardIcon(QStyle::SP_DialogCancelButton));
    SpRename = commandButton(bar, "SpRename", tr("Rename"), tr("Rename Project"),
                             s->standardIcon(QStyle::SP_FileDialogInfoView));
    spCopy =
        commandButton(bar, "spCopy", tr("Copy"), tr("Copy Project"), s->standardIcon(QStyle::SP_FileDialogListView));
    SpDelete =
        commandButton(bar, "SpDelete", tr("Delete"), tr("Delete Project"), s->standardIcon(QStyle::SP_TrashIcon));
    bar->addSeparator();
    SpStart = commandButton(bar, "SpStart", tr("Backup"), tr("Create Backup"), s->standardIcon(QStyle::SP_MediaPlay));
    SpRestore =
        commandButton(bar, "SpRestore", tr("Restore"), tr("Restore File"), s->standardIcon(QStyle::SP_BrowserReload));
    spEnable = commandButton(bar, "spEnable", tr("Schedule"), tr("Enable Scheduling"), forautoIcon());
    spEnable->setCheckable(true);
    spEnable->setChecked(true);
    bar->addSeparator();
    SpMenu = commandButton(bar, "SpMenu", tr("Menu"), tr("Menu"), s->standardIcon(QStyle::SP_FileDialogContentsView));
    SpeedButton15 =
        commandButton(bar, "SpeedButton15", tr("Help"), tr("Help"), s->standardIcon(QStyle::SP_DialogHelpButton));
    SpExit = commandButton(bar, "SpExit", tr("Exit"), tr("Exit"), s->standardIcon(QStyle::SP_DialogCloseButton));
}

void TFormMain::buildMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    menuPreferences = PopupMenu1->addAction(tr("Preferences..."));
    menuPreferences->setObjectName(QStringLiteral("menuPreferences"));
    menuWebsite = PopupMenu1->addAction(tr("Visits Website..."));
    menuWebsite->setObjectName(QStringLiteral("menuWebsite"));
    menuHelp = PopupMenu1->addAction(tr("Help..."));
    menuHelp->setObjectName(QStringLiteral("menuHelp"));
    menuHelp->setShortcut(QKeySequence(Qt::Key_F1));
    menuHelp->setShortcutContext(Qt::ApplicationShortcut);
    addAction(menuHelp);
    menuAbout = PopupMenu1->addAction(tr("About..."));
    menuAbout->setObjectName(QStringLiteral("menuAbout"));
    SpMenu->setMenu(PopupMenu1);
    SpMenu->setPopupMode(QToolButton::InstantPopup);
}

void TFormMain::buildPages() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 0);
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    progressStrip = new ProgressStrip(central);
    connect(progressStrip, &ProgressStrip::stopRequested, this, [this] {
        if (m_task->isRunning())
            m_task->cancel();
    });
    m_windowProgress = std::make_unique<WindowProgress>(*progressStrip);
    m_workerProgress = std::make_unique<WorkerProgress>(*m_task, *m_windowProgress);
    TabBackup = new BackupPage(m_clock);
    TabBackup->setSiteSource(qs(m_data.accountIni().string()));
    TabRestore = new QWidget;
    TabRestore->setObjectName(QStringLiteral("TabRestore"));
    auto* restoreLayout = new QVBoxLayout(TabRestore);
    restoreLayout->setContentsMargins(0, 0, 0, 0);
    restorePage = new RestorePage(
        RestorePageContext{m_prompts, m_settings, *m_store, *m_disks, *m_runLog, *m_task, *m_workerProgress,
                           [this] { return selectedProjectName(); },
                           [this] { return selectedProjectName().isEmpty() ? QString() : TabBackup->savePath(); },
                           [this] { return currentProject(); }, m_data.accountIni()},
        TabRestore);
    restoreLayout->addWidget(restorePage);
    TabLog = new QWidget;
    TabLog->setObjectName(QStringLiteral("TabLog"));
    auto* logLayout = new QVBoxLayout(TabLog);
    logLayout->setContentsMargins(0, 0, 0, 0);
    logPage = new LogPage(*m_log, TabLog);
    logLayout->addWidget(logPage);
    PageControl1->addTab(TabBackup, tr("Backup"));
    PageControl1->addTab(TabRestore, tr("Restore"));
    PageControl1->addTab(TabLog, tr("Log"));
    layout->addWidget(PageControl1, 1);
    layout->addWidget(progressStrip);
    setCentralWidget(central);
}

void TFormMain::buildTray() {
    TrayIcon1 = new TrayIcon(this);
    TrayIcon1->TrayIcon1->setIcon(windowIcon());
    TrayIcon1->TrayIcon1->show();
}

} // namespace quorvel::gui
