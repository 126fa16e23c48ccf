#include "openvisits.h"

#include "database.h"

#include <QSqlQuery>

namespace ktv::openvisits {

qint64 holding(Database &db, const QString &room, qint64 exceptVisit)
{
    // The condition on the mark is the partial index's own, written alike so that SQLite uses it.
    QSqlQuery query = db.run(QStringLiteral("SELECT Openroom_Lishui FROM Openroom WHERE Openroom_beizhu IS NOT '%1' "
                                            "AND lower(Openroom_room_id) = lower(?) "
                                            "AND Openroom_endtime < Openroom_begintime AND Openroom_Lishui <> ? "
                                            "ORDER BY Openroom_Lishui DESC LIMIT 1")
                                 .arg(QStringLiteral("结清")),
                             {room, exceptVisit});
    return query.next() ? query.value(0).toLongLong() : 0;
}

} // namespace ktv::openvisits
