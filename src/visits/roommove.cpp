#include "roommove.h"

#include "checkoutsteps.h"

#include "store/database.h"
#include "store/journal.h"
#include "store/openvisits.h"
#include "store/storedrecord.h"
#include "store/storeerror.h"
#include "store/tables.h"

namespace ktv::roommove {

Moved moveVisit(Database &db, qint64 serial, const QString &toRoom, const QDateTime &now)
{
    const QString roomField = QStringLiteral("Openroom_room_id");
    Transaction tx(db);
    std::optional<StoredRecord> visit =
        StoredRecord::find(db, tables::openroom(), QStringLiteral("Openroom_Lishui"), serial);
    if (!visit)
        throw Refused(QStringLiteral("开房流水号为 %1 的开房记录已不存在，请重新选择").arg(serial));
    if (!(visit->dateTime(QStringLiteral("Openroom_endtime")) < visit->dateTime(QStringLiteral("Openroom_begintime"))))
        throw Refused(QStringLiteral("开房流水号为 %1 的客人已经退房，不能换房！").arg(serial));
    Moved moved;
    moved.from = visit->text(roomField);
    std::optional<StoredRecord> room = StoredRecord::find(db, tables::room(), QStringLiteral("Room_id"), toRoom, true);
    if (!room)
        throw Refused(QStringLiteral("房间“%1”已不存在，请重新选择房间！").arg(toRoom));
    moved.to = room->text(QStringLiteral("Room_id"));
    if (moved.to.compare(moved.from, Qt::CaseInsensitive) == 0)
        throw Refused(QStringLiteral("客人已经在房间%1，请选择另一个空闲房间！").arg(moved.to));
    // Another station may have let the room since the list of free rooms was shown.
    if (tables::isYes(room->text(QStringLiteral("Room_used"))) || openvisits::notCheckedOut(db, moved.to, serial))
        throw Refused(QStringLiteral("房间号为： %1正在使用中，不能换到这个房间，请重新选择！").arg(moved.to));

    visit->set(roomField, moved.to);
    visit->write(db);
    room->set(QStringLiteral("Room_used"), tables::yes);
    room->write(db);
    checkout::releaseRoom(db, moved.from, serial);
    StoredRecord::insert(db, tables::roomMove(),
                         {{QStringLiteral("RoomMove_visit"), serial},
                          {QStringLiteral("RoomMove_from"), moved.from},
                          {QStringLiteral("RoomMove_to"), moved.to},
                          {QStringLiteral("RoomMove_time"), now}});
    journal::Entry entry{QStringLiteral("换房"), serial, moved.to};
    entry.reason = QStringLiteral("从%1换到%2").arg(moved.from, moved.to);
    journal::record(db, entry, now);
    tx.commit();
    return moved;
}

} // namespace ktv::roommove
