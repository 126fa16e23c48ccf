#include "checkinstep.h"

#include "checkin.h"
#include "checkoutsteps.h"

#include "store/database.h"
#include "store/journal.h"
#include "store/openvisits.h"
#include "store/reservations.h"
#include "store/reservationtimes.h"
#include "store/storedrecord.h"
#include "store/tables.h"

namespace ktv::checkin {

Opened checkIn(Database &db, const QString &memberId, const QString &roomId, const QDateTime &now)
{
    Transaction tx(db);
    std::optional<StoredRecord> member =
        StoredRecord::find(db, tables::customers(), QStringLiteral("Customers_id"), memberId);
    if (!member)
        throw checkout::Refused(QStringLiteral("会员“%1”已不存在，请重新选择会员！").arg(memberId));
    std::optional<StoredRecord> room = StoredRecord::find(db, tables::room(), QStringLiteral("Room_id"), roomId);
    if (!room)
        throw checkout::Refused(QStringLiteral("房间“%1”已不存在，请重新选择房间！").arg(roomId));
    if (tables::isYes(room->text(QStringLiteral("Room_used"))) || openvisits::notCheckedOut(db, roomId))
        throw checkout::Refused(roomInUseMessage(roomId));

    Opened opened;
    opened.room = room->text(QStringLiteral("Room_id"));
    opened.member = member->text(QStringLiteral("Customers_id"));
    opened.serial = StoredRecord::insert(db, tables::openroom(),
                                         {{QStringLiteral("Openroom_Customers_id"), opened.member},
                                          {QStringLiteral("Openroom_room_id"), opened.room},
                                          {QStringLiteral("Openroom_begintime"), now},
                                          {QStringLiteral("Openroom_endtime"), now.addDays(-1)}});
    member->set(QStringLiteral("Customers_zjxfsj"), now);
    member->write(db);
    room->set(QStringLiteral("Room_used"), tables::yes);
    room->write(db);
    journal::record(db, {QStringLiteral("开房"), opened.serial, opened.room}, now);
    tx.commit();
    return opened;
}

Opened checkInReserved(Database &db, const QString &memberId, qint64 reservationId, const QDateTime &now)
{
    Transaction tx(db);
    StoredRecord booking = reservations::forArrival(db, reservationId);
    const Opened opened = checkIn(db, memberId, booking.text(QStringLiteral("Reservation_room")), now);
    booking.set(QStringLiteral("Reservation_state"), reservationtimes::arrived);
    booking.set(QStringLiteral("Reservation_visit"), opened.serial);
    booking.write(db);
    tx.commit();
    return opened;
}

} // namespace ktv::checkin
