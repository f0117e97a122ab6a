#include "gui/app/form_main.h"

#include "core/backup/backup_runner.h"
#include "gui/app/background_task.h"
#include "gui/app/worker_progress.h"
#include "gui/pages/backup_page.h"
#include "gui/widgets/project_selector.h"
#include "gui/widgets/qt_text.h"

#include <QLineEdit>
#include <QTabWidget>

namespace quorvel::gui {

void TFormMain::SpStartClick() {
    startBackup(m_settings);
}

bool TFormMain::startBackup(const AppSettings& settings) {
    if (comboProject->count() == 0 || m_task->isRunning() || !confirmLeaveEdit())
        return false;
    struct Run {
        BackupControls controls;
        BackupOutcome outcome;
    };
    auto run = std::make_shared<Run>();
    run->controls = {currentProject(), ss(TabBackup->EditFilename->text())};
    const QString name = selectedProjectName();
    QWidget* page = PageControl1->currentWidget();
    return m_task->start(
        tr("The backup of '%1'").arg(name),
        [this, run, settings] {
            run->outcome = BackupRunner(m_data, *m_runLog, m_clock, *m_disks)
                               .run(run->controls, settings, m_task->prompts(), *m_workerProgress);
        },
        [this, run, name, page](bool completed) {
            if (!completed)
                return;
            // The window stayed usable while the run worked: show the outcome only on the
            // project it belongs to.
            if (selectedProjectName() == name && !isEditing())
                showBackupResult(run->controls.project, run->controls.fileNameField);
            PageControl1->setCurrentWidget(page);
            if (run->outcome.status == BackupStatus::Succeeded && page == TabRestore)
                emit restoreFolderRefreshRequested();
        });
}

void TFormMain::showBackupResult(const BackupProject& project, const std::string& fileNameField) {
    TabBackup->showRunResult(project, qs(fileNameField));
    m_loaded->nextNumber = project.nextNumber;
    m_loaded->filterDateTime = project.filterDateTime;
}

} // namespace quorvel::gui
