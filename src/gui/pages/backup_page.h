#pragma once

#include <QWidget>
#include <optional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QPushButton;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTimeEdit;
class QToolButton;

// Core headers stay out of this header: the meta-object compiler cannot read <compare>.
namespace quorvel {
class Clock;
struct BackupProject;
enum class SuffixMode;
} // namespace quorvel

namespace quorvel::gui {

// The Backup page: the controls that show and edit the selected project. Loading copies a
// project into them, toProject() reads them back; between the two the controls are the project.
class BackupPage final : public QWidget {
    Q_OBJECT
public:
    explicit BackupPage(const Clock& clock, QWidget* parent = nullptr);

    // "Destination"
    QGroupBox* GroupDes;
    QLineEdit* EditPrefix;
    QRadioButton* RadioUseNone;
    QRadioButton* RadioUseDate;
    QRadioButton* RadioUserNumber;
    QLabel* Labelauto;
    QSpinBox* SpinValue;
    QLabel* LabelIncrease;
    QSpinBox* SpinIncrease;
    QLineEdit* EditFilename;
    QToolButton* SpSelectDirectory;

    // "Source"
    QGroupBox* GroupSource;
    QListWidget* ListboxBackup;
    QListWidget* ListBoxNobackup;
    QToolButton* Button2; // include list: by file name, by wildcard, delete, delete all, up, down
    QToolButton* Button1;
    QToolButton* Button4;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton4;
    QToolButton* Button3; // exclusion list: the same six
    QToolButton* Button6;
    QToolButton* Button5;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton6;
    QToolButton* SpeedButton5;
    QCheckBox* radioyes;
    QCheckBox* CheckBoxAddNewer;
    QCheckBox* CheckBoxToday;
    QDateEdit* DateTimePickerToday;
    QTimeEdit* DateTimePickerTime;

    // "Options"
    QGroupBox* GroupOption;
    QCheckBox* CheckBoxPassword;
    QLineEdit* EditPassword;
    QLineEdit* EditConfirmPassword;
    QCheckBox* CheckBoxpath;
    QCheckBox* CheckBoxcomment;
    QLineEdit* Editcomment;
    QSlider* Trackbar1;
    QLabel* LabelLevel;
    QSpinBox* spStore;

    // "Schedule"
    QGroupBox* GroupSche;
    QRadioButton* radioOnce;
    QTimeEdit* DateTimePicker1;
    QLabel* Label12;
    QRadioButton* radioDaily;
    QSpinBox* SpinEditNumber;
    QLabel* cbhour;
    QRadioButton* radioWeekly;
    QComboBox* cbWeekly;
    QLabel* Label13;
    QRadioButton* radioNone;

    // "Off-site Copy": the FTP site of account.ini each archive is uploaded to after the run
    // ("(none)" first), and the folder on it.
    QGroupBox* GroupFtp;
    QComboBox* cbFtpSite;
    QLineEdit* EditFtpFolder;

    // The prompt shown while there is no project, with its "Add Project..." button.
    QFrame* PanelNoProject;
    QPushButton* ButtonAddFirst;
    void showNoProjectPrompt(bool show);

    // Copies a loaded project into the controls and applies the dependent-control rules.
    void loadProject(const BackupProject& project);
    // The project as the controls show it. The restore options are not on this page and keep
    // their defaults.
    BackupProject toProject(const QString& name) const;
    // What a save does to the controls: the save path becomes the folder part of the file-name
    // field, password and comment fields that were not stored are emptied, and the next number
    // and filter date show what was written (a run of another program may have moved them).
    void applySaved(const BackupProject& saved);
    // What a backup run changed: the next number, the filter date and time and the file name.
    void showRunResult(const BackupProject& project, const QString& fileName);
    // Empties what Delete Project leaves empty when no project remains.
    void clearProject();

    // Where the FTP sites are listed (account.ini); the site list is read from it now, on each
    // load and whenever editing begins, so that sites added meanwhile can be chosen.
    void setSiteSource(const QString& accountIni);
    void refreshFtpSites();

    // The five groups: enabled in edit mode only. Enabling them notes the settings as they are,
    // for hasUnsavedChanges().
    void setGroupsEnabled(bool enabled);
    // Whether a save would now write anything other than what the page showed when editing began.
    bool hasUnsavedChanges() const;

    QString savePath() const { return m_savePath; }
    void setSavePath(const QString& path);
    void setNumberFill(bool appendZero, int width);

    void UpdateFileNamePreview();
    void applyPasswordRule();
    void applyCommentRule();
    void applyDateFilterRule();
    void applySuffixRule();
    // The folder field is enabled exactly when a site is chosen.
    void applyFtpRule();
    // Enables the controls of the selected schedule mode; a weekly schedule without a weekday
    // gets Sunday when `pickWeekday` is set (a click, not a load).
    void applyScheduleRule(bool pickWeekday);

private:
    QWidget* buildDestination();
    QWidget* buildSource();
    QWidget* buildOptions();
    QWidget* buildSchedule();
    QWidget* buildFtp();
    void selectFtpSite(const QString& label);
    QString chosenFtpSite() const;
    QWidget* buildNoProjectPrompt();
    std::string settingsText() const;
    void connectRules();
    std::optional<SuffixMode> checkedSuffix() const;
    void showNumberAndFilter(const BackupProject& project);

    const Clock& m_clock;
    QString m_savePath;
    QString m_accountIni;
    bool m_appendZero = false;
    int m_width = 2;
    std::string m_editStart;
};

} // namespace quorvel::gui
