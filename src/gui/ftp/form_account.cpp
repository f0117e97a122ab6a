#include "gui/ftp/form_account.h"

#include "core/ftp/ftp_site.h"
#include "core/net/tls_context.h"
#include "core/util/strings.h"
#include "core/util/user_prompts.h"
#include "gui/dialogs/dialog_frame.h"
#include "gui/ftp/ftp_help.h"
#include "gui/ftp/tool_button.h"
#include "gui/widgets/guarded.h"
#include "gui/widgets/help_book.h"
#include "gui/widgets/named.h"
#include "gui/widgets/qt_text.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvel::gui {

TFormAccount::TFormAccount(const std::filesystem::path& accountIni, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_store(std::make_unique<FtpSiteStore>(accountIni)), m_prompts(prompts) {
    setObjectName(QStringLiteral("FormAccount"));
    setWindowTitle(tr("Site Settings"));
    useFixedDialogFrame(this);
    SpNew = toolButton("SpNew", tr("New"), tr("New Site"), QStyle::SP_FileIcon, this);
    SpEdit = toolButton("SpEdit", tr("Edit"), tr("Edit Site"), QStyle::SP_FileDialogDetailedView, this);
    SpDelete = toolButton("SpDelete", tr("Delete"), tr("Delete Site"), QStyle::SP_TrashIcon, this);
    SpSave = toolButton("SpSave", tr("Save"), tr("Save  Site"), QStyle::SP_DialogSaveButton, this);
    SpCancel = toolButton("SpCancel", tr("Cancel"), tr("Cancel "), QStyle::SP_DialogCancelButton, this);
    SpeedButton1 = toolButton("SpeedButton1", tr("Help"), tr("Help"), QStyle::SP_DialogHelpButton, this);
    SpExit = toolButton("SpExit", tr("Exit"), tr("Exit"), QStyle::SP_DialogCloseButton, this);
    auto* bar = new QHBoxLayout;
    for (QToolButton* button : {SpNew, SpEdit, SpDelete, SpSave, SpCancel})
        bar->addWidget(button);
    bar->addStretch(1);
    bar->addWidget(SpeedButton1);
    bar->addWidget(SpExit);
    auto* panels = new QHBoxLayout;
    panels->addWidget(buildList());
    panels->addWidget(buildFields(), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addLayout(panels);

    connect(SpNew, &QToolButton::clicked, this, &TFormAccount::SpNewClick);
    connect(SpEdit, &QToolButton::clicked, this, &TFormAccount::SpEditClick);
    connect(SpDelete, &QToolButton::clicked, this, &TFormAccount::SpDeleteClick);
    connect(SpSave, &QToolButton::clicked, this, &TFormAccount::SpSaveClick);
    connect(SpCancel, &QToolButton::clicked, this, &TFormAccount::SpCancelClick);
    connect(SpExit, &QToolButton::clicked, this, &QDialog::reject);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { openHelp(HelpFtp, m_prompts); });
    bindHelpKey(this, HelpFtp, m_prompts);
    connect(ListBox1, &QListWidget::itemClicked, this, &TFormAccount::ListBox1Click);
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] {
        if (!m_editing)
            ListBox1Click();
    });
    setEditing(false);
    showDefaults(QString());
    Editport->clear();
    FormShow();
    adjustSize();
    centreOnScreen(this);
}

TFormAccount::~TFormAccount() = default;

QWidget* TFormAccount::buildList() {
    Panleft = named<QWidget>("Panleft");
    auto* layout = new QVBoxLayout(Panleft);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("FTP Sites List")));
    ListBox1 = named<QListWidget>("ListBox1");
    ListBox1->setMinimumWidth(160);
    layout->addWidget(ListBox1);
    return Panleft;
}

QWidget* TFormAccount::buildFields() {
    PanRight = named<QWidget>("PanRight");
    EditLable = named<QLineEdit>("EditLable");
    Edithost = named<QLineEdit>("Edithost");
    EditUser = named<QLineEdit>("EditUser");
    Editpassword = named<QLineEdit>("Editpassword");
    Editpassword->setEchoMode(QLineEdit::Password);
    Editport = named<QLineEdit>("Editport");
    rbNormal = named<QRadioButton>("rbNormal", tr("Normal"));
    rbAny = named<QRadioButton>("rbAny", tr("Anonymous"));
    CheckBox1 = named<QCheckBox>("CheckBox1", tr("Use Passive Transfer"));
    CheckBoxTls = named<QCheckBox>("CheckBoxTls", tr("Use TLS (FTPS): encrypt the password and the files"));
    EditFingerprint = named<QLineEdit>("EditFingerprint");
    EditFingerprint->setPlaceholderText(tr("empty: the system's certificates decide"));
    EditFingerprint->setToolTip(tr("The SHA-256 fingerprint of the server's own (self-signed) certificate.\n"
                                   "The program offers it when it first connects."));
    SpinTimeout = named<QSpinBox>("SpinTimeout");
    SpinTimeout->setRange(1, 3600);
    SpinTimeout->setSuffix(tr(" s"));

    auto* loginType = named<QGroupBox>("GroupLoginType", tr("Login Type"));
    auto* types = new QHBoxLayout(loginType);
    types->addWidget(rbNormal);
    types->addWidget(rbAny);
    types->addStretch(1);

    auto* form = new QFormLayout(PanRight);
    form->addRow(tr("Label For Site"), EditLable);
    form->addRow(tr("FTP Host Address"), Edithost);
    form->addRow(tr("FTP Site User Name"), EditUser);
    form->addRow(tr("FTP Site Password"), Editpassword);
    form->addRow(tr("FTP Site Connection Port"), Editport);
    form->addRow(loginType);
    form->addRow(CheckBox1);
    form->addRow(CheckBoxTls);
    form->addRow(tr("Certificate fingerprint (SHA-256)"), EditFingerprint);
    form->addRow(tr("Time-out"), SpinTimeout);
    EditFingerprint->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 60);
    return PanRight;
}

