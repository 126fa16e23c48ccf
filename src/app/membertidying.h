#pragma once

#include <QDateTime>

namespace ktv {

class Cursor;

// Deletes members without a name and gives the others an empty last-consumption time the start's moment,
// all in one transaction. Leaves the cursor on the last member.
void tidyMembers(Cursor &members, const QDateTime &now);

} // namespace ktv
