#include "gui/pages/backup_page.h"

#include "core/project/backup_project.h"
#include "core/util/clock.h"
#include "gui/pages/backup_page_lists.h"
#include "gui/widgets/named.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvel::gui {

namespace {

QSpinBox* spin(const char* name, int low, int high, int value) {
    auto* box = named<QSpinBox>(name);
    box->setRange(low, high);
    box->setValue(value);
    box->setMinimumWidth(70);
    return box;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
    auto* layout = new QHBoxLayout;
    for (QWidget* w : widgets)
        layout->addWidget(w);
    if (stretch)
        layout->addStretch(1);
    return layout;
}

} // namespace

BackupPage::BackupPage(const Clock& clock, QWidget* parent) : QWidget(parent), m_clock(clock) {
    setObjectName(QStringLiteral("TabBackup"));
    auto* left = new QVBoxLayout;
    left->addWidget(buildDestination());
    left->addWidget(buildSource(), 1);
    auto* right = new QVBoxLayout;
    right->addWidget(buildOptions());
    right->addWidget(buildSchedule());
    right->addWidget(buildFtp());
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);
    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->addWidget(buildNoProjectPrompt());
    contentLayout->addLayout(columns, 1);
    // On a small screen (1024 x 700, a 1366 x 768 laptop with a panel) the page scrolls instead
    // of holding the whole window taller than the screen; at usual sizes nothing scrolls.
    auto* scroller = new QScrollArea;
    scroller->setObjectName(QStringLiteral("BackupPageScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(content);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(scroller);
    connectRules();
    applySuffixRule();
    applyPasswordRule();
    applyCommentRule();
    applyDateFilterRule();
    applyScheduleRule(false);
    applyFtpRule();
    setGroupsEnabled(false);
    EditFilename->clear(); // no project yet: nothing to preview
}

QWidget* BackupPage::buildDestination() {
    GroupDes = named<QGroupBox>("GroupDes", tr("Destination"));
    EditPrefix = named<QLineEdit>("EditPrefix");
    RadioUseNone = named<QRadioButton>("RadioUseNone", tr("None"));
    RadioUseDate = named<QRadioButton>("RadioUseDate", tr("Date and time"));
    RadioUserNumber = named<QRadioButton>("RadioUserNumber", tr("Number"));
    RadioUserNumber->setChecked(true);
    auto* suffixes = new QButtonGroup(GroupDes);
    for (QRadioButton* b : {RadioUseNone, RadioUseDate, RadioUserNumber})
        suffixes->addButton(b);
    Labelauto = named<QLabel>("Labelauto", tr("Next increase:"));
    SpinValue = spin("SpinValue", MinNumber, MaxNumber, 1);
    LabelIncrease = named<QLabel>("LabelIncrease", tr("Increment:"));
    SpinIncrease = spin("SpinIncrease", MinNumber, MaxIncrease, 1);
    EditFilename = named<QLineEdit>("EditFilename");
    SpSelectDirectory =
        listToolButton("SpSelectDirectory", QStyle::SP_DirOpenIcon, tr("Select directory to save"), this);

    auto* form = new QGridLayout(GroupDes);
    form->addWidget(new QLabel(tr("Filename prefix:")), 0, 0);
    form->addLayout(row({EditPrefix}, false), 0, 1);
    form->addWidget(new QLabel(tr("Filename suffix:")), 1, 0);
    form->addLayout(row({RadioUseNone, RadioUseDate, RadioUserNumber}), 1, 1);
    form->addLayout(row({Labelauto, SpinValue, LabelIncrease, SpinIncrease}), 2, 1);
    form->addWidget(new QLabel(tr("Backup file:")), 3, 0);
    form->addLayout(row({EditFilename, SpSelectDirectory}, false), 3, 1);
    form->setColumnStretch(1, 1);
    return GroupDes;
}

QWidget* BackupPage::buildSource() {
    GroupSource = named<QGroupBox>("GroupSource", tr("Source"));
    static const char* const includeNames[6] = {"Button2",      "Button1",      "Button4",
                                                "SpeedButton1", "SpeedButton3", "SpeedButton4"};
    static const char* const excludeNames[6] = {"Button3",      "Button6",      "Button5",
                                                "SpeedButton2", "SpeedButton6", "SpeedButton5"};
    const ItemListBox include = buildItemListBox(tr("Files to back up:"), includeNames, this);
    const ItemListBox exclude = buildItemListBox(tr("Files to leave out:"), excludeNames, this);
    ListboxBackup = include.list;
    ListBoxNobackup = exclude.list;
    ListboxBackup->setObjectName(QStringLiteral("ListboxBackup"));
    ListBoxNobackup->setObjectName(QStringLiteral("ListBoxNobackup"));
    Button2 = include.buttons[0], Button1 = include.buttons[1], Button4 = include.buttons[2];
    SpeedButton1 = include.buttons[3], SpeedButton3 = include.buttons[4], SpeedButton4 = include.buttons[5];
    Button3 = exclude.buttons[0], Button6 = exclude.buttons[1], Button5 = exclude.buttons[2];
    SpeedButton2 = exclude.buttons[3], SpeedButton6 = exclude.buttons[4], SpeedButton5 = exclude.buttons[5];

    radioyes = named<QCheckBox>(
        "radioyes", tr("Include Subdirectories ( if checked, it will also look for the files in subfolders )"));
    radioyes->setChecked(true);
    CheckBoxAddNewer = named<QCheckBox>("CheckBoxAddNewer", tr("Only files newer than"));
    DateTimePickerToday = named<QDateEdit>("DateTimePickerToday");
    DateTimePickerToday->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DateTimePickerToday->setCalendarPopup(true);
    DateTimePickerTime = named<QTimeEdit>("DateTimePickerTime");
    DateTimePickerTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    DateTime now = m_clock.now();
    DateTimePickerToday->setDate(QDate(now.year, now.month, now.day));
    DateTimePickerTime->setTime(QTime(now.hour, now.minute, now.second));
    CheckBoxToday = named<QCheckBox>("CheckBoxToday", tr("Use last backup date"));

    auto* layout = new QVBoxLayout(GroupSource);
    layout->addWidget(include.box, 3);
    layout->addWidget(exclude.box, 2);
    layout->addWidget(radioyes);
    layout->addLayout(row({CheckBoxAddNewer, DateTimePickerToday, DateTimePickerTime, CheckBoxToday}));
    return GroupSource;
}

QWidget* BackupPage::buildOptions() {
    GroupOption = named<QGroupBox>("GroupOption", tr("Options"));
    CheckBoxPassword = named<QCheckBox>("CheckBoxPassword", tr("Use password protect Zip file:"));
    CheckBoxPassword->setChecked(true);
    EditPassword = named<QLineEdit>("EditPassword");
    EditConfirmPassword = named<QLineEdit>("EditConfirmPassword");
    for (QLineEdit* edit : {EditPassword, EditConfirmPassword})
        edit->setEchoMode(QLineEdit::Password);
    CheckBoxpath = named<QCheckBox>("CheckBoxpath", tr("Save full path information to Zip"));
    CheckBoxpath->setChecked(true);
    CheckBoxcomment = named<QCheckBox>("CheckBoxcomment", tr("Add comment:"));
    CheckBoxcomment->setChecked(true);
    Editcomment = named<QLineEdit>("Editcomment");
    Trackbar1 = named<QSlider>("Trackbar1", Qt::Horizontal);
    Trackbar1->setRange(MinPackLevel, MaxPackLevel);
    Trackbar1->setValue(6);
    Trackbar1->setTickPosition(QSlider::TicksBelow);
    Trackbar1->setTickInterval(1);
    Trackbar1->setPageStep(1);
    LabelLevel = named<QLabel>("LabelLevel", QStringLiteral("6"));
    LabelLevel->setMinimumWidth(16);
    connect(Trackbar1, &QSlider::valueChanged, LabelLevel, qOverload<int>(&QLabel::setNum));
    spStore = spin("spStore", MinStoreNumber, MaxStoreNumber, 50);

    auto* form = new QGridLayout(GroupOption);
    form->addWidget(CheckBoxPassword, 0, 0, 1, 2);
    form->addWidget(new QLabel(tr("Password:")), 1, 0);
    form->addWidget(EditPassword, 1, 1);
    form->addWidget(new QLabel(tr("Retype password:")), 2, 0);
    form->addWidget(EditConfirmPassword, 2, 1);
    form->addWidget(CheckBoxpath, 3, 0, 1, 2);
    form->addWidget(CheckBoxcomment, 4, 0, 1, 2);
    form->addWidget(Editcomment, 5, 0, 1, 2);
    form->addWidget(new QLabel(tr("Compression level:")), 6, 0);
    form->addLayout(row({Trackbar1, LabelLevel}, false), 6, 1);
    form->addLayout(row({new QLabel(tr("Only keep the last ")), spStore, new QLabel(tr("backups"))}), 7, 0, 1, 2);
    form->setColumnStretch(1, 1);
    return GroupOption;
}

QWidget* BackupPage::buildSchedule() {
    GroupSche = named<QGroupBox>("GroupSche", tr("Schedule"));
    radioOnce = named<QRadioButton>("radioOnce", tr("Daily once at"));
    DateTimePicker1 = named<QTimeEdit>("DateTimePicker1", QTime(12, 0, 0));
    DateTimePicker1->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    Label12 = named<QLabel>("Label12", tr("later"));
    radioDaily = named<QRadioButton>("radioDaily", tr("Daily every"));
    SpinEditNumber = spin("SpinEditNumber", MinEveryMinutes, MaxEveryMinutes, 2);
    cbhour = named<QLabel>("cbhour", tr("minutes"));
    radioWeekly = named<QRadioButton>("radioWeekly", tr("Weekly every on"));
    cbWeekly = named<QComboBox>("cbWeekly");
    for (const char* day : WeekdayNames)
        cbWeekly->addItem(QString::fromLatin1(day));
    cbWeekly->setCurrentIndex(-1);
    Label13 = named<QLabel>("Label13", QStringLiteral("12:00:00"));
    radioNone = named<QRadioButton>("radioNone", tr("None"));
    radioNone->setChecked(true);
    auto* modes = new QButtonGroup(GroupSche);
    for (QRadioButton* b : {radioOnce, radioDaily, radioWeekly, radioNone})
        modes->addButton(b);

    auto* form = new QGridLayout(GroupSche);
    form->addWidget(radioOnce, 0, 0);
    form->addLayout(row({DateTimePicker1, Label12}), 0, 1);
    form->addWidget(radioDaily, 1, 0);
    form->addLayout(row({SpinEditNumber, cbhour}), 1, 1);
    form->addWidget(radioWeekly, 2, 0);
    form->addLayout(row({cbWeekly, Label13}), 2, 1);
    form->addWidget(radioNone, 3, 0);
    form->setColumnStretch(1, 1);
    return GroupSche;
}

QWidget* BackupPage::buildFtp() {
    GroupFtp = named<QGroupBox>("GroupFtp", tr("Off-site Copy"));
    cbFtpSite = named<QComboBox>("cbFtpSite");
    cbFtpSite->addItem(tr("(none)"), QString());
    cbFtpSite->setToolTip(tr("After each backup the archive is also uploaded to this FTP site"));
    EditFtpFolder = named<QLineEdit>("EditFtpFolder");
    EditFtpFolder->setPlaceholderText(tr("the login folder"));

    auto* form = new QGridLayout(GroupFtp);
    form->addWidget(new QLabel(tr("Upload to FTP site:")), 0, 0);
    form->addWidget(cbFtpSite, 0, 1);
    form->addWidget(new QLabel(tr("Remote folder:")), 1, 0);
    form->addWidget(EditFtpFolder, 1, 1);
    form->setColumnStretch(1, 1);
    return GroupFtp;
}

// Shown while there is no project: a new user is led to the one command that helps.
QWidget* BackupPage::buildNoProjectPrompt() {
    PanelNoProject = named<QFrame>("PanelNoProject");
    PanelNoProject->setFrameShape(QFrame::StyledPanel);
    PanelNoProject->setAutoFillBackground(true);
    QPalette palette = PanelNoProject->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
    PanelNoProject->setPalette(palette);
    auto* text = new QLabel(tr("There is no backup project yet. A project says which files to back up, where "
                               "the archive goes and how often. Add Project creates one step by step."));
    text->setWordWrap(true);
    ButtonAddFirst = named<QPushButton>("ButtonAddFirst", tr("Add Project..."));
    auto* layout = new QHBoxLayout(PanelNoProject);
    layout->addWidget(text, 1);
    layout->addWidget(ButtonAddFirst);
    PanelNoProject->hide();
    return PanelNoProject;
}

void BackupPage::showNoProjectPrompt(bool show) {
    PanelNoProject->setVisible(show);
}

void BackupPage::setGroupsEnabled(bool enabled) {
    for (QGroupBox* group : {GroupSource, GroupDes, GroupOption, GroupSche, GroupFtp})
        group->setEnabled(enabled);
    if (enabled) {
        refreshFtpSites();
        m_editStart = settingsText();
    }
}

} // namespace quorvel::gui
