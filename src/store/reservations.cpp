#include "reservations.h"

#include "journal.h"

#include "database.h"
#include "fieldvalue.h"
#include "reservationtimes.h"
#include "storedrecord.h"
#include "storeerror.h"
#include "tables.h"
#include "venuesettings.h"

#include <QSqlQuery>

namespace ktv::reservations {

namespace {

const QString kId = QStringLiteral("Reservation_id");
const QString kFrom = QStringLiteral("Reservation_from");
const QString kState = QStringLiteral("Reservation_state");
const QString kVisit = QStringLiteral("Reservation_visit");
const QString kDeposit = QStringLiteral("Reservation_deposit");
constexpr int kMaxLeadMinutes = 24 * 60;

QVariant storedMoment(const QDateTime &moment)
{
    return fieldvalue::toSql(tables::reservation().field(kFrom), moment);
}

QDateTime readMoment(const QVariant &stored)
{
    return fieldvalue::fromSql(tables::reservation().field(kFrom), stored).toDateTime();
}

} // namespace

int leadMinutes(Database &db)
{
    const int lead = venuesettings::number(db, venuesettings::reservationLead, reservationtimes::kDefaultLeadMinutes);
    return lead < 0 || lead > kMaxLeadMinutes ? reservationtimes::kDefaultLeadMinutes : lead;
}

QList<Booking> onBoard(Database &db, const QDateTime &now, int leadMinutes)
{
    QSqlQuery query =
        db.run(QStringLiteral("SELECT Reservation_id, Reservation_room, Reservation_name, Reservation_from, "
                              "Reservation_state FROM Reservation "
                              "WHERE Reservation_from > ? AND Reservation_from <= ? AND Reservation_state = ? "
                              "ORDER BY Reservation_from, Reservation_id"),
               {storedMoment(reservationtimes::boardWindowStart(now)),
                storedMoment(reservationtimes::boardWindowEnd(now, leadMinutes)), reservationtimes::booked});
    QList<Booking> found;
    while (query.next()) {
        Booking b{query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString(),
                  readMoment(query.value(3))};
        if (reservationtimes::marksBoard(query.value(4).toString(), b.from, now, leadMinutes))
            found << b;
    }
    return found;
}

std::optional<Booking> dueIn(Database &db, const QString &room, const QDateTime &now)
{
    for (const Booking &b : onBoard(db, now, leadMinutes(db))) {
        if (b.room.compare(room, Qt::CaseInsensitive) == 0)
            return b;
    }
    return std::nullopt;
}

void expireLate(Database &db, const QDateTime &dayStart, const QDateTime &dayEnd, const QDateTime &now)
{
    // Late means arriving at or before now less the grace: the range is cut there, inside the day.
    const QDateTime lateUntil = reservationtimes::boardWindowStart(now);
    if (lateUntil < dayStart)
        return;
    Transaction tx(db);
    QSqlQuery query =
        db.run(QStringLiteral("UPDATE Reservation SET Reservation_state = ? WHERE Reservation_from >= ? "
                              "AND Reservation_from < ? AND Reservation_from <= ? AND Reservation_state = ?"),
               {reservationtimes::expired, storedMoment(dayStart), storedMoment(dayEnd), storedMoment(lateUntil),
                reservationtimes::booked});
    if (query.numRowsAffected() > 0)
        db.noteWrite(tables::reservation().name);
    tx.commit();
}

void cancel(Database &db, qint64 id)
{
    Transaction tx(db);
    std::optional<StoredRecord> booking = StoredRecord::find(db, tables::reservation(), kId, id);
    if (!booking)
        throw Refused(QStringLiteral("这条预订已在别处被删除，请重新选择"));
    const QString state = booking->text(kState);
    if (state == reservationtimes::arrived)
        throw Refused(
            QStringLiteral("%1的预订已到店开房，不能取消").arg(booking->text(QStringLiteral("Reservation_name"))));
    if (state == reservationtimes::cancelled)
        throw Refused(QStringLiteral("%1的预订已经取消了").arg(booking->text(QStringLiteral("Reservation_name"))));
    booking->set(kState, reservationtimes::cancelled);
    booking->write(db);
    tx.commit();
}

StoredRecord forArrival(Database &db, qint64 id)
{
    std::optional<StoredRecord> booking = StoredRecord::find(db, tables::reservation(), kId, id);
    if (!booking)
        throw Refused(QStringLiteral("这条预订已在别处被删除，请重新选择"));
    const QString state = booking->text(kState);
    const QString name = booking->text(QStringLiteral("Reservation_name"));
    if (state == reservationtimes::arrived)
        throw Refused(
            QStringLiteral("%1的预订已经到店开房了（开房流水号 %2）").arg(name).arg(booking->integer(kVisit)));
    if (state == reservationtimes::cancelled)
        throw Refused(QStringLiteral("%1的预订已经取消，不能到店开房").arg(name));
    return *booking;
}

double depositOf(Database &db, qint64 visit)
{
    const std::optional<StoredRecord> booking = StoredRecord::find(db, tables::reservation(), kVisit, visit);
    return booking ? booking->number(kDeposit) : 0.0;
}

bool depositCounted(Database &db, qint64 visit, const QDateTime &since)
{
    return journal::visitTotal(db, visit, since, {depositAction}) > 0;
}

} // namespace ktv::reservations
