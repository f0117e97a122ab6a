#pragma once

#include "core/ini/ini_file.h"
#include "core/project/app_settings.h"
#include "core/util/user_prompts.h"

#include <QDialog>
#include <filesystem>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace quorvel::gui {

// The preferences dialog. Apply writes the auto-start entry and "Auto Run"/"Is Minimized" at
// once; the other values go back to the main window, which keeps them until the program closes.
class TFormPreferences final : public QDialog {
    Q_OBJECT
public:
    TFormPreferences(IniFile& projectIni, std::filesystem::path autostartEntry, std::filesystem::path executable,
                     UserPrompts& prompts, QWidget* parent = nullptr);

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QGroupBox* GroupBox2;
    QCheckBox* cbRun;
    QCheckBox* cbMini;
    QGroupBox* GroupBox3;
    QLabel* Label2;
    QSpinBox* LogSpinEdit;
    QLabel* Label5;
    QLabel* Label3;
    QGroupBox* GroupBoxReport;
    QLabel* LabelReport;
    QLineEdit* EditReportTo; // "Failure Report To", written at Apply
    QWidget* TabSheet2;
    QCheckBox* cbWidth;
    QLabel* Label4;
    QSpinBox* SpinEdit1;
    QLabel* Label1;
    QCheckBox* cbprompt;
    QGroupBox* GroupBox1;
    QRadioButton* rbOverwrite;
    QRadioButton* rbSkip;
    QPushButton* Button1;
    QPushButton* btnApply;
    QPushButton* btnClose;

    // The values the main window holds in memory, shown when the dialog opens.
    void setSettings(const AppSettings& settings);
    // After Apply: the dialog's values into the main window's memory.
    void applyTo(AppSettings& settings) const;

public slots:
    void btnApplyClick();

private:
    QWidget* buildGeneralPage();
    QWidget* buildBackupPage();
    bool updateAutostartEntry();

    IniFile& m_ini;
    std::filesystem::path m_autostartEntry;
    std::filesystem::path m_executable;
    UserPrompts& m_prompts;
};

} // namespace quorvel::gui
