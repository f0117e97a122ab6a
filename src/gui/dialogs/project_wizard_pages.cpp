#include "gui/dialogs/project_wizard.h"

#include "core/project/backup_project.h"
#include "gui/pages/backup_page_lists.h"
#include "gui/widgets/named.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvel::gui {

namespace {

// A page: its heading in bold, an optional line under it, then the page's own controls.
QVBoxLayout* pageLayout(QWidget* page, const QString& heading, const QString& line = {}) {
    auto* layout = new QVBoxLayout(page);
    auto* title = new QLabel(heading);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    title->setFont(font);
    layout->addWidget(title);
    if (!line.isEmpty())
        layout->addWidget(new QLabel(line));
    layout->addSpacing(6);
    return layout;
}

QSpinBox* spin(const char* name, int low, int high, int value) {
    auto* box = named<QSpinBox>(name);
    box->setRange(low, high);
    box->setValue(value);
    box->setMinimumWidth(80);
    return box;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* layout = new QHBoxLayout;
    for (QWidget* w : widgets)
        layout->addWidget(w);
    layout->addStretch(1);
    return layout;
}

} // namespace

QWidget* TFormProjectName::buildNamePage() {
    auto* page = new QWidget;
    QVBoxLayout* layout = pageLayout(page, tr("Please enter new project name:"));
    comboproject = named<QLineEdit>("comboproject");
    auto* label = new QLabel(tr("Project name"));
    label->setBuddy(comboproject);
    layout->addWidget(label);
    layout->addWidget(comboproject);
    layout->addStretch(1);
    return page;
}

QWidget* TFormProjectName::buildSourcePage() {
    auto* page = new QWidget;
    QVBoxLayout* layout =
        pageLayout(page, tr("Select files to backup"), tr("You can select files by filename or wildcard"));
    static const char* const names[6] = {"SpeedButton2", "SpeedButton1",  "Button4",
                                         "SpeedButton3", "SpeedButton10", "SpeedButton11"};
    const ItemListBox items = buildItemListBox({}, names, this);
    ListboxBackup = items.list;
    ListboxBackup->setObjectName(QStringLiteral("ListboxBackup"));
    SpeedButton2 = items.buttons[0], SpeedButton1 = items.buttons[1], Button4 = items.buttons[2];
    SpeedButton3 = items.buttons[3], SpeedButton10 = items.buttons[4], SpeedButton11 = items.buttons[5];
    layout->addWidget(items.box, 1);

    radioyes = named<QCheckBox>("radioyes", tr("Include Subfolders (if checked,it will also look for files in "
                                               "subfolders)"));
    radioyes->setChecked(true);
    CheckBoxAddNewer = named<QCheckBox>("CheckBoxAddNewer", tr("Add only files newer than"));
    DateTimePickerToday = named<QDateEdit>("DateTimePickerToday");
    DateTimePickerToday->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DateTimePickerToday->setCalendarPopup(true);
    DateTimePickerTime = named<QTimeEdit>("DateTimePickerTime");
    DateTimePickerTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    CheckBoxToday = named<QCheckBox>("CheckBoxToday", tr("Next use the last backup date-time"));
    layout->addWidget(radioyes);
    layout->addLayout(row({CheckBoxAddNewer, DateTimePickerToday, DateTimePickerTime}));
    auto* today = row({CheckBoxToday});
    today->insertSpacing(0, 20);
    layout->addLayout(today);
    return page;
}

QWidget* TFormProjectName::buildExcludePage() {
    auto* page = new QWidget;
    QVBoxLayout* layout =
        pageLayout(page, tr("Select files to exclude"), tr("You can select files by filename or wildcard  ( Option )"));
    static const char* const names[6] = {"SpeedButton5", "SpeedButton4", "SpeedButton6",
                                         "SpeedButton7", "SpeedButton8", "SpeedButton9"};
    const ItemListBox items = buildItemListBox({}, names, this);
    ListBoxNobackup = items.list;
    ListBoxNobackup->setObjectName(QStringLiteral("ListBoxNobackup"));
    SpeedButton5 = items.buttons[0], SpeedButton4 = items.buttons[1], SpeedButton6 = items.buttons[2];
    SpeedButton7 = items.buttons[3], SpeedButton8 = items.buttons[4], SpeedButton9 = items.buttons[5];
    layout->addWidget(items.box, 1);
    LabelYesOrNo = named<QLabel>("LabelYesOrNo", tr("Subdirectories are included"));
    layout->addWidget(LabelYesOrNo);
    return page;
}

QWidget* TFormProjectName::buildDestinationPage() {
    auto* page = new QWidget;
    QVBoxLayout* layout = pageLayout(page, tr("Select location to store backup"),
                                     tr("Backup filename can be auto created based on prefix and suffix "));
    auto* prefixGroup = new QGroupBox(tr("Prefix"));
    EditPrefix = named<QLineEdit>("EditPrefix");
    (new QVBoxLayout(prefixGroup))->addWidget(EditPrefix);

    auto* suffixGroup = new QGroupBox(tr("Suffix"));
    RadioUseNone = named<QRadioButton>("RadioUseNone", tr("None"));
    RadioUseDate = named<QRadioButton>("RadioUseDate", tr("Date"));
    RadioUserNumber = named<QRadioButton>("RadioUserNumber", tr("Number"));
    RadioUserNumber->setChecked(true);
    auto* suffixes = new QButtonGroup(suffixGroup);
    for (QRadioButton* b : {RadioUseNone, RadioUseDate, RadioUserNumber})
        suffixes->addButton(b);
    SpinValue = spin("SpinValue", MinNumber, MaxNumber, 1);
    LabelIncrease = named<QLabel>("LabelIncrease", tr("Next increase:"));
    SpinIncrease = spin("SpinIncrease", MinNumber, MaxNumber, 1);
    auto* suffixLayout = new QVBoxLayout(suffixGroup);
    suffixLayout->addLayout(row({RadioUseNone, RadioUseDate}));
    suffixLayout->addLayout(row({RadioUserNumber, SpinValue, LabelIncrease, SpinIncrease}));

    auto* fileGroup = new QGroupBox(tr("Filename"));
    SpSelectDirectory =
        listToolButton("SpSelectDirectory", QStyle::SP_DirOpenIcon, tr("Select directory to save"), this);
    EditFilename = named<QLineEdit>("EditFilename");
    auto* fileLayout = new QHBoxLayout(fileGroup);
    fileLayout->addWidget(SpSelectDirectory);
    fileLayout->addWidget(EditFilename, 1);

    layout->addWidget(prefixGroup);
    layout->addWidget(suffixGroup);
    layout->addWidget(fileGroup);
    layout->addStretch(1);
    return page;
}

