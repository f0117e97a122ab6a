#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

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

    // Empties the file name, shows or hides the labels and bars, and sets both bars to 0.
    void setShown(bool shown);
    void setTotalPercent(int percent);
    void setFilePercent(int percent);
    void setFileName(const QString& name);
};

} // namespace quorvel::gui
