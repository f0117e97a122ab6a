#include "gui/pages/backup_page.h"

#include "core/ftp/ftp_site.h"
#include "core/project/backup_file_name.h"
#include "core/project/project_names.h"
#include "core/project/project_store.h"
#include "core/util/clock.h"
#include "core/util/path_parts.h"
#include "core/util/strings.h"
#include "gui/pages/backup_page_lists.h"
#include "gui/widgets/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimeEdit>

namespace quorvel::gui {

namespace {

void setItems(QListWidget* list, const std::vector<std::string>& items) {
    list->clear();
    for (const auto& item : items)
        list->addItem(qs(item));
}

} // namespace

void BackupPage::connectRules() {
    for (QRadioButton* b : {RadioUseNone, RadioUseDate, RadioUserNumber})
        connect(b, &QRadioButton::clicked, this, [this] { applySuffixRule(); });
    connect(EditPrefix, &QLineEdit::textChanged, this, [this] { UpdateFileNamePreview(); });
    for (QSpinBox* box : {SpinValue, SpinIncrease})
        connect(box, &QSpinBox::valueChanged, this, [this] { UpdateFileNamePreview(); });
    connect(CheckBoxPassword, &QCheckBox::clicked, this, [this] { applyPasswordRule(); });
    connect(CheckBoxcomment, &QCheckBox::clicked, this, [this] { applyCommentRule(); });
    for (QCheckBox* box : {CheckBoxAddNewer, CheckBoxToday})
        connect(box, &QCheckBox::clicked, this, [this] { applyDateFilterRule(); });
    for (QRadioButton* b : {radioOnce, radioDaily, radioWeekly, radioNone})
        connect(b, &QRadioButton::clicked, this, [this] { applyScheduleRule(true); });
    connect(cbFtpSite, &QComboBox::currentIndexChanged, this, [this] { applyFtpRule(); });
}

void BackupPage::loadProject(const BackupProject& p) {
    EditPrefix->setText(qs(p.filenamePrefix));
    if (p.suffix) {
        QRadioButton* buttons[] = {RadioUseNone, RadioUseDate, RadioUserNumber};
        buttons[static_cast<int>(*p.suffix)]->setChecked(true);
    }
    // The number fields are loaded whatever the suffix, so that a project never takes over the
    // numbers of the project shown before it.
    SpinIncrease->setValue(p.increaseValue);
    SpinValue->setValue(p.nextNumber);
    applySuffixRule();
    setSavePath(qs(p.savePath));

    setItems(ListboxBackup, p.backupItems);
    setItems(ListBoxNobackup, p.excludeItems);
    radioyes->setChecked(p.includeSubfolders);
    CheckBoxPassword->setChecked(p.usePassword);
    EditPassword->setText(qs(p.password));
    EditConfirmPassword->setText(qs(p.confirmPassword));
    applyPasswordRule();
    CheckBoxpath->setChecked(p.storePaths);
    CheckBoxcomment->setChecked(p.storeComment);
    Editcomment->setText(qs(p.comment));
    applyCommentRule();

    switch (p.scheduleMode.value_or(ScheduleMode::None)) {
    case ScheduleMode::DailyOnce:
        radioOnce->setChecked(true);
        DateTimePicker1->setTime(toQTime(p.dailyTime));
        break;
    case ScheduleMode::EveryMinutes:
        radioDaily->setChecked(true);
        SpinEditNumber->setValue(p.everyMinutes);
        break;
    case ScheduleMode::Weekly:
        radioWeekly->setChecked(true);
        cbWeekly->setCurrentIndex(p.weekday.value_or(-1));
        break;
    case ScheduleMode::None:
        if (p.scheduleMode)
            radioNone->setChecked(true);
        break;
    }
    applyScheduleRule(false);

    Trackbar1->setValue(p.packLevel);
    spStore->setValue(p.storeNumber);
    CheckBoxAddNewer->setChecked(p.onlyNewer);
    CheckBoxToday->setChecked(p.useLastBackupDate);
    DateTimePickerToday->setDate(toQDate(p.filterDateTime));
    DateTimePickerTime->setTime(toQTime(p.filterDateTime));
    applyDateFilterRule();

    refreshFtpSites();
    selectFtpSite(qs(p.ftpSite));
    EditFtpFolder->setText(qs(p.ftpFolder));
    applyFtpRule();
}

std::optional<SuffixMode> BackupPage::checkedSuffix() const {
    if (RadioUserNumber->isChecked())
        return SuffixMode::Number;
    if (RadioUseDate->isChecked())
        return SuffixMode::Date;
    if (RadioUseNone->isChecked())
        return SuffixMode::None;
    return std::nullopt;
}

BackupProject BackupPage::toProject(const QString& name) const {
    BackupProject p;
    p.name = trim(ss(name));
    p.filenamePrefix = ss(EditPrefix->text());
    p.suffix = checkedSuffix();
    p.increaseValue = SpinIncrease->value();
    p.nextNumber = SpinValue->value();
    p.savePath = ss(m_savePath);
    p.backupItems = listItems(ListboxBackup);
    p.excludeItems = listItems(ListBoxNobackup);
    p.includeSubfolders = radioyes->isChecked();
    p.usePassword = CheckBoxPassword->isChecked();
    p.password = ss(EditPassword->text());
    p.confirmPassword = ss(EditConfirmPassword->text());
    p.storePaths = CheckBoxpath->isChecked();
    p.storeComment = CheckBoxcomment->isChecked();
    p.comment = ss(Editcomment->text());
    if (radioNone->isChecked())
        p.scheduleMode = ScheduleMode::None;
    else if (radioWeekly->isChecked())
        p.scheduleMode = ScheduleMode::Weekly;
    else if (radioDaily->isChecked())
        p.scheduleMode = ScheduleMode::EveryMinutes;
    else
        p.scheduleMode = ScheduleMode::DailyOnce;
    QTime daily = DateTimePicker1->time();
    p.dailyTime = DateTime{1899, 12, 30, daily.hour(), daily.minute(), daily.second()};
    p.everyMinutes = SpinEditNumber->value();
    if (cbWeekly->currentIndex() >= 0)
        p.weekday = cbWeekly->currentIndex();
    if (auto text = scheduleText(p))
        p.startTimeOrIncrease = *text;
    p.packLevel = Trackbar1->value();
    p.storeNumber = spStore->value();
    p.onlyNewer = CheckBoxAddNewer->isChecked();
    p.useLastBackupDate = CheckBoxToday->isChecked();
    p.filterDateTime = fromQt(DateTimePickerToday->date(), DateTimePickerTime->time());
    p.ftpSite = ss(chosenFtpSite());
    // A folder without a site is no copy: it is not kept.
    p.ftpFolder = p.ftpSite.empty() ? std::string() : trim(ss(EditFtpFolder->text()));
    return p;
}

void BackupPage::applySaved(const BackupProject& saved) {
    setSavePath(qs(folderPart(trim(ss(EditFilename->text())))));
    showNumberAndFilter(saved);
    if (!(saved.usePassword && !trim(saved.password).empty())) {
        EditPassword->clear();
        EditConfirmPassword->clear();
    }
    if (!(saved.storeComment && !trim(saved.comment).empty()))
        Editcomment->clear();
}

// The settings as Save Project would write them, under a fixed name: two texts differ exactly
// when a save would change the project.
std::string BackupPage::settingsText() const {
    IniDocument doc;
    ProjectStore::writeProject(doc, toProject(QStringLiteral("p")), ss(EditFilename->text()));
    return doc.serialize();
}

bool BackupPage::hasUnsavedChanges() const {
    return settingsText() != m_editStart;
}

void BackupPage::showRunResult(const BackupProject& project, const QString& fileName) {
    showNumberAndFilter(project);
    EditFilename->setText(fileName);
}

void BackupPage::showNumberAndFilter(const BackupProject& project) {
    SpinValue->setValue(project.nextNumber);
    DateTimePickerToday->setDate(toQDate(project.filterDateTime));
    DateTimePickerTime->setTime(toQTime(project.filterDateTime));
}

void BackupPage::clearProject() {
    EditPrefix->clear();
    EditFilename->clear();
    ListboxBackup->clear();
    ListBoxNobackup->clear();
    cbFtpSite->setCurrentIndex(0);
    EditFtpFolder->clear();
}

void BackupPage::setSiteSource(const QString& accountIni) {
    m_accountIni = accountIni;
    refreshFtpSites();
}

// The sites as account.ini lists them now. The site chosen stays chosen; one that is no longer
// listed stays in the list marked as missing, so that the page still shows what the project
// holds, and Save Project says what is wrong with it.
void BackupPage::refreshFtpSites() {
    std::vector<std::string> labels;
    if (!m_accountIni.isEmpty()) {
        try {
            labels = FtpSiteStore(std::filesystem::path(ss(m_accountIni))).labels();
        } catch (const std::exception&) {
            // An unreadable account.ini lists no site; choosing one is then refused on saving.
        }
    }
    const QString chosen = chosenFtpSite();
    const QSignalBlocker quiet(cbFtpSite);
    while (cbFtpSite->count() > 1)
        cbFtpSite->removeItem(1);
    for (const std::string& label : labels)
        cbFtpSite->addItem(qs(label), qs(label));
    selectFtpSite(chosen);
}

void BackupPage::selectFtpSite(const QString& label) {
    int index = 0;
    if (!label.isEmpty()) {
        for (index = 1; index < cbFtpSite->count(); ++index)
            if (cbFtpSite->itemData(index).toString().compare(label, Qt::CaseInsensitive) == 0)
                break;
        if (index == cbFtpSite->count())
            cbFtpSite->addItem(tr("%1 (missing)").arg(label), label);
    }
    cbFtpSite->setCurrentIndex(index);
}

QString BackupPage::chosenFtpSite() const {
    return cbFtpSite->currentData().toString();
}

void BackupPage::setSavePath(const QString& path) {
    m_savePath = path;
    UpdateFileNamePreview();
}

void BackupPage::setNumberFill(bool appendZero, int width) {
    m_appendZero = appendZero;
    m_width = width;
}

void BackupPage::UpdateFileNamePreview() {
    EditFilename->setText(
        qs(composeBackupFileName(ss(m_savePath), ss(EditPrefix->text()), checkedSuffix().value_or(SuffixMode::Number),
                                 SpinValue->value(), m_appendZero, m_width, m_clock.now())));
}

void BackupPage::applyFtpRule() {
    EditFtpFolder->setEnabled(cbFtpSite->currentIndex() > 0);
}

void BackupPage::applyPasswordRule() {
    EditPassword->setEnabled(CheckBoxPassword->isChecked());
    EditConfirmPassword->setEnabled(EditPassword->isEnabledTo(GroupOption));
}

void BackupPage::applyCommentRule() {
    Editcomment->setEnabled(CheckBoxcomment->isChecked());
}

void BackupPage::applyDateFilterRule() {
    bool on = CheckBoxAddNewer->isChecked();
    CheckBoxToday->setEnabled(on);
    DateTimePickerToday->setEnabled(on && !CheckBoxToday->isChecked());
    DateTimePickerTime->setEnabled(DateTimePickerToday->isEnabledTo(GroupSource));
}

void BackupPage::applySuffixRule() {
    bool number = RadioUserNumber->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(SpinValue), static_cast<QWidget*>(Labelauto),
                       static_cast<QWidget*>(SpinIncrease), static_cast<QWidget*>(LabelIncrease)})
        w->setEnabled(number);
    UpdateFileNamePreview();
}

void BackupPage::applyScheduleRule(bool pickWeekday) {
    DateTimePicker1->setEnabled(radioOnce->isChecked());
    SpinEditNumber->setEnabled(radioDaily->isChecked());
    cbhour->setEnabled(radioDaily->isChecked());
    cbWeekly->setEnabled(radioWeekly->isChecked());
    if (pickWeekday && radioWeekly->isChecked() && cbWeekly->currentIndex() < 0)
        cbWeekly->setCurrentIndex(0);
}

} // namespace quorvel::gui
