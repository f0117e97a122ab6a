#include "gui/dialogs/preferences_dialog.h"

#include "core/mail/mail_address.h"
#include "core/project/autostart_entry.h"
#include "gui/widgets/guarded.h"
#include "gui/widgets/help_book.h"
#include "gui/widgets/named.h"
#include "gui/widgets/qt_text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quorvel::gui {

TFormPreferences::TFormPreferences(IniFile& projectIni, std::filesystem::path autostartEntry,
                                   std::filesystem::path executable, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_ini(projectIni), m_autostartEntry(std::move(autostartEntry)),
      m_executable(std::move(executable)), m_prompts(prompts) {
    setObjectName(QStringLiteral("FormPreferences"));
    setWindowTitle(tr("Preferences"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    PageControl1 = named<QTabWidget>("PageControl1");
    PageControl1->addTab(buildGeneralPage(), tr("General"));
    PageControl1->addTab(buildBackupPage(), tr("Backup"));
    PageControl1->setCurrentWidget(TabSheet1);

    Button1 = named<QPushButton>("Button1", tr("H&elp"));
    btnApply = named<QPushButton>("btnApply", tr("&Apply"));
    btnClose = named<QPushButton>("btnClose", tr("Clo&se"));
    btnClose->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    buttons->addWidget(btnApply);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(cbRun, &QCheckBox::toggled, cbMini, &QCheckBox::setEnabled);
    connect(btnApply, &QPushButton::clicked, this, &TFormPreferences::btnApplyClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, [this] { openHelp(HelpPreferences, m_prompts); });
    bindHelpKey(this, HelpPreferences, m_prompts);

    RunPreferences run = readRunPreferences(m_ini);
    cbRun->setChecked(run.autoRun);
    cbMini->setChecked(run.isMinimized);
    cbMini->setEnabled(run.autoRun);
    EditReportTo->setText(qs(loadSettingsAndProjects(m_ini).settings.failureReportTo));
}

QWidget* TFormPreferences::buildGeneralPage() {
    TabSheet1 = named<QWidget>("TabSheet1");
    GroupBox2 = named<QGroupBox>("GroupBox2", tr("Run"));
    cbRun = named<QCheckBox>("cbRun", tr("Run ZIP Backup when I log in"));
    cbMini = named<QCheckBox>("cbMini", tr("Run Minimized"));
    auto* run = new QVBoxLayout(GroupBox2);
    run->addWidget(cbRun);
    run->addWidget(cbMini);

    GroupBox3 = named<QGroupBox>("GroupBox3", tr("Log"));
    Label2 = named<QLabel>("Label2", tr("When the log items exceed"));
    LogSpinEdit = named<QSpinBox>("LogSpinEdit");
    LogSpinEdit->setRange(MinLogCount, MaxLogCount);
    LogSpinEdit->setValue(50);
    Label5 = named<QLabel>("Label5", tr(",the log"));
    Label3 = named<QLabel>("Label3", tr("will be cleared except for the last 5 items."));
    auto* log = new QGridLayout(GroupBox3);
    auto* line = new QHBoxLayout;
    line->addWidget(Label2);
    line->addWidget(LogSpinEdit);
    line->addWidget(Label5);
    line->addStretch(1);
    log->addLayout(line, 0, 0);
    log->addWidget(Label3, 1, 0);

    GroupBoxReport = named<QGroupBox>("GroupBoxReport", tr("Email"));
    LabelReport = named<QLabel>("LabelReport", tr("When a backup fails, send a report by email to:"));
    EditReportTo = named<QLineEdit>("EditReportTo");
    EditReportTo->setPlaceholderText(tr("nobody (several addresses are separated by commas)"));
    auto* report = new QVBoxLayout(GroupBoxReport);
    report->addWidget(LabelReport);
    report->addWidget(EditReportTo);

    auto* layout = new QVBoxLayout(TabSheet1);
    layout->addWidget(GroupBox2);
    layout->addWidget(GroupBox3);
    layout->addWidget(GroupBoxReport);
    layout->addStretch(1);
    return TabSheet1;
}

QWidget* TFormPreferences::buildBackupPage() {
    TabSheet2 = named<QWidget>("TabSheet2");
    cbWidth = named<QCheckBox>("cbWidth", tr("If filename suffix is number,when number width"));
    Label4 = named<QLabel>("Label4", tr("is less than"));
    SpinEdit1 = named<QSpinBox>("SpinEdit1");
    SpinEdit1->setRange(MinWidth, MaxWidth);
    SpinEdit1->setValue(2);
    Label1 = named<QLabel>("Label1", tr(", append 0 before number"));
    cbprompt = named<QCheckBox>("cbprompt", tr("Prompt before start backup a project"));
    GroupBox1 = named<QGroupBox>("GroupBox1", tr("When  backup, if  filename exists:"));
    rbOverwrite = named<QRadioButton>("rbOverwrite", tr("Overwrite without prompt"));
    rbSkip = named<QRadioButton>("rbSkip", tr("Skip"));
    rbSkip->setChecked(true);
    auto* exists = new QVBoxLayout(GroupBox1);
    exists->addWidget(rbOverwrite);
    exists->addWidget(rbSkip);

    auto* width = new QHBoxLayout;
    width->setContentsMargins(22, 0, 0, 0);
    width->addWidget(Label4);
    width->addWidget(SpinEdit1);
    width->addWidget(Label1);
    width->addStretch(1);
    auto* layout = new QVBoxLayout(TabSheet2);
    layout->addWidget(cbWidth);
    layout->addLayout(width);
    layout->addSpacing(8);
    layout->addWidget(cbprompt);
    layout->addSpacing(8);
    layout->addWidget(GroupBox1);
    layout->addStretch(1);
    return TabSheet2;
}

void TFormPreferences::setSettings(const AppSettings& settings) {
    cbprompt->setChecked(settings.promptBeforeBackup);
    cbWidth->setChecked(settings.appendZero);
    SpinEdit1->setValue(settings.width);
    if (settings.overwrite)
        rbOverwrite->setChecked(true);
    LogSpinEdit->setValue(settings.logCount);
}

void TFormPreferences::applyTo(AppSettings& settings) const {
    settings.promptBeforeBackup = cbprompt->isChecked();
    settings.appendZero = cbWidth->isChecked();
    settings.width = SpinEdit1->value();
    settings.overwrite = rbOverwrite->isChecked();
    settings.logCount = LogSpinEdit->value();
    settings.failureReportTo = ss(EditReportTo->text().trimmed());
}

bool TFormPreferences::updateAutostartEntry() {
    try {
        if (cbRun->isChecked())
            writeAutostartEntry(m_autostartEntry, m_executable);
        else
            removeAutostartEntry(m_autostartEntry);
        return true;
    } catch (const std::exception& e) {
        m_prompts.showMessage(cbRun->isChecked()
                                  ? "The auto-start entry could not be written, so ZIP Backup will not start when "
                                    "you log on.\n" +
                                        std::string(e.what())
                                  : "The auto-start entry could not be removed, so ZIP Backup will still start when "
                                    "you log on.\n" +
                                        std::string(e.what()),
                              MessageKind::Warning);
        return false;
    }
}

void TFormPreferences::btnApplyClick() {
    // A failed auto-start change keeps the dialog open with nothing written, so "Auto Run"
    // never claims an entry that does not exist.
    if (!updateAutostartEntry())
        return;
    bool written = false;
    runGuarded(m_prompts, [&] {
        // Reports go through the email account of the "Send By Email" window.
        checkMailboxes(parseAddressList(ss(EditReportTo->text())));
        writeRunPreferences(m_ini, {cbRun->isChecked(), cbMini->isChecked()});
        writeFailureReportTo(m_ini, ss(EditReportTo->text().trimmed()));
        written = true;
    });
    if (written)
        accept();
}

} // namespace quorvel::gui
