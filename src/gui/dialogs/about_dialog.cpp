#include "gui/dialogs/about_dialog.h"

#include "gui/dialogs/dialog_frame.h"
#include "gui/widgets/help_book.h"

#include <QDesktopServices>
#include <QGraphicsDropShadowEffect>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel::gui {

namespace {

const QColor Navy(0, 0, 128);
const QColor Red(255, 0, 0);

QLabel* shadowLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSize(font.pointSize() + 8);
    font.setBold(true);
    label->setFont(font);
    auto* shadow = new QGraphicsDropShadowEffect(label);
    shadow->setColor(Qt::yellow);
    shadow->setOffset(2, 2);
    shadow->setBlurRadius(0);
    label->setGraphicsEffect(shadow);
    return label;
}

} // namespace

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setHovered(false);
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    setHovered(true);
}

void TLinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    setHovered(false);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TLinkLabel::setHovered(bool hovered) {
    m_hovered = hovered;
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, hovered ? Red : Navy);
    setPalette(colours);
    QFont underlined = font();
    underlined.setUnderline(hovered);
    setFont(underlined);
    if (hovered)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

Taboutform::Taboutform(QWidget* parent) : QDialog(parent), openUrl(&QDesktopServices::openUrl) {
    useFixedDialogFrame(this);
    setWindowTitle(tr("About  Quorvel ZIP Backup"));
    bindHelpKey(this, HelpAbout);

    ShadowLabel1 = shadowLabel(tr("Quorvel ZIP Backup V1.15"), this);
    Label1 = new QLabel(tr("Technical Support: "), this);
    Label4 = new TLinkLabel(QString::fromLatin1(ProductSupportAddress), this);
    Label5 = new QLabel(tr("Website: "), this);
    Label6 = new TLinkLabel(QString::fromLatin1(ProductWebPage), this);
    Button1 = new QPushButton(tr("Cl&ose"), this);
    Button1->setDefault(true);
    connect(Label4, &TLinkLabel::clicked, this, &Taboutform::Label4Click);
    connect(Label6, &TLinkLabel::clicked, this, &Taboutform::Label6Click);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto* links = new QGridLayout;
    links->addWidget(Label1, 0, 0);
    links->addWidget(Label4, 0, 1);
    links->addWidget(Label5, 1, 0);
    links->addWidget(Label6, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(24, 18, 24, 14);
    layout->addWidget(ShadowLabel1, 0, Qt::AlignHCenter);
    layout->addSpacing(14);
    layout->addLayout(links);
    layout->addSpacing(14);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);

    adjustSize();
    centreOnScreen(this);
}

void Taboutform::Label4Click() {
    openUrl(QUrl(QStringLiteral("mailto:") + Label4->text()));
}

void Taboutform::Label6Click() {
    openUrl(QUrl(QString::fromLatin1(ProductWebPage)));
}

} // namespace quorvel::gui
