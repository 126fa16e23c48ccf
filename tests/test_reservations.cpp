#include "stations.h"
#include "storefixture.h"

#include "store/reservations.h"
#include "store/reservationtimes.h"
#include "store/storedrecord.h"
#include "visits/checkin.h"
#include "visits/checkinstep.h"
#include "visits/checkoutsteps.h"

#include <QtTest>

#include <functional>

using namespace ktv;

namespace {

const QDateTime kEight(QDate(2026, 12, 8), QTime(20, 0));

QDateTime at(int hour, int minute = 0)
{
    return QDateTime(kEight.date(), QTime(0, 0)).addSecs(hour * 3600 + minute * 60);
}

QVariantMap booking(const QString &room, const QDateTime &from, const QDateTime &to, double deposit = 0,
                    const QString &state = reservationtimes::booked)
{
    return {{QStringLiteral("Reservation_name"), QStringLiteral("张三")},
            {QStringLiteral("Reservation_room"), room},
            {QStringLiteral("Reservation_from"), from},
            {QStringLiteral("Reservation_to"), to},
            {QStringLiteral("Reservation_deposit"), deposit},
            {QStringLiteral("Reservation_state"), state}};
}

qint64 book(Database &db, const QVariantMap &values)
{
    Transaction tx(db);
    const qint64 id = StoredRecord::insert(db, tables::reservation(), values);
    tx.commit();
    return id;
}

// What the store said when it refused; empty when the action went through.
QString refusal(const std::function<void()> &action)
{
    try {
        action();
    } catch (const StoreError &e) {
        return e.message();
    }
    return {};
}

} // namespace

class ReservationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void timeRules_data();
    void timeRules();
    void overlapOfTwoStays_data();
    void overlapOfTwoStays();
    void overlappingBookingsOfARoomRefused();
    void badBookingsRefused_data();
    void badBookingsRefused();
    void twoStationsBookingOneRoomAtOnce();
    void arrivalMarksTheBookingWithItsVisit();
    void depositCountedOnceAtPayment();
};

void ReservationTest::timeRules_data()
{
    QTest::addColumn<int>("minutesToArrival");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("marks");
    QTest::addColumn<QString>("shown");
    const QString booked = reservationtimes::booked;
    QTest::newRow("61 before") << 61 << booked << false << booked;
    QTest::newRow("60 before") << 60 << booked << true << booked;
    QTest::newRow("59 before") << 59 << booked << true << booked;
    QTest::newRow("29 late") << -29 << booked << true << booked;
    QTest::newRow("30 late") << -30 << booked << false << reservationtimes::expired;
    QTest::newRow("arrived") << 10 << reservationtimes::arrived << false << reservationtimes::arrived;
    QTest::newRow("arrived long ago") << -300 << reservationtimes::arrived << false << reservationtimes::arrived;
    QTest::newRow("cancelled") << 10 << reservationtimes::cancelled << false << reservationtimes::cancelled;
}

void ReservationTest::timeRules()
{
    QFETCH(int, minutesToArrival);
    QFETCH(QString, state);
    QFETCH(bool, marks);
    QFETCH(QString, shown);
    const QDateTime from = kEight.addSecs(minutesToArrival * 60);
    QCOMPARE(reservationtimes::marksBoard(state, from, kEight, 60), marks);
    QCOMPARE(reservationtimes::shownState(state, from, kEight), shown);
}

void ReservationTest::overlapOfTwoStays_data()
{
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    QTest::addColumn<bool>("overlaps");
    // Against a stay from 20:00 to 22:00.
    QTest::newRow("ends as it starts") << at(18) << at(20) << false;
    QTest::newRow("starts as it ends") << at(22) << at(23) << false;
    QTest::newRow("one minute into it") << at(21, 59) << at(23) << true;
    QTest::newRow("inside") << at(20, 30) << at(21) << true;
    QTest::newRow("around") << at(19) << at(23) << true;
    QTest::newRow("the same") << at(20) << at(22) << true;
}

