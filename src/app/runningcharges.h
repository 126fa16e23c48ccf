#pragma once

#include <QObject>

class QDateTime;
class QTimer;

namespace ktv {

class Clock;
class Database;
class RoomBoard;

// Keeps each room button's running time and charge up to date: after every refresh of the board and
// every 30 seconds, from the open visits as stored now, by the same rule the check-out steps use. A free
// room whose booked party is due shows the booking instead.
class RunningCharges : public QObject
{
    Q_OBJECT
public:
    RunningCharges(RoomBoard &board, Database &db, const Clock &clock, QObject *parent = nullptr);
    QTimer *timer() const { return m_timer; }
    void update();

private:
    void showBookings(const QDateTime &now);

    RoomBoard &m_board;
    Database &m_db;
    const Clock &m_clock;
    QTimer *m_timer;
};

} // namespace ktv
