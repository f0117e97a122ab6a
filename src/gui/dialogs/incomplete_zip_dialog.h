#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace quorvel::gui {

// How the reader is to treat an archive that ends before its directory. The values mirror the
// reader's incomplete-archive modes: AssumeMulti = izAssumeMulti (the last disk of a spanned
// set is wanted), AssumeBad = izAssumeBad (recover what can be read), AssumeNotAZip =
// izAssumeNotAZip (give up).
enum class IncompleteZipAnswer { AssumeMulti, AssumeBad, AssumeNotAZip };

// Asks the user what an incomplete archive is. Results: "MultiZip" gives Accepted (OK),
// "Recover" gives RetryResult, "Cancel", Esc and the close box give Rejected.
class TIncompleteZipDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int RetryResult = 4;

    explicit TIncompleteZipDlg(QWidget* parent = nullptr);

    static IncompleteZipAnswer answerFor(int result);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* CancelBtn = nullptr;

    // Sounded each time the dialog becomes the active window.
    std::function<void()> beep;

protected:
    void changeEvent(QEvent* event) override;
};

// Shows the dialog modally and returns the answer for the reader.
IncompleteZipAnswer askIncompleteZip(QWidget* parent);

} // namespace quorvel::gui
