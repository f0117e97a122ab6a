#include "gui/ftp/form_ftp.h"

#include "core/ftp/ftp_client.h"
#include "core/ftp/ftp_local_names.h"
#include "core/ftp/ftp_site.h"
#include "core/net/cancel_token.h"
#include "core/util/date_time.h"
#include "core/util/strings.h"
#include "core/util/user_prompts.h"
#include "gui/dialogs/dialog_frame.h"
#include "gui/ftp/form_account.h"
#include "gui/ftp/ftp_worker.h"
#include "gui/ftp/transfer_list.h"
#include "gui/ftp/transfer_texts.h"
#include "gui/pages/restore_folder_field.h"
#include "gui/widgets/qt_text.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

namespace quorvel::gui {

namespace {

// The log keeps this many rows; older ones go first.
constexpr int MaxLogRows = 5000;
constexpr int ProgressSteps = 1000;

// The current folder and its listing, as a job leaves them.
void listCurrentFolder(TFtpClient& client, QString& folder, std::vector<TFtpListItem>& entries) {
    client.setTransferType(ftASCII);
    folder = qs(client.CurrentFolder());
    client.ListFolder(true);
    entries = client.FolderEntries().items();
}

QIcon iconFor(const QStyle* style, bool folder, const QString& name) {
    if (folder)
        return style->standardIcon(QStyle::SP_DirIcon);
    if (name.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive))
        return QIcon::fromTheme(QStringLiteral("package-x-generic"), style->standardIcon(QStyle::SP_DriveHDIcon));
    return style->standardIcon(QStyle::SP_FileIcon);
}

} // namespace

struct TFormFtp::RemoteView {
    bool listed = false;
    QString folder;
    std::vector<TFtpListItem> entries;

    void list(TFtpClient& client) {
        listCurrentFolder(client, folder, entries);
        listed = true;
    }
};

TFormFtp::TFormFtp(const std::filesystem::path& accountIni, UserPrompts& prompts, const QString& localFolder,
                   const QStringList& chosen, QWidget* parent)
    : QDialog(parent), m_accountIni(accountIni), m_prompts(prompts), m_archiveFolder(localFolder.trimmed()),
      m_chosen(chosen), m_worker(std::make_unique<FtpWorker>()),
      m_entries(std::make_unique<std::vector<TFtpListItem>>()) {
    buildWindow();
    connectCommands();
    connectWorker();
    askText = [this](const QString& caption, const QString& prompt, QString& text) {
        bool ok = false;
        text = QInputDialog::getText(this, caption, prompt, QLineEdit::Normal, text, &ok);
        return ok;
    };
    chooseFolder = [this](const QString& start) {
        return QFileDialog::getExistingDirectory(this, tr("Please select directory"), start);
    };
    fillSites();
    if (!m_archiveFolder.isEmpty() && QFileInfo(m_archiveFolder).isDir())
        ShellCombo1->setText(m_archiveFolder);
    RefreshLocalList();
    updateCommands();
}

TFormFtp::~TFormFtp() {
    if (m_cursorSet)
        QApplication::restoreOverrideCursor();
    // The worker goes first: it drops the connection and waits for its thread.
    m_worker.reset();
}

bool TFormFtp::busy() const {
    return m_worker->busy();
}

QString TFormFtp::localFolder() const {
    return ShellCombo1->text().trimmed();
}

void TFormFtp::connectWorker() {
    connect(m_worker.get(), &FtpWorker::status, this, &TFormFtp::onStatus);
    connect(m_worker.get(), &FtpWorker::traffic, this, [this](bool sent, const QByteArray& block) {
        for (const QString& row :
             logRows(sent ? QStringLiteral("->> ") : QStringLiteral("<<- "), QString::fromUtf8(block)))
            appendLog(row);
    });
    connect(m_worker.get(), &FtpWorker::disconnected, this,
            [this] { StatusText->setText(QStringLiteral("Disconnected.")); });
    connect(m_worker.get(), &FtpWorker::note, StatusText, &QLabel::setText);
    connect(m_worker.get(), &FtpWorker::expectedSize, this, [this](qint64 size) { m_expectedSize = size; });
    connect(m_worker.get(), &FtpWorker::workBegin, this, &TFormFtp::onWorkBegin);
    connect(m_worker.get(), &FtpWorker::work, this, &TFormFtp::onWork);
    connect(m_worker.get(), &FtpWorker::workEnd, this, &TFormFtp::onWorkEnd);
}

