#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QStatusBar;
class QToolButton;

namespace quorvel {
class TFtpClient;
class UserPrompts;
struct TFtpListItem;
} // namespace quorvel

namespace quorvel::gui {

class FolderField;
class FtpWorker;
class TransferList;
struct FtpJobOutcome;

// "FTP": a local folder on the left, a folder of an FTP site on the right, transfers between
// them, and the dialogue with the server in a log. The client works on a thread of its own
// (FtpWorker), so the window answers while it waits on the network: Stop and Disconnect work
// in the middle of a transfer. Closing the window drops the connection.
class TFormFtp final : public QDialog {
    Q_OBJECT
public:
    // `localFolder`: where the left pane starts (when it exists); `chosen`: names in it to select.
    TFormFtp(const std::filesystem::path& accountIni, UserPrompts& prompts, const QString& localFolder,
             const QStringList& chosen = {}, QWidget* parent = nullptr);
    ~TFormFtp() override;

    QComboBox* ComboBox1;
    QToolButton* SpeedButton2; // Set Account
    QToolButton* SpeedButton1; // Connect
    QToolButton* SpeedButton3; // Disconnect
    QToolButton* Spupload;
    QToolButton* SpDownload;
    QToolButton* SpAbort;
    QToolButton* SpeedButton5; // Help
    QToolButton* SpExit;
    FolderField* ShellCombo1;
    QToolButton* SpeedButton4; // local Up Directory
    TransferList* ListBoxsource;
    QLineEdit* EditFolder;
    QToolButton* btnUp;
    QToolButton* createbutton;
    TransferList* DirectoryListBox;
    QListWidget* DebugListBox;
    QStatusBar* StatusBar1;
    QProgressBar* ProgressBar1;
    QLabel* StatusText; // status panel 1
    QMenu* pmenuSource;
    QMenu* pmDesc;
    QMenu* pmenuClear;

    // Seams for tests: the text input box and the folder chooser.
    std::function<bool(const QString& caption, const QString& prompt, QString& text)> askText;
    std::function<QString(const QString& start)> chooseFolder;

    bool connected() const { return m_connected; }
    bool busy() const;
    QString localFolder() const;
    const std::vector<TFtpListItem>& remoteEntries() const { return *m_entries; }

public slots:
    void SpeedButton1Click(); // Connect
    void SpeedButton3Click(); // Disconnect
    void SpuploadClick();
    void SpDownloadClick();
    void SpAbortClick();
    void SpeedButton2Click(); // Set Account
    void SpeedButton4Click(); // local up
    void btnUpClick();
    void createbuttonClick();
    void DirectoryListBoxDblClick();
    void ListBoxsourceDblClick();
    void DeleteRemoteClick();
    void DeleteLocalClick();
    void RefreshLocalList();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct RemoteView;
    void buildWindow();
    QWidget* buildLocalPane();
    QWidget* buildRemotePane();
    void buildMenus();
    void connectCommands();
    void connectWorker();
    void fillSites();

    // Runs remote work on the FTP thread, then shows the folder it listed and any error.
    using RemoteWork = std::function<void(TFtpClient& client, RemoteView& view)>;
    void runRemote(RemoteWork work, std::function<void(const FtpJobOutcome&)> after = {}, bool quietErrors = false);
    void connectToSite(const QString& label, const QString& folder);
    void changeFolder(const QString& path, bool quietErrors = false);
    void showRemote(const RemoteView& view);
    void clearRemote();
    void updateCommands();
    void recoverAfterStop(const QString& folder);
    void offerToPin(const QString& label, const QString& fingerprint, const QString& error);

    void appendLog(const QString& row);
    void onStatus(const QString& text);
    void onWorkBegin(int mode, qint64 total);
    void onWork(int mode, qint64 count);
    void onWorkEnd();

    std::filesystem::path m_accountIni;
    UserPrompts& m_prompts;
    QString m_archiveFolder;
    QStringList m_chosen;
    std::unique_ptr<FtpWorker> m_worker;
    std::unique_ptr<std::vector<TFtpListItem>> m_entries;
    QStringList m_localNames;
    bool m_connected = false;
    bool m_stopRequested = false; // Stop was pressed: a cancelled job is no error, the view recovers
    bool m_disconnecting = false; // Disconnect was pressed during a job
    bool m_positioned = false;
    bool m_cursorSet = false;
    qint64 m_expectedSize = 0;
    qint64 m_progressMaximum = 0;
    QElapsedTimer m_transferClock;
};

} // namespace quorvel::gui