void TFormAccount::setEditing(bool editing) {
    m_editing = editing;
    SpNew->setEnabled(!editing);
    SpEdit->setEnabled(!editing);
    SpDelete->setEnabled(!editing);
    Panleft->setEnabled(!editing);
    SpSave->setEnabled(editing);
    SpCancel->setEnabled(editing);
    PanRight->setEnabled(editing);
    if (editing)
        EditLable->setFocus();
}

void TFormAccount::showSite(const FtpSite& site) {
    EditLable->setText(qs(site.label));
    Edithost->setText(qs(site.host));
    EditUser->setText(qs(site.user));
    Editpassword->setText(qs(site.password));
    Editport->setText(qs(site.port));
    rbNormal->setChecked(site.normalLogin);
    rbAny->setChecked(site.anonymousLogin);
    CheckBox1->setChecked(site.passive);
    CheckBoxTls->setChecked(site.useTls);
    EditFingerprint->setText(qs(site.fingerprint));
    SpinTimeout->setValue(site.timeoutMs() / 1000);
}

void TFormAccount::showDefaults(const QString& label) {
    FtpSite defaults;
    defaults.label = ss(label);
    showSite(defaults);
}

FtpSite TFormAccount::siteFromFields() const {
    FtpSite site;
    site.label = ss(EditLable->text());
    site.host = ss(Edithost->text());
    site.user = ss(EditUser->text());
    site.password = ss(Editpassword->text());
    site.port = ss(Editport->text());
    site.normalLogin = rbNormal->isChecked();
    site.anonymousLogin = rbAny->isChecked();
    site.passive = CheckBox1->isChecked();
    site.useTls = CheckBoxTls->isChecked();
    site.fingerprint = ss(EditFingerprint->text());
    site.timeoutSeconds = SpinTimeout->value();
    return site;
}

void TFormAccount::FormShow() {
    runGuarded(m_prompts, [this] {
        ListBox1->clear();
        for (const std::string& label : m_store->labels())
            ListBox1->addItem(qs(label));
        if (ListBox1->count() > 0) {
            ListBox1->setCurrentRow(0);
            ListBox1Click();
        }
    });
}

void TFormAccount::ListBox1Click() {
    if (ListBox1->currentRow() < 0)
        return;
    runGuarded(m_prompts, [this] { showSite(m_store->load(ss(ListBox1->currentItem()->text()))); });
}

void TFormAccount::SpNewClick() {
    m_newSite = true;
    ListBox1->clearSelection();
    setEditing(true);
    showDefaults(tr("New FTP Site"));
}

void TFormAccount::SpEditClick() {
    if (ListBox1->count() == 0)
        return;
    m_newSite = false;
    setEditing(true);
}

void TFormAccount::SpSaveClick() {
    FtpSite site = siteFromFields();
    if (!trim(site.fingerprint).empty()) {
        const std::optional<std::string> fingerprint = normalizeFingerprint(site.fingerprint);
        if (!fingerprint) {
            m_prompts.showMessage("The certificate fingerprint must be a SHA-256 fingerprint: 64 hex digits, with or "
                                  "without colons.",
                                  MessageKind::Error);
            return;
        }
        site.fingerprint = displayFingerprint(*fingerprint);
    }
    try {
        const int row = ListBox1->currentRow();
        if (m_newSite) {
            m_store->addSite(site);
            ListBox1->addItem(qs(trim(site.label)));
            ListBox1->setCurrentRow(ListBox1->count() - 1);
        } else if (row >= 0) {
            m_store->replaceSite(static_cast<std::size_t>(row), site);
            ListBox1->item(row)->setText(qs(trim(site.label)));
        }
        setEditing(false);
        ListBox1Click();
    } catch (const SiteLabelError& e) {
        m_prompts.showMessage(e.what(), MessageKind::Error);
    } catch (const std::exception& e) {
        m_prompts.showMessage(e.what(), MessageKind::Error);
    }
}

void TFormAccount::SpCancelClick() {
    setEditing(false);
    FormShow();
}

void TFormAccount::SpDeleteClick() {
    const int row = ListBox1->currentRow();
    if (ListBox1->count() == 0 || row < 0)
        return;
    const std::string label = trim(ss(ListBox1->item(row)->text()));
    if (!m_prompts.askYesNo("Do you want to delete '" + label + "' Site?", MessageKind::Warning))
        return;
    runGuarded(m_prompts, [&] {
        m_store->removeSite(static_cast<std::size_t>(row));
        delete ListBox1->takeItem(row);
        if (ListBox1->count() > 0) {
            ListBox1->setCurrentRow(0);
            ListBox1Click();
        } else {
            showDefaults(QString());
        }
    });
}

} // namespace quorvel::gui
