#include "membertidying.h"

#include "store/cursor.h"
#include "store/database.h"
#include "store/membertidy.h"

namespace ktv {

void tidyMembers(Cursor &members, const QDateTime &now)
{
    members.checkBrowseMode();
    {
        Transaction tx(members.database(), {&members});
        tidyMemberRecords(members.database(), now);
        tx.commit();
    }
    members.last(); // re-reads the view first when the tidying changed a member
}

} // namespace ktv
