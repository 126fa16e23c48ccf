#include "storefixture.h"

#include "store/storeerror.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ktv;

namespace {
const QString kRoomId = QStringLiteral("Room_id");
const QString kUsed = QStringLiteral("Room_used");
const QString kLishui = QStringLiteral("Openroom_Lishui");
const QString kVisitRoom = QStringLiteral("Openroom_room_id");
const QString kMark = QStringLiteral("Openroom_beizhu");
} // namespace

class CursorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void walkSetsEndFlags();
    void locateOptions_data();
    void locateOptions();
    void locateNumberMatchesWhole();
    void filtersPassEmptyValuesAndSwitch();
    void openroomIdOrderIsNewestFirst();
    void masterDetailFollowsAndFills();
    void pendingChangeSavedOnMoveAndRefresh();
    void pendingChangeDroppedWhenUnchangedOrClosed();
    void refusedBeforeInsertLeavesNoRow();
    void deleteWalkEndsAtEof();
    void autoIncrementNeverReused();
    void uniqueKeyRefusesEmptyAndDuplicate();
    void readOnlyCursorRefusesChanges();
    void conversionErrors();
    void twoCursorsSeeEachOthersWrites();
    void editOfRowDeletedElsewhereFails();
    void queryShowsChosenColumnsDescending();
    void recordLeavesFilteredViewAtRefresh();
};

void CursorTest::walkSetsEndFlags()
{
    StoreFixture f;
    for (const char *id : {"101", "102", "103"})
        f.addRoom(QLatin1String(id));
    Cursor c(*f.db, tables::room());
    c.open();
    QCOMPARE(c.recordCount(), 3);
    QVERIFY(c.bof());
    QVERIFY(!c.eof());
    QStringList seen;
    for (c.first(); !c.eof(); c.next())
        seen << c.text(kRoomId);
    QCOMPARE(seen, QStringList({"101", "102", "103"}));
    QCOMPARE(c.text(kRoomId), QStringLiteral("103")); // stays on the last record
    c.prior();
    QCOMPARE(c.text(kRoomId), QStringLiteral("102"));
    QVERIFY(!c.eof());

    const Bookmark mark = c.bookmark();
    c.first();
    c.gotoBookmark(mark);
    QCOMPARE(c.text(kRoomId), QStringLiteral("102"));

    Cursor empty(*f.db, tables::pear());
    empty.open();
    QVERIFY(empty.isEmpty());
    QVERIFY(empty.bof() && empty.eof());
    QVERIFY(empty.isNull(QStringLiteral("Pear_bm")));
}

void CursorTest::locateOptions_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("found"); // empty: not found

    const int ci = int(LocateOption::CaseInsensitive);
    const int pk = int(LocateOption::PartialKey);
    QTest::newRow("exact") << "A02" << 0 << "A02";
    QTest::newRow("exact wrong case") << "a02" << 0 << "";
    QTest::newRow("exact any case") << "a02" << ci << "A02";
    QTest::newRow("prefix needs partial") << "A0" << 0 << "";
    QTest::newRow("partial first in order") << "A0" << pk << "A01";
    QTest::newRow("partial case-sensitive") << "a0" << pk << "";
    QTest::newRow("partial any case") << "b" << (pk | ci) << "b10";
    QTest::newRow("chinese prefix") << "张" << pk << "张三";
}

void CursorTest::locateOptions()
{
    QFETCH(QString, value);
    QFETCH(int, options);
    QFETCH(QString, found);

    StoreFixture f;
    f.addMember(QStringLiteral("A01"), QStringLiteral("王五"));
    f.addMember(QStringLiteral("A02"), QStringLiteral("李四"));
    f.addMember(QStringLiteral("b10"), QStringLiteral("张三"));
    Cursor c(*f.db, tables::customers());
    c.open();
    c.last();
    const QString field = value == QStringLiteral("张") ? QStringLiteral("Customers_name") : QStringLiteral("Customers_id");
    const bool ok = c.locate(field, value, LocateOptions(options));
    QCOMPARE(ok, !found.isEmpty());
    if (ok)
        QCOMPARE(c.text(field), found);
    else
        QCOMPARE(c.text(QStringLiteral("Customers_id")), QStringLiteral("b10")); // stays put
}

void CursorTest::locateNumberMatchesWhole()
{
    StoreFixture f;
    for (int i = 0; i < 120; ++i)
        f.addRecord(tables::openroom(), {{kVisitRoom, QStringLiteral("101")}});
    Cursor c(*f.db, tables::openroom());
    c.open();
    QVERIFY(c.locate(kLishui, QStringLiteral("12"), LocateOption::PartialKey));
    QCOMPARE(c.integer(kLishui), 12);
    QVERIFY(c.locate(kLishui, 120, {}));
    QCOMPARE(c.integer(kLishui), 120);
    QVERIFY(!c.locate(kLishui, QStringLiteral("abc"), LocateOption::PartialKey));
    QVERIFY(!c.locate(kLishui, QStringLiteral("121"), {}));
    QCOMPARE(c.integer(kLishui), 120);
}