void TFormFtp::fillSites() {
    ComboBox1->clear();
    try {
        for (const std::string& label : FtpSiteStore(m_accountIni).labels())
            ComboBox1->addItem(qs(label));
    } catch (const std::exception& e) {
        m_prompts.showMessage(e.what(), MessageKind::Error);
    }
    if (ComboBox1->count() > 0)
        ComboBox1->setCurrentIndex(0);
}

void TFormFtp::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_positioned)
        return;
    m_positioned = true;
    centreOnScreen(this);
    move(x(), y() - 14);
}

void TFormFtp::closeEvent(QCloseEvent* event) {
    m_worker->abortTransfer();
    QDialog::closeEvent(event);
}

// --- running remote work ---------------------------------------------------------------------

void TFormFtp::runRemote(RemoteWork work, std::function<void(const FtpJobOutcome&)> after, bool quietErrors) {
    auto view = std::make_shared<RemoteView>();
    m_worker->run([work = std::move(work), view](TFtpClient& client) { work(client, *view); },
                  [this, view, after = std::move(after), quietErrors](const FtpJobOutcome& outcome) {
                      // A stop the user asked for is not an error to report.
                      const bool stopped = outcome.cancelled && (m_stopRequested || m_disconnecting);
                      if (m_disconnecting) // the Disconnect that follows decides what is shown
                          return;
                      const QString folderBefore = EditFolder->text();
                      m_connected = outcome.connected;
                      if (view->listed)
                          showRemote(*view);
                      if (!m_connected)
                          clearRemote();
                      if (!outcome.ok && !quietErrors && !stopped && outcome.fingerprint.isEmpty())
                          m_prompts.showMessage(ss(outcome.error), MessageKind::Error);
                      if (after)
                          after(outcome);
                      if (m_stopRequested && !busy())
                          recoverAfterStop(folderBefore);
                      updateCommands();
                  });
    updateCommands();
}

void TFormFtp::changeFolder(const QString& path, bool quietErrors) {
    const std::string target = ss(path);
    runRemote(
        [target](TFtpClient& client, RemoteView& view) {
            client.ChangeFolder(target);
            view.list(client);
        },
        {}, quietErrors);
}

void TFormFtp::showRemote(const RemoteView& view) {
    EditFolder->setText(view.folder);
    *m_entries = view.entries;
    DirectoryListBox->clear();
    for (const TFtpListItem& entry : *m_entries) {
        const QString name = qs(entry.fileName);
        const QString date = entry.hasDate() ? QStringLiteral("%1/%2/%3 %4:%5")
                                                   .arg(entry.modified.month, 2, 10, QLatin1Char('0'))
                                                   .arg(entry.modified.day, 2, 10, QLatin1Char('0'))
                                                   .arg(entry.modified.year, 4, 10, QLatin1Char('0'))
                                                   .arg(entry.modified.hour, 2, 10, QLatin1Char('0'))
                                                   .arg(entry.modified.minute, 2, 10, QLatin1Char('0'))
                                             : QString();
        DirectoryListBox->addRow(iconFor(style(), entry.isDirectory(), name), name, QString::number(entry.size), date);
    }
}

void TFormFtp::clearRemote() {
    EditFolder->setText(QStringLiteral("/"));
    m_entries->clear();
    DirectoryListBox->clear();
}

void TFormFtp::updateCommands() {
    const bool working = busy();
    SpAbort->setEnabled(working && !m_stopRequested);
    SpeedButton1->setEnabled(!working);
    SpeedButton2->setEnabled(!working);
    ComboBox1->setEnabled(!working);
    for (QToolButton* button : {Spupload, SpDownload, createbutton, btnUp})
        button->setEnabled(!working && m_connected);
}

// --- connecting ------------------------------------------------------------------------------

void TFormFtp::SpeedButton1Click() {
    if (busy())
        return;
    const QString label = ComboBox1->currentText().trimmed();
    if (label.isEmpty()) {
        if (m_connected)
            m_worker->run([](TFtpClient& client) { client.Logout(); });
        return;
    }
    connectToSite(label, QStringLiteral("/"));
}

