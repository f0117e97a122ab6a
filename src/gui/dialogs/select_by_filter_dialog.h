#pragma once

#include "core/util/user_prompts.h"

#include <QDialog>
#include <filesystem>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QToolButton;
class QTreeView;

namespace quorvel::gui {

inline constexpr int HelpSelectByFilter = 302;

// "Select files by wildcard": a folder of the file system and a file mask from the wildcard
// library (or typed), which the caller turns into one item of a backup or exclusion list.
class TFormselectbyfilter final : public QDialog {
    Q_OBJECT
public:
    TFormselectbyfilter(std::filesystem::path projectIni, UserPrompts& prompts, QWidget* parent = nullptr);

    QTreeView* ShellTree1;
    QLabel* labFolder;
    QComboBox* ComboBox1;
    QToolButton* SpeedButton1;
    QPushButton* Button1;
    QPushButton* Button2;

    // The chosen folder's path (empty when none is chosen).
    QString folder() const;
    // Selects the folder in the tree and shows it.
    void setFolder(const QString& path);

public slots:
    void SpeedButton1Click();
    void Button1Click();

private:
    void fillMasks();

    std::filesystem::path m_projectIni;
    UserPrompts& m_prompts;
    QFileSystemModel* m_model;
};

} // namespace quorvel::gui
