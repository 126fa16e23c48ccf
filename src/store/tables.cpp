#include "tables.h"

#include "database.h"
#include "storeerror.h"

namespace ktv::tables {

namespace {

using K = FieldKind;

FieldDef text(const char *name, int width, const char *label = nullptr)
{
    return {QLatin1String(name), K::Text, width, label ? QString::fromUtf8(label) : QString()};
}

FieldDef of(const char *name, FieldKind kind, const char *label = nullptr)
{
    return {QLatin1String(name), kind, 0, label ? QString::fromUtf8(label) : QString()};
}

FieldDef flag(const char *name, const char *label = nullptr) { return text(name, 2, label); }

// A key value: one that does not fit is refused, for "3001" cut to "300" would be another room.
FieldDef wholeText(const char *name, int width)
{
    FieldDef def = text(name, width);
    def.whole = true;
    return def;
}

} // namespace

const TableDef &customers()
{
    static const TableDef def{
        QStringLiteral("Customers"),
        QStringLiteral("Customers.db"),
        {wholeText("Customers_id", 7), text("Customers_name", 8), text("Customers_sfzh", 18),
         text("Customers_phone", 16), of("Customers_zcsj", K::Date),
         of("Customers_zjxfsj", K::DateTime, "最近消费时间"), of("Customers_ljxf", K::Money),
         of("Customers_zkl", K::Float), text("Customers_dizhi", 20), text("Customers_hyjb", 10),
         text("Customers_bz", 20)},
        QStringLiteral("Customers_id"),
        {{QStringLiteral("Customers_id"), {QStringLiteral("Customers_id")}}},
        {QStringLiteral("Customers_id")},
    };
    return def;
}

const TableDef &room()
{
    static const TableDef def{
        QStringLiteral("room"),
        QStringLiteral("room.DB"),
        {wholeText("Room_id", 3), text("Room_sheshi", 40), of("Room_sfbiaozhun", K::Money), flag("Room_used"),
         text("Room_guige", 2), of("Room_feiyong1", K::Money), of("Room_begintime1", K::Time),
         of("Room_endtime1", K::Time), of("Room_feiyong2", K::Money), of("Room_begintime2", K::Time),
         of("Room_endtime2", K::Time), of("Room_feiyong3", K::Money), of("Room_begintime3", K::Time),
         of("Room_endtime3", K::Time), text("Room_beizhu", 10)},
        QStringLiteral("Room_id"),
        {{QStringLiteral("Room_id"), {QStringLiteral("Room_id")}}},
        {QStringLiteral("Room_id")},
    };
    return def;
}

const TableDef &clients()
{
    static const TableDef def{
        QStringLiteral("Clients"),
        QStringLiteral("Clients.DB"),
        {text("Clients_mac", 17), wholeText("Clients_ip", 15), text("Clients_gateway", 13),
         text("Clients_hostname", 20), wholeText("Clients_room_id", 3), flag("Clients_used"),
         of("Clients_lastopentime", K::DateTime), of("Clients_lastclosetime", K::DateTime), text("Clients_Running", 8)},
        QString(),
        {{QStringLiteral("client_room_id"), {QStringLiteral("Clients_room_id")}}},
        {QStringLiteral("Clients_mac"), QStringLiteral("Clients_ip")},
    };
    return def;
}

const TableDef &pear()
{
    static const TableDef def{
        QStringLiteral("Pear"),
        QStringLiteral("Pear.db"),
        {wholeText("Pear_bm", 10), text("Pear_name", 30), of("Pear_price", K::Money), text("Pear_beizhu", 30)},
        QString(),
        {},
        {QStringLiteral("Pear_bm")},
    };
    return def;
}

const TableDef &openroom()
{
    static const TableDef def{
        QStringLiteral("Openroom"),
        QStringLiteral("Openroom.DB"),
        {of("Openroom_Lishui", K::AutoInc, "开房流水号"), text("Openroom_Customers_id", 7),
         text("Openroom_room_id", 3), of("Openroom_begintime", K::DateTime), of("Openroom_endtime", K::DateTime),
         of("Openroom_usedminute", K::Int32), of("Openroom_youhuminute", K::Int16),
         of("Openroom_room_zhelu", K::Float), of("Openroom_customer_zhelu", K::Float), of("Openroom_jbxf", K::Money),
         of("Openroom_jiushui", K::Money), of("Openroom_yingfu", K::Money), of("Openroom_shifu", K::Money),
         of("Openroom_zhaoling", K::Money), text("Openroom_beizhu", 10),
         flag("Openroom_leijifou", "消费是否累计")},
        QString(),
        {{QStringLiteral("room_cust_id"), {QStringLiteral("Openroom_Customers_id")}},
         // Newest visit first, so that a search by room number finds the room's latest visit.
         {QStringLiteral("openroom_id"), {QStringLiteral("Openroom_Lishui")}, true}},
    };
    return def;
}

const TableDef &callpear()
{
    static const TableDef def{
        QStringLiteral("Callpear"),
        QStringLiteral("Callpear.DB"),
        {of("Callpear_id", K::AutoInc),
         // Holds any visit serial number: a 16-bit link would tie lines of visit 32768 and up to other visits.
         of("Openroom_lishu", K::Int32), text("Pear_id", 5), of("Pear_price", K::Money),
         of("Pear_shuliang", K::Int16), of("Pear_calltime", K::DateTime), text("Callpear_bz", 10)},
        QString(),
        {{QStringLiteral("openroomls"), {QStringLiteral("Openroom_lishu")}}},
    };
    return def;
}

const TableDef &staff()
{
    static const TableDef def{
        QStringLiteral("Staff"),
        QStringLiteral("Staff.DB"),
        {wholeText("Staff_id", 10), text("Staff_name", 20), text("Staff_role", 6), flag("Staff_active"),
         // A salted hash, never the password.
         text("Staff_password", 120)},
        QStringLiteral("Staff_id"),
        {{QStringLiteral("Staff_id"), {QStringLiteral("Staff_id")}}},
        {QStringLiteral("Staff_id")},
    };
    return def;
}

const TableDef &journal()
{
    static const TableDef def{
        QStringLiteral("Journal"),
        QStringLiteral("Journal.DB"),
        {of("Journal_id", K::AutoInc), of("Journal_time", K::DateTime), text("Journal_station", 40),
         text("Journal_staff", 10), text("Journal_authorised", 10), text("Journal_action", 8),
         of("Journal_visit", K::Int32), text("Journal_room", 3), of("Journal_amount", K::Money),
         of("Journal_before", K::Money), of("Journal_after", K::Money), text("Journal_reason", 40)},
        QString(),
        // The journal and its reports read a range of days, however long the venue keeps it.
        {{QStringLiteral("journal_time"), {QStringLiteral("Journal_time")}}},
    };
    return def;
}

const TableDef &shift()
{
    static const TableDef def{
        QStringLiteral("Shift"),
        QStringLiteral("Shift.DB"),
        {of("Shift_id", K::AutoInc), text("Shift_staff", 10), text("Shift_station", 40), of("Shift_opened", K::DateTime),
         of("Shift_closed", K::DateTime), of("Shift_float", K::Money), of("Shift_expected", K::Money),
         of("Shift_counted", K::Money), of("Shift_difference", K::Money)},
        QString(),
        {{QStringLiteral("shift_staff"), {QStringLiteral("Shift_staff")}}},
    };
    return def;
}

const QList<const TableDef *> &staffTables()
{
    static const QList<const TableDef *> list{&staff(), &journal(), &shift()};
    return list;
}

const TableDef &settings()
{
    static const TableDef def{
        QStringLiteral("Settings"),
        QStringLiteral("Settings.DB"),
        {wholeText("Settings_key", 20), text("Settings_value", 40)},
        QStringLiteral("Settings_key"),
        {{QStringLiteral("Settings_key"), {QStringLiteral("Settings_key")}}},
        {QStringLiteral("Settings_key")},
    };
    return def;
}

const TableDef &roomMove()
{
    static const TableDef def{
        QStringLiteral("RoomMove"),
        QStringLiteral("RoomMove.DB"),
        {of("RoomMove_id", K::AutoInc), of("RoomMove_visit", K::Int32), text("RoomMove_from", 3),
         text("RoomMove_to", 3), of("RoomMove_time", K::DateTime)},
        QString(),
        {{QStringLiteral("roommove_visit"), {QStringLiteral("RoomMove_visit")}}},
    };
    return def;
}

const TableDef &reservation()
{
    static const TableDef def{
        QStringLiteral("Reservation"),
        QStringLiteral("Reservation.DB"),
        {of("Reservation_id", K::AutoInc), text("Reservation_name", 20), text("Reservation_phone", 20),
         text("Reservation_room", 3), of("Reservation_from", K::DateTime), of("Reservation_to", K::DateTime),
         of("Reservation_deposit", K::Money), text("Reservation_note", 40), text("Reservation_state", 4),
         of("Reservation_visit", K::Int32)},
        QString(),
        // A day's reservations and the board's next hour read a range of times, however many the venue keeps.
        {{QStringLiteral("reservation_from"), {QStringLiteral("Reservation_from")}},
         {QStringLiteral("reservation_visit"), {QStringLiteral("Reservation_visit")}}},
    };
    return def;
}

const QList<const TableDef *> &operationsTables()
{
    static const QList<const TableDef *> list{&settings(), &roomMove(), &reservation()};
    return list;
}

const QList<const TableDef *> &addedIn(int version)
{
    static const QList<const TableDef *> none;
    switch (version) {
    case 1:
        return all();
    case 2:
        return staffTables();
    case 3:
        return operationsTables();
    default:
        return none;
    }
}

QList<const TableDef *> inVersion(int version)
{
    QList<const TableDef *> list;
    for (int v = 1; v <= version; ++v)
        list += addedIn(v);
    return list;
}

const QList<const TableDef *> &all()
{
    static const QList<const TableDef *> list{&customers(), &room(), &clients(), &pear(), &openroom(), &callpear()};
    return list;
}

const TableDef &byName(const QString &name)
{
    for (const TableDef *def : inVersion(Database::schemaVersion)) {
        if (def->name.compare(name, Qt::CaseInsensitive) == 0)
            return *def;
    }
    throw StoreError(QStringLiteral("没有名为 %1 的表").arg(name));
}

} // namespace ktv::tables