void TFormFtp::connectToSite(const QString& label, const QString& folder) {
    FtpSite site;
    try {
        site = FtpSiteStore(m_accountIni).load(ss(label));
    } catch (const std::exception& e) {
        m_prompts.showMessage(e.what(), MessageKind::Error);
        return;
    }
    runRemote(
        [site, target = ss(folder)](TFtpClient& client, RemoteView& view) {
            if (client.Connected())
                client.Logout();
            configureClient(client, site);
            client.ConnectAndLogin(true);
            client.ChangeFolder(target);
            view.list(client);
        },
        [this, label, pinned = !site.fingerprint.empty()](const FtpJobOutcome& outcome) {
            if (!outcome.fingerprint.isEmpty()) {
                if (pinned)
                    m_prompts.showMessage(ss(outcome.error), MessageKind::Error);
                else
                    offerToPin(label, outcome.fingerprint, outcome.error);
            }
        });
}

void TFormFtp::offerToPin(const QString& label, const QString& fingerprint, const QString& error) {
    const std::string question = ss(error) +
                                 "\r\n\r\nA server of your own often has a certificate that no authority signed. "
                                 "If the fingerprint above is the one your server shows, it can be trusted for the "
                                 "site '" +
                                 ss(label) + "' from now on.\r\n\r\nTrust this certificate?";
    if (!m_prompts.askYesNo(question, MessageKind::Warning))
        return;
    try {
        FtpSiteStore store(m_accountIni);
        const std::vector<std::string> labels = store.labels();
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (!equalsIgnoreCase(trim(labels[i]), ss(label)))
                continue;
            FtpSite site = store.load(labels[i]);
            site.fingerprint = ss(fingerprint);
            store.replaceSite(i, site);
            connectToSite(label, QStringLiteral("/"));
            return;
        }
    } catch (const std::exception& e) {
        m_prompts.showMessage(e.what(), MessageKind::Error);
    }
}

void TFormFtp::SpeedButton3Click() {
    if (busy()) {
        m_disconnecting = true;
        m_worker->abortTransfer();
    }
    m_stopRequested = false;
    m_connected = false;
    m_worker->run([](TFtpClient& client) { client.Logout(); },
                  [this](const FtpJobOutcome& outcome) {
                      m_disconnecting = false;
                      m_connected = outcome.connected;
                      clearRemote();
                      updateCommands();
                  });
    clearRemote();
    ProgressBar1->setValue(0);
    updateCommands();
}

void TFormFtp::SpAbortClick() {
    SpAbort->setEnabled(false);
    StatusText->setText(QStringLiteral("Abort"));
    m_stopRequested = true;
    m_worker->abortTransfer();
}

void TFormFtp::recoverAfterStop(const QString& folder) {
    m_stopRequested = false;
    if (m_connected) {
        changeFolder(folder, true);
        return;
    }
    const QString label = ComboBox1->currentText().trimmed();
    if (!label.isEmpty())
        connectToSite(label, folder);
}

void TFormFtp::SpeedButton2Click() {
    TFormAccount account(m_accountIni, m_prompts, this);
    account.exec();
    fillSites();
    if (!m_archiveFolder.isEmpty() && QFileInfo(m_archiveFolder).isDir())
        ShellCombo1->setText(m_archiveFolder);
    RefreshLocalList();
}

// --- the remote pane -------------------------------------------------------------------------

void TFormFtp::DirectoryListBoxDblClick() {
    const int row = DirectoryListBox->currentIndex().row();
    if (!m_connected || busy() || row < 0 || static_cast<std::size_t>(row) >= m_entries->size())
        return;
    const TFtpListItem& entry = (*m_entries)[static_cast<std::size_t>(row)];
    if (entry.isDirectory())
        changeFolder(qs(entry.fileName));
}

void TFormFtp::btnUpClick() {
    if (!m_connected || busy())
        return;
    btnUp->setEnabled(false);
    changeFolder(QStringLiteral(".."), true);
}

void TFormFtp::createbuttonClick() {
    if (!m_connected || busy())
        return;
    QString name = QStringLiteral("New folder");
    if (!askText(QStringLiteral("Create Folder"), QStringLiteral("Please eneter a folder name "), name) ||
        name.trimmed().isEmpty() || !m_connected || busy())
        return;
    runRemote([folder = ss(name)](TFtpClient& client, RemoteView& view) {
        client.CreateFolder(folder);
        client.ChangeFolder(client.CurrentFolder());
        view.list(client);
    });
}

