// Records changed behind a screen, between two of its looks, by another screen or by another program on
// the same file: every step must act on what is stored at the moment it runs.
#include "appfixture.h"

#include "board/roomstate.h"
#include "clients/formclientsview.h"
#include "store/storeerror.h"
#include "visits/formcloseroomandpay.h"
#include "visits/formopenroom.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"

#include <QToolButton>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace ktv;

namespace {

const QString kLishui = QStringLiteral("Openroom_Lishui");
const QDateTime kCheckIn(QDate(2026, 12, 8), QTime(19, 0));

// Member 001 (rate 1) in room 101, which has one activated client PC; the check-out screen is placed on the
// visit. other is a second connection to the same file: another program at the venue.
struct Venue : AppFixture
{
    std::unique_ptr<Database> other;

    Venue()
    {
        addRecord(tables::customers(), {{QStringLiteral("Customers_id"), QStringLiteral("001")},
                                        {QStringLiteral("Customers_name"), QStringLiteral("甲")},
                                        {QStringLiteral("Customers_zkl"), 1.0}});
        addRoom(QStringLiteral("101"), tables::yes, 60.0);
        addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QStringLiteral("127.0.0.11")},
                                      {QStringLiteral("Clients_room_id"), QStringLiteral("101")},
                                      {QStringLiteral("Clients_used"), tables::yes}});
        addVisit(QStringLiteral("101"), kCheckIn);
        start();
        services.clock.set(kCheckIn.addSecs(2 * 3600));
        other = openAnother();
        locate(QStringLiteral("101"));
    }

    void addVisit(const QString &room, const QDateTime &begin, const QVariantMap &more = {})
    {
        QVariantMap values{{QStringLiteral("Openroom_Customers_id"), QStringLiteral("001")},
                           {QStringLiteral("Openroom_room_id"), room},
                           {QStringLiteral("Openroom_begintime"), begin},
                           {QStringLiteral("Openroom_endtime"), begin.addDays(-1)}};
        values.insert(more);
        addRecord(tables::openroom(), values);
    }

    TFormCloseroomandPay &checkOut() { return *program->main->checkOut(); }
    void locate(const QString &room)
    {
        checkOut().Edit1()->setText(room);
        checkOut().BitBtn2dwkffjh()->click();
    }
    void press(int step) { checkOut().stepButton(step)->click(); }
    QVariant stored(const QString &table, const QString &field, const QString &where)
    {
        QSqlQuery q = db->run(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(field, table, where));
        return q.next() ? q.value(0) : QVariant();
    }
    QVariant visitField(const QString &field, int serial = 1)
    {
        return stored(QStringLiteral("Openroom"), field, QStringLiteral("Openroom_Lishui = %1").arg(serial));
    }
    void writeElsewhere(const QString &sql, const QVariantList &binds = {})
    {
        Transaction tx(*other);
        other->run(sql, binds);
        tx.commit();
    }
};

} // namespace

class TestFreshness : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void drinksOrderedAfterTheLastLookAreCharged();
    void stepsReadTheMemberRateAsStoredNow();
    void checkOutReleasesEveryClientPcActivatedSince();
    void checkOutOfAnOldVisitLeavesARoomLetAgain();
    void exactPaymentOfDecimalSumsIsSettled_data();
    void exactPaymentOfDecimalSumsIsSettled();
    void failedSaveOfALinkedRecordIsReportedOnceAndDropped();
    void halfEnteredMemberBlocksCheckInAndIsDroppedOnClose();
    void pendingRoomRecordNeverReachesTheBoard();
    void visitWithoutRoomOrMemberIsRefused();
    void roomHeldByAnOpenVisitKeepsItsNumber();
    void enterPressesAFocusedRoomButton();
    void cursorFollowsAnotherProgramsCommitKeepingItsRecord();
    void refusedTextStaysInItsBox();
    void boardShowsTheChargeSoFarAsCheckOutWouldStoreIt();
    void pcBrowserKeepsTheCashiersCellAcrossItsRefresh();
    void failingTimerStepShowsOneBoxAtATime();
};

