// The controls of the email window and what they are wired to.
#include "gui/ftp/tool_button.h"
#include "gui/mail/form_email.h"
#include "gui/widgets/help_book.h"
#include "gui/widgets/named.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quorvel::gui {

namespace {

constexpr int StatusPanelWidth = 300;

QLabel* labelFor(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

void TFormEmail::buildWindow() {
    setObjectName(QStringLiteral("FormEmail"));
    setWindowTitle(tr("Send By Email"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    btnSend = toolButton("btnSend", tr("Send Message"), tr("Send Message"), QStyle::SP_ArrowForward, this);
    SpAbort = toolButton("SpAbort", tr("Stop"), tr("Stop"), QStyle::SP_BrowserStop, this);
    SpAbort->setEnabled(false);
    SpeedButton3 = toolButton("SpeedButton3", tr("Help"), tr("Help"), QStyle::SP_DialogHelpButton, this);
    SpeedButton4 = toolButton("SpeedButton4", tr("Exit"), tr("Exit"), QStyle::SP_DialogCloseButton, this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(btnSend);
    bar->addWidget(SpAbort);
    bar->addStretch(1);
    bar->addWidget(SpeedButton3);
    bar->addWidget(SpeedButton4);

    PageControl1 = named<QTabWidget>("PageControl1");
    PageControl1->addTab(buildMessagePage(), tr("Message"));
    PageControl1->addTab(buildAccountPage(), tr("Account"));

    StatusBar1 = named<QStatusBar>("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    ProgressBar1 = named<QProgressBar>("ProgressBar1");
    ProgressBar1->setFixedWidth(StatusPanelWidth - 2);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setValue(0);
    StatusText = named<QLabel>("StatusText");
    StatusBar1->addWidget(ProgressBar1);
    StatusBar1->addWidget(StatusText, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(StatusBar1);
    resize(620, 560);
}

QWidget* TFormEmail::buildMessagePage() {
    TabMessage = named<QWidget>("TabMessage");
    Editaddress = named<QLineEdit>("Editaddress");
    Editaddress->setToolTip(tr("Several addresses are separated by commas"));
    EditSubject = named<QLineEdit>("EditSubject");
    Memo1 = named<QPlainTextEdit>("Memo1");
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ListBox1 = named<QListWidget>("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    Button2 = named<QPushButton>("Button2", tr("Select files"));
    Button4 = named<QPushButton>("Button4", tr("Delete a item"));

    auto* grid = new QGridLayout(TabMessage);
    grid->addWidget(labelFor(tr("To"), Editaddress), 0, 0);
    grid->addWidget(Editaddress, 0, 1, 1, 2);
    grid->addWidget(labelFor(tr("Subject"), EditSubject), 1, 0);
    grid->addWidget(EditSubject, 1, 1, 1, 2);
    grid->addWidget(labelFor(tr("Message"), Memo1), 2, 0, Qt::AlignTop);
    grid->addWidget(Memo1, 2, 1, 1, 2);
    grid->addWidget(labelFor(tr("Attachments"), ListBox1), 3, 0, Qt::AlignTop);
    grid->addWidget(ListBox1, 3, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Button2);
    buttons->addWidget(Button4);
    buttons->addStretch(1);
    grid->addLayout(buttons, 3, 2);
    grid->setRowStretch(2, 3);
    grid->setRowStretch(3, 2);
    return TabMessage;
}

QWidget* TFormEmail::buildAccountPage() {
    TabAccount = named<QWidget>("TabAccount");
    Editsender = named<QLineEdit>("Editsender");
    Editsmtp = named<QLineEdit>("Editsmtp");
    Editport = named<QLineEdit>("Editport");
    Editport->setMaximumWidth(90);
    cbtype = named<QComboBox>("cbtype");
    cbtype->addItems({tr("None"), tr("Simple Login")});
    Edituser = named<QLineEdit>("Edituser");
    Editpassword = named<QLineEdit>("Editpassword");
    Editpassword->setEchoMode(QLineEdit::Password);
    Editpassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    cbSecurity = named<QComboBox>("cbSecurity");
    cbSecurity->addItems({tr("None"), tr("STARTTLS (port 587)"), tr("SSL/TLS (port 465)")});
    cbSecurity->setToolTip(tr("With STARTTLS or SSL/TLS the password and the message are encrypted; nothing is sent "
                              "when the server cannot encrypt."));
    EditFingerprint = named<QLineEdit>("EditFingerprint");
    EditFingerprint->setPlaceholderText(tr("empty: the certificate must be one your system trusts"));
    EditFingerprint->setToolTip(tr("The SHA-256 fingerprint of your mail server's own certificate"));

    auto* form = new QFormLayout;
    form->addRow(labelFor(tr("Sender Address"), Editsender), Editsender);
    form->addRow(labelFor(tr("Smtp Server"), Editsmtp), Editsmtp);
    form->addRow(labelFor(tr("Connection Port"), Editport), Editport);
    form->addRow(labelFor(tr("Security"), cbSecurity), cbSecurity);
    form->addRow(labelFor(tr("Certificate SHA-256"), EditFingerprint), EditFingerprint);
    form->addRow(labelFor(tr("Login Type"), cbtype), cbtype);
    form->addRow(labelFor(tr("Account Name"), Edituser), Edituser);
    form->addRow(labelFor(tr("Password"), Editpassword), Editpassword);
    auto* layout = new QVBoxLayout(TabAccount);
    layout->addLayout(form);
    layout->addStretch(1);
    return TabAccount;
}

void TFormEmail::connectCommands() {
    connect(btnSend, &QToolButton::clicked, this, &TFormEmail::btnSendClick);
    connect(SpAbort, &QToolButton::clicked, this, &TFormEmail::SpAbortClick);
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { openHelp(HelpEmail, m_prompts); });
    connect(SpeedButton4, &QToolButton::clicked, this, &QDialog::close);
    connect(Button2, &QPushButton::clicked, this, &TFormEmail::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &TFormEmail::Button4Click);
    connect(Editaddress, &QLineEdit::textChanged, this, &TFormEmail::EditaddressChange);
    connect(cbSecurity, &QComboBox::currentIndexChanged, this, &TFormEmail::cbSecurityChange);
}

} // namespace quorvel::gui