void TFormFtp::DeleteRemoteClick() {
    const QList<int> rows = DirectoryListBox->selectedRows();
    if (!m_connected || busy() || rows.isEmpty())
        return;
    if (!m_prompts.askYesNo("Do you want to delete the " + std::to_string(rows.size()) + " files?",
                            MessageKind::Warning))
        return;
    std::vector<TFtpListItem> chosen;
    for (const int row : rows)
        if (static_cast<std::size_t>(row) < m_entries->size())
            chosen.push_back((*m_entries)[static_cast<std::size_t>(row)]);
    auto errors = std::make_shared<std::vector<std::string>>();
    runRemote(
        [chosen, errors](TFtpClient& client, RemoteView& view) {
            for (const TFtpListItem& entry : chosen) {
                try {
                    if (entry.isDirectory())
                        client.RemoveFolder(entry.fileName);
                    else
                        client.RemoveFile(entry.fileName);
                } catch (const ProtocolError& e) {
                    errors->push_back(e.what());
                } catch (const NetError& e) {
                    if (e.kind() != NetErrorKind::Refused)
                        throw;
                    errors->push_back(e.what());
                }
            }
            client.ChangeFolder(client.CurrentFolder());
            view.list(client);
        },
        [this, errors](const FtpJobOutcome&) {
            for (const std::string& error : *errors)
                m_prompts.showMessage(error, MessageKind::Error);
        });
}

// --- transfers -------------------------------------------------------------------------------

void TFormFtp::SpuploadClick() {
    if (busy() || !m_connected || ListBoxsource->topLevelItemCount() == 0)
        return;
    const QDir folder(localFolder());
    std::vector<std::pair<std::string, std::string>> files; // local path, remote name
    for (const int row : ListBoxsource->selectedRows()) {
        if (row >= m_localNames.size())
            continue;
        const QString name = m_localNames[row];
        const QString path = folder.filePath(name);
        if (!QFileInfo(path).isFile()) {
            m_prompts.showMessage("Folder '" + ss(path) + "' can not be upload!", MessageKind::Error);
            continue;
        }
        const auto same = std::find_if(m_entries->begin(), m_entries->end(), [&](const TFtpListItem& entry) {
            return equalsIgnoreCase(entry.fileName, ss(name));
        });
        if (same != m_entries->end() &&
            !m_prompts.askYesNo("File '" + ss(name) + "' in remote folder already exists, Overwrite?",
                                MessageKind::Warning))
            continue;
        files.emplace_back(ss(path), ss(name));
    }
    if (files.empty())
        return;
    FtpWorker* worker = m_worker.get();
    runRemote([files, worker](TFtpClient& client, RemoteView& view) {
        client.setTransferType(ftBinary);
        try {
            for (const auto& [path, name] : files) {
                emit worker->note(QStringLiteral("Upload... "));
                client.UploadFile(path, name, false);
            }
        } catch (...) {
            // What did arrive is shown, unless the connection is gone or the user stopped.
            if (client.Connected() && !client.cancelToken().cancelled()) {
                try {
                    view.list(client);
                } catch (const std::exception&) {
                }
            }
            throw;
        }
        client.ChangeFolder(client.CurrentFolder());
        view.list(client);
    });
}

void TFormFtp::SpDownloadClick() {
    if (busy() || !m_connected || m_entries->empty())
        return;
    const QDir folder(localFolder());
    std::vector<std::pair<std::string, std::string>> files; // remote name, local path
    for (const int row : DirectoryListBox->selectedRows()) {
        if (static_cast<std::size_t>(row) >= m_entries->size())
            continue;
        const TFtpListItem& entry = (*m_entries)[static_cast<std::size_t>(row)];
        if (entry.isDirectory()) {
            m_prompts.showMessage("Folder '" + entry.fileName + "' can not be download!", MessageKind::Error);
            continue;
        }
        if (!isSafeLocalName(entry.fileName)) {
            m_prompts.showMessage("'" + entry.fileName + "' cannot be saved as a local file.", MessageKind::Error);
            continue;
        }
        const QString target = folder.filePath(qs(entry.fileName));
        if (QFileInfo::exists(target) &&
            !m_prompts.askYesNo("File '" + ss(target) + "' already exists! Overwrite?", MessageKind::Warning))
            continue;
        files.emplace_back(entry.fileName, ss(target));
    }
    if (files.empty())
        return;
    FtpWorker* worker = m_worker.get();
    runRemote(
        [files, worker](TFtpClient& client, RemoteView&) {
            for (const auto& [name, target] : files) {
                client.setTransferType(ftBinary);
                emit worker->expectedSize(client.RemoteFileSize(name));
                client.DownloadFile(name, target, true, false);
            }
        },
        [this](const FtpJobOutcome&) { RefreshLocalList(); });
}