// Three lines worth 75 ordered by another program after the check-out screen last read the visit.
void TestFreshness::drinksOrderedAfterTheLastLookAreCharged()
{
    Venue v;
    QCOMPARE(v.checkOut().Table2()->recordCount(), 0);
    for (int i = 0; i < 3; ++i)
        v.writeElsewhere(QStringLiteral("INSERT INTO Callpear (Openroom_lishu, Pear_id, Pear_price, Pear_shuliang) "
                                        "VALUES (1, 'B01', 12.5, 2)"));
    v.press(4);
    QCOMPARE(v.visitField(QStringLiteral("Openroom_jiushui")).toDouble(), 75.0);
    QCOMPARE(v.count(QStringLiteral("Callpear")), 3);
    QSqlQuery noted = v.db->run(QStringLiteral("SELECT COUNT(*) FROM Callpear WHERE Callpear_bz LIKE '已买单:%'"));
    QVERIFY(noted.next());
    QCOMPARE(noted.value(0).toInt(), 3);
}

void TestFreshness::stepsReadTheMemberRateAsStoredNow()
{
    Venue v;
    QCOMPARE(v.checkOut().Table4()->number(QStringLiteral("Customers_zkl")), 1.0);
    v.press(1);
    v.writeElsewhere(QStringLiteral("UPDATE Customers SET Customers_zkl = 0.8"));
    v.press(2);
    QCOMPARE(v.visitField(QStringLiteral("Openroom_customer_zhelu")).toDouble(), 0.8);
    // Another screen of this program changes it again: the next step sees that too.
    Cursor &shared = *v.data().TableCustomers;
    shared.edit();
    shared.setValue(QStringLiteral("Customers_zkl"), 0.5);
    shared.post();
    v.press(2);
    QCOMPARE(v.visitField(QStringLiteral("Openroom_customer_zhelu")).toDouble(), 0.5);
}

void TestFreshness::checkOutReleasesEveryClientPcActivatedSince()
{
    Venue v;
    QCOMPARE(v.checkOut().Table5()->recordCount(), 1);
    v.writeElsewhere(QStringLiteral("INSERT INTO Clients (Clients_ip, Clients_room_id, Clients_used) "
                                    "VALUES ('127.0.0.12', '101', '是')"));
    v.press(1);
    QSqlQuery used = v.db->run(QStringLiteral("SELECT COUNT(*) FROM Clients WHERE Clients_used = '是'"));
    QVERIFY(used.next());
    QCOMPARE(used.value(0).toInt(), 0);
    QCOMPARE(v.stored(QStringLiteral("room"), QStringLiteral("Room_used"), QStringLiteral("1 = 1")).toString(), tables::no);
}

// An old visit still listed as owing money; meanwhile the room was let again to a new guest.
void TestFreshness::checkOutOfAnOldVisitLeavesARoomLetAgain()
{
    Venue v;
    v.press(1);
    v.services.dialogs.clear();
    v.writeElsewhere(QStringLiteral("UPDATE Openroom SET Openroom_beizhu = '欠帐:10' WHERE Openroom_Lishui = 1"));
    v.writeElsewhere(QStringLiteral("INSERT INTO Openroom (Openroom_Customers_id, Openroom_room_id, "
                                    "Openroom_begintime, Openroom_endtime) VALUES ('001', '101', "
                                    "'2026-12-08 21:30:00.000', '2026-12-07 21:30:00.000')"));
    v.writeElsewhere(QStringLiteral("UPDATE room SET Room_used = '是'"));
    v.writeElsewhere(QStringLiteral("UPDATE Clients SET Clients_used = '是'"));
    v.checkOut().Edit1()->setText(QStringLiteral("1")); // the old visit, by its serial number
    QCOMPARE(v.checkOut().Table1()->integer(kLishui), 1);

    v.press(1);
    QCOMPARE(v.stored(QStringLiteral("room"), QStringLiteral("Room_used"), QStringLiteral("1 = 1")).toString(), tables::yes);
    QCOMPARE(v.stored(QStringLiteral("Clients"), QStringLiteral("Clients_used"), QStringLiteral("1 = 1")).toString(),
             tables::yes);
    QCOMPARE(v.services.dialogs.messages(), QStringList{QStringLiteral("房间101已有新的开房，不能退房")});
    v.program->main->SpeedButtonRefreshRoomStata()->click();
    QCOMPARE(v.button(QStringLiteral("101"))->captionColor(), roomstate::inUseColor);
}

