#pragma once

#include <QDialog>
#include <QLabel>
#include <QUrl>
#include <functional>

class QPushButton;

namespace quorvel::gui {

// The product's support address and home page (also opened by the program menu's
// "Visits Website...").
inline constexpr char ProductSupportAddress[] = "support@quorvel.example.org";
inline constexpr char ProductWebPage[] = "https://quorvel.example.org/";

// A label that acts as a link: navy, and red, underlined and with the hand cursor while the
// mouse is over it.
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

    bool hovered() const { return m_hovered; }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setHovered(bool hovered);

    bool m_hovered = false;
};

class Taboutform : public QDialog {
    Q_OBJECT
public:
    explicit Taboutform(QWidget* parent = nullptr);

    QLabel* ShadowLabel1 = nullptr;
    QLabel* Label1 = nullptr;
    TLinkLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    TLinkLabel* Label6 = nullptr;
    QPushButton* Button1 = nullptr;

    // Hands an address to the desktop: the mail program for "mailto:", the browser for the page.
    std::function<bool(const QUrl&)> openUrl;

public slots:
    void Label4Click();
    void Label6Click();
};

} // namespace quorvel::gui
