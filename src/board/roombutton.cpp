#include "roombutton.h"

#include "roomstate.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace ktv {

namespace {

// The small built-in picture a button shows until its state is first painted.
QIcon startIcon()
{
    QPixmap strip(32, 16);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(150, 150, 150));
    p.setPen(QColor(90, 90, 90));
    p.drawEllipse(2, 2, 12, 12);
    p.setBrush(QColor(200, 200, 200));
    p.setPen(QColor(160, 160, 160));
    p.drawEllipse(18, 2, 12, 12);
    p.end();
    QIcon icon;
    icon.addPixmap(strip.copy(0, 0, 16, 16), QIcon::Normal);
    icon.addPixmap(strip.copy(16, 0, 16, 16), QIcon::Disabled);
    return icon;
}

} // namespace

RoomButton::RoomButton(const QString &room, QWidget *parent) : QPushButton(room, parent)
{
    setObjectName(QStringLiteral("BitBtn") + room);
    QFont f = font();
    f.setPixelSize(21);
    setFont(f);
    setIcon(startIcon());
    setIconSize(QSize(24, 24));
    setMinimumSize(120, 84);
    setCaptionColor(roomstate::freeColor);

    m_running = new QLabel(this);
    m_running->setObjectName(QStringLiteral("RoomRunning") + room);
    m_running->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont small = font();
    small.setPixelSize(12);
    m_running->setFont(small);
    m_running->hide();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addStretch(1);
    layout->addWidget(m_running, 0, Qt::AlignHCenter | Qt::AlignBottom);
}

void RoomButton::setRunning(const QString &text)
{
    m_running->setText(text);
    m_running->setVisible(!text.isEmpty());
}

QColor RoomButton::captionColor() const { return palette().color(QPalette::ButtonText); }

void RoomButton::setCaptionColor(const QColor &color)
{
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::ButtonText, color);
    setPalette(pal);
}

void RoomButton::setPicture(const QPixmap &picture, const QString &file)
{
    setIcon(QIcon(picture));
    m_pictureFile = file;
}

QString RoomButton::group() const
{
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (auto *box = qobject_cast<QGroupBox *>(w))
            return box->title();
    }
    return {};
}

void RoomButton::focusInEvent(QFocusEvent *event)
{
    QPushButton::focusInEvent(event);
    emit entered();
}

void RoomButton::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed();
    QPushButton::mousePressEvent(event);
}

void RoomButton::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved();
    QPushButton::mouseMoveEvent(event);
}

// A focused room button is pressed with Enter as well as with Space, as the cashier works from the keyboard.
void RoomButton::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

} // namespace ktv
