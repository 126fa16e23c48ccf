#pragma once

#include <QDateTime>

namespace ktv {

class Database;

// The member table as the start leaves it, written as two statements inside the caller's transaction:
// members without a name are deleted; a member without a last-consumption time gets now, and today as
// registration date when it has none (the shared member cursor's before-post rule). Reads only the members
// it changes, through their partial indexes. Returns how many members it deleted or changed.
qint64 tidyMemberRecords(Database &db, const QDateTime &now);

} // namespace ktv