void CursorTest::filtersPassEmptyValuesAndSwitch()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"), tables::yes);
    f.addRoom(QStringLiteral("102"), QString());
    f.addRoom(QStringLiteral("103"), tables::no);
    Cursor c(*f.db, tables::room());
    c.setFilter(QStringLiteral("Room_used<>'是'"));
    c.setFiltered(true);
    c.open();
    QCOMPARE(c.recordCount(), 2);
    QCOMPARE(c.text(kRoomId), QStringLiteral("102"));
    QVERIFY(!c.locate(kRoomId, QStringLiteral("101")));
    c.setFiltered(false);
    QCOMPARE(c.recordCount(), 3);
    QVERIFY(c.locate(kRoomId, QStringLiteral("101")));
    c.setFiltered(true);
    QCOMPARE(c.recordCount(), 2);

    Cursor visits(*f.db, tables::openroom());
    f.addRecord(tables::openroom(), {{kMark, QStringLiteral("结清")}});
    f.addRecord(tables::openroom(), {{kMark, QString()}});
    f.addRecord(tables::openroom(), {{kMark, QStringLiteral("欠帐:10")}});
    visits.setFilter(QStringLiteral("Openroom_beizhu<>'结清'"));
    visits.setFiltered(true);
    visits.open();
    QCOMPARE(visits.recordCount(), 2);
    QVERIFY_THROWS_EXCEPTION(StoreError, visits.setFilter(QStringLiteral("Openroom_beizhu like 'x'")));
}

void CursorTest::openroomIdOrderIsNewestFirst()
{
    StoreFixture f;
    f.addRecord(tables::openroom(), {{kVisitRoom, QStringLiteral("101")}});
    f.addRecord(tables::openroom(), {{kVisitRoom, QStringLiteral("102")}});
    f.addRecord(tables::openroom(), {{kVisitRoom, QStringLiteral("101")}});
    Cursor c(*f.db, tables::openroom());
    c.setIndexName(QStringLiteral("openroom_id"));
    c.open();
    QCOMPARE(c.integer(kLishui), 3);
    QVERIFY(c.locate(kVisitRoom, QStringLiteral("10"), LocateOption::PartialKey));
    QCOMPARE(c.integer(kLishui), 3); // the room's latest visit
    QVERIFY(c.locate(kVisitRoom, QStringLiteral("102")));
    QCOMPARE(c.integer(kLishui), 2);
}

void CursorTest::masterDetailFollowsAndFills()
{
    StoreFixture f;
    f.addRecord(tables::openroom(), {{kVisitRoom, QStringLiteral("101")}});
    f.addRecord(tables::openroom(), {{kVisitRoom, QStringLiteral("102")}});
    for (int visit : {1, 1, 2})
        f.addRecord(tables::callpear(), {{QStringLiteral("Openroom_lishu"), visit}});

    Cursor visits(*f.db, tables::openroom());
    Cursor lines(*f.db, tables::callpear());
    lines.setIndexName(QStringLiteral("openroomls"));
    lines.setMasterLink(&visits, {kLishui}, {QStringLiteral("Openroom_lishu")});
    visits.open();
    lines.open();
    QCOMPARE(lines.recordCount(), 2);
    visits.next();
    QCOMPARE(lines.recordCount(), 1);

    lines.insert();
    QCOMPARE(lines.integer(QStringLiteral("Openroom_lishu")), 2);
    lines.setValue(QStringLiteral("Pear_id"), QStringLiteral("B001"));
    lines.post();
    QCOMPARE(lines.recordCount(), 2);
    visits.first();
    QCOMPARE(lines.recordCount(), 2);

    // Serial numbers above 16 bits link as well as small ones.
    f.db->run(QStringLiteral("INSERT INTO Openroom (Openroom_Lishui) VALUES (40000)"));
    visits.refresh();
    QVERIFY(visits.locate(kLishui, 40000));
    QCOMPARE(lines.recordCount(), 0);
    lines.insert();
    lines.post();
    QCOMPARE(lines.integer(QStringLiteral("Openroom_lishu")), 40000);
    visits.first();
    QCOMPARE(lines.recordCount(), 2);
}

