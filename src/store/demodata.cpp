#include "demodata.h"

#include "clock.h"
#include "cursor.h"
#include "database.h"
#include "tables.h"

namespace ktv {

namespace {

struct DemoRoom
{
    const char *id;
    const char *size;
    const char *facilities;
    double hourly;
};

struct DemoClient
{
    const char *mac;
    const char *address;
    const char *host;
    const char *room;
    const char *running;
};

struct DemoDrink
{
    const char *code;
    const char *name;
    double price;
};

} // namespace

void addDemoData(Database &db, const Clock &clock)
{
    static const DemoRoom rooms[] = {
        {"101", "大", "大屏幕 环绕音响 沙发", 120.0}, {"102", "中", "液晶电视 音响", 80.0},
        {"103", "小", "液晶电视", 50.0},               {"201", "小", "液晶电视", 50.0},
        {"202", "小", "液晶电视", 50.0},               {"203", "小", "液晶电视", 50.0},
        {"204", "小", "液晶电视", 50.0},               {"205", "大", "大屏幕 环绕音响 沙发", 120.0},
    };
    static const DemoDrink drinks[] = {
        {"B001", "青岛啤酒", 12.5}, {"B002", "雪花啤酒", 10.0}, {"S001", "可乐", 8.0},   {"S002", "雪碧", 8.0},
        {"S003", "橙汁", 15.0},     {"W001", "红酒", 168.0},    {"T001", "绿茶", 20.0},  {"F001", "果盘", 38.0},
    };

    Transaction tx(db);
    Cursor room(db, tables::room());
    room.open();
    for (const DemoRoom &r : rooms) {
        room.append();
        room.setValue(QStringLiteral("Room_id"), QString::fromUtf8(r.id));
        room.setValue(QStringLiteral("Room_guige"), QString::fromUtf8(r.size));
        room.setValue(QStringLiteral("Room_sheshi"), QString::fromUtf8(r.facilities));
        room.setValue(QStringLiteral("Room_sfbiaozhun"), r.hourly);
        room.setValue(QStringLiteral("Room_used"), tables::no);
        room.post();
    }
    Cursor pear(db, tables::pear());
    pear.open();
    for (const DemoDrink &d : drinks) {
        pear.append();
        pear.setValue(QStringLiteral("Pear_bm"), QString::fromUtf8(d.code));
        pear.setValue(QStringLiteral("Pear_name"), QString::fromUtf8(d.name));
        pear.setValue(QStringLiteral("Pear_price"), d.price);
        pear.post();
    }
    // Two room PCs paired to their rooms, so that the client screens have something to show.
    static const DemoClient clients[] = {
        {"00-1A-2B-3C-4D-01", "192.168.1.101", "KTV-101", "101", "运行中"},
        {"00-1A-2B-3C-4D-02", "192.168.1.102", "KTV-102", "102", "停止运行"},
    };
    Cursor client(db, tables::clients());
    client.open();
    for (const DemoClient &c : clients) {
        client.append();
        client.setValue(QStringLiteral("Clients_mac"), QString::fromUtf8(c.mac));
        client.setValue(QStringLiteral("Clients_ip"), QString::fromUtf8(c.address));
        client.setValue(QStringLiteral("Clients_gateway"), QStringLiteral("192.168.1.1"));
        client.setValue(QStringLiteral("Clients_hostname"), QString::fromUtf8(c.host));
        client.setValue(QStringLiteral("Clients_room_id"), QString::fromUtf8(c.room));
        client.setValue(QStringLiteral("Clients_used"), tables::no);
        client.setValue(QStringLiteral("Clients_lastopentime"), clock.now().addSecs(-3600));
        client.setValue(QStringLiteral("Clients_Running"), QString::fromUtf8(c.running));
        client.post();
    }
    Cursor member(db, tables::customers());
    member.open();
    member.append();
    member.setValue(QStringLiteral("Customers_id"), QStringLiteral("000"));
    member.setValue(QStringLiteral("Customers_name"), QStringLiteral("散客"));
    member.setValue(QStringLiteral("Customers_zcsj"), clock.now().date());
    member.setValue(QStringLiteral("Customers_zjxfsj"), clock.now());
    member.setValue(QStringLiteral("Customers_zkl"), 1.0);
    member.setValue(QStringLiteral("Customers_ljxf"), 0.0);
    member.post();
    tx.commit();
}

} // namespace ktv
