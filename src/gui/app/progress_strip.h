#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvel::gui {

// The strip along the bottom of the main window that shows the progress of a backup or restore.
class ProgressStrip final : public QWidget {
    Q_OBJECT
public:
    explicit ProgressStrip(QWidget* parent = nullptr);

    QLabel* LabelTotal;
    QProgressBar* ProgressBarTotal;
    QLabel* LabelCurrent;
    QProgressBar* ProgressBarCurrent;
    QLabel* LabelFilename;
    // Shown with the bars: asks the work under way to stop (a long upload to a slow server must not
    // hold the window until it ends). Pressed once, it stays disabled until the strip is shown again.
    QPushButton* ButtonStop;

    // Empties the file name, shows or hides the labels and bars, and sets both bars to 0.
    void setShown(bool shown);
    void setTotalPercent(int percent);
    void setFilePercent(int percent);
    void setFileName(const QString& name);

signals:
    void stopRequested();
};

} // namespace quorvel::gui
