#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace quorvel::gui {

// A folder text with a browse button beside it. The Restore page's archive folder cannot be
// typed into (it is chosen through the browse dialog); the restore target can be typed.
class FolderField final : public QWidget {
    Q_OBJECT
public:
    FolderField(const char* name, bool typing, QWidget* parent = nullptr);

    QString text() const;
    // Sets the text without announcing a change.
    void setText(const QString& text);

    QLineEdit* edit;
    QToolButton* browse;

signals:
    void browseRequested();
};

} // namespace quorvel::gui
