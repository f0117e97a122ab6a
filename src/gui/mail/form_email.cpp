#include "gui/mail/form_email.h"

#include "core/mail/email_account.h"
#include "core/mail/mail_message.h"
#include "core/mail/smtp_client.h"
#include "core/net/cancel_token.h"
#include "core/util/strings.h"
#include "core/util/user_prompts.h"
#include "gui/app/background_task.h"
#include "gui/widgets/guarded.h"
#include "gui/widgets/qt_text.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QToolButton>

namespace quorvel::gui {

namespace {

constexpr int ProgressSteps = 1000;
// Progress reaches the window this often at most.
constexpr qint64 ProgressIntervalMs = 100;
const char* const SentMessage = "The email has been sent!";
constexpr int SentMessageSeconds = 6;

MailSecurity securityAt(int index) {
    return index == 1 ? MailSecurity::StartTls : index == 2 ? MailSecurity::Tls : MailSecurity::None;
}

} // namespace

// What a send on the worker leaves for the window.
struct TFormEmail::SendState {
    bool sent = false;
    bool stopped = false;
    QString certificateError;
    QString fingerprint;
};

TFormEmail::TFormEmail(const std::filesystem::path& accountIni, UserPrompts& prompts, const QStringList& attachments,
                       QWidget* parent)
    : QDialog(parent), m_accountIni(accountIni), m_prompts(prompts), m_task(std::make_unique<BackgroundTask>(prompts)),
      m_cancel(std::make_shared<CancelToken>()) {
    buildWindow();
    connectCommands();
    chooseFiles = [this] { return QFileDialog::getOpenFileNames(this, tr("Select files")); };
    EmailAccount stored;
    runGuarded(m_prompts, [&] { stored = loadEmailAccount(m_accountIni); });
    showAccount(stored);
    Editaddress->setText(qs(stored.sendTo));
    Memo1->setPlainText(QStringLiteral("Hello,\n\n\nBest regards,\n") + qs(trim(stored.user)) +
                        QString(32, QLatin1Char(' ')) + qs(trim(stored.senderEmail)));
    for (const QString& path : attachments)
        ListBox1->addItem(path);
    PageControl1->setCurrentWidget(TabMessage);
    EditaddressChange();
}

TFormEmail::~TFormEmail() {
    if (m_cursorSet)
        QApplication::restoreOverrideCursor();
    m_cancel->close();
    m_task.reset();
}

bool TFormEmail::sending() const {
    return m_task->isRunning();
}

void TFormEmail::showAccount(const EmailAccount& account) {
    Editsender->setText(qs(account.senderEmail));
    Editsmtp->setText(qs(account.smtp));
    Editport->setText(qs(account.port));
    cbtype->setCurrentIndex(account.type);
    Edituser->setText(qs(account.user));
    Editpassword->setText(qs(account.password));
    m_lastSecurity = static_cast<int>(account.security);
    cbSecurity->setCurrentIndex(m_lastSecurity);
    EditFingerprint->setText(qs(account.fingerprint));
}

EmailAccount TFormEmail::account() const {
    EmailAccount account;
    account.senderEmail = ss(Editsender->text());
    account.smtp = ss(Editsmtp->text());
    account.port = ss(Editport->text());
    account.type = cbtype->currentIndex() == 0 ? 0 : 1;
    account.user = ss(Edituser->text());
    account.password = ss(Editpassword->text());
    account.sendTo = ss(Editaddress->text());
    account.security = securityAt(cbSecurity->currentIndex());
    account.fingerprint = ss(EditFingerprint->text());
    return account;
}

void TFormEmail::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_closed = false;
    if (std::exchange(m_focused, true))
        return;
    Editaddress->setFocus();
}

void TFormEmail::EditaddressChange() {
    btnSend->setEnabled(!Editaddress->text().trimmed().isEmpty() && !sending());
}

void TFormEmail::cbSecurityChange(int index) {
    // A port left at the standard of the old choice follows to the standard of the new one.
    const bool standard = parseInt(ss(Editport->text())) == standardPort(securityAt(m_lastSecurity));
    if (standard)
        Editport->setText(QString::number(standardPort(securityAt(index))));
    m_lastSecurity = index;
}

void TFormEmail::Button2Click() {
    const QStringList chosen = chooseFiles();
    for (const QString& path : chosen)
        ListBox1->addItem(QFileInfo(path).absoluteFilePath());
    if (!chosen.isEmpty())
        ListBox1->setCurrentRow(ListBox1->count() - 1);
}

void TFormEmail::Button4Click() {
    const int row = ListBox1->currentRow();
    if (row < 0 || ListBox1->currentItem() == nullptr || !ListBox1->currentItem()->isSelected())
        return;
    delete ListBox1->takeItem(row);
    if (ListBox1->count() > 0)
        ListBox1->setCurrentRow(std::max(row - 1, 0));
    else
        ListBox1->setCurrentRow(-1);
}

TMailMessage TFormEmail::buildMessage() const {
    TMailMessage message;
    message.setBodyText(ss(Memo1->toPlainText()));
    message.From = TEmailAddressItem::parse(trim(ss(Editsender->text())));
    message.ReplyTo = parseAddressList(trim(ss(Editsender->text())));
    message.Recipients = parseAddressList(trim(ss(Editaddress->text())));
    message.Subject = ss(EditSubject->text());
    message.ContentType = "text/plain";
    for (int row = 0; row < ListBox1->count(); ++row)
        message.Attachments.emplace_back(ss(ListBox1->item(row)->text()));
    return message;
}