// --- the local pane --------------------------------------------------------------------------

void TFormFtp::RefreshLocalList() {
    ListBoxsource->clear();
    m_localNames.clear();
    const QString path = localFolder();
    if (path.isEmpty())
        return;
    const QDir folder(path);
    const QFileInfoList entries = folder.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : entries) {
        m_localNames.append(info.fileName());
        const bool isFolder = info.isDir();
        const DateTime modified = fromTimeT(static_cast<std::time_t>(info.lastModified().toSecsSinceEpoch()));
        ListBoxsource->addRow(iconFor(style(), isFolder, info.fileName()), info.fileName(),
                              isFolder ? QString() : QString::number(info.size()), qs(formatDateTimeShort(modified)));
    }
    // The archives chosen on the Restore page are selected the first time.
    for (const QString& name : std::exchange(m_chosen, {})) {
        const qsizetype row = m_localNames.indexOf(name);
        if (row >= 0)
            ListBoxsource->topLevelItem(static_cast<int>(row))->setSelected(true);
    }
}

void TFormFtp::ListBoxsourceDblClick() {
    const int row = ListBoxsource->currentIndex().row();
    if (row < 0 || row >= m_localNames.size())
        return;
    const QString path = QDir(localFolder()).filePath(m_localNames[row]);
    if (!QFileInfo(path).isDir())
        return;
    ShellCombo1->setText(QDir::cleanPath(path));
    RefreshLocalList();
}

void TFormFtp::SpeedButton4Click() {
    QDir folder(localFolder());
    if (!folder.cdUp())
        return;
    ShellCombo1->setText(folder.absolutePath());
    RefreshLocalList();
}

void TFormFtp::DeleteLocalClick() {
    const QList<int> rows = ListBoxsource->selectedRows();
    if (rows.isEmpty())
        return;
    if (!m_prompts.askYesNo("Do you want to delete the " + std::to_string(rows.size()) + " files ",
                            MessageKind::Warning))
        return;
    const QDir folder(localFolder());
    for (const int row : rows) {
        const QString path = folder.filePath(m_localNames.value(row));
        if (QFileInfo(path).isFile())
            QFile::remove(path);
    }
    RefreshLocalList();
}

// --- status, log and progress ----------------------------------------------------------------

void TFormFtp::appendLog(const QString& row) {
    auto* item = new QListWidgetItem(row);
    item->setForeground(isSentRow(row) ? QColor(Qt::red) : QColor(Qt::blue));
    DebugListBox->addItem(item);
    while (DebugListBox->count() > MaxLogRows)
        delete DebugListBox->takeItem(0);
    DebugListBox->setCurrentItem(item);
}

void TFormFtp::onStatus(const QString& text) {
    appendLog(text);
    StatusText->setText(text);
}

void TFormFtp::onWorkBegin(int, qint64 total) {
    if (!m_cursorSet) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        m_cursorSet = true;
    }
    m_transferClock.start();
    m_progressMaximum = total >= 1 ? total : m_expectedSize;
    // Without a size the bar shows that something moves rather than how much is left.
    ProgressBar1->setRange(0, m_progressMaximum > 0 ? ProgressSteps : 0);
    ProgressBar1->setValue(0);
}

void TFormFtp::onWork(int mode, qint64 count) {
    StatusText->setText(speedText(mode == wmRead, count, m_progressMaximum, m_transferClock.elapsed()));
    if (m_progressMaximum > 0)
        ProgressBar1->setValue(
            static_cast<int>(std::min<qint64>(count, m_progressMaximum) * ProgressSteps / m_progressMaximum));
}

void TFormFtp::onWorkEnd() {
    if (m_cursorSet) {
        QApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
    StatusText->setText(QStringLiteral("Transfer complete."));
    m_expectedSize = 0;
    m_progressMaximum = 0;
    ProgressBar1->setRange(0, ProgressSteps);
    ProgressBar1->setValue(0);
}

} // namespace quorvel::gui
