#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvel::gui {

// The project name dialog of Rename Project and Copy Project. The caller sets the caption and
// the name, and reads the name back only after the OK result.
class TFormRename : public QDialog {
    Q_OBJECT
public:
    explicit TFormRename(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* EditProjName = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

public slots:
    // Closes with OK only for a name that is not blank; otherwise warns and stays open.
    void ButtonOkClick();
};

} // namespace quorvel::gui
