#include "membertidying.h"

#include "store/cursor.h"
#include "store/database.h"
#include "store/membertidy.h"

namespace ktv {

void tidyMembers(Cursor &members, const QDateTime &now)
{
    members.checkBrowseMode();
    qint64 changed = 0;
    {
        Transaction tx(members.database(), {&members});
        changed = tidyMemberRecords(members.database(), now);
        tx.commit();
    }
    if (changed > 0) // most evenings nothing: the cursor's view is as it was read
        members.refresh();
    members.last();
}

} // namespace ktv
