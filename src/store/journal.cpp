#include "journal.h"

#include "database.h"
#include "fieldvalue.h"
#include "storedrecord.h"
#include "storeerror.h"
#include "tables.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSysInfo>

namespace ktv::journal {

void record(Database &db, const Entry &entry, const QDateTime &now)
{
    if (!db.inTransaction())
        throw StoreError(QStringLiteral("程序出错：操作日志须与所记的操作在同一事务中写入"));
    QVariantMap values{{QStringLiteral("Journal_time"), now},
                       {QStringLiteral("Journal_station"), QSysInfo::machineHostName()},
                       {QStringLiteral("Journal_action"), entry.action}};
    const auto put = [&values](const char *field, const QVariant &value) {
        if (!value.isNull() && !(value.typeId() == QMetaType::QString && value.toString().isEmpty()))
            values.insert(QLatin1String(field), value);
    };
    put("Journal_staff", db.staff());
    put("Journal_authorised", entry.authorised);
    put("Journal_visit", entry.visit ? QVariant(entry.visit) : QVariant());
    put("Journal_room", entry.room);
    put("Journal_amount", entry.amount ? QVariant(*entry.amount) : QVariant());
    put("Journal_before", entry.before ? QVariant(*entry.before) : QVariant());
    put("Journal_after", entry.after ? QVariant(*entry.after) : QVariant());
    put("Journal_reason", entry.reason);
    StoredRecord::insert(db, tables::journal(), values);
}

double visitTotal(Database &db, qint64 visit, const QDateTime &since, const QStringList &actions)
{
    QStringList marks;
    QVariantList binds{visit};
    for (const QString &action : actions) {
        marks << QStringLiteral("?");
        binds << action;
    }
    QString sql = QStringLiteral("SELECT sum(Journal_amount) FROM Journal WHERE Journal_visit = ? AND Journal_action IN (%1)")
                      .arg(marks.join(QLatin1Char(',')));
    // A visit stored without its begin time (older data) is looked for in the whole journal.
    if (since.isValid()) {
        sql += QStringLiteral(" AND Journal_time >= ?");
        binds << fieldvalue::toSql(tables::journal().field(QStringLiteral("Journal_time")), since);
    }
    QSqlQuery query = db.run(sql, binds);
    return query.next() ? query.value(0).toDouble() : 0.0;
}

} // namespace ktv::journal
