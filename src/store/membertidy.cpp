#include "membertidy.h"

#include "database.h"
#include "fieldvalue.h"
#include "tables.h"

namespace ktv {

qint64 tidyMemberRecords(Database &db, const QDateTime &now)
{
    const TableDef &members = tables::customers();
    QSqlQuery nameless = db.run(QStringLiteral("DELETE FROM Customers WHERE ") + Database::namelessMember());
    QSqlQuery unstamped =
        db.run(QStringLiteral("UPDATE Customers SET Customers_zjxfsj = ?, Customers_zcsj = coalesce(Customers_zcsj, ?) "
                              "WHERE ") +
                   Database::unstampedMember(),
               {fieldvalue::toSql(members.field(QStringLiteral("Customers_zjxfsj")), now),
                fieldvalue::toSql(members.field(QStringLiteral("Customers_zcsj")), now.date())});
    return nameless.numRowsAffected() + unstamped.numRowsAffected();
}

} // namespace ktv
