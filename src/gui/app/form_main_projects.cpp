#include "gui/app/form_main.h"

#include "core/project/project_names.h"
#include "core/project/project_operations.h"
#include "core/project/project_store.h"
#include "gui/app/tray_icon.h"
#include "gui/dialogs/project_wizard.h"
#include "gui/dialogs/rename_dialog.h"
#include "gui/pages/backup_page.h"
#include "gui/pages/backup_page_lists.h"
#include "gui/widgets/project_selector.h"
#include "gui/widgets/qt_text.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace quorvel::gui {

void TFormMain::connectProjectCommands() {
    connect(SpNew, &QToolButton::clicked, this, &TFormMain::SpNewClick);
    connect(TabBackup->ButtonAddFirst, &QPushButton::clicked, this, &TFormMain::SpNewClick);
    connect(SpRename, &QToolButton::clicked, this, &TFormMain::SpRenameClick);
    connect(spCopy, &QToolButton::clicked, this, &TFormMain::spCopyClick);
    connect(SpDelete, &QToolButton::clicked, this, &TFormMain::SpDeleteClick);
    BackupPage& page = *TabBackup;
    connectItemListButtons(
        {page.Button2, page.Button1, page.Button4, page.SpeedButton1, page.SpeedButton3, page.SpeedButton4},
        page.ListboxBackup, m_data.projectIni(), m_prompts);
    connectItemListButtons(
        {page.Button3, page.Button6, page.Button5, page.SpeedButton2, page.SpeedButton6, page.SpeedButton5},
        page.ListBoxNobackup, m_data.projectIni(), m_prompts);
    QAbstractItemModel* projects = comboProject->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(projects, signal, this, &TFormMain::updateProjectCommands);
    connect(projects, &QAbstractItemModel::modelReset, this, &TFormMain::updateProjectCommands);
}

// Add needs only an idle window; the others need a project as well. Without a project the
// Backup page says how to make the first one.
void TFormMain::updateProjectCommands() {
    const bool idle = !isEditing() && !isBusy();
    const bool any = comboProject->count() > 0;
    SpNew->setEnabled(idle);
    TabBackup->ButtonAddFirst->setEnabled(idle);
    for (QToolButton* command : {SpEdit, SpRename, spCopy, SpDelete})
        command->setEnabled(idle && any);
    TabBackup->showNoProjectPrompt(!any);
}

bool TFormMain::confirmLeaveEdit() {
    if (!isEditing())
        return true;
    if (TabBackup->hasUnsavedChanges() &&
        m_prompts.askYesNo("Do you want to save the changes of project '" + ss(selectedProjectName()) + "'?",
                           MessageKind::Confirmation)) {
        SpSaveClick();
        return !isEditing(); // a save that validation refused keeps the window in edit mode
    }
    SpCancelClick();
    return true;
}

bool TFormMain::selectProject(const QString& name) {
    if (!confirmLeaveEdit())
        return false;
    const int index = comboProject->findText(name.trimmed(), Qt::MatchFixedString);
    if (index < 0)
        return false;
    comboProject->setCurrentIndex(index);
    comboProjectChange();
    return true;
}

void TFormMain::RebuildBackupMenu() {
    TrayIcon1->RebuildBackupMenu(projectNames());
    emit projectListChanged();
}

// The list as project.ini holds it now, with `select` chosen and loaded. The settings in memory
// stay as they are: they are written when the window closes.
void TFormMain::reloadProjectList(const QString& select) {
    QStringList names;
    for (const std::string& name : m_store->projectList())
        names << qs(name);
    comboProject->clear();
    comboProject->addItems(names);
    RebuildBackupMenu();
    const int index = comboProject->findText(select, Qt::MatchFixedString);
    comboProject->setCurrentIndex(index >= 0 ? index : (names.isEmpty() ? -1 : 0));
    comboProjectChange();
}

void TFormMain::SpNewClick() {
    if (isEditing() || isBusy())
        return;
    guarded([this] {
        PageControl1->setCurrentWidget(TabBackup);
        TFormProjectName wizard(
            WizardContext{m_data, m_prompts, m_clock, projectNames(), m_settings.appendZero, m_settings.width}, this);
        if (wizard.exec() == QDialog::Accepted)
            reloadProjectList(wizard.projectName());
    });
}

// Rename and Copy: the name dialog, then the command, which validates everything before it writes,
// so a refusal leaves every file as it was. The new name, or nothing when nothing changed.
std::optional<QString> TFormMain::nameCommand(const QString& caption, const QString& text, bool rename) {
    TFormRename dialog(this);
    dialog.setWindowTitle(caption);
    dialog.EditProjName->setText(text);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QString newName = dialog.EditProjName->text().trimmed();
    const std::string name = ss(selectedProjectName()), fileName = ss(TabBackup->EditFilename->text());
    ProjectOperations operations(m_data);
    try {
        const auto outcome = rename ? operations.rename(name, ss(newName), currentProject(), fileName)
                                    : operations.copy(name, ss(newName), currentProject(), fileName);
        if (outcome == ProjectOperations::Outcome::SameProject)
            return std::nullopt;
    } catch (const ProjectRefused& refused) {
        m_prompts.showMessage(refused.what(), MessageKind::Error);
        return std::nullopt;
    }
    return newName;
}

// After Rename and Copy: the project at `position` is loaded again from the file, as its new
// section reads.
void TFormMain::showNamedProject(int position) {
    comboProject->setCurrentIndex(position);
    RebuildBackupMenu();
    comboProjectChange();
    emit projectSaved();
}

void TFormMain::SpRenameClick() {
    const QString name = selectedProjectName();
    if (name.isEmpty() || isEditing() || isBusy())
        return;
    guarded([&] {
        const int position = comboProject->currentIndex();
        if (const std::optional<QString> newName = nameCommand(tr("Rename Project"), name, true)) {
            comboProject->setItemText(position, *newName); // its place until the list is next read
            showNamedProject(position);
        }
    });
}

void TFormMain::spCopyClick() {
    const QString name = selectedProjectName();
    if (name.isEmpty() || isEditing() || isBusy())
        return;
    guarded([&] {
        const std::optional<QString> newName = nameCommand(tr("Copy Project"), tr("Copy of ") + name, false);
        if (!newName)
            return;
        int position = 0;
        while (position < comboProject->count() && projectNameLess(ss(comboProject->itemText(position)), ss(*newName)))
            ++position;
        comboProject->insertItem(position, *newName);
        showNamedProject(position);
    });
}

void TFormMain::SpDeleteClick() {
    const QString name = selectedProjectName();
    if (comboProject->count() == 0 || name.isEmpty() || isEditing() || isBusy())
        return;
    guarded([&] {
        if (!m_prompts.askYesNo("Do you want to delete '" + ss(name) + "' project?", MessageKind::Warning))
            return;
        ProjectOperations(m_data).remove(ss(name));
        comboProject->removeItem(comboProject->currentIndex());
        RebuildBackupMenu();
        if (comboProject->count() == 0) {
            comboProject->setCurrentIndex(-1);
            TabBackup->clearProject();
            *m_loaded = BackupProject{};
            return;
        }
        comboProject->setCurrentIndex(0);
        comboProjectChange();
    });
}

} // namespace quorvel::gui