void CursorTest::pendingChangeSavedOnMoveAndRefresh()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    f.addRoom(QStringLiteral("102"));
    Cursor c(*f.db, tables::room());
    c.open();
    c.edit();
    c.setValue(QStringLiteral("Room_beizhu"), QStringLiteral("moved"));
    c.next();
    QCOMPARE(c.state(), CursorState::Browse);
    c.edit();
    c.setValue(QStringLiteral("Room_beizhu"), QStringLiteral("refreshed"));
    c.refresh();
    QCOMPARE(c.text(kRoomId), QStringLiteral("102"));

    Cursor other(*f.db, tables::room());
    other.open();
    QCOMPARE(other.text(QStringLiteral("Room_beizhu")), QStringLiteral("moved"));
    other.next();
    QCOMPARE(other.text(QStringLiteral("Room_beizhu")), QStringLiteral("refreshed"));
}

void CursorTest::pendingChangeDroppedWhenUnchangedOrClosed()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    {
        Cursor c(*f.db, tables::room());
        c.open();
        c.insert();
        c.next(); // an untouched new record is dropped, not stored
        QCOMPARE(c.recordCount(), 1);
        c.edit();
        c.setValue(QStringLiteral("Room_beizhu"), QStringLiteral("lost"));
        c.close();
    }
    QCOMPARE(f.count(QStringLiteral("room")), 1);
    Cursor c(*f.db, tables::room());
    c.open();
    QVERIFY(c.isNull(QStringLiteral("Room_beizhu")));
}

void CursorTest::refusedBeforeInsertLeavesNoRow()
{
    StoreFixture f;
    Cursor c(*f.db, tables::openroom());
    int afterInserts = 0;
    c.setBeforeInsert([](Cursor &) { throw AbortAction(); });
    c.setAfterInsert([&](Cursor &) { ++afterInserts; });
    c.open();
    QVERIFY_THROWS_EXCEPTION(AbortAction, c.insert());
    QCOMPARE(c.state(), CursorState::Browse);
    QCOMPARE(c.displayRowCount(), 0);
    QCOMPARE(afterInserts, 0);
    QCOMPARE(f.count(QStringLiteral("Openroom")), 0);
}

void CursorTest::deleteWalkEndsAtEof()
{
    StoreFixture f;
    const QStringList names{"", "", "甲", "", "乙", ""};
    for (int i = 0; i < names.size(); ++i)
        f.addMember(QString::number(i + 1), names[i]);
    Cursor c(*f.db, tables::customers());
    c.open();
    int steps = 0;
    for (c.first(); !c.eof() && steps < 20; ++steps) {
        if (c.isNull(QStringLiteral("Customers_name")))
            c.remove();
        else
            c.next();
    }
    QCOMPARE(c.recordCount(), 2);
    QCOMPARE(c.text(QStringLiteral("Customers_name")), QStringLiteral("乙"));
}

void CursorTest::autoIncrementNeverReused()
{
    StoreFixture f;
    Cursor c(*f.db, tables::openroom());
    c.open();
    for (int i = 0; i < 3; ++i) {
        c.append();
        c.setValue(QStringLiteral("Openroom_Customers_id"), QStringLiteral("001"));
        c.setValue(kVisitRoom, QStringLiteral("101"));
        c.post();
    }
    QCOMPARE(c.integer(kLishui), 3);
    for (c.first(); !c.isEmpty();)
        c.remove();
    QVERIFY(c.eof());
    c.append();
    c.setValue(QStringLiteral("Openroom_Customers_id"), QStringLiteral("001"));
    c.setValue(kVisitRoom, QStringLiteral("101"));
    c.post();
    QCOMPARE(c.integer(kLishui), 4);
    QVERIFY_THROWS_EXCEPTION(StoreError, (c.edit(), c.setValue(kLishui, 9)));
}

void CursorTest::uniqueKeyRefusesEmptyAndDuplicate()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    Cursor c(*f.db, tables::room());
    c.open();
    c.append();
    try {
        c.post();
        QFAIL("an empty key was stored");
    } catch (const StoreError &e) {
        QVERIFY(e.message().contains(kRoomId));
    }
    c.setValue(kRoomId, QStringLiteral("101"));
    try {
        c.post();
        QFAIL("a duplicate key was stored");
    } catch (const StoreError &e) {
        QVERIFY(e.message().contains(kRoomId));
        QVERIFY(e.message().contains(QStringLiteral("101")));
    }
    QCOMPARE(c.state(), CursorState::Insert); // the record stays in editing
    c.setValue(kRoomId, QStringLiteral("102"));
    c.post();
    QCOMPARE(f.count(QStringLiteral("room")), 2);
}

void CursorTest::readOnlyCursorRefusesChanges()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    Cursor c(*f.db, tables::room());
    c.setReadOnly(true);
    c.open();
    QVERIFY_THROWS_EXCEPTION(StoreError, c.insert());
    QVERIFY_THROWS_EXCEPTION(StoreError, c.edit());
    QVERIFY_THROWS_EXCEPTION(StoreError, c.remove());
    QCOMPARE(f.count(QStringLiteral("room")), 1);
}

