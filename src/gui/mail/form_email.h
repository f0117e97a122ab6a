#pragma once

#include <QDialog>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QToolButton;

// Core headers stay out of here: the meta-object compiler cannot read headers that reach <compare>.
namespace quorvel {
class CancelToken;
class UserPrompts;
struct EmailAccount;
class TMailMessage;
} // namespace quorvel

namespace quorvel::gui {

class BackgroundTask;

// The help book's section on sending files by email.
inline constexpr int HelpEmail = 91;

// "Send By Email": one message with files attached, and the email account it goes through. The
// message is sent on a worker thread, so the window answers while it waits on the network:
// Stop ends a send at once. Closing the window writes the account back to account.ini.
class TFormEmail final : public QDialog {
    Q_OBJECT
public:
    // `attachments`: full paths of the files the attachment list starts with.
    TFormEmail(const std::filesystem::path& accountIni, UserPrompts& prompts, const QStringList& attachments = {},
               QWidget* parent = nullptr);
    ~TFormEmail() override;

    QToolButton* btnSend;
    QToolButton* SpAbort;
    QToolButton* SpeedButton3; // Help
    QToolButton* SpeedButton4; // Exit
    QTabWidget* PageControl1;
    QWidget* TabMessage;
    QLineEdit* Editaddress;
    QLineEdit* EditSubject;
    QPlainTextEdit* Memo1;
    QListWidget* ListBox1;
    QPushButton* Button2; // Select files
    QPushButton* Button4; // Delete a item
    QWidget* TabAccount;
    QLineEdit* Editsender;
    QLineEdit* Editsmtp;
    QLineEdit* Editport;
    QComboBox* cbtype;
    QLineEdit* Edituser;
    QLineEdit* Editpassword;
    QComboBox* cbSecurity;
    QLineEdit* EditFingerprint;
    QStatusBar* StatusBar1;
    QProgressBar* ProgressBar1;
    QLabel* StatusText; // status panel 1

    // Seam for tests: the file chooser of "Select files" (full paths; empty when cancelled).
    std::function<QStringList()> chooseFiles;

    bool sending() const;
    // The account as the "Account" page shows it.
    EmailAccount account() const;

public slots:
    void btnSendClick();
    void SpAbortClick();
    void Button2Click();
    void Button4Click();
    void EditaddressChange();
    void cbSecurityChange(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildWindow();
    QWidget* buildMessagePage();
    QWidget* buildAccountPage();
    void connectCommands();
    void showAccount(const EmailAccount& account);
    TMailMessage buildMessage() const;
    void send(const TMailMessage& message);
    void finishSend(bool completed);
    void offerToPin(const QString& error, const QString& fingerprint);
    void saveAccount();

    void onWorkBegin(qint64 total);
    void onWork(qint64 count);
    void onWorkEnd();

    std::filesystem::path m_accountIni;
    UserPrompts& m_prompts;
    std::unique_ptr<BackgroundTask> m_task;
    std::shared_ptr<CancelToken> m_cancel;
    struct SendState;
    std::shared_ptr<SendState> m_send; // what the send on the worker leaves for the window
    bool m_stopRequested = false;
    bool m_cursorSet = false;
    bool m_focused = false;
    bool m_closed = false;
    int m_lastSecurity = 0;
    qint64 m_progressMaximum = 0;
};

} // namespace quorvel::gui
