#include "journal.h"

#include "database.h"
#include "storedrecord.h"
#include "storeerror.h"
#include "tables.h"

#include <QDateTime>
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

} // namespace ktv::journal
