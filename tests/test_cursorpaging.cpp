#include "storefixture.h"

#include "store/keywindow.h"

#include <QtTest>

#include <random>

using namespace ktv;

// A cursor reads its keys a page at a time, from either end, around a key or by row number. These tests
// hold its pages against the whole view as one ORDER BY gives it, on views longer than many pages, with
// empty, repeated and non-ASCII values in the order, and with other programs writing between two looks.
namespace {
const QString kMember = QStringLiteral("Openroom_Customers_id");
const QString kLishui = QStringLiteral("Openroom_Lishui");
const QString kMark = QStringLiteral("Openroom_beizhu");
constexpr int kVisits = 3000;

// Visits whose member numbers are empty, repeated, mixed in case, or Chinese (sorted by their bytes).
void addVisits(Database &db, int n)
{
    const QStringList members{QString(), QStringLiteral("001"), QStringLiteral("a01"), QStringLiteral("B01"),
                              QStringLiteral("张三"),  QStringLiteral("002"), QStringLiteral("ｚ")};
    std::mt19937 random(7);
    Transaction tx(db);
    for (int i = 0; i < n; ++i) {
        const QString member = members[random() % members.size()];
        db.run(QStringLiteral("INSERT INTO Openroom (Openroom_Customers_id, Openroom_room_id) VALUES (?, '101')"),
               {member.isNull() ? QVariant() : QVariant(member)});
    }
    tx.commit();
}

// The visits' serial numbers in the order of the fields and then of the serial number, as the engine sorts.
QList<qint64> storedOrder(Database &db, QStringList fields, bool descending = false)
{
    QStringList terms;
    for (const QString &field : fields << QStringLiteral("Openroom_Lishui"))
        terms << db.dialect().orderTerm(field, descending);
    QList<qint64> keys;
    QSqlQuery q = db.run(QStringLiteral("SELECT Openroom_Lishui FROM Openroom ORDER BY ") + terms.join(u','));
    while (q.next())
        keys << q.value(0).toLongLong();
    return keys;
}
} // namespace

class CursorPagingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void pagesFollowTheWholeOrder_data();
    void pagesFollowTheWholeOrder();
    void walkGoesOnOverRecordsChangedBehind();
    void recordSavedOutOfFilterKeepsItsRow();
    void onlyTheRecordSavedLastStaysOutOfItsFilter();
    void recordNotedThenSettledKeepsFarRowsInPlace();
    void linesKeepTheirRecordWhenTheirVisitIsReadAgain();
    void storedValuesCompareAsSqliteSortsThem();
};

void CursorPagingTest::pagesFollowTheWholeOrder_data()
{
    QTest::addColumn<bool>("byIndex");
    QTest::addColumn<bool>("descending");
    QTest::newRow("member index, ascending") << true << false;
    QTest::newRow("member field, descending") << false << true;
}

void CursorPagingTest::pagesFollowTheWholeOrder()
{
    QFETCH(bool, byIndex);
    QFETCH(bool, descending);
    StoreFixture f;
    addVisits(*f.db, kVisits);
    const QList<qint64> expected = storedOrder(*f.db, {kMember}, descending);

    Cursor c(*f.db, tables::openroom());
    if (byIndex)
        c.setIndexName(QStringLiteral("room_cust_id"));
    else
        c.setOrderFields({kMember}, true);
    c.open();

    QList<qint64> forward;
    for (c.first(); !c.eof(); c.next())
        forward << c.integer(kLishui);
    QCOMPARE(forward, expected);

    c.last();
    QCOMPARE(c.currentRow(), kVisits - 1);
    QList<qint64> backward;
    for (; !c.bof(); c.prior())
        backward.prepend(c.integer(kLishui));
    QCOMPARE(backward, expected);

    // Far rows are read by number, near ones from their neighbours; a grid asks for both.
    const int lishui = c.columnOf(kLishui);
    for (int row : {2999, 17, 1500, 1501, 1437, 2200, 0, 64, 63}) {
        QCOMPARE(c.displayValue(row, lishui).toLongLong(), expected[row]);
        c.moveTo(row);
        QCOMPARE(c.integer(kLishui), expected[row]);
        QCOMPARE(c.currentRow(), row);
    }
    QCOMPARE(c.displayValue(kVisits, lishui), QVariant());

    // Found by its key, a record knows its row, and its neighbours are its neighbours in the order.
    c.last();
    c.gotoBookmark(expected[1234]);
    QCOMPARE(c.currentRow(), 1234);
    c.prior();
    QCOMPARE(c.integer(kLishui), expected[1233]);
    QCOMPARE(c.displayValue(2998, lishui).toLongLong(), expected[2998]);
    QCOMPARE(c.recordCount(), kVisits);
}

