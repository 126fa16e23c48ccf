#include "reportquery.h"

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/tables.h"

#include <QSqlQuery>

namespace ktv::reports {

const QString kCheckoutIndex = QStringLiteral("visits_by_checkout");

namespace {

std::optional<double> amount(const QVariant &stored)
{
    if (stored.isNull())
        return std::nullopt;
    return stored.toDouble();
}

QDateTime moment(const QVariant &stored)
{
    static const FieldDef &field = tables::openroom().field(QStringLiteral("Openroom_endtime"));
    return fieldvalue::fromSql(field, stored).toDateTime();
}

} // namespace

void ensureReportIndexes(Database &db)
{
    QSqlQuery found = db.run(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?"),
                             {kCheckoutIndex});
    const bool present = found.next();
    found.finish();
    if (present)
        return;
    Transaction tx(db);
    db.run(QStringLiteral("CREATE INDEX IF NOT EXISTS \"%1\" ON Openroom (Openroom_endtime)").arg(kCheckoutIndex));
    tx.commit();
}

QString visitsStatement()
{
    // The visits drive the join, as the left side of a LEFT JOIN always does: a range of check-outs read by
    // their index, then each visit's order lines by the openroomls index.
    return QStringLiteral(
        "SELECT o.Openroom_Lishui, o.Openroom_begintime, o.Openroom_endtime, o.Openroom_room_id, o.Openroom_jbxf, "
        "o.Openroom_jiushui, o.Openroom_yingfu, o.Openroom_shifu, o.Openroom_zhaoling, "
        "c.Callpear_id, c.Pear_id, c.Pear_shuliang, c.Pear_price "
        "FROM Openroom AS o LEFT JOIN Callpear AS c ON c.Openroom_lishu = o.Openroom_Lishui "
        "WHERE o.Openroom_endtime >= ? AND o.Openroom_endtime < ?");
}

QList<VisitRow> readVisits(Database &db, const DateRange &range)
{
    ensureReportIndexes(db);
    QSqlQuery query = db.prepare(visitsStatement());
    query.addBindValue(fieldvalue::dateTimeStorageForm(range.start()));
    query.addBindValue(fieldvalue::dateTimeStorageForm(range.end()));
    db.exec(query, QStringLiteral("读取营业数据"));

    QList<VisitRow> visits;
    QHash<qint64, qsizetype> bySerial;
    while (query.next()) {
        const qint64 serial = query.value(0).toLongLong();
        auto known = bySerial.constFind(serial);
        if (known == bySerial.constEnd()) {
            VisitRow visit;
            visit.begin = moment(query.value(1));
            visit.end = moment(query.value(2));
            visit.room = query.value(3).toString();
            visit.roomCharge = amount(query.value(4));
            visit.drinks = amount(query.value(5));
            visit.due = amount(query.value(6));
            visit.paid = amount(query.value(7));
            visit.change = amount(query.value(8));
            known = bySerial.insert(serial, visits.size());
            visits.append(visit);
        }
        if (query.value(9).isNull())
            continue; // a visit without order lines
        OrderLine line;
        line.code = query.value(10).toString();
        if (!query.value(11).isNull())
            line.quantity = query.value(11).toLongLong();
        line.price = amount(query.value(12));
        visits[*known].lines.append(line);
    }
    return visits;
}

QStringList readRoomList(Database &db)
{
    QSqlQuery query = db.run(QStringLiteral("SELECT Room_id FROM room WHERE Room_id IS NOT NULL ORDER BY Room_id"));
    QStringList rooms;
    while (query.next())
        rooms.append(query.value(0).toString());
    return rooms;
}

QHash<QString, QString> readDrinkNames(Database &db)
{
    // The drinks list is the venue's menu: it stays small however long the history grows.
    QSqlQuery query =
        db.run(QStringLiteral("SELECT Pear_bm, Pear_name FROM Pear WHERE Pear_bm IS NOT NULL ORDER BY rowid"));
    QList<std::pair<QString, QString>> list;
    while (query.next())
        list.append({query.value(0).toString(), query.value(1).toString()});
    return namesByLineCode(list);
}

ReportSet readReports(Database &db, const DateRange &range)
{
    const QList<VisitRow> visits = readVisits(db, range);
    ReportSet set;
    set.range = range;
    set.takings = takings(visits, range);
    set.rooms = roomUsage(visits, readRoomList(db), range);
    set.drinks = drinkSales(visits, readDrinkNames(db), range);
    return set;
}

} // namespace ktv::reports