void CursorTest::conversionErrors()
{
    StoreFixture f;
    Cursor c(*f.db, tables::openroom());
    c.open();
    QVERIFY_THROWS_EXCEPTION(StoreError, c.setValue(kMark, QStringLiteral("x"))); // not editing
    c.append();
    QVERIFY_THROWS_EXCEPTION(ConversionError, c.setValue(QStringLiteral("Openroom_jbxf"), QStringLiteral("abc")));
    QVERIFY_THROWS_EXCEPTION(ConversionError, c.setValue(QStringLiteral("Openroom_youhuminute"), 40000));
    QVERIFY_THROWS_EXCEPTION(ConversionError, c.setValue(QStringLiteral("Openroom_begintime"), QStringLiteral("soon")));
    c.setValue(QStringLiteral("Openroom_jbxf"), QStringLiteral(" 79.5 "));
    c.setValue(QStringLiteral("Openroom_youhuminute"), QStringLiteral("10"));
    c.setValue(QStringLiteral("Openroom_begintime"), QStringLiteral("2026-12-08 19:05:30"));
    c.setValue(QStringLiteral("Openroom_Customers_id"), QStringLiteral("001"));
    c.setValue(kVisitRoom, QStringLiteral("101"));
    c.post();
    QCOMPARE(c.number(QStringLiteral("Openroom_jbxf")), 79.5);
    QCOMPARE(c.integer(QStringLiteral("Openroom_youhuminute")), 10);
    QCOMPARE(c.dateTime(QStringLiteral("Openroom_begintime")), QDateTime(QDate(2026, 12, 8), QTime(19, 5, 30)));
    QCOMPARE(c.number(QStringLiteral("Openroom_shifu")), 0.0); // empty reads as 0
    QVERIFY(c.isNull(QStringLiteral("Openroom_shifu")));
}

void CursorTest::twoCursorsSeeEachOthersWrites()
{
    StoreFixture f;
    Cursor a(*f.db, tables::room());
    Cursor b(*f.db, tables::room());
    a.open();
    b.open();
    a.append();
    a.setValue(kRoomId, QStringLiteral("201"));
    a.post();
    QCOMPARE(b.recordCount(), 1); // no refresh needed: a write makes the other cursors read again
    b.first();
    b.edit();
    b.setValue(kUsed, tables::yes);
    b.post();
    QCOMPARE(a.text(kUsed), tables::yes);
}

void CursorTest::editOfRowDeletedElsewhereFails()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    Cursor a(*f.db, tables::room());
    Cursor b(*f.db, tables::room());
    a.open();
    b.open();
    b.remove();
    a.edit();
    a.setValue(kUsed, tables::yes);
    QVERIFY_THROWS_EXCEPTION(StoreError, a.post());
    a.cancel();
    a.refresh();
    QVERIFY(a.isEmpty());
}

void CursorTest::queryShowsChosenColumnsDescending()
{
    StoreFixture f;
    for (const char *room : {"101", "102", "103"})
        f.addRecord(tables::openroom(), {{kVisitRoom, QLatin1String(room)}, {QStringLiteral("Openroom_jbxf"), 12.5}});
    Query q(*f.db, tables::openroom(), {kLishui, kVisitRoom}, kLishui);
    q.open();
    QCOMPARE(q.fieldCount(), 2);
    QCOMPARE(q.integer(kLishui), 3);
    QCOMPARE(q.text(kVisitRoom), QStringLiteral("103"));
    QVERIFY_THROWS_EXCEPTION(StoreError, q.value(QStringLiteral("Openroom_jbxf")));
    QVERIFY_THROWS_EXCEPTION(StoreError, q.edit());
}

void CursorTest::recordLeavesFilteredViewAtRefresh()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    f.addRoom(QStringLiteral("102"));
    Cursor c(*f.db, tables::room());
    c.setFilter(QStringLiteral("Room_used<>'是'"));
    c.setFiltered(true);
    c.open();
    QSignalSpy resets(&c, &Cursor::rowsReset);
    c.edit();
    c.setValue(kUsed, tables::yes);
    c.post();
    // Still current after its post, so that what follows can read it; gone at the next refresh.
    QCOMPARE(c.recordCount(), 2);
    QCOMPARE(c.text(kUsed), tables::yes);
    c.refresh();
    QCOMPARE(c.recordCount(), 1);
    QCOMPARE(c.text(kRoomId), QStringLiteral("102"));
    QVERIFY(resets.count() >= 1);
}

QTEST_GUILESS_MAIN(CursorTest)
#include "test_cursor.moc"
