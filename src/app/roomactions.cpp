#include "roomactions.h"

#include "board/roomboard.h"
#include "board/roombutton.h"
#include "board/roomstate.h"
#include "store/cursor.h"
#include "visits/formcallpear.h"
#include "visits/formcloseroomandpay.h"
#include "visits/formopenroom.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

namespace ktv {

RoomActions::RoomActions(RoomBoard &board, const Platform &platform, QObject *parent)
    : QObject(parent), m_board(board), m_platform(platform)
{
    auto guarded = [this](void (RoomActions::*handler)()) {
        return [this, handler] { runGuarded(m_platform.dialogs, [this, handler] { (this->*handler)(); }); };
    };
    connect(m_board.K1(), &QAction::triggered, this, guarded(&RoomActions::K1Click));
    connect(m_board.J1(), &QAction::triggered, this, guarded(&RoomActions::J1Click));
    connect(m_board.S1(), &QAction::triggered, this, guarded(&RoomActions::S1Click));
    connect(&m_board, &RoomBoard::roomClicked, this,
            [this](RoomButton *b) { runGuarded(m_platform.dialogs, [this, b] { BitBtn101Click(b); }); });
}

void RoomActions::setScreens(TFormcallpear *drinks, TFormCloseroomandPay *checkOut, TFormOpenroom *checkIn)
{
    m_drinks = drinks;
    m_checkOut = checkOut;
    m_checkIn = checkIn;
}

void RoomActions::refreshBoard() { m_board.SpeedButtonRefreshRoomStataClick(); }

void RoomActions::BitBtn101Click(RoomButton *button)
{
    const QString room = button->room();
    if (roomstate::isFree(button->captionColor())) {
        m_board.showRoom(button);
        if (!m_platform.dialogs.confirm(QStringLiteral("确定要开房") + room + QStringLiteral("吗?")))
            return;
        m_board.showState(false);
        RoomBoard::paintState(button, false);
        K1Click();
        return;
    }
    m_board.showRoom(button);
    // Releasing a room means checking its visit out: the check-out screen opens on the room, as from the
    // pop-up, so that the room is freed only together with its visit.
    if (m_platform.dialogs.confirm(QStringLiteral("确定要退房") + room + QStringLiteral("吗?")))
        J1Click();
}

void RoomActions::K1Click()
{
    m_checkIn->bringUp();
    if (m_checkIn->Table1()->locate(QStringLiteral("Room_id"), m_board.selectedRoom(), LocateOption::CaseInsensitive))
        m_checkIn->BitBtnKaifang()->click();
    refreshBoard();
}

void RoomActions::arrive(qint64 reservationId, const QString &room)
{
    if (!m_checkIn)
        return;
    m_checkIn->bringUp();
    m_checkIn->checkInReservation(reservationId, room);
    refreshBoard();
}

void RoomActions::J1Click()
{
    m_checkOut->bringUp();
    m_checkOut->Edit1()->setText(m_board.selectedRoom());
    m_checkOut->BitBtn2dwkffjh()->click();
    refreshBoard();
}

void RoomActions::S1Click()
{
    m_drinks->bringUp();
    m_drinks->Edit1kffjh()->setText(m_board.selectedRoom());
    m_drinks->BitBtn1dwfj()->click();
}

} // namespace ktv
