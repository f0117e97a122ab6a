#include "gui/app/form_main.h"

#include "core/backup/operation_log.h"
#include "core/project/project_store.h"

#include "core/project/autostart_entry.h"
#include "gui/app/tray_icon.h"
#include "gui/dialogs/preferences_dialog.h"
#include "gui/pages/backup_page.h"
#include "gui/pages/restore_page.h"
#include "gui/widgets/project_selector.h"
#include "gui/widgets/qt_text.h"

#include <QCoreApplication>
#include <QTabWidget>
#include <QToolButton>

namespace quorvel::gui {

void TFormMain::LoadSettingsAndProjects() {
    PageControl1->setCurrentWidget(TabBackup);
    StartupState state = loadSettingsAndProjects(m_store->file());
    m_settings = state.settings;
    restorePage->loadSortOrder();
    QStringList names;
    for (const auto& name : state.projects)
        names << qs(name);
    comboProject->clear();
    comboProject->addItems(names);
    TrayIcon1->RebuildBackupMenu(names);
    comboProject->setCurrentIndex(state.selected);
    spEnable->setChecked(m_settings.enableSchedule);
    RefreshSchedulingIndicators();
    TabBackup->setNumberFill(m_settings.appendZero, m_settings.width);
    RebuildSchedule();
    comboProjectChange();
}

void TFormMain::FormClose() {
    std::vector<std::string> names;
    for (const QString& name : projectNames())
        names.push_back(ss(name));
    IniFile ini(m_data.projectIni());
    saveSettingsAtClose(ini, m_settings, names, ss(comboProject->currentText()));
}

void TFormMain::menuPreferencesClick() {
    guarded([this] {
        IniFile ini(m_data.projectIni());
        TFormPreferences dialog(ini, autostartEntryPath(), ss(QCoreApplication::applicationFilePath()), m_prompts,
                                this);
        dialog.setSettings(m_settings);
        if (dialog.exec() != QDialog::Accepted)
            return;
        dialog.applyTo(m_settings);
        m_log->setLimit(m_settings.logCount);
        TabBackup->setNumberFill(m_settings.appendZero, m_settings.width);
        if (!selectedProjectName().isEmpty())
            TabBackup->UpdateFileNamePreview();
        emit settingsApplied();
    });
}

void TFormMain::restoreWindowLayout() {
    const WindowLayout layout = readWindowLayout(m_data.windowIni());
    if (layout.archiveListWidth)
        restorePage->setArchiveListWidth(*layout.archiveListWidth);
    if (layout.normal) {
        if (const std::optional<QRect> placed = onScreen(*layout.normal)) {
            setGeometry(*placed);
            m_positioned = true;
        }
    }
    if (layout.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

WindowLayout TFormMain::currentLayout() const {
    WindowLayout layout;
    const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    const QRect rect = normal ? geometry() : normalGeometry();
    if (rect.isValid())
        layout.normal = rect;
    layout.maximized = windowState().testFlag(Qt::WindowMaximized);
    layout.archiveListWidth = restorePage->archiveListWidth();
    return layout;
}

void TFormMain::saveWindowLayout() {
    if (!m_shownLayout)
        return; // never shown: nothing to keep
    const WindowLayout layout = currentLayout();
    if (layout == *m_shownLayout)
        return;
    try {
        writeWindowLayout(m_data.windowIni(), layout);
    } catch (const std::exception&) {
        // Where the window stood is not worth holding up the end of the program for.
    }
}

} // namespace quorvel::gui
