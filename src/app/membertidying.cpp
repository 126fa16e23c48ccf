#include "membertidying.h"

#include "store/cursor.h"

namespace ktv {

void tidyMembers(Cursor &members, const QDateTime &now)
{
    const QString name = QStringLiteral("Customers_name");
    const QString lastVisit = QStringLiteral("Customers_zjxfsj");
    members.first();
    while (!members.eof()) {
        if (members.isNull(name)) {
            members.remove(); // the record after it is examined next
            continue;
        }
        if (members.isNull(lastVisit)) {
            members.edit();
            members.setValue(lastVisit, now);
            members.post();
        }
        members.next();
    }
}

} // namespace ktv
