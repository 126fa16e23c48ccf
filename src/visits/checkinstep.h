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

// The same check-in for a party that booked: the reservation, read as stored now in the same transaction,
// is marked "已到" with the new visit's serial number. A reservation gone, arrived or cancelled since, or a
// room let meanwhile, is refused and nothing is written.
Opened checkInReserved(Database &db, const QString &memberId, qint64 reservationId, const QDateTime &now);

} // namespace checkin
} // namespace ktv
