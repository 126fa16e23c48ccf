#pragma once

#include <QString>
#include <QVariantList>

#include <functional>

namespace ktv {

class Database;
struct TableDef;

// Deleting many records of one table at once, for the clearing of the maintenance window. It runs inside the
// caller's transaction, so that a record the store refuses to delete leaves every record as it was.

// The records of table that meet condition (an SQL expression over its fields; empty: every record).
qint64 countRows(Database &db, const TableDef &table, const QString &condition = {}, const QVariantList &binds = {});

// Deletes those records a batch at a time in the order they were stored, so that the time grows with the
// records deleted and progress(deleted so far) can be shown between batches. Returns how many were deleted.
// Throws StoreError when called outside a transaction or when the store refuses a record.
qint64 deleteRows(Database &db, const TableDef &table, const QString &condition = {}, const QVariantList &binds = {},
                  const std::function<void(qint64)> &progress = {});

} // namespace ktv
