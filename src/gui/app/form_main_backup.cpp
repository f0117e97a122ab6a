#include "gui/app/form_main.h"

#include "core/backup/backup_runner.h"
#include "gui/app/window_progress.h"
#include "gui/pages/backup_page.h"
#include "gui/widgets/project_selector.h"
#include "gui/widgets/qt_text.h"

#include <QLineEdit>
#include <QScopeGuard>
#include <QTabWidget>

namespace quorvel::gui {

void TFormMain::SpStartClick() {
    if (m_running || comboProject->count() == 0 || !confirmLeaveEdit())
        return;
    guarded([this] {
        const QString name = selectedProjectName();
        QWidget* page = PageControl1->currentWidget();
        BackupControls controls{currentProject(), ss(TabBackup->EditFilename->text())};
        WindowProgress progress(*this);
        m_running = true;
        const auto done = qScopeGuard([this] { m_running = false; });
        const BackupOutcome outcome =
            BackupRunner(m_data, *m_log, m_clock, *m_disks).run(controls, m_settings, m_prompts, progress);
        // Events ran while the writer worked: show the outcome only on the project it belongs to.
        if (selectedProjectName() == name && !isEditing())
            showBackupResult(controls.project, controls.fileNameField);
        PageControl1->setCurrentWidget(page);
        if (outcome.status == BackupStatus::Succeeded && page == TabRestore)
            emit restoreFolderRefreshRequested();
    });
}

void TFormMain::showBackupResult(const BackupProject& project, const std::string& fileNameField) {
    TabBackup->showRunResult(project, qs(fileNameField));
    m_loaded->nextNumber = project.nextNumber;
    m_loaded->filterDateTime = project.filterDateTime;
}

} // namespace quorvel::gui
