#pragma once

#include <QVariant>
#include <QVector>

namespace ktv {

class Database;
struct TableDef;

// Rules every write must keep, whichever screen or cursor makes it: they guard what the stored records
// rely on, so no grid, navigator or step can break them.
namespace writerules {

// Throws StoreError naming the field when the record about to be written breaks a rule. rowid is 0 for a
// new record; values and changed hold one entry per field of the table.
void check(Database &db, const TableDef &table, qint64 rowid, const QVector<QVariant> &values,
           const QVector<bool> &changed);

// Throws StoreError saying why when the stored record may not be deleted: a reservation the party arrived
// on, whose deposit the visit's payment counts.
void checkDelete(const TableDef &table, const QVector<QVariant> &stored);

} // namespace writerules
} // namespace ktv
