#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;
class QToolButton;
class QWidget;

namespace quorvel {
class FtpSiteStore;
class UserPrompts;
struct FtpSite;
} // namespace quorvel

namespace quorvel::gui {

// "Site Settings": the FTP sites of account.ini, created, edited and deleted one at a time.
// Every save and delete is written to the file at once; closing discards an unsaved edit.
class TFormAccount final : public QDialog {
    Q_OBJECT
public:
    TFormAccount(const std::filesystem::path& accountIni, UserPrompts& prompts, QWidget* parent = nullptr);
    ~TFormAccount() override;

    QToolButton* SpNew;
    QToolButton* SpEdit;
    QToolButton* SpDelete;
    QToolButton* SpSave;
    QToolButton* SpCancel;
    QToolButton* SpeedButton1; // help
    QToolButton* SpExit;
    QWidget* Panleft;
    QWidget* PanRight;
    QListWidget* ListBox1;
    QLineEdit* EditLable;
    QLineEdit* Edithost;
    QLineEdit* EditUser;
    QLineEdit* Editpassword;
    QLineEdit* Editport;
    QRadioButton* rbNormal;
    QRadioButton* rbAny;
    QCheckBox* CheckBox1; // "Use Passive Transfer"
    QCheckBox* CheckBoxTls;
    QLineEdit* EditFingerprint;
    QSpinBox* SpinTimeout;

    bool editing() const { return m_editing; }

public slots:
    void FormShow();
    void ListBox1Click();
    void SpNewClick();
    void SpEditClick();
    void SpSaveClick();
    void SpCancelClick();
    void SpDeleteClick();

private:
    QWidget* buildList();
    QWidget* buildFields();
    void setEditing(bool editing);
    void showSite(const FtpSite& site);
    void showDefaults(const QString& label);
    FtpSite siteFromFields() const;

    std::unique_ptr<FtpSiteStore> m_store;
    UserPrompts& m_prompts;
    bool m_editing = false;
    bool m_newSite = false;
};

} // namespace quorvel::gui
