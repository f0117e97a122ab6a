#pragma once

#include "core/platform/data_folder.h"
#include "core/util/user_prompts.h"

#include <QDialog>
#include <QStringList>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QTimeEdit;
class QToolButton;

// Core headers stay out of this header: the meta-object compiler cannot read <compare>.
namespace quorvel {
class Clock;
struct BackupProject;
} // namespace quorvel

namespace quorvel::gui {

// The help topics of the wizard's pages: 301 for the first, up to 306.
inline constexpr int HelpWizardFirstPage = 301;

// What the wizard needs of the main window.
struct WizardContext {
    DataFiles data;
    UserPrompts& prompts;
    const Clock& clock;
    QStringList projects; // to refuse a name in use
    bool appendZero = false;
    int width = 2;
};

// The new-project wizard: six pages from the name to the schedule; Finish writes the project.
// Nothing is written before Finish.
class TFormProjectName final : public QDialog {
    Q_OBJECT
public:
    explicit TFormProjectName(WizardContext context, QWidget* parent = nullptr);
    ~TFormProjectName() override;

    QStackedWidget* Notebook1;
    // 1. Name
    QLineEdit* comboproject;
    // 2. Files to back up
    QListWidget* ListboxBackup;
    QToolButton* SpeedButton1; // by wildcard, by file name, delete, delete all, up, down
    QToolButton* SpeedButton2;
    QToolButton* Button4;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton10;
    QToolButton* SpeedButton11;
    QCheckBox* radioyes;
    QCheckBox* CheckBoxAddNewer;
    QDateEdit* DateTimePickerToday;
    QTimeEdit* DateTimePickerTime;
    QCheckBox* CheckBoxToday;
    // 3. Files to exclude
    QListWidget* ListBoxNobackup;
    QToolButton* SpeedButton4; // by wildcard, by file name, delete, delete all, up, down
    QToolButton* SpeedButton5;
    QToolButton* SpeedButton6;
    QToolButton* SpeedButton7;
    QToolButton* SpeedButton8;
    QToolButton* SpeedButton9;
    QLabel* LabelYesOrNo;
    // 4. Destination
    QLineEdit* EditPrefix;
    QRadioButton* RadioUseNone;
    QRadioButton* RadioUseDate;
    QRadioButton* RadioUserNumber;
    QSpinBox* SpinValue;
    QLabel* LabelIncrease;
    QSpinBox* SpinIncrease;
    QToolButton* SpSelectDirectory;
    QLineEdit* EditFilename;
    // 5. Options
    QSpinBox* spStore;
    QSlider* TrackBar1;
    QCheckBox* CheckBoxPassword;
    QLabel* LabelPassword;
    QLineEdit* EditPassword;
    QLabel* LabelConfirm;
    QLineEdit* EditConfirmPassword;
    QCheckBox* CheckBoxcomment;
    QLineEdit* Editcomment;
    QCheckBox* CheckBoxpath;
    // 6. Schedule
    QRadioButton* radioNone;
    QRadioButton* radioOnce;
    QTimeEdit* DateTimePicker1;
    QRadioButton* radioDaily;
    QSpinBox* SpinEditNumber;
    QLabel* cbhour;
    QRadioButton* radioWeekly;
    QComboBox* cbWeekly;
    // Below the pages
    QPushButton* Button1;
    QPushButton* btnBack;
    QPushButton* btnNext;
    QPushButton* btnClose;

    // The trimmed name typed on the first page.
    QString projectName() const;
    // The project as the pages show it.
    BackupProject toProject() const;
    QString saveFolder() const { return m_saveFolder; }

public slots:
    void btnNextClick();
    void btnBackClick();
    void Button1Click();
    void SpSelectDirectoryClick();
    void UpdateFileNamePreview();

private:
    QWidget* buildNamePage();
    QWidget* buildSourcePage();
    QWidget* buildExcludePage();
    QWidget* buildDestinationPage();
    QWidget* buildOptionsPage();
    QWidget* buildSchedulePage();
    void connectRules();
    void showPage(int index);
    // The check of the page before leaving it forward; the message when it fails.
    std::optional<std::string> pageProblem(int index);
    void finish();
    void applyDateFilterRule();
    void applyPasswordRule();
    void applySuffixRule();
    void applyScheduleRule();

    WizardContext m_context;
    QString m_saveFolder;
};

} // namespace quorvel::gui
