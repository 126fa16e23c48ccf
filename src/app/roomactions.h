#pragma once

#include "widgets/platform.h"

#include <QObject>

namespace ktv {

class RoomBoard;
class RoomButton;
class TFormCloseroomandPay;
class TFormOpenroom;
class TFormcallpear;

// What a click on a room button and the room pop-up's entries do: they lead to the check-in, check-out
// and drinks screens, placed on the room selected in the board's status panel 0.
class RoomActions : public QObject
{
    Q_OBJECT
public:
    RoomActions(RoomBoard &board, const Platform &platform, QObject *parent = nullptr);

    void setScreens(TFormcallpear *drinks, TFormCloseroomandPay *checkOut, TFormOpenroom *checkIn);

    void BitBtn101Click(RoomButton *button);
    void K1Click();
    void J1Click();
    void S1Click();
    // Checks a booked party in as K1Click does for its room, at the check-in screen.
    void arrive(qint64 reservationId, const QString &room);

private:
    void refreshBoard();

    RoomBoard &m_board;
    Platform m_platform;
    TFormcallpear *m_drinks = nullptr;
    TFormCloseroomandPay *m_checkOut = nullptr;
    TFormOpenroom *m_checkIn = nullptr;
};

} // namespace ktv
