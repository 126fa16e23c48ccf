#pragma once

#include "staycharge.h"

#include <QStringList>

namespace ktv {

class Database;
class StoredRecord;

// A visit's stays and room charge as stored now, read inside the caller's transaction when it has one.
namespace visitstays {

// The stays of a visit: from begin in the room it was checked into, then one from each move, each room with
// its charge standard and, when the venue charges by time band, its bands. A room no longer in the room
// list is priced at 0 and named in missing.
QList<charge::Stay> read(Database &db, qint64 serial, const QString &room, const QDateTime &begin,
                         QStringList *missing = nullptr);

// The room charge of the visit by its stored used minutes, discount minutes and rates, as "&3计算基本消费"
// stores it. Refused when a room of its stays is no longer in the room list.
charge::StayCharge roomCharge(Database &db, const StoredRecord &visit);

// The same for the receipt's lines, of the visit with that serial number: nothing when the visit or a room of
// its stays is no longer stored.
charge::StayCharge receiptCharge(Database &db, qint64 serial);

} // namespace visitstays
} // namespace ktv
