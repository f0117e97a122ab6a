#include "gui/dialogs/msg_form.h"

#include "gui/dialogs/dialog_frame.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cmath>

namespace quorvel::gui {

namespace {

constexpr int IconSize = 32;

// a × b / c rounded to the nearest integer.
int mulDiv(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

// Margins and the button derive from the dialog font's average letter, so the window grows
// with the user's font.
struct Spacing {
    int horizontalMargin;
    int verticalMargin;
    int horizontalSpacing;
    int verticalSpacing;
    int buttonWidth;
    int buttonHeight;
};

Spacing measureSpacing(const QFontMetrics& metrics, const QString& buttonCaption) {
    const QSize extent =
        metrics.size(Qt::TextSingleLine, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int w = extent.width() / 52;
    const int h = extent.height();
    const int captionWidth = metrics.size(Qt::TextSingleLine, buttonCaption).width() + 8;
    return Spacing{
        mulDiv(8, w, 4), mulDiv(8, h, 8), mulDiv(10, w, 4), mulDiv(10, h, 8), std::max(mulDiv(50, w, 4), captionWidth),
        mulDiv(14, h, 8)};
}

QRect screenArea(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TMsgForm::TMsgForm(const QString& text, MessageKind kind, QWidget* parent) : QDialog(parent) {
    useFixedDialogFrame(this);
    setFont(QApplication::font("QMessageBox"));
    const MessageLook look = messageLook(kind);
    setWindowTitle(look.caption);

    m_timer = new QTimer(this);
    m_timer->setInterval(3000);
    connect(m_timer, &QTimer::timeout, this, &QDialog::close);

    const QString okCaption = tr("OK");
    const QFontMetrics metrics(font());
    const Spacing s = measureSpacing(metrics, okCaption);
    const int wrapWidth = screenArea(this).width() / 2;
    const QSize textSize =
        metrics.boundingRect(QRect(0, 0, wrapWidth, 0), Qt::TextWordWrap | Qt::TextExpandTabs, text).size();

    const auto& icon = look.pixmap;
    int blockWidth = textSize.width();
    int blockHeight = textSize.height();
    if (icon) {
        blockWidth += IconSize + s.horizontalSpacing;
        blockHeight = std::max(blockHeight, IconSize);
    }
    const int clientWidth = std::max(blockWidth, s.buttonWidth) + 2 * s.horizontalMargin;
    const int clientHeight = blockHeight + s.buttonHeight + s.verticalSpacing + 2 * s.verticalMargin;
    setFixedSize(clientWidth, clientHeight);

    if (icon) {
        Image = new QLabel(this);
        Image->setObjectName(QStringLiteral("Image"));
        Image->setPixmap(style()->standardIcon(*icon, nullptr, this).pixmap(IconSize, IconSize));
        Image->setGeometry(s.horizontalMargin, s.verticalMargin, IconSize, IconSize);
    }

    Message = new QLabel(this);
    Message->setObjectName(QStringLiteral("Message"));
    Message->setTextFormat(Qt::PlainText); // a path with "<" must not turn into markup
    Message->setWordWrap(true);
    Message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Message->setText(text);
    int left = blockWidth - textSize.width() + s.horizontalMargin;
    if (isRightToLeft())
        left = clientWidth - left - textSize.width();
    Message->setGeometry(left, s.verticalMargin, textSize.width(), textSize.height());

    OK = new QPushButton(okCaption, this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    OK->setGeometry((clientWidth - s.buttonWidth) / 2, blockHeight + s.verticalMargin + s.verticalSpacing,
                    s.buttonWidth, s.buttonHeight);
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);

    Countdown = new QLabel(this);
    Countdown->setObjectName(QStringLiteral("Countdown"));
    Countdown->setEnabled(false); // drawn in the dimmed colour: it is a note, not part of the message
    Countdown->hide();
    m_tick = new QTimer(this);
    m_tick->setInterval(1000);
    connect(m_tick, &QTimer::timeout, this, &TMsgForm::updateCountdown);

    centreOnScreen(this);
}

void TMsgForm::showCountdown() {
    if (Countdown->isVisible() || !m_timer->isActive())
        return;
    updateCountdown();
    // A line under the message (and the icon), in the message's column; the button moves down
    // and the window grows to make room, wider too when the line is longer than the message.
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    const int gap = lineHeight / 2;
    const QRect message = Message->geometry();
    const int blockBottom = std::max(message.bottom(), Image ? Image->geometry().bottom() : 0) + 1;
    const int margin = width() - message.right() - 1;
    const int lineWidth = metrics.horizontalAdvance(tr("This window closes by itself in %1 seconds.").arg(99));
    const int newWidth = std::max(width(), message.left() + lineWidth + margin);
    setFixedSize(newWidth, height() + gap + lineHeight);
    Countdown->setGeometry(message.left(), blockBottom + gap, lineWidth, lineHeight);
    OK->move((newWidth - OK->width()) / 2, OK->y() + gap + lineHeight);
    Countdown->show();
    m_tick->start();
    centreOnScreen(this);
}

void TMsgForm::updateCountdown() {
    // A coarse timer may report a little more time left than its interval: never count above it.
    const int remaining = std::min(m_timer->remainingTime(), m_timer->interval());
    const int left = std::max(0, (remaining + 999) / 1000);
    Countdown->setText(left == 1 ? tr("This window closes by itself in 1 second.")
                                 : tr("This window closes by itself in %1 seconds.").arg(left));
}

std::unique_ptr<TMsgForm> CreateTimedMessageForm(const QString& text, MessageKind kind, int seconds) {
    auto form = std::make_unique<TMsgForm>(text, kind);
    form->closeTimer()->setInterval(std::clamp(seconds, 0, INT_MAX / 1000) * 1000);
    form->closeTimer()->start();
    form->showCountdown();
    return form;
}

void ShowTimedMessage(const std::string& text, MessageKind kind, int seconds) {
    const std::unique_ptr<TMsgForm> form = CreateTimedMessageForm(messageText(text), kind, seconds);
    form->exec();
}

} // namespace quorvel::gui
