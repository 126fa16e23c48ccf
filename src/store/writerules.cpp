#include "writerules.h"

#include "database.h"
#include "fielddef.h"
#include "openvisits.h"
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
}

} // namespace ktv::writerules