void ReservationTest::overlapOfTwoStays()
{
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QFETCH(bool, overlaps);
    QCOMPARE(reservationtimes::overlaps(from, to, at(20), at(22)), overlaps);
    QCOMPARE(reservationtimes::overlaps(at(20), at(22), from, to), overlaps);
}

// Saved through a cursor, as the grid saves: an overlap is refused whether new or edited, touching ends and
// other rooms are not, and a cancelled booking holds nothing.
void ReservationTest::overlappingBookingsOfARoomRefused()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    f.addRoom(QStringLiteral("102"));
    const qint64 first = book(*f.db, booking(QStringLiteral("101"), at(20), at(22)));

    Cursor grid(*f.db, tables::reservation());
    grid.open();
    const auto save = [&grid](const QVariantMap &values) {
        return refusal([&] {
            grid.append();
            for (auto it = values.begin(); it != values.end(); ++it)
                grid.setValue(it.key(), it.value());
            grid.post();
        });
    };
    const QString refused = save(booking(QStringLiteral("101"), at(21), at(23)));
    QVERIFY2(refused.contains(QStringLiteral("101")) && refused.contains(QStringLiteral("重叠")), qPrintable(refused));
    grid.cancel();
    QCOMPARE(save(booking(QStringLiteral("101"), at(22), at(23, 30))), QString());
    QCOMPARE(save(booking(QStringLiteral("102"), at(21), at(23))), QString());
    QCOMPARE(f.count(QStringLiteral("Reservation")), 3);

    // Moving the later one back into the first is refused, and the stored times stay.
    QVERIFY(grid.locate(QStringLiteral("Reservation_from"), at(22)));
    grid.edit();
    grid.setValue(QStringLiteral("Reservation_from"), at(21, 30));
    QVERIFY(refusal([&grid] { grid.post(); }).contains(QStringLiteral("重叠")));
    grid.cancel();

    reservations::cancel(*f.db, first);
    QCOMPARE(save(booking(QStringLiteral("101"), at(20, 30), at(21, 30))), QString());
}

void ReservationTest::badBookingsRefused_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("no such room") << "Reservation_room" << QVariant(QStringLiteral("109")) << "房间“109”不存在";
    QTest::newRow("no room") << "Reservation_room" << QVariant() << "“房间”不能为空";
    QTest::newRow("ends as it starts") << "Reservation_to" << QVariant(at(20)) << "须晚于";
    QTest::newRow("ends before it starts") << "Reservation_to" << QVariant(at(19)) << "须晚于";
    QTest::newRow("no arrival time") << "Reservation_from" << QVariant() << "“预计到店”时间不能为空";
    QTest::newRow("longer than a day") << "Reservation_to" << QVariant(at(20).addDays(2)) << "不能超过24小时";
    QTest::newRow("negative deposit") << "Reservation_deposit" << QVariant(-50.0) << "“订金”不能是负数";
    QTest::newRow("no name") << "Reservation_name" << QVariant() << "“姓名”不能为空";
    QTest::newRow("unknown state") << "Reservation_state" << QVariant(QStringLiteral("好")) << "“状态”只能是";
}

void ReservationTest::badBookingsRefused()
{
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, message);
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    QVariantMap values = booking(QStringLiteral("101"), at(20), at(22));
    values.insert(field, value);
    const QString refused = refusal([&] { book(*f.db, values); });
    QVERIFY2(refused.contains(message), qPrintable(refused));
    QCOMPARE(f.count(QStringLiteral("Reservation")), 0);
}