void CursorPagingTest::walkGoesOnOverRecordsChangedBehind()
{
    StoreFixture f;
    addVisits(*f.db, 400);
    auto other = f.openAnother();
    Cursor c(*f.db, tables::openroom());
    c.setIndexName(QStringLiteral("room_cust_id"));
    c.open();

    QList<qint64> seen;
    c.first();
    for (int i = 0; i < 150; ++i, c.next())
        seen << c.integer(kLishui);
    const qint64 current = c.integer(kLishui);
    {
        // Another program deletes the records just ahead and some far ahead, and adds some before.
        const QList<qint64> before = storedOrder(*f.db, {kMember});
        const int at = int(before.indexOf(current));
        Transaction tx(*other);
        for (int i = at + 1; i < at + 40; ++i)
            other->run(QStringLiteral("DELETE FROM Openroom WHERE Openroom_Lishui = ?"), {before[i]});
        for (int i = at + 200; i < at + 230; ++i)
            other->run(QStringLiteral("DELETE FROM Openroom WHERE Openroom_Lishui = ?"), {before[i]});
        other->run(QStringLiteral("INSERT INTO Openroom (Openroom_Customers_id, Openroom_room_id) VALUES ('000', '101')"));
        tx.commit();
    }
    for (; !c.eof(); c.next())
        seen << c.integer(kLishui);

    const QList<qint64> after = storedOrder(*f.db, {kMember});
    const int at = int(after.indexOf(current));
    QCOMPARE(seen.mid(150), after.mid(at)); // from the current record on, exactly what is stored now
    QCOMPARE(c.recordCount(), 400 - 39 - 30 + 1);
    c.last();
    QCOMPARE(c.currentRow(), c.recordCount() - 1);
}

void CursorPagingTest::recordSavedOutOfFilterKeepsItsRow()
{
    StoreFixture f;
    addVisits(*f.db, kVisits);
    auto other = f.openAnother();
    Cursor c(*f.db, tables::openroom());
    c.setIndexName(QStringLiteral("openroom_id"));
    c.setFilter(QStringLiteral("Openroom_beizhu<>'结清'"));
    c.setFiltered(true);
    c.open();

    c.moveTo(200);
    QCOMPARE(c.recordCount(), kVisits);
    const qint64 settled = c.integer(kLishui);
    const qint64 following = c.displayValue(201, c.columnOf(kLishui)).toLongLong();
    c.edit();
    c.setValue(kMark, QStringLiteral("结清"));
    c.post();
    QCOMPARE(c.recordCount(), kVisits);
    // Another program's commit makes the view be read again: the record stays where it was until a refresh.
    other->run(QStringLiteral("UPDATE Openroom SET Openroom_beizhu = '结清' WHERE Openroom_Lishui = 1"));
    QCOMPARE(c.integer(kLishui), settled);
    QCOMPARE(c.currentRow(), 200);
    QCOMPARE(c.recordCount(), kVisits - 1);
    c.last();
    c.moveTo(200);
    QCOMPARE(c.integer(kLishui), settled);
    c.next();
    QCOMPARE(c.integer(kLishui), following);

    c.refresh();
    QCOMPARE(c.recordCount(), kVisits - 2);
    QVERIFY(!c.locate(kLishui, settled));
}

// Settled one after the other while walking down the list: the first settled leaves the view when the
// second is saved, and rows, numbers and count agree again at once.
void CursorPagingTest::onlyTheRecordSavedLastStaysOutOfItsFilter()
{
    StoreFixture f;
    addVisits(*f.db, 400);
    Cursor c(*f.db, tables::openroom());
    c.setIndexName(QStringLiteral("openroom_id"));
    c.setFilter(QStringLiteral("Openroom_beizhu<>'结清'"));
    c.setFiltered(true);
    c.open();
    const auto settle = [&c] {
        c.edit();
        c.setValue(kMark, QStringLiteral("结清"));
        c.post();
    };

    c.moveTo(100);
    const qint64 first = c.integer(kLishui);
    settle();
    c.next();
    const qint64 second = c.integer(kLishui);
    settle();
    QCOMPARE(c.integer(kLishui), second);
    QCOMPARE(c.currentRow(), 100);
    QCOMPARE(c.recordCount(), 399);
    QVERIFY_THROWS_EXCEPTION(StoreError, c.gotoBookmark(first));
    while (!c.eof())
        c.next();
    QCOMPARE(c.currentRow(), 398);
}

