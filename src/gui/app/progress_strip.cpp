#include "gui/app/progress_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace quorvel::gui {

namespace {

QProgressBar* bar(const char* name) {
    auto* progress = new QProgressBar;
    progress->setObjectName(QString::fromLatin1(name));
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setFixedWidth(180);
    return progress;
}

QLabel* label(const char* name, const QString& text) {
    auto* l = new QLabel(text);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

ProgressStrip::ProgressStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("progressStrip"));
    LabelTotal = label("LabelTotal", tr("Total:"));
    ProgressBarTotal = bar("ProgressBarTotal");
    LabelCurrent = label("LabelCurrent", tr("Current:"));
    ProgressBarCurrent = bar("ProgressBarCurrent");
    LabelFilename = label("LabelFilename", tr("Filename"));
    LabelFilename->setMinimumWidth(50);
    ButtonStop = new QPushButton(tr("Stop"));
    ButtonStop->setObjectName(QStringLiteral("ButtonStop"));
    ButtonStop->setToolTip(tr("Stop the backup, restore or upload under way"));
    connect(ButtonStop, &QPushButton::clicked, this, [this] {
        ButtonStop->setEnabled(false);
        emit stopRequested();
    });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 4);
    layout->addWidget(LabelTotal);
    layout->addWidget(ProgressBarTotal);
    layout->addSpacing(12);
    layout->addWidget(LabelCurrent);
    layout->addWidget(ProgressBarCurrent);
    layout->addSpacing(12);
    layout->addWidget(LabelFilename, 1);
    layout->addWidget(ButtonStop);
    // The strip keeps its height while hidden, so the pages do not jump when a run starts.
    setFixedHeight(sizeHint().height());
}

void ProgressStrip::setShown(bool shown) {
    LabelFilename->clear();
    for (QWidget* w : {static_cast<QWidget*>(LabelTotal), static_cast<QWidget*>(ProgressBarTotal),
                       static_cast<QWidget*>(LabelCurrent), static_cast<QWidget*>(ProgressBarCurrent),
                       static_cast<QWidget*>(LabelFilename), static_cast<QWidget*>(ButtonStop)})
        w->setVisible(shown);
    ButtonStop->setEnabled(shown);
    ProgressBarTotal->setValue(0);
    ProgressBarCurrent->setValue(0);
}

void ProgressStrip::setTotalPercent(int percent) {
    ProgressBarTotal->setValue(percent);
}

void ProgressStrip::setFilePercent(int percent) {
    ProgressBarCurrent->setValue(percent);
}

void ProgressStrip::setFileName(const QString& name) {
    LabelFilename->setText(name);
}

} // namespace quorvel::gui
