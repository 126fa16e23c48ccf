#include "reportquery.h"

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/tables.h"

#include <QSqlQuery>
#include <QTimeZone>

namespace ktv::reports {

const QString kCheckoutIndex = QStringLiteral("visits_by_checkout");

namespace {

std::optional<double> amount(const QVariant &stored)
{
    if (stored.isNull())
        return std::nullopt;
    return stored.toDouble();
}

// A stored time as the wall clock showed it, without a time zone: the sums read only its date and time of day,
// and looking the local zone up for each of the visits of years takes longer than the sums themselves.
QDateTime moment(const QVariant &stored)
{
    static const QTimeZone wallClock = QTimeZone::utc();
    if (stored.isNull())
        return {};
    // The stored form, "yyyy-MM-dd HH:mm:ss.zzz", read as ISO parts (the milliseconds apart: Qt reads an ISO
    // fraction as a floating-point number); anything else as the store reads it.
    const QString text = stored.toString();
    if (text.size() == 23 && text[10] == u' ' && text[19] == u'.') {
        const QStringView view(text);
        const QDate date = QDate::fromString(view.left(10), Qt::ISODate);
        const QTime seconds = QTime::fromString(view.mid(11, 8), Qt::ISODate);
        bool whole = false;
        const int ms = view.mid(20, 3).toInt(&whole);
        if (date.isValid() && seconds.isValid() && whole && ms >= 0 && ms < 1000)
            return QDateTime(date, QTime(seconds.hour(), seconds.minute(), seconds.second(), ms), wallClock);
    }
    static const FieldDef &field = tables::openroom().field(QStringLiteral("Openroom_endtime"));
    const QDateTime other = fieldvalue::fromSql(field, stored).toDateTime();
    return other.isValid() ? QDateTime(other.date(), other.time(), wallClock) : QDateTime();
}

} // namespace

void ensureReportIndexes(Database &db)
{
    if (db.hasIndex(kCheckoutIndex))
        return;
    Transaction tx(db);
    db.run(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON Openroom (Openroom_endtime)")
               .arg(db.dialect().definedName(kCheckoutIndex)));
    tx.commit();
}

QString visitsStatement()
{
    return QStringLiteral(
        "SELECT Openroom_begintime, Openroom_endtime, Openroom_room_id, Openroom_jbxf, Openroom_jiushui, "
        "Openroom_yingfu, Openroom_shifu, Openroom_zhaoling "
        "FROM Openroom WHERE Openroom_endtime >= ? AND Openroom_endtime < ?");
}

QString linesStatement(const Dialect &dialect)
{
    // The visits are the outer loop: a range of check-outs read by their index, then each visit's order lines
    // by the openroomls index, never the whole order-line table.
    return QStringLiteral("SELECT o.Openroom_begintime, o.Openroom_endtime, c.Pear_id, c.Pear_shuliang, c.Pear_price "
                          "FROM Openroom AS o %1 Callpear AS c ON c.Openroom_lishu = o.Openroom_Lishui "
                          "WHERE o.Openroom_endtime >= ? AND o.Openroom_endtime < ?")
        .arg(dialect.joinInOrder());
}

namespace {

QSqlQuery rangeQuery(Database &db, const QString &statement, const DateRange &range)
{
    ensureReportIndexes(db);
    QSqlQuery query = db.prepare(statement);
    query.addBindValue(fieldvalue::dateTimeStorageForm(range.start()));
    query.addBindValue(fieldvalue::dateTimeStorageForm(range.end()));
    db.exec(query, QStringLiteral("读取营业数据"));
    return query;
}

} // namespace

void readVisits(Database &db, const DateRange &range, const std::function<void(const VisitRow &)> &take)
{
    QSqlQuery query = rangeQuery(db, visitsStatement(), range);
    VisitRow visit;
    while (query.next()) {
        visit.begin = moment(query.value(0));
        visit.end = moment(query.value(1));
        visit.room = query.value(2).toString();
        visit.roomCharge = amount(query.value(3));
        visit.drinks = amount(query.value(4));
        visit.due = amount(query.value(5));
        visit.paid = amount(query.value(6));
        visit.change = amount(query.value(7));
        take(visit);
    }
}

void readOrderLines(Database &db, const DateRange &range,
                    const std::function<void(const VisitRow &, const OrderLine &)> &take)
{
    QSqlQuery query = rangeQuery(db, linesStatement(db.dialect()), range);
    VisitRow visit;
    OrderLine line;
    while (query.next()) {
        visit.begin = moment(query.value(0));
        visit.end = moment(query.value(1));
        line.code = query.value(2).toString();
        const QVariant quantity = query.value(3);
        line.quantity = quantity.isNull() ? std::nullopt : std::optional<qint64>(quantity.toLongLong());
        line.price = amount(query.value(4));
        take(visit, line);
    }
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
    QSqlQuery query = db.run(QStringLiteral("SELECT Pear_bm, Pear_name FROM Pear WHERE Pear_bm IS NOT NULL ORDER BY %1")
                                 .arg(db.dialect().rowKey(tables::pear())));
    QList<std::pair<QString, QString>> list;
    while (query.next())
        list.append({query.value(0).toString(), query.value(1).toString()});
    return namesByLineCode(list);
}

namespace {

// The journal rows of the range, by the index on their time, and the staff's names.
QList<StaffRow> readStaff(Database &db, const DateRange &range)
{
    StaffSum sum;
    QSqlQuery rows = db.run(QStringLiteral("SELECT Journal_staff, Journal_action, Journal_amount, Journal_before, "
                                           "Journal_after FROM Journal WHERE Journal_time >= ? AND Journal_time < ?"),
                            {fieldvalue::dateTimeStorageForm(range.start()), fieldvalue::dateTimeStorageForm(range.end())});
    while (rows.next())
        sum.add({rows.value(0).toString(), rows.value(1).toString(), rows.value(2).toDouble(), rows.value(3).toDouble(),
                 rows.value(4).toDouble()});
    rows.finish();
    QHash<QString, QString> names;
    QSqlQuery staff = db.run(QStringLiteral("SELECT Staff_id, Staff_name FROM Staff"));
    while (staff.next())
        names.insert(staff.value(0).toString(), staff.value(1).toString());
    return sum.result(names);
}

} // namespace

ReportSet readReports(Database &db, const DateRange &range, ReportParts parts)
{
    ReportSet set;
    set.range = range;
    if (parts.takings || parts.rooms) {
        TakingsSum takings(range);
        RoomUsageSum rooms(parts.rooms ? readRoomList(db) : QStringList(), range);
        readVisits(db, range, [&](const VisitRow &visit) {
            if (parts.takings)
                takings.add(visit);
            if (parts.rooms)
                rooms.add(visit);
        });
        if (parts.takings)
            set.takings = takings.result();
        if (parts.rooms)
            set.rooms = rooms.result();
    }
    if (parts.drinks) {
        DrinkSalesSum drinks(range);
        readOrderLines(db, range, [&drinks](const VisitRow &visit, const OrderLine &line) { drinks.add(visit, line); });
        set.drinks = drinks.result(readDrinkNames(db));
    }
    if (parts.staff)
        set.staff = readStaff(db, range);
    return set;
}

} // namespace ktv::reports
