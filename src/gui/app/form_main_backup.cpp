#include "gui/app/form_main.h"

#include "core/backup/backup_runner.h"
#include "core/project/project_store.h"
#include "core/schedule/scheduled_backup.h"
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

bool TFormMain::startBackup(const AppSettings& settings, std::function<void(const BackupOutcome&)> ended) {
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
        [this, run, name, page, ended](bool completed) {
            if (completed) {
                // The window stayed usable while the run worked: show the outcome only on the
                // project it belongs to.
                if (selectedProjectName() == name && !isEditing())
                    showBackupResult(run->controls.project, run->controls.fileNameField);
                PageControl1->setCurrentWidget(page);
                if (run->outcome.status == BackupStatus::Succeeded && page == TabRestore)
                    emit restoreFolderRefreshRequested();
            } else {
                run->outcome.status = BackupStatus::Failed; // what went wrong has been shown
                run->outcome.message = "The backup ended with an error";
            }
            if (ended)
                ended(run->outcome);
        });
}

bool TFormMain::startScheduledBackup(const ScheduledRun& due,
                                     std::function<void(const ScheduledRunReport&, bool stopped)> ended) {
    if (m_task->isRunning() || isEditing())
        return false;
    const QString name = qs(due.projectName);
    const int index = comboProject->findText(name, Qt::MatchFixedString);
    if (index >= 0 && index != comboProject->currentIndex()) {
        comboProject->setCurrentIndex(index);
        loadSelectedProject();
    }
    struct Run {
        ScheduledRunReport report;
        bool stopped = false;
    };
    auto run = std::make_shared<Run>();
    run->report.run = due;
    const UnattendedContext context{m_data, m_clock, *m_disks, m_settings};
    return m_task->start(
        tr("The scheduled backup of '%1'").arg(name),
        [this, run, context] {
            run->report = runScheduledBackup(context, run->report.run, m_task->prompts(), *m_workerProgress, *m_runLog);
            run->stopped = m_task->cancelRequested();
        },
        [this, run, ended](bool completed) {
            if (!completed) {
                run->report.outcome.status = BackupStatus::Failed; // what went wrong has been shown
                run->report.outcome.message = "The scheduled backup ended with an error";
            }
            reloadAfterRun(qs(run->report.run.projectName));
            if (run->report.outcome.status == BackupStatus::Succeeded && PageControl1->currentWidget() == TabRestore)
                emit restoreFolderRefreshRequested();
            ended(run->report, run->stopped);
        });
}

void TFormMain::reloadAfterRun(const QString& name) {
    if (isEditing() || selectedProjectName().compare(name, Qt::CaseInsensitive) != 0)
        return;
    loadSelectedProject();
}

void TFormMain::showBackupResult(const BackupProject& project, const std::string& fileNameField) {
    TabBackup->showRunResult(project, qs(fileNameField));
    m_loaded->nextNumber = project.nextNumber;
    m_loaded->filterDateTime = project.filterDateTime;
}

} // namespace quorvel::gui
