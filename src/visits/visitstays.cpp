#include "visitstays.h"

#include "store/database.h"
#include "store/storedrecord.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "store/venuesettings.h"

namespace ktv::visitstays {

namespace {

charge::RoomPrices pricesOf(Database &db, const QString &room, bool bands, QStringList *missing)
{
    charge::RoomPrices prices;
    prices.room = room;
    const std::optional<StoredRecord> stored =
        StoredRecord::find(db, tables::room(), QStringLiteral("Room_id"), room, true);
    if (!stored) {
        if (missing)
            missing->append(room);
        return prices;
    }
    prices.hourlyPrice = stored->number(QStringLiteral("Room_sfbiaozhun"));
    if (bands) {
        for (int n = 1; n <= 3; ++n) {
            prices.bands.append({n, stored->value(QStringLiteral("Room_begintime%1").arg(n)).toTime(),
                                 stored->value(QStringLiteral("Room_endtime%1").arg(n)).toTime(),
                                 stored->number(QStringLiteral("Room_feiyong%1").arg(n))});
        }
    }
    return prices;
}

} // namespace

QList<charge::Stay> read(Database &db, qint64 serial, const QString &room, const QDateTime &begin, QStringList *missing)
{
    const bool bands = venuesettings::isOn(db, venuesettings::timeBands);
    const QList<StoredRecord> moves =
        StoredRecord::findAll(db, tables::roomMove(), QStringLiteral("RoomMove_visit"), serial);
    // Before its first move the visit was in the room that move left.
    QList<charge::Stay> stays{
        {begin,
         pricesOf(db, moves.isEmpty() ? room : moves.first().text(QStringLiteral("RoomMove_from")), bands, missing)}};
    for (const StoredRecord &move : moves) {
        stays.append({move.dateTime(QStringLiteral("RoomMove_time")),
                      pricesOf(db, move.text(QStringLiteral("RoomMove_to")), bands, missing)});
    }
    return stays;
}

namespace {

charge::StayCharge chargeOf(Database &db, const StoredRecord &visit, QStringList &missing)
{
    const QDateTime begin = visit.dateTime(QStringLiteral("Openroom_begintime"));
    const QList<charge::Stay> stays = read(db, visit.integer(QStringLiteral("Openroom_Lishui")),
                                           visit.text(QStringLiteral("Openroom_room_id")), begin, &missing);
    return charge::stayCharge(stays, begin, int(visit.integer(QStringLiteral("Openroom_usedminute"))),
                              int(visit.integer(QStringLiteral("Openroom_youhuminute"))),
                              visit.number(QStringLiteral("Openroom_customer_zhelu")),
                              visit.number(QStringLiteral("Openroom_room_zhelu")));
}

} // namespace

charge::StayCharge roomCharge(Database &db, const StoredRecord &visit)
{
    QStringList missing;
    const charge::StayCharge charge = chargeOf(db, visit, missing);
    const QString room = visit.text(QStringLiteral("Openroom_room_id"));
    if (room.isEmpty() || !missing.isEmpty())
        throw Refused(QStringLiteral("房间列表中没有房间“%1”，不能计算基本消费！").arg(missing.value(0, room)));
    return charge;
}

charge::StayCharge receiptCharge(Database &db, qint64 serial)
{
    const std::optional<StoredRecord> visit =
        StoredRecord::find(db, tables::openroom(), QStringLiteral("Openroom_Lishui"), serial);
    if (!visit)
        return {};
    QStringList missing;
    const charge::StayCharge charge = chargeOf(db, *visit, missing);
    return missing.isEmpty() ? charge : charge::StayCharge{};
}

} // namespace ktv::visitstays
