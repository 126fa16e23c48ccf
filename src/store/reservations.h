#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace ktv {

class Database;
class StoredRecord;

// The reservations kept in the Reservation table, read through its indexes on the arrival time and on the
// visit: never the whole table, however many the venue keeps.
namespace reservations {

// The journal's action for a deposit counted as paid at a visit's payment.
inline const QString depositAction = QStringLiteral("订金");

struct Booking
{
    qint64 id = 0;
    QString room;
    QString name;
    QDateTime from;
};

// How many minutes ahead the board shows a booking: the venue's setting, 60 when unset or not sensible.
int leadMinutes(Database &db);
// The bookings that mark their rooms on the board at now, in order of arrival, read with one range query.
QList<Booking> onBoard(Database &db, const QDateTime &now, int leadMinutes);
// The booking whose party is due in the room at now, as the board shows it with the venue's lead.
std::optional<Booking> dueIn(Database &db, const QString &room, const QDateTime &now);

// Stores "过期" on the bookings of [dayStart, dayEnd) that are late at now; nothing else changes.
void expireLate(Database &db, const QDateTime &dayStart, const QDateTime &dayEnd, const QDateTime &now);
// Cancels a booking, read as stored now; one that arrived or was cancelled already is refused.
void cancel(Database &db, qint64 id);
// The booking a party checks in on, read and locked as stored now inside the caller's transaction:
// refused when it is gone, arrived or cancelled.
StoredRecord forArrival(Database &db, qint64 id);

// The deposit of the reservation that checked in as this visit; 0 when none.
double depositOf(Database &db, qint64 visit);
// Whether the deposit was counted as paid for the visit already: its journal row since the visit began.
bool depositCounted(Database &db, qint64 visit, const QDateTime &since);

} // namespace reservations
} // namespace ktv
