#include "writerules.h"

#include "database.h"
#include "fielddef.h"
#include "fieldvalue.h"
#include "openvisits.h"
#include "reservationtimes.h"
#include "storedrecord.h"
#include "storeerror.h"
#include "tables.h"

#include <QSqlQuery>

#include <cmath>

namespace ktv::writerules {

namespace {

bool blank(const QVariant &v) { return v.isNull() || v.toString().trimmed().isEmpty(); }

// A visit always names its member and its room: the charge, the board and the receipts read them.
void checkVisit(const TableDef &table, qint64 rowid, const QVector<QVariant> &values, const QVector<bool> &changed)
{
    static const struct
    {
        const char *field;
        const char *label;
    } required[] = {{"Openroom_Customers_id", "开房客户号"}, {"Openroom_room_id", "开房房间号"}};
    for (const auto &r : required) {
        const int i = table.fieldIndex(QLatin1String(r.field));
        // An old visit stored without one can still be worked on; it only may not lose one it has.
        if ((rowid == 0 || changed[i]) && blank(values[i]))
            throw StoreError(QStringLiteral("开房记录的“%1”（%2）不能为空，不能保存")
                                 .arg(QString::fromUtf8(r.label), QLatin1String(r.field)));
    }
}

// A room held by an open visit keeps its number, or the visit would stand in a room that no longer exists.
void checkRoom(Database &db, const TableDef &table, qint64 rowid, const QVector<QVariant> &values,
               const QVector<bool> &changed)
{
    const int id = table.fieldIndex(QStringLiteral("Room_id"));
    if (rowid == 0 || !changed[id])
        return;
    QSqlQuery stored = db.run(
        QStringLiteral("SELECT Room_id FROM room WHERE %1 = ?").arg(db.dialect().rowKey(tables::room())), {rowid});
    const QString old = stored.next() ? stored.value(0).toString() : QString();
    stored.finish();
    if (old.isEmpty() || old.compare(values[id].toString(), Qt::CaseInsensitive) == 0)
        return;
    if (openvisits::holding(db, old))
        throw StoreError(QStringLiteral("房间%1有未退房的开房记录，不能修改房间编号").arg(old));
}

// An order line belongs to a visit that is stored: one deleted elsewhere a moment ago would leave a line
// that nobody is charged for.
void checkOrderLine(Database &db, const TableDef &table, qint64 rowid, const QVector<QVariant> &values,
                    const QVector<bool> &changed)
{
    const int link = table.fieldIndex(QStringLiteral("Openroom_lishu"));
    if ((rowid != 0 && !changed[link]) || values[link].isNull())
        return;
    QSqlQuery visit = db.run(QStringLiteral("SELECT 1 FROM Openroom WHERE Openroom_Lishui = ?"), {values[link]});
    if (!visit.next())
        throw StoreError(QStringLiteral("开房流水号为 %1 的开房记录已不存在，酒水没有保存").arg(values[link].toLongLong()));
}

// A price or a rate is a finite number of a sensible size: "1e400" typed for a price, or a rate of 900 for
// 0.9, would charge every guest after it wrongly.
void checkAmounts(const TableDef &table, const QVector<QVariant> &values, const QVector<bool> &changed)
{
    static const QStringList prices{QStringLiteral("Room_sfbiaozhun"), QStringLiteral("Room_feiyong1"),
                                    QStringLiteral("Room_feiyong2"), QStringLiteral("Room_feiyong3"),
                                    QStringLiteral("Pear_price")};
    static const QStringList rates{QStringLiteral("Customers_zkl"), QStringLiteral("Openroom_room_zhelu"),
                                   QStringLiteral("Openroom_customer_zhelu")};
    constexpr double kMaxPrice = 1'000'000;
    constexpr double kMaxRate = 100;
    for (int i = 0; i < table.fields.size(); ++i) {
        if (!changed[i] || values[i].isNull() || !table.fields[i].isNumber())
            continue;
        const FieldDef &f = table.fields[i];
        const double v = values[i].toDouble();
        if (!std::isfinite(v))
            throw StoreError(QStringLiteral("字段 %1 的值不是有效的数值，没有保存").arg(f.displayLabel()));
        if (prices.contains(f.name) && (v < 0 || v > kMaxPrice))
            throw StoreError(QStringLiteral("字段 %1 的价格 %2 不合理（应在 0 到 1000000 之间），没有保存")
                                 .arg(f.displayLabel())
                                 .arg(v, 0, 'g', 15));
        if (rates.contains(f.name) && v > kMaxRate)
            throw StoreError(QStringLiteral("字段 %1 的折扣率 %2 不合理（不能超过 100），没有保存")
                                 .arg(f.displayLabel())
                                 .arg(v, 0, 'g', 15));
    }
}

// A reservation names a guest, a room that exists and a stay of sensible times, and never overlaps another
// booking of its room. The room's record is locked first, so that two stations booking one room at once
// are taken one after the other and the second sees the first.
void checkReservation(Database &db, const TableDef &table, qint64 rowid, const QVector<QVariant> &values,
                      const QVector<bool> &changed)
{
    const auto at = [&](const char *field) { return table.fieldIndex(QLatin1String(field)); };
    const auto touched = [&](int i) { return rowid == 0 || changed[i]; };
    const int name = at("Reservation_name"), room = at("Reservation_room"), from = at("Reservation_from"),
              to = at("Reservation_to"), deposit = at("Reservation_deposit"), state = at("Reservation_state");
    if (touched(name) && blank(values[name]))
        throw StoreError(QStringLiteral("预订的“姓名”不能为空，预订没有保存"));
    const QString stateText = values[state].toString();
    if (touched(state) && !reservationtimes::isState(stateText))
        throw StoreError(QStringLiteral("预订的“状态”只能是“预订”、“已到”、“取消”或“过期”，预订没有保存"));
    if (touched(deposit) && !values[deposit].isNull() && values[deposit].toDouble() < 0)
        throw StoreError(QStringLiteral("预订的“订金”不能是负数，预订没有保存"));
    const QDateTime begin = values[from].toDateTime();
    const QDateTime end = values[to].toDateTime();
    if (touched(from) && values[from].isNull())
        throw StoreError(QStringLiteral("预订的“预计到店”时间不能为空，预订没有保存"));
    if (touched(to) && values[to].isNull())
        throw StoreError(QStringLiteral("预订的“预计离店”时间不能为空，预订没有保存"));
    if ((touched(from) || touched(to)) && end <= begin)
        throw StoreError(QStringLiteral("预订的“预计离店”时间须晚于“预计到店”时间，预订没有保存"));
    if ((touched(from) || touched(to)) && begin.addSecs(reservationtimes::kLongestHours * 3600) < end)
        throw StoreError(QStringLiteral("一次预订不能超过%1小时，预订没有保存").arg(reservationtimes::kLongestHours));
    const QString roomId = values[room].toString().trimmed();
    if (touched(room) && roomId.isEmpty())
        throw StoreError(QStringLiteral("预订的“房间”不能为空，预订没有保存"));
    if (!reservationtimes::holdsRoom(stateText) || !(touched(room) || touched(from) || touched(to) || touched(state)))
        return;
    if (!StoredRecord::find(db, tables::room(), QStringLiteral("Room_id"), roomId, true))
        throw StoreError(QStringLiteral("房间“%1”不存在，预订没有保存").arg(roomId));
    // Read by the index on the arrival time: no booking longer than the longest can reach back further.
    QSqlQuery others = db.run(
        QStringLiteral("SELECT Reservation_name, Reservation_from, Reservation_to FROM Reservation "
                       "WHERE Reservation_from > ? AND Reservation_from < ? AND lower(Reservation_room) = lower(?) "
                       "AND Reservation_state IN (?, ?) AND Reservation_id <> ? ORDER BY Reservation_from"),
        {fieldvalue::toSql(table.fields[from], begin.addSecs(-reservationtimes::kLongestHours * 3600)),
         fieldvalue::toSql(table.fields[to], end), roomId, reservationtimes::booked, reservationtimes::arrived, rowid});
    while (others.next()) {
        const QDateTime otherFrom = fieldvalue::fromSql(table.fields[from], others.value(1)).toDateTime();
        const QDateTime otherTo = fieldvalue::fromSql(table.fields[to], others.value(2)).toDateTime();
        if (reservationtimes::overlaps(begin, end, otherFrom, otherTo))
            throw Refused(QStringLiteral("房间%1在%2至%3已有“%4”的预订，时间重叠，预订没有保存")
                              .arg(roomId, otherFrom.toString(QStringLiteral("MM-dd HH:mm")),
                                   otherTo.toString(QStringLiteral("MM-dd HH:mm")), others.value(0).toString()));
    }
}

} // namespace

void check(Database &db, const TableDef &table, qint64 rowid, const QVector<QVariant> &values,
           const QVector<bool> &changed)
{
    checkAmounts(table, values, changed);
    if (&table == &tables::openroom())
        checkVisit(table, rowid, values, changed);
    else if (&table == &tables::room())
        checkRoom(db, table, rowid, values, changed);
    else if (&table == &tables::callpear())
        checkOrderLine(db, table, rowid, values, changed);
    else if (&table == &tables::reservation())
        checkReservation(db, table, rowid, values, changed);
}

} // namespace ktv::writerules