void TestFreshness::exactPaymentOfDecimalSumsIsSettled_data()
{
    QTest::addColumn<QVariant>("due");
    QTest::addColumn<QString>("mark");
    QTest::newRow("paid exactly") << QVariant() << QStringLiteral("结清");
    QTest::newRow("due typed as the total") << QVariant(9.7) << QStringLiteral("结清");
    QTest::newRow("a real reduction") << QVariant(9.699) << QStringLiteral("抹零:0.001");
}

void TestFreshness::exactPaymentOfDecimalSumsIsSettled()
{
    QFETCH(QVariant, due);
    QFETCH(QString, mark);
    Venue v;
    Cursor &visit = *v.checkOut().Table1();
    visit.edit();
    visit.setValue(QStringLiteral("Openroom_jbxf"), 0.9);
    visit.setValue(QStringLiteral("Openroom_jiushui"), 8.8);
    visit.setValue(QStringLiteral("Openroom_yingfu"), due);
    visit.setValue(QStringLiteral("Openroom_shifu"), due.isNull() ? 9.7 : due.toDouble());
    visit.post();
    v.press(5);
    QCOMPARE(v.visitField(QStringLiteral("Openroom_beizhu")).toString(), mark);
}

// A member number already in use typed into the check-out screen's member grid, then a refresh: the
// linked member's save fails once, is dropped, and nothing loops.
void TestFreshness::failedSaveOfALinkedRecordIsReportedOnceAndDropped()
{
    Venue v;
    v.addMember(QStringLiteral("000"), QStringLiteral("散客"));
    Cursor &member = *v.checkOut().Table4();
    member.edit();
    member.setValue(QStringLiteral("Customers_id"), QStringLiteral("000"));
    runGuarded(v.services.dialogs, [&] { v.checkOut().Table1()->refresh(); });
    QCOMPARE(v.services.dialogs.errors().size(), 1);
    QVERIFY(!member.isEditing());
    QCOMPARE(member.text(QStringLiteral("Customers_id")), QStringLiteral("001"));
    QCOMPARE(v.stored(QStringLiteral("Customers"), QStringLiteral("Customers_name"),
                      QStringLiteral("Customers_id = '001'"))
                 .toString(),
             QStringLiteral("甲"));
}

void TestFreshness::halfEnteredMemberBlocksCheckInAndIsDroppedOnClose()
{
    Venue v;
    v.addRoom(QStringLiteral("102"), tables::no, 50.0);
    Cursor &members = *v.data().TableCustomers;
    members.insert();
    members.setValue(QStringLiteral("Customers_id"), QStringLiteral("009"));
    v.program->main->checkIn()->Table1()->refresh();
    QVERIFY(v.program->main->checkIn()->Table1()->locate(QStringLiteral("Room_id"), QStringLiteral("102")));
    v.program->main->checkIn()->BitBtnKaifang()->click();
    QCOMPARE(v.count(QStringLiteral("Openroom")), 1);
    QCOMPARE(v.count(QStringLiteral("Customers")), 1);
    QVERIFY(v.services.dialogs.lastMessage().contains(QStringLiteral("新会员")));

    // Closing a screen drops what it left pending on the shared cursors.
    v.data().dropPending();
    QCOMPARE(members.state(), CursorState::Browse);
    members.first();
    QCOMPARE(v.count(QStringLiteral("Customers")), 1);
}

