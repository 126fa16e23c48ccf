#include "membertidy.h"

#include "database.h"
#include "fieldvalue.h"
#include "tables.h"

namespace ktv {

namespace {

// Written exactly as the partial indexes are, so that SQLite reads the indexes and not the table.
const QString kNameless = QStringLiteral("Customers_name IS NULL OR Customers_name = ''");
const QString kUnstamped = QStringLiteral("Customers_zjxfsj IS NULL");

} // namespace

// A database made by an earlier release lacks the indexes: the first start makes them (one pass over the
// members). They hold no data of their own, so the schema version stays and earlier releases open the file.
void ensureTidyingIndexes(Database &db)
{
    if (db.hasIndex(QStringLiteral("members_nameless")) && db.hasIndex(QStringLiteral("members_unstamped")))
        return;
    db.run(QStringLiteral("CREATE INDEX IF NOT EXISTS members_nameless ON Customers (Customers_id) WHERE ") +
           kNameless);
    db.run(QStringLiteral("CREATE INDEX IF NOT EXISTS members_unstamped ON Customers (Customers_id) WHERE ") +
           kUnstamped);
}

qint64 tidyMemberRecords(Database &db, const QDateTime &now)
{
    ensureTidyingIndexes(db);
    const TableDef &members = tables::customers();
    QSqlQuery nameless = db.run(QStringLiteral("DELETE FROM Customers WHERE ") + kNameless);
    QSqlQuery unstamped = db.run(
        QStringLiteral("UPDATE Customers SET Customers_zjxfsj = ?, Customers_zcsj = coalesce(Customers_zcsj, ?) "
                       "WHERE ") +
            kUnstamped,
        {fieldvalue::toSql(members.field(QStringLiteral("Customers_zjxfsj")), now),
         fieldvalue::toSql(members.field(QStringLiteral("Customers_zcsj")), now.date())});
    const qint64 changed = nameless.numRowsAffected() + unstamped.numRowsAffected();
    if (changed > 0)
        db.noteWrite(members.name);
    return changed;
}

} // namespace ktv
