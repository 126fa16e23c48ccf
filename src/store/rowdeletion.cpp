#include "rowdeletion.h"

#include "database.h"
#include "fielddef.h"
#include "storeerror.h"

#include <limits>

namespace ktv {

namespace {

constexpr int kBatch = 2000;

QString also(const QString &condition)
{
    return condition.isEmpty() ? QString() : QStringLiteral(" AND (%1)").arg(condition);
}

void bindAll(QSqlQuery &query, const QVariantList &range, const QVariantList &binds)
{
    int i = 0;
    for (const QVariant &v : range + binds)
        query.bindValue(i++, v);
}

} // namespace

qint64 countRows(Database &db, const TableDef &table, const QString &condition, const QVariantList &binds)
{
    QSqlQuery query =
        db.run(QStringLiteral("SELECT count(*) FROM %1 WHERE 1 = 1%2").arg(table.name, also(condition)), binds);
    return query.next() ? query.value(0).toLongLong() : 0;
}

qint64 deleteRows(Database &db, const TableDef &table, const QString &condition, const QVariantList &binds,
                  const std::function<void(qint64)> &progress)
{
    if (!db.inTransaction())
        throw StoreError(QStringLiteral("清空 %1 必须在一个事务中进行").arg(table.fileName));
    // Each batch ends at the row kBatch rows on: both statements walk the table's own key from where the
    // last batch stopped, never from its start.
    const QString key = db.dialect().rowKey(table);
    // The bounds are bigint: a server takes a bound beside a 32-bit serial number as one of its own kind, and
    // the ends of the range below would not fit.
    QSqlQuery bound = db.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %1 > CAST(? AS bigint)%3 ORDER BY %1 LIMIT 1 OFFSET %4")
                                     .arg(key, table.name, also(condition))
                                     .arg(kBatch - 1));
    QSqlQuery remove = db.prepare(
        QStringLiteral("DELETE FROM %1 WHERE %2 > CAST(? AS bigint) AND %2 <= CAST(? AS bigint)%3")
            .arg(table.name, key, also(condition)));
    qint64 from = std::numeric_limits<qint64>::min();
    qint64 deleted = 0;
    for (;;) {
        bindAll(bound, {from}, binds);
        db.exec(bound);
        const bool full = bound.next();
        const qint64 to = full ? bound.value(0).toLongLong() : std::numeric_limits<qint64>::max();
        bound.finish();

        bindAll(remove, {from, to}, binds);
        db.exec(remove);
        deleted += remove.numRowsAffected();
        remove.finish();
        if (progress)
            progress(deleted);
        if (!full) {
            if (deleted > 0)
                db.noteWrite(table.name); // the table's cursors re-read what they show
            return deleted;
        }
        from = to;
    }
}

} // namespace ktv
