#include "openvisits.h"

#include "database.h"
#include "fieldvalue.h"
#include "tables.h"

#include <QSqlQuery>

namespace ktv::openvisits {

namespace {
// Visits not marked settled; written as the partial index open_visits is.
QString unsettled(Database &db, const QString &alias)
{
    return db.dialect().notSame(alias + QStringLiteral("Openroom_beizhu"), QStringLiteral("'%1'").arg(QStringLiteral("结清")));
}
} // namespace

qint64 holding(Database &db, const QString &room, qint64 exceptVisit)
{
    // The condition on the mark is the partial index's own, written alike so that the engine uses it.
    QSqlQuery query = db.run(QStringLiteral("SELECT Openroom_Lishui FROM Openroom WHERE %1 "
                                            "AND lower(Openroom_room_id) = lower(?) "
                                            "AND Openroom_endtime < Openroom_begintime AND Openroom_Lishui <> ? "
                                            "ORDER BY Openroom_Lishui DESC LIMIT 1")
                                 .arg(unsettled(db, QString())),
                             {room, exceptVisit});
    return query.next() ? query.value(0).toLongLong() : 0;
}

void ensureIndex(Database &db)
{
    // Asked before it is made: making it, even when it is there, would hold up other stations' writes.
    if (db.hasIndex(QStringLiteral("visits_not_out")))
        return;
    db.run(QStringLiteral("CREATE INDEX IF NOT EXISTS visits_not_out ON Openroom (Openroom_room_id) "
                          "WHERE Openroom_endtime < Openroom_begintime"));
}

qint64 notCheckedOut(Database &db, const QString &room, qint64 exceptVisit)
{
    ensureIndex(db);
    QSqlQuery query = db.run(QStringLiteral("SELECT Openroom_Lishui FROM Openroom%1 "
                                            "WHERE Openroom_endtime < Openroom_begintime "
                                            "AND lower(Openroom_room_id) = lower(?) AND Openroom_Lishui <> ? "
                                            "ORDER BY Openroom_Lishui DESC LIMIT 1")
                                 .arg(db.dialect().indexedBy(QStringLiteral("visits_not_out"))),
                             {room, exceptVisit});
    return query.next() ? query.value(0).toLongLong() : 0;
}

QList<OpenVisit> listOpen(Database &db)
{
    QList<OpenVisit> visits;
    QSqlQuery query = db.run(
        QStringLiteral("SELECT o.Openroom_Lishui, o.Openroom_room_id, o.Openroom_begintime, o.Openroom_room_zhelu, "
                       "coalesce((SELECT coalesce(Customers_zkl, 0) FROM Customers "
                       "WHERE Customers_id = o.Openroom_Customers_id), o.Openroom_customer_zhelu), "
                       "o.Openroom_youhuminute "
                       "FROM Openroom o WHERE %1 "
                       "AND o.Openroom_endtime < o.Openroom_begintime ORDER BY o.Openroom_Lishui DESC")
            .arg(unsettled(db, QStringLiteral("o."))));
    const FieldDef &beginField = tables::openroom().field(QStringLiteral("Openroom_begintime"));
    while (query.next()) {
        OpenVisit v;
        v.serial = query.value(0).toLongLong();
        v.room = query.value(1).toString();
        v.begin = fieldvalue::fromSql(beginField, query.value(2)).toDateTime();
        v.roomRate = query.value(3).toDouble();
        v.memberRate = query.value(4).toDouble();
        v.discountMinutes = query.value(5).toInt();
        visits << v;
    }
    query.finish();
    QSqlQuery lines = db.prepare(QStringLiteral("SELECT Pear_shuliang, Pear_price FROM Callpear "
                                                "WHERE Openroom_lishu = ? ORDER BY Openroom_lishu, ") +
                                  db.dialect().rowKey(tables::callpear()));
    for (OpenVisit &v : visits) {
        lines.addBindValue(v.serial);
        db.exec(lines);
        while (lines.next())
            v.lines.append({lines.value(0).toInt(), lines.value(1).toDouble()});
        lines.finish();
    }
    return visits;
}

} // namespace ktv::openvisits
