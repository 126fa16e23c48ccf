#pragma once

#include <QDateTime>
#include <QString>

namespace ktv {

class Database;

namespace checkin {

struct Opened
{
    qint64 serial = 0;
    QString room;
    QString member;
};

// Lets the room the cashier chose to the member the cashier chose, both read as stored now in one
// transaction: the visit, the member's last-consumption time and the room's flag are stored together or
// not at all. A member or room no longer stored, or a room in use or still held by a visit not checked
// out, is refused with the cashier's message (checkoutsteps.h's Refused); nothing is written then.
Opened checkIn(Database &db, const QString &memberId, const QString &roomId, const QDateTime &now);

} // namespace checkin
} // namespace ktv
