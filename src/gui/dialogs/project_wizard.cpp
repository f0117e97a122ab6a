#include "gui/dialogs/project_wizard.h"

#include "core/project/backup_file_name.h"
#include "core/project/backup_project.h"
#include "core/project/project_names.h"
#include "core/project/project_operations.h"
#include "core/util/clock.h"
#include "core/util/path_parts.h"
#include "core/util/strings.h"
#include "gui/pages/backup_page_lists.h"
#include "gui/widgets/guarded.h"
#include "gui/widgets/help_book.h"
#include "gui/widgets/named.h"
#include "gui/widgets/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvel::gui {

TFormProjectName::TFormProjectName(WizardContext context, QWidget* parent)
    : QDialog(parent), m_context(std::move(context)), m_saveFolder(qs(homeFolder())) {
    setObjectName(QStringLiteral("FormProjectName"));
    Notebook1 = named<QStackedWidget>("Notebook1");
    Notebook1->addWidget(buildNamePage());
    Notebook1->addWidget(buildSourcePage());
    Notebook1->addWidget(buildExcludePage());
    Notebook1->addWidget(buildDestinationPage());
    Notebook1->addWidget(buildOptionsPage());
    Notebook1->addWidget(buildSchedulePage());

    Button1 = named<QPushButton>("Button1", tr("Help"));
    btnBack = named<QPushButton>("btnBack", tr("Back"));
    btnNext = named<QPushButton>("btnNext", tr("Next"));
    btnNext->setDefault(true);
    btnClose = named<QPushButton>("btnClose", tr("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    for (QPushButton* b : {btnBack, btnNext, btnClose})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Notebook1, 1);
    layout->addLayout(buttons);

    const DateTime now = m_context.clock.now();
    DateTimePickerToday->setDate(toQDate(now));
    DateTimePickerTime->setTime(toQTime(now));
    bindHelpKey(
        this, [this] { return HelpWizardFirstPage + Notebook1->currentIndex(); }, m_context.prompts);
    connectRules();
    applyDateFilterRule();
    applyPasswordRule();
    applySuffixRule();
    applyScheduleRule();
    resize(600, 460);
    showPage(0);
}

TFormProjectName::~TFormProjectName() = default;

void TFormProjectName::connectRules() {
    connect(btnNext, &QPushButton::clicked, this, &TFormProjectName::btnNextClick);
    connect(btnBack, &QPushButton::clicked, this, &TFormProjectName::btnBackClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, &TFormProjectName::Button1Click);
    connect(SpSelectDirectory, &QToolButton::clicked, this, &TFormProjectName::SpSelectDirectoryClick);
    const auto projectIni = m_context.data.projectIni();
    connectItemListButtons({SpeedButton2, SpeedButton1, Button4, SpeedButton3, SpeedButton10, SpeedButton11},
                           ListboxBackup, projectIni, m_context.prompts);
    connectItemListButtons({SpeedButton5, SpeedButton4, SpeedButton6, SpeedButton7, SpeedButton8, SpeedButton9},
                           ListBoxNobackup, projectIni, m_context.prompts);
    connect(radioyes, &QCheckBox::toggled, this, [this](bool on) {
        LabelYesOrNo->setText(on ? tr("Subdirectories are included") : tr("Subdirectories are not included"));
    });
    for (QCheckBox* box : {CheckBoxAddNewer, CheckBoxToday})
        connect(box, &QCheckBox::toggled, this, &TFormProjectName::applyDateFilterRule);
    connect(CheckBoxPassword, &QCheckBox::toggled, this, &TFormProjectName::applyPasswordRule);
    connect(CheckBoxcomment, &QCheckBox::toggled, Editcomment, &QWidget::setEnabled);
    Editcomment->setEnabled(false);
    for (QRadioButton* b : {RadioUseNone, RadioUseDate, RadioUserNumber})
        connect(b, &QRadioButton::clicked, this, &TFormProjectName::applySuffixRule);
    connect(EditPrefix, &QLineEdit::textChanged, this, &TFormProjectName::UpdateFileNamePreview);
    for (QSpinBox* box : {SpinValue, SpinIncrease})
        connect(box, &QSpinBox::valueChanged, this, &TFormProjectName::UpdateFileNamePreview);
    for (QRadioButton* b : {radioNone, radioOnce, radioDaily, radioWeekly})
        connect(b, &QRadioButton::clicked, this, &TFormProjectName::applyScheduleRule);
}

QString TFormProjectName::projectName() const {
    return comboproject->text().trimmed();
}

void TFormProjectName::showPage(int index) {
    Notebook1->setCurrentIndex(index);
    setWindowTitle(tr("Add project wizard - Step %1 of %2").arg(index + 1).arg(Notebook1->count()));
    btnBack->setEnabled(index > 0);
    btnNext->setText(index == Notebook1->count() - 1 ? tr("Finish") : tr("Next"));
}

std::optional<std::string> TFormProjectName::pageProblem(int index) {
    switch (index) {
    case 0: {
        const std::string name = ss(projectName());
        if (auto problem = projectNameProblem(name))
            return problem;
        for (const QString& other : m_context.projects)
            if (sameProjectName(ss(other), name))
                return projectExistsMessage(name);
        if (EditPrefix->text().trimmed().isEmpty())
            EditPrefix->setText(comboproject->text());
        return std::nullopt;
    }
    case 1:
        if (ListboxBackup->count() == 0)
            return "Please select files to backup";
        return std::nullopt;
    case 3:
        return prefixProblem(ss(EditPrefix->text()));
    case 4:
        if (CheckBoxPassword->isChecked() && EditPassword->text().trimmed() != EditConfirmPassword->text().trimmed())
            return "Confirm password is not matching";
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void TFormProjectName::btnNextClick() {
    const int index = Notebook1->currentIndex();
    if (auto problem = pageProblem(index)) {
        m_context.prompts.showMessage(*problem, MessageKind::Error);
        return;
    }
    if (index == Notebook1->count() - 1)
        finish();
    else
        showPage(index + 1);
}

void TFormProjectName::btnBackClick() {
    if (Notebook1->currentIndex() > 0)
        showPage(Notebook1->currentIndex() - 1);
}

void TFormProjectName::Button1Click() {
    openHelp(HelpWizardFirstPage + Notebook1->currentIndex(), m_context.prompts);
}

void TFormProjectName::SpSelectDirectoryClick() {
    QString folder = QFileDialog::getExistingDirectory(this, tr("Please select directory"), m_saveFolder);
    if (folder.isEmpty() || projectName().isEmpty())
        return;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    m_saveFolder = folder;
    UpdateFileNamePreview();
}

void TFormProjectName::UpdateFileNamePreview() {
    const SuffixMode suffix = RadioUserNumber->isChecked() ? SuffixMode::Number
                              : RadioUseDate->isChecked()  ? SuffixMode::Date
                                                           : SuffixMode::None;
    EditFilename->setText(qs(composeBackupFileName(ss(m_saveFolder), ss(EditPrefix->text()), suffix, SpinValue->value(),
                                                   m_context.appendZero, m_context.width, m_context.clock.now())));
}

void TFormProjectName::applyDateFilterRule() {
    const bool on = CheckBoxAddNewer->isChecked();
    CheckBoxToday->setEnabled(on);
    DateTimePickerToday->setEnabled(on && !CheckBoxToday->isChecked());
    DateTimePickerTime->setEnabled(DateTimePickerToday->isEnabledTo(this));
}

void TFormProjectName::applyPasswordRule() {
    const bool on = CheckBoxPassword->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(LabelPassword), static_cast<QWidget*>(EditPassword),
                       static_cast<QWidget*>(LabelConfirm), static_cast<QWidget*>(EditConfirmPassword)})
        w->setEnabled(on);
}

void TFormProjectName::applySuffixRule() {
    const bool number = RadioUserNumber->isChecked();
    for (QWidget* w :
         {static_cast<QWidget*>(SpinValue), static_cast<QWidget*>(LabelIncrease), static_cast<QWidget*>(SpinIncrease)})
        w->setEnabled(number);
    UpdateFileNamePreview();
}

void TFormProjectName::applyScheduleRule() {
    DateTimePicker1->setEnabled(radioOnce->isChecked());
    SpinEditNumber->setEnabled(radioDaily->isChecked());
    cbhour->setEnabled(radioDaily->isChecked());
    cbWeekly->setEnabled(radioWeekly->isChecked());
    if (radioWeekly->isChecked() && cbWeekly->currentIndex() < 0)
        cbWeekly->setCurrentIndex(0);
}

BackupProject TFormProjectName::toProject() const {
    BackupProject p = newProjectDefaults(ss(projectName()), m_context.clock.now());
    p.filenamePrefix = ss(EditPrefix->text());
    p.suffix = RadioUserNumber->isChecked() ? SuffixMode::Number
               : RadioUseDate->isChecked()  ? SuffixMode::Date
                                            : SuffixMode::None;
    p.increaseValue = SpinIncrease->value();
    p.nextNumber = SpinValue->value();
    p.savePath = folderPart(trim(ss(EditFilename->text())));
    p.backupItems = listItems(ListboxBackup);
    p.excludeItems = listItems(ListBoxNobackup);
    p.includeSubfolders = radioyes->isChecked();
    p.usePassword = CheckBoxPassword->isChecked();
    p.password = ss(EditPassword->text());
    p.confirmPassword = ss(EditConfirmPassword->text());
    p.storePaths = CheckBoxpath->isChecked();
    p.storeComment = CheckBoxcomment->isChecked();
    p.comment = ss(Editcomment->text());
    p.scheduleMode = radioOnce->isChecked()     ? ScheduleMode::DailyOnce
                     : radioDaily->isChecked()  ? ScheduleMode::EveryMinutes
                     : radioWeekly->isChecked() ? ScheduleMode::Weekly
                                                : ScheduleMode::None;
    const QTime daily = DateTimePicker1->time();
    p.dailyTime = DateTime{1899, 12, 30, daily.hour(), daily.minute(), daily.second()};
    p.everyMinutes = SpinEditNumber->value();
    if (cbWeekly->currentIndex() >= 0)
        p.weekday = cbWeekly->currentIndex();
    p.packLevel = TrackBar1->value();
    p.storeNumber = spStore->value();
    p.onlyNewer = CheckBoxAddNewer->isChecked();
    p.useLastBackupDate = CheckBoxToday->isChecked();
    p.filterDateTime = fromQt(DateTimePickerToday->date(), DateTimePickerTime->time());
    return p;
}

// Writes the project; a refusal keeps the wizard open on its page with nothing written.
void TFormProjectName::finish() {
    runGuarded(m_context.prompts, [this] {
        const std::string fileName = ss(EditFilename->text());
        try {
            ProjectOperations(m_context.data).create(toProject(), fileName);
        } catch (const ProjectRefused& refused) {
            m_context.prompts.showMessage(refused.what(), MessageKind::Error);
            return;
        }
        m_saveFolder = qs(folderPart(trim(fileName)));
        accept();
    });
}

} // namespace quorvel::gui
