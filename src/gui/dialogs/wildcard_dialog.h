#pragma once

#include "core/util/user_prompts.h"

#include <QDialog>
#include <filesystem>

class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace quorvel::gui {

inline constexpr int HelpEditWildcard = 801;

// "Edit Wildcard": the wildcard library, edited in a list and stored only by OK.
class TFormWildcard final : public QDialog {
    Q_OBJECT
public:
    TFormWildcard(std::filesystem::path projectIni, UserPrompts& prompts, QWidget* parent = nullptr);

    QListWidget* ListBox1;
    QLineEdit* Edit1;
    QToolButton* SpNew;
    QToolButton* Button4;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton2;
    QPushButton* Button1;
    QPushButton* btnOk;
    QPushButton* Button3;

public slots:
    void SpNewClick();
    void Button4Click();
    void btnOkClick();

private:
    std::filesystem::path m_projectIni;
    UserPrompts& m_prompts;
};

} // namespace quorvel::gui
