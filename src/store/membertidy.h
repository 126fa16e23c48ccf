#pragma once

#include <QDateTime>

namespace ktv {

class Database;

// The member table as the start leaves it, written as two statements inside the caller's transaction:
// members without a name are deleted; a member without a last-consumption time gets now, and today as
// registration date when it has none (the shared member cursor's before-post rule). Reads only the members
// it changes, through two partial indexes it makes if the file lacks them. Returns how many members it
// deleted or changed; the member table's cursors re-read when it changed any.
qint64 tidyMemberRecords(Database &db, const QDateTime &now);
// Makes the two indexes where they are missing.
void ensureTidyingIndexes(Database &db);

} // namespace ktv
