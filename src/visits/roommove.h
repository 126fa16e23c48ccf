#pragma once

#include <QDateTime>
#include <QString>

namespace ktv {

class Database;

// "换房": a party moves to another room during its visit.
namespace roommove {

struct Moved
{
    QString from;
    QString to;
};

// Moves the visit, not yet checked out, to the free room toRoom, all read as stored now and written in one
// transaction: the visit's room, the new room in use, the old one freed with its client PCs (unless another
// visit holds it), the move stored with its time for the charge, and a journal row. The drinks stay on the
// visit. Refused when the visit is checked out or gone, or the room is missing or in use.
Moved moveVisit(Database &db, qint64 serial, const QString &toRoom, const QDateTime &now);

} // namespace roommove
} // namespace ktv