void TFormEmail::btnSendClick() {
    if (sending() || Editaddress->text().trimmed().isEmpty())
        return;
    runGuarded(m_prompts, [this] {
        TMailMessage message = buildMessage();
        // Addresses, the subject and the files are checked before anything reaches the server.
        checkMessage(message);
        send(message);
    });
}

void TFormEmail::send(const TMailMessage& message) {
    const EmailAccount settings = account();
    auto state = std::make_shared<SendState>();
    m_send = state;
    m_stopRequested = false;
    m_cancel->reset();
    btnSend->setEnabled(false);
    // Stop works from the start: a server that does not answer is stopped like a slow send.
    SpAbort->setEnabled(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_cursorSet = true;
    StatusText->clear();
    BackgroundTask* task = m_task.get();
    m_task->start(
        tr("Sending the email"),
        [this, task, settings, message, state, cancel = m_cancel] {
            TSmtpClient client;
            configureClient(client, settings);
            client.setCancelToken(cancel);
            client.OnStatus = [this, task](const std::string& text) {
                task->postToWindow([this, text = qs(text)] { StatusText->setText(text); });
            };
            client.OnDisconnected = [this, task] {
                task->postToWindow([this] { StatusText->setText(QStringLiteral("Disconnected")); });
            };
            auto clock = std::make_shared<QElapsedTimer>();
            client.OnWorkBegin = [this, task, clock](TWorkMode, std::int64_t total) {
                clock->start();
                task->postToWindow([this, total] { onWorkBegin(total); });
            };
            client.OnWork = [this, task, clock](TWorkMode, std::int64_t count) {
                if (clock->elapsed() < ProgressIntervalMs)
                    return;
                clock->restart();
                task->postToWindow([this, count] { onWork(count); });
            };
            client.OnWorkEnd = [this, task](TWorkMode) { task->postToWindow([this] { onWorkEnd(); }); };
            try {
                sendOnNewConnection(client, message);
                state->sent = true;
            } catch (const CertificateError& e) {
                state->certificateError = qs(e.what());
                state->fingerprint = qs(e.fingerprint());
            } catch (const NetError& e) {
                // A stop asked for is no error to report.
                if (e.kind() != NetErrorKind::Cancelled || !cancel->cancelled())
                    throw;
                state->stopped = true;
            }
        },
        [this, state](bool completed) { finishSend(completed && state->sent); });
}

void TFormEmail::finishSend(bool sent) {
    if (m_cursorSet) {
        QApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
    SpAbort->setEnabled(false);
    EditaddressChange();
    ProgressBar1->setRange(0, ProgressSteps);
    ProgressBar1->setValue(0);
    const std::shared_ptr<SendState> state = std::exchange(m_send, nullptr);
    if (sent) {
        m_prompts.showTimedMessage(SentMessage, MessageKind::Information, SentMessageSeconds);
        return;
    }
    if (state && state->stopped)
        StatusText->setText(tr("Stopped: the message was not sent."));
    else if (state && !state->certificateError.isEmpty())
        offerToPin(state->certificateError, state->fingerprint);
}

void TFormEmail::offerToPin(const QString& error, const QString& fingerprint) {
    if (fingerprint.isEmpty()) {
        m_prompts.showMessage(ss(error), MessageKind::Error);
        return;
    }
    const std::string question = ss(error) +
                                 "\r\n\r\nA mail server of your own often has a certificate that no authority signed. "
                                 "If the fingerprint above is the one your server shows, it can be trusted from now "
                                 "on.\r\n\r\nTrust this certificate and send the message?";
    if (!m_prompts.askYesNo(question, MessageKind::Warning))
        return;
    EditFingerprint->setText(fingerprint);
    saveAccount();
    btnSendClick();
}

void TFormEmail::SpAbortClick() {
    if (!sending())
        return;
    m_stopRequested = true;
    SpAbort->setEnabled(false);
    m_cancel->cancel();
}

void TFormEmail::onWorkBegin(qint64 total) {
    if (total <= 0) {
        // Without the size of the message the files give the measure.
        total = 1024;
        for (int row = 0; row < ListBox1->count(); ++row)
            total += QFileInfo(ListBox1->item(row)->text()).size();
    }
    m_progressMaximum = total;
    ProgressBar1->setRange(0, ProgressSteps);
    ProgressBar1->setValue(0);
}

void TFormEmail::onWork(qint64 count) {
    if (m_progressMaximum > 0)
        ProgressBar1->setValue(
            static_cast<int>(std::min<qint64>(count, m_progressMaximum) * ProgressSteps / m_progressMaximum));
}

void TFormEmail::onWorkEnd() {
    StatusText->setText(QStringLiteral("Send Complete"));
    ProgressBar1->setValue(0);
}

void TFormEmail::saveAccount() {
    runGuarded(m_prompts, [this] { saveEmailAccount(m_accountIni, account()); });
}

void TFormEmail::done(int result) {
    if (!std::exchange(m_closed, true)) {
        // A send still under way ends here: the message is not completed at the server.
        m_cancel->close();
        m_task->cancelAndWait();
        if (m_cursorSet) {
            QApplication::restoreOverrideCursor();
            m_cursorSet = false;
        }
        saveAccount();
    }
    QDialog::done(result);
}

} // namespace quorvel::gui
