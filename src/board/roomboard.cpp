#include "roomboard.h"

#include "roombutton.h"
#include "roomstate.h"

#include "store/datamodule.h"
#include "store/roomflags.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "widgets/glyph.h"
#include "widgets/platform.h"
#include "widgets/statuspanels.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace ktv {

namespace {
constexpr int kFixedGroupHeight = 140;
} // namespace

RoomBoard::RoomBoard(TDataModule1 &data, StatusPanels &status, const Platform &platform, QWidget *parent)
    : QWidget(parent), m_data(data), m_status(status), m_platform(platform)
{
    setObjectName(QStringLiteral("RoomBoard"));
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    m_k1 = m_popup->addAction(QStringLiteral("&K宾客开房"));
    m_k1->setObjectName(QStringLiteral("K1"));
    m_k1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_k1->setShortcutContext(Qt::WidgetShortcut);
    m_j1 = m_popup->addAction(QStringLiteral("&J宾客结帐"));
    m_j1->setObjectName(QStringLiteral("J1"));
    m_s1 = m_popup->addAction(QStringLiteral("&S酒水服务"));
    m_s1->setObjectName(QStringLiteral("S1"));

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("BoardSplitter"));
    splitter->setChildrenCollapsible(false);
    addGroup(splitter, QStringLiteral("GroupBoxDa"), QStringLiteral("大包"), {QStringLiteral("101"), QStringLiteral("205")});
    addGroup(splitter, QStringLiteral("GroupBoxZhong"), QStringLiteral("中包"), {QStringLiteral("102")});
    addGroup(splitter, QStringLiteral("GroupBoxXiao"), QStringLiteral("小包"),
             {QStringLiteral("103"), QStringLiteral("201"), QStringLiteral("202"), QStringLiteral("203"),
              QStringLiteral("204")});
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 0);
    splitter->setStretchFactor(2, 1);
    splitter->setSizes({kFixedGroupHeight, kFixedGroupHeight, 400});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
}

QGroupBox *RoomBoard::addGroup(QSplitter *splitter, const QString &name, const QString &caption,
                               const QStringList &rooms)
{
    auto *box = new QGroupBox(caption, splitter);
    box->setObjectName(name);
    auto *row = new QHBoxLayout(box);
    for (const QString &room : rooms) {
        auto *button = new RoomButton(room, box);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        button->addAction(m_k1);
        connect(button, &RoomButton::entered, this, [this, button] { BitBtn101Enter(button); });
        connect(button, &RoomButton::mousePressed, this, [this, button] { BitBtn101MouseDown(button); });
        connect(button, &QPushButton::clicked, this, [this, button] { emit roomClicked(button); });
        connect(button, &QWidget::customContextMenuRequested, this,
                [this, button](const QPoint &pos) { m_popup->popup(button->mapToGlobal(pos)); });
        if (room == QLatin1String("101")) {
            button->setMouseTracking(true); // the hover shows room 101 only
            connect(button, &RoomButton::mouseMoved, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtn101MouseMove(); }); });
        }
        row->addWidget(button);
        m_buttons << button;
    }
    row->addStretch(1);
    row->setAlignment(Qt::AlignTop);
    splitter->addWidget(box);
    return box;
}

RoomButton *RoomBoard::button(const QString &room) const
{
    for (RoomButton *b : m_buttons) {
        if (b->room() == room)
            return b;
    }
    return nullptr;
}

QString RoomBoard::selectedRoom() const { return m_status.panelText(0); }

void RoomBoard::showState(bool free)
{
    m_status.setPanelText(2, roomstate::statusText(free));
    m_k1->setEnabled(free);
    m_j1->setEnabled(!free);
    m_s1->setEnabled(!free);
}

void RoomBoard::paintState(RoomButton *button, bool free)
{
    button->setCaptionColor(free ? roomstate::freeColor : roomstate::inUseColor);
    const QString file = roomstate::imageFile(free);
    const QPixmap picture = loadGlyph(file);
    if (picture.isNull())
        throw StoreError(QStringLiteral("无法打开图片文件“%1”，请确认它在程序的工作文件夹中").arg(file));
    button->setPicture(picture, file);
}

// The flags are read as stored now and no cursor is moved, so a record another screen has left half-edited
// is neither saved nor in the way.
void RoomBoard::SpeedButtonRefreshRoomStataClick()
{
    const QHash<QString, bool> inUse = roomflags::all(m_data.database());
    for (const QString &room : roomstate::refreshOrder()) {
        const auto found = inUse.constFind(room.toLower());
        if (found == inUse.constEnd())
            continue;
        const bool free = !*found;
        showState(free);
        if (RoomButton *b = button(room))
            paintState(b, free);
    }
    emit refreshed();
}

void RoomBoard::showRoom(RoomButton *button)
{
    m_status.setPanelText(0, button->room());
    m_status.setPanelText(1, button->group());
    showState(roomstate::isFree(button->captionColor()));
}

void RoomBoard::BitBtn101Enter(RoomButton *button) { showRoom(button); }

void RoomBoard::BitBtn101MouseDown(RoomButton *button) { showRoom(button); }

void RoomBoard::BitBtn101MouseMove()
{
    RoomButton *b = button(QStringLiteral("101"));
    m_status.setPanelText(0, b->room());
    m_status.setPanelText(1, b->group());
    const std::optional<bool> inUse = roomflags::inUse(m_data.database(), m_status.panelText(0));
    if (!inUse)
        return;
    // The hover can find a room in use and turn its button red, but never turns one green.
    if (*inUse) {
        b->setCaptionColor(roomstate::inUseColor);
        showState(false);
    }
    showState(roomstate::isFree(b->captionColor()));
}

void RoomBoard::showBookings(const QList<reservations::Booking> &due)
{
    for (RoomButton *b : std::as_const(m_buttons)) {
        if (!roomstate::isFree(b->captionColor()))
            continue;
        const auto booking = std::find_if(due.begin(), due.end(), [b](const reservations::Booking &each) {
            return each.room.compare(b->room(), Qt::CaseInsensitive) == 0;
        });
        if (booking != due.end()) {
            b->setCaptionColor(roomstate::reservedColor);
            b->setRunning(roomstate::reservedText(booking->name, booking->from));
        } else if (b->captionColor() == roomstate::reservedColor) {
            b->setCaptionColor(roomstate::freeColor);
            b->setRunning({});
        }
    }
}

} // namespace ktv
