#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace ktv {

class Database;
struct CopyTarget;

// What one table holds on each side of a copy: its rows, and the sum of its money fields as stored.
struct TableTally
{
    QString table;
    qint64 sourceRows = 0;
    qint64 targetRows = 0;
    double sourceMoney = 0;
    double targetMoney = 0;
};

// Rows copied so far, of all.
using CopyProgress = std::function<void(qint64 done, qint64 total)>;
// Looks at the tallies before the copy is kept, and refuses it by throwing StoreError.
using CopyCheck = std::function<void(const QList<TableTally> &)>;

// Copies every record of the source's tables into the target, whichever engine each is on: read from one
// moment of the source (its snapshot), a batch of rows at a time, and written with the values as stored (text
// as it is, money unrounded, times in their stored form). The target is an empty venue database of this
// program's version inside a transaction of the caller's, so that a failure leaves nothing of the copy; its
// serial numbers continue after the highest the source issued. A source of an earlier version is refused: it
// is upgraded by starting the program once. Answers each table's rows and money on both sides, the target's
// as read inside the transaction, after check saw them. Throws StoreError; rows that differ in number are
// refused here.
QList<TableTally> copyVenue(Database &source, Database &target, const CopyProgress &progress = {},
                            const CopyCheck &check = {});

// Deletes every record of the venue database's tables, inside the caller's transaction, ahead of copying
// another venue's into it.
void emptyVenue(Database &target);

// A copy of the source as a new SQLite venue file: written into the target's part file, checked, and only then
// given its name (onlinecopy.h). Answers the tallies of copyVenue.
QList<TableTally> copyToFile(Database &source, const CopyTarget &target, const CopyProgress &progress = {},
                             const CopyCheck &check = {});

} // namespace ktv