// Two stations book room 101 for overlapping evenings at the same moment, twenty times over: each time
// exactly one booking is stored and the other station is told why.
void ReservationTest::twoStationsBookingOneRoomAtOnce()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    for (int round = 0; round < 20; ++round) {
        const QStringList outcomes = atOnce(f.location(), 2, [](Database &station, int s) {
            book(station, booking(QStringLiteral("101"), at(20 + s), at(22 + s)));
        });
        QCOMPARE(outcomes.count(QString()), 1);
        const QString refused = outcomes.value(outcomes.indexOf(QString()) == 0 ? 1 : 0);
        QVERIFY2(refused.contains(QStringLiteral("重叠")), qPrintable(refused));
        QCOMPARE(f.count(QStringLiteral("Reservation")), 1);
        Transaction tx(*f.db);
        f.db->run(QStringLiteral("DELETE FROM Reservation"));
        tx.commit();
    }
}

void ReservationTest::arrivalMarksTheBookingWithItsVisit()
{
    StoreFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"), tables::no);
    const qint64 id = book(*f.db, booking(QStringLiteral("101"), at(20, 30), at(22), 50));
    const checkin::Opened opened = checkin::checkInReserved(*f.db, QStringLiteral("001"), id, at(20, 10));
    QCOMPARE(opened.room, QStringLiteral("101"));
    const std::optional<StoredRecord> stored =
        StoredRecord::find(*f.db, tables::reservation(), QStringLiteral("Reservation_id"), id);
    QCOMPARE(stored->text(QStringLiteral("Reservation_state")), reservationtimes::arrived);
    QCOMPARE(stored->integer(QStringLiteral("Reservation_visit")), opened.serial);

    // Once arrived, the booking checks in nobody else.
    const QString again = refusal([&] { checkin::checkInReserved(*f.db, QStringLiteral("001"), id, at(20, 20)); });
    QVERIFY2(again.contains(QStringLiteral("已经到店开房")), qPrintable(again));
    QCOMPARE(f.count(QStringLiteral("Openroom")), 1);
}

// The deposit counts as paid at the visit's first payment and never again, and only for its own visit.
void ReservationTest::depositCountedOnceAtPayment()
{
    StoreFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"), tables::no);
    f.addRoom(QStringLiteral("102"), tables::no);
    const qint64 id = book(*f.db, booking(QStringLiteral("101"), at(20), at(22), 50));
    const qint64 booked = checkin::checkInReserved(*f.db, QStringLiteral("001"), id, at(20)).serial;
    const qint64 walkIn = checkin::checkIn(*f.db, QStringLiteral("001"), QStringLiteral("102"), at(20)).serial;
    const auto bill = [&f](qint64 serial, double charge, double typed) {
        Transaction tx(*f.db);
        StoredRecord visit = *StoredRecord::find(*f.db, tables::openroom(), QStringLiteral("Openroom_Lishui"), serial);
        visit.set(QStringLiteral("Openroom_jbxf"), charge);
        visit.set(QStringLiteral("Openroom_shifu"), typed);
        visit.write(*f.db);
        tx.commit();
    };
    const auto paid = [&f](qint64 serial) {
        return StoredRecord::find(*f.db, tables::openroom(), QStringLiteral("Openroom_Lishui"), serial)
            ->number(QStringLiteral("Openroom_shifu"));
    };

    bill(booked, 100.3, 60);
    // Typed short of the bill, but the deposit covers it: no manager is needed.
    QCOMPARE(checkout::paymentNeedingManager(*f.db, booked), QString());
    charge::Settlement s = checkout::takePayment(*f.db, booked, at(22), false);
    QCOMPARE(charge::compareMoney(paid(booked), 110), 0);
    QCOMPARE(charge::compareMoney(s.change.value_or(0), 9.7), 0);
    QCOMPARE(s.mark, QStringLiteral("结清"));
    s = checkout::takePayment(*f.db, booked, at(22, 5), false);
    QCOMPARE(charge::compareMoney(paid(booked), 110), 0);
    QCOMPARE(charge::compareMoney(s.change.value_or(0), 9.7), 0);

    bill(walkIn, 100, 100);
    checkout::takePayment(*f.db, walkIn, at(22));
    QCOMPARE(charge::compareMoney(paid(walkIn), 100), 0);
}

QTEST_GUILESS_MAIN(ReservationTest)
#include "test_reservations.moc"