QWidget* TFormProjectName::buildOptionsPage() {
    auto* page = new QWidget;
    QVBoxLayout* layout = pageLayout(page, tr("Options"));
    spStore = spin("spStore", MinStoreNumber, MaxStoreNumber, 50);
    layout->addLayout(row({new QLabel(tr("Keep the last ")), spStore,
                           new QLabel(tr("backups (if exceeds, the oldest backups deleted)"))}));

    TrackBar1 = named<QSlider>("TrackBar1", Qt::Horizontal);
    TrackBar1->setRange(MinPackLevel, MaxPackLevel);
    TrackBar1->setValue(6);
    TrackBar1->setSingleStep(1);
    TrackBar1->setPageStep(1);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(1);
    TrackBar1->setMinimumWidth(220);
    layout->addLayout(
        row({new QLabel(tr("Compression ratio:")), new QLabel(tr("(None)")), TrackBar1, new QLabel(tr("(Max)"))}));

    CheckBoxPassword = named<QCheckBox>("CheckBoxPassword", tr("Use password protect Zip file"));
    LabelPassword = named<QLabel>("LabelPassword", tr("Enter password:"));
    EditPassword = named<QLineEdit>("EditPassword");
    LabelConfirm = named<QLabel>("LabelConfirm", tr("Retype password:"));
    EditConfirmPassword = named<QLineEdit>("EditConfirmPassword");
    for (QLineEdit* edit : {EditPassword, EditConfirmPassword}) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setMinimumWidth(200);
    }
    auto* password = new QGridLayout;
    password->setColumnMinimumWidth(0, 20);
    password->addWidget(LabelPassword, 0, 1);
    password->addWidget(EditPassword, 0, 2);
    password->addWidget(LabelConfirm, 1, 1);
    password->addWidget(EditConfirmPassword, 1, 2);
    password->setColumnStretch(3, 1);
    layout->addWidget(CheckBoxPassword);
    layout->addLayout(password);

    CheckBoxcomment = named<QCheckBox>("CheckBoxcomment", tr("Add comment to Zip file:"));
    Editcomment = named<QLineEdit>("Editcomment");
    layout->addWidget(CheckBoxcomment);
    auto* comment = new QHBoxLayout;
    comment->addSpacing(20);
    comment->addWidget(Editcomment, 1);
    layout->addLayout(comment);
    CheckBoxpath = named<QCheckBox>("CheckBoxpath",
                                    tr("Store full path information ( from the root folder ) with all files added"));
    CheckBoxpath->setChecked(true);
    layout->addWidget(CheckBoxpath);
    layout->addStretch(1);
    return page;
}

QWidget* TFormProjectName::buildSchedulePage() {
    auto* page = new QWidget;
    QVBoxLayout* layout =
        pageLayout(page, tr("Schedule"),
                   tr("You can customize a schedule for project to launch the\nbackup operation within a specified "
                      "time automatically."));
    radioNone = named<QRadioButton>("radioNone", tr("None"));
    radioNone->setChecked(true);
    radioOnce = named<QRadioButton>("radioOnce", tr("Occurs daily once at"));
    DateTimePicker1 = named<QTimeEdit>("DateTimePicker1", QTime(12, 0, 0));
    DateTimePicker1->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    radioDaily = named<QRadioButton>("radioDaily", tr("Occurs daily every"));
    SpinEditNumber = spin("SpinEditNumber", MinEveryMinutes, MaxEveryMinutes, 20);
    cbhour = named<QLabel>("cbhour", tr("minutes"));
    radioWeekly = named<QRadioButton>("radioWeekly", tr("Occurs weekly every on"));
    cbWeekly = named<QComboBox>("cbWeekly");
    for (const char* day : WeekdayNames)
        cbWeekly->addItem(QString::fromLatin1(day));
    cbWeekly->setCurrentIndex(-1);
    cbWeekly->setMinimumWidth(120);
    auto* modes = new QButtonGroup(page);
    for (QRadioButton* b : {radioNone, radioOnce, radioDaily, radioWeekly})
        modes->addButton(b);

    auto* grid = new QGridLayout;
    grid->addWidget(radioNone, 0, 0);
    grid->addWidget(radioOnce, 1, 0);
    grid->addLayout(row({DateTimePicker1}), 1, 1);
    grid->addWidget(radioDaily, 2, 0);
    grid->addLayout(row({SpinEditNumber, cbhour}), 2, 1);
    grid->addWidget(radioWeekly, 3, 0);
    grid->addLayout(row({cbWeekly}), 3, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    return page;
}

} // namespace quorvel::gui