// A visit saved twice, first with a note while it still passes the filter, then settled: it keeps one row,
// and rows far past it, read by their number, are still the rows stored there.
void CursorPagingTest::recordNotedThenSettledKeepsFarRowsInPlace()
{
    StoreFixture f;
    addVisits(*f.db, kVisits);
    Cursor c(*f.db, tables::openroom());
    c.setIndexName(QStringLiteral("openroom_id"));
    c.setFilter(QStringLiteral("Openroom_beizhu<>'结清'"));
    c.setFiltered(true);
    c.open();

    c.moveTo(100);
    const qint64 visit = c.integer(kLishui);
    c.edit();
    c.setValue(kMember, QStringLiteral("002"));
    c.post();
    QCOMPARE(c.displayValue(150, c.columnOf(kLishui)).toLongLong(), storedOrder(*f.db, {}, true)[150]);
    c.edit();
    c.setValue(kMark, QStringLiteral("结清"));
    c.post();

    const QList<qint64> expected =
        storedOrder(*f.db, {}, true); // the settled visit is still shown until a refresh
    QCOMPARE(c.recordCount(), kVisits);
    c.moveTo(2000);
    QCOMPARE(c.integer(kLishui), expected[2000]);
    QCOMPARE(c.currentRow(), 2000);
    c.gotoBookmark(visit);
    QCOMPARE(c.currentRow(), 100);
}

// Another program's commit, to any table, makes the visits be read again: a visit's drink lines stay on the
// line the cashier is on, and a delete deletes that line.
void CursorPagingTest::linesKeepTheirRecordWhenTheirVisitIsReadAgain()
{
    StoreFixture f;
    auto other = f.openAnother();
    addVisits(*other, 3);
    for (int quantity = 1; quantity <= 4; ++quantity)
        other->run(QStringLiteral("INSERT INTO Callpear (Openroom_lishu, Pear_id, Pear_shuliang) VALUES (2, 'P01', ?)"),
                   {quantity});
    Cursor visits(*f.db, tables::openroom());
    Cursor lines(*f.db, tables::callpear());
    lines.setIndexName(QStringLiteral("openroomls"));
    lines.setMasterLink(&visits, {kLishui}, {QStringLiteral("Openroom_lishu")});
    visits.open();
    lines.open();
    visits.next();
    lines.next();
    lines.next();
    QCOMPARE(lines.integer(QStringLiteral("Pear_shuliang")), 3);

    other->run(QStringLiteral("INSERT INTO room (Room_id) VALUES ('909')"));
    lines.remove();
    QCOMPARE(lines.integer(QStringLiteral("Pear_shuliang")), 4);
    QList<qint64> left;
    QSqlQuery q = f.db->run(QStringLiteral("SELECT Pear_shuliang FROM Callpear ORDER BY Callpear_id"));
    while (q.next())
        left << q.value(0).toLongLong();
    QCOMPARE(left, QList<qint64>({1, 2, 4}));
}

void CursorPagingTest::storedValuesCompareAsSqliteSortsThem()
{
    StoreFixture f;
    QVariantList values{QVariant(), QStringLiteral(""), QStringLiteral("a"), QStringLiteral("B"),
                        QStringLiteral("张"),  QStringLiteral("ｚ"), QStringLiteral("10"), QStringLiteral("1 0")};
    // A column holds one kind on a server: the venue's own text column, whatever order the database sorts
    // text in by itself.
    QString table = QStringLiteral("Pear");
    QString column = QStringLiteral("Pear_name");
    if (!f.onServer()) {
        values << 2 << 10 << 2.5 << -1;
        table = column = QStringLiteral("mixed");
        f.db->run(QStringLiteral("CREATE TABLE mixed (mixed)"));
    }
    for (const QVariant &v : values)
        f.db->run(QStringLiteral("INSERT INTO %1 (%2) VALUES (?)").arg(table, column), {v});
    QVariantList sorted;
    QSqlQuery q = f.db->run(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                .arg(column, table, f.db->dialect().orderTerm(column, false)));
    while (q.next())
        sorted << q.value(0);
    for (int i = 0; i + 1 < sorted.size(); ++i) {
        QVERIFY2(KeyWindow::compareStored(sorted[i], sorted[i + 1]) < 0,
                 qPrintable(sorted[i].toString() + QStringLiteral(" before ") + sorted[i + 1].toString()));
        QVERIFY(KeyWindow::compareStored(sorted[i + 1], sorted[i]) > 0);
    }
}

QTEST_GUILESS_MAIN(CursorPagingTest)
#include "test_cursorpaging.moc"
