#include "priceedits.h"

#include "store/clock.h"
#include "store/cursor.h"
#include "store/database.h"
#include "store/datamodule.h"
#include "store/fielddef.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "visits/charge.h"

#include <QTime>

#include <memory>
#include <utility>

namespace ktv::staff {

namespace {

struct PriceField
{
    QString field;
    QString caption; // as the journal names it
    enum class Kind { Money, Rate, Time } kind = Kind::Money;
};

struct PricedTable
{
    const TableDef *table;
    QString key;
    QString label;
    QList<PriceField> fields;
    bool isRoom = false;
};

const QList<PricedTable> &pricedTables()
{
    static const QList<PricedTable> list = [] {
        PricedTable room{&tables::room(),
                         QStringLiteral("Room_id"),
                         QStringLiteral("房间"),
                         {{QStringLiteral("Room_sfbiaozhun"), QStringLiteral("收费标准")}},
                         true};
        for (int band = 1; band <= 3; ++band) {
            const QString n = QString::number(band);
            room.fields << PriceField{QStringLiteral("Room_feiyong") + n, QStringLiteral("时段%1费用").arg(n)}
                        << PriceField{QStringLiteral("Room_begintime") + n, QStringLiteral("时段%1开始").arg(n),
                                      PriceField::Kind::Time}
                        << PriceField{QStringLiteral("Room_endtime") + n, QStringLiteral("时段%1截止").arg(n),
                                      PriceField::Kind::Time};
        }
        return QList<PricedTable>{
            room,
            {&tables::pear(),
             QStringLiteral("Pear_bm"),
             QStringLiteral("酒水"),
             {{QStringLiteral("Pear_price"), QStringLiteral("价格")}}},
            {&tables::customers(),
             QStringLiteral("Customers_id"),
             QStringLiteral("会员"),
             {{QStringLiteral("Customers_zkl"), QStringLiteral("折扣率"), PriceField::Kind::Rate}}},
        };
    }();
    return list;
}

bool same(const PriceField &f, const QVariant &before, const QVariant &after)
{
    if (f.kind == PriceField::Kind::Rate) // as the charge reads it: empty or below 0.0001 is no discount
        return charge::compareMoney(charge::rateOrOne(before.toDouble()), charge::rateOrOne(after.toDouble())) == 0;
    if (before.isNull() || after.isNull())
        return before.isNull() == after.isNull();
    if (f.kind == PriceField::Kind::Time)
        return before.toTime() == after.toTime();
    return charge::compareMoney(before.toDouble(), after.toDouble()) == 0;
}

QString shown(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("空");
    return value.toTime().toString(QStringLiteral("HH:mm"));
}

} // namespace

QList<journal::Entry> priceChanges(const Cursor &record)
{
    QList<journal::Entry> changes;
    if (!record.isEditing())
        return changes;
    for (const PricedTable &table : pricedTables()) {
        if (table.table->name != record.table().name)
            continue;
        const bool inserting = record.state() == CursorState::Insert;
        const QString key = record.text(table.key);
        for (const PriceField &f : table.fields) {
            const QVariant before = inserting ? QVariant() : record.originalValue(f.field);
            const QVariant after = record.value(f.field);
            if (same(f, before, after))
                continue;
            journal::Entry entry{QStringLiteral("修改价格")};
            entry.reason = QStringLiteral("%1 %2 %3").arg(table.label, key, f.caption);
            if (f.kind == PriceField::Kind::Time) {
                // The journal's figures are money: a time band's times go into the reason.
                entry.reason += QStringLiteral(" %1→%2").arg(shown(before), shown(after));
            } else {
                if (!before.isNull())
                    entry.before = before.toDouble();
                if (!after.isNull())
                    entry.after = after.toDouble();
            }
            if (table.isRoom)
                entry.room = key;
            changes << entry;
        }
    }
    return changes;
}

void guardPriceEdits(Cursor &cursor, Cursor::Handler rulesBefore, const Clock &clock, PriceAuthoriser authorise)
{
    auto pending = std::make_shared<QList<journal::Entry>>();
    cursor.setBeforePost([pending, authorise, rulesBefore](Cursor &c) {
        pending->clear();
        if (rulesBefore)
            rulesBefore(c);
        QList<journal::Entry> changes = priceChanges(c);
        if (changes.isEmpty())
            return;
        const std::optional<QString> by = authorise();
        if (!by)
            throw AbortAction();
        for (journal::Entry &e : changes)
            e.authorised = *by;
        *pending = changes;
    });
    cursor.setWhileSaving([pending, &clock](Cursor &c) {
        const QList<journal::Entry> changes = std::exchange(*pending, {});
        for (const journal::Entry &e : changes)
            journal::record(c.database(), e, clock.now());
    });
}

void guardPriceEdits(TDataModule1 &data, PriceAuthoriser authorise)
{
    guardPriceEdits(*data.Tableroom, {}, data.clock(), authorise);
    guardPriceEdits(*data.TablePear, {}, data.clock(), authorise);
    // The member cursor's own rule (the registration date) runs first.
    guardPriceEdits(
        *data.TableCustomers, [&data](Cursor &c) { data.TableCustomersBeforePost(c); }, data.clock(), authorise);
}

} // namespace ktv::staff