void TestFreshness::pendingRoomRecordNeverReachesTheBoard()
{
    Venue v;
    Cursor &rooms = *v.data().Tableroom;
    rooms.first();
    rooms.edit();
    rooms.setValue(QStringLiteral("Room_id"), QStringLiteral("999"));
    v.program->main->SpeedButtonRefreshRoomStata()->click();
    QTest::mouseMove(v.button(QStringLiteral("101")));
    QVERIFY(v.services.dialogs.errors().isEmpty());
    QVERIFY(rooms.isEditing());
    QCOMPARE(v.stored(QStringLiteral("room"), QStringLiteral("Room_id"), QStringLiteral("1 = 1")).toString(),
             QStringLiteral("101"));
}

void TestFreshness::visitWithoutRoomOrMemberIsRefused()
{
    Venue v;
    Cursor visits(*v.db, tables::openroom());
    visits.open();
    visits.append();
    visits.setValue(QStringLiteral("Openroom_Customers_id"), QStringLiteral("001"));
    visits.setValue(QStringLiteral("Openroom_beizhu"), QStringLiteral("note"));
    try {
        visits.post();
        QFAIL("a visit without a room was stored");
    } catch (const StoreError &e) {
        QVERIFY(e.message().contains(QStringLiteral("开房房间号")));
    }
    visits.cancel();
    visits.first();
    visits.edit();
    visits.setValue(QStringLiteral("Openroom_Customers_id"), QVariant());
    QVERIFY_THROWS_EXCEPTION(StoreError, visits.post());
    QCOMPARE(v.count(QStringLiteral("Openroom")), 1);
}

void TestFreshness::roomHeldByAnOpenVisitKeepsItsNumber()
{
    Venue v;
    Cursor &rooms = *v.data().Tableroom;
    rooms.first();
    rooms.edit();
    rooms.setValue(QStringLiteral("Room_id"), QStringLiteral("109"));
    QVERIFY_THROWS_EXCEPTION(StoreError, rooms.post());
    rooms.cancel();
    // Once the visit is checked out the room may be renumbered.
    v.press(1);
    rooms.edit();
    rooms.setValue(QStringLiteral("Room_id"), QStringLiteral("109"));
    rooms.post();
    QCOMPARE(v.stored(QStringLiteral("room"), QStringLiteral("Room_id"), QStringLiteral("1 = 1")).toString(),
             QStringLiteral("109"));
}

void TestFreshness::enterPressesAFocusedRoomButton()
{
    Venue v;
    RoomButton *b = v.button(QStringLiteral("101"));
    v.services.dialogs.answerNo();
    QTest::keyClick(b, Qt::Key_Return);
    QCOMPARE(v.services.dialogs.texts(ScriptedDialogs::Kind::Confirm),
             QStringList{QStringLiteral("确定要退房101吗?")});
}

void TestFreshness::cursorFollowsAnotherProgramsCommitKeepingItsRecord()
{
    StoreFixture f;
    for (const char *id : {"002", "004", "006"})
        f.addMember(QLatin1String(id), QStringLiteral("某"));
    Cursor members(*f.db, tables::customers());
    members.setOrderFields({QStringLiteral("Customers_id")});
    members.open();
    QVERIFY(members.locate(QStringLiteral("Customers_id"), QStringLiteral("004")));
    QCOMPARE(members.recordCount(), 3);

    auto other = f.openAnother();
    {
        Transaction tx(*other);
        other->run(QStringLiteral("INSERT INTO Customers (Customers_id, Customers_name) VALUES ('001', '新')"));
        other->run(QStringLiteral("UPDATE Customers SET Customers_name = '改' WHERE Customers_id = '004'"));
        tx.commit();
    }
    QCOMPARE(members.recordCount(), 4);
    QCOMPARE(members.text(QStringLiteral("Customers_id")), QStringLiteral("004"));
    QCOMPARE(members.text(QStringLiteral("Customers_name")), QStringLiteral("改"));
    members.first();
    QCOMPARE(members.text(QStringLiteral("Customers_id")), QStringLiteral("001"));
    // Text that is not valid UTF-16 (half of a character pair) is refused like a character GBK cannot hold.
    members.edit();
    QVERIFY_THROWS_EXCEPTION(StoreError, members.setValue(QStringLiteral("Customers_name"), QString(QChar(0xD800))));
}

