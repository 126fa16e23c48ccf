#include "membertidy.h"

#include "database.h"
#include "fieldvalue.h"
#include "tables.h"

namespace ktv {

void tidyMemberRecords(Database &db, const QDateTime &now)
{
    const TableDef &members = tables::customers();
    db.run(QStringLiteral("DELETE FROM Customers WHERE ") + Database::namelessMember());
    db.run(QStringLiteral("UPDATE Customers SET Customers_zjxfsj = ?, Customers_zcsj = coalesce(Customers_zcsj, ?) "
                          "WHERE ") +
               Database::unstampedMember(),
           {fieldvalue::toSql(members.field(QStringLiteral("Customers_zjxfsj")), now),
            fieldvalue::toSql(members.field(QStringLiteral("Customers_zcsj")), now.date())});
}

} // namespace ktv