void TestFreshness::refusedTextStaysInItsBox()
{
    Venue v;
    DBEdit *box = v.checkOut().findChild<DBEdit *>(QStringLiteral("EditOpenroom_begintime"));
    QVERIFY(box);
    box->lineEdit()->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), QStringLiteral("2026-13"));
    QVERIFY(!box->commitPending());
    QCOMPARE(box->text(), QStringLiteral("2026-13"));
    QCOMPARE(v.services.dialogs.errors().size(), 1);
    // Offered again unchanged (a timer's save), it is not refused a second time.
    QVERIFY(!box->commitPending());
    QCOMPARE(v.services.dialogs.errors().size(), 1);
    QTest::keyClick(box->lineEdit(), Qt::Key_Escape);
    QCOMPARE(box->text(), v.checkOut().Table1()->text(QStringLiteral("Openroom_begintime")));
}

void TestFreshness::boardShowsTheChargeSoFarAsCheckOutWouldStoreIt()
{
    Venue v;
    v.writeElsewhere(QStringLiteral("UPDATE Customers SET Customers_zkl = 0.9"));
    v.services.clock.set(kCheckIn.addSecs(2 * 3600 + 5 * 60));
    v.program->main->SpeedButtonRefreshRoomStata()->click();
    QLabel *running = v.button(QStringLiteral("101"))->findChild<QLabel *>(QStringLiteral("RoomRunning101"));
    QVERIFY(running);
    QCOMPARE(running->text(), QStringLiteral("2:05  ¥112.50"));
    QVERIFY(v.button(QStringLiteral("102"))->runningLabel()->isHidden()); // a free room shows nothing

    // Drinks ordered by another program show at the next refresh.
    v.writeElsewhere(QStringLiteral("INSERT INTO Callpear (Openroom_lishu, Pear_id, Pear_price, Pear_shuliang) "
                                    "VALUES (1, 'B01', 12.5, 2)"));
    v.program->main->SpeedButtonRefreshRoomStata()->click();
    QCOMPARE(running->text(), QStringLiteral("2:05  ¥137.50"));

    // Check-out at the same moment stores the same figure.
    for (int step : {1, 2, 3, 4})
        v.press(step);
    QCOMPARE(v.visitField(QStringLiteral("Openroom_jbxf")).toDouble() +
                 v.visitField(QStringLiteral("Openroom_jiushui")).toDouble(),
             137.5);
    v.program->main->SpeedButtonRefreshRoomStata()->click();
    QVERIFY(running->isHidden());
}

void TestFreshness::pcBrowserKeepsTheCashiersCellAcrossItsRefresh()
{
    Venue v;
    TFormClientsView browser(v.data(), v.services.platform(), v.program->main.get());
    DBGrid *grid = browser.DBGrid1();
    grid->setCurrentIndex(grid->model()->index(0, 5));
    v.writeElsewhere(QStringLiteral("UPDATE Clients SET Clients_Running = 'yes'")); // the PC reports in
    QMetaObject::invokeMethod(browser.Timer1(), "timeout", Qt::DirectConnection);
    QTRY_COMPARE(grid->model()->index(0, 8).data().toString(), QStringLiteral("yes"));
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(grid->currentIndex().column(), 5);
}

// A message box keeps the event loop going: a timer whose step fails must not stack a box a tick.
void TestFreshness::failingTimerStepShowsOneBoxAtATime()
{
    ScriptedDialogs dialogs;
    int runs = 0;
    std::function<void()> tick;
    tick = guardedTick(dialogs, [&] {
        ++runs;
        throw StoreError(QStringLiteral("数据库正被其他程序使用，请稍后再试"));
    });
    dialogs.onEntry([&](const ScriptedDialogs::Entry &) { tick(); }); // the timer fires while the box is up
    tick();
    QCOMPARE(runs, 1);
    QCOMPARE(dialogs.errors().size(), 1);
    tick(); // once the box is closed the step runs again
    QCOMPARE(runs, 2);
}

QTEST_MAIN(TestFreshness)
#include "test_freshness.moc"
