#include "appfixture.h"
#include "stations.h"

#include "app/roomactions.h"
#include "board/roomstate.h"
#include "catalogue/formfjfy.h"
#include "members/formyhzc.h"
#include "store/reservationtimes.h"
#include "store/storedrecord.h"
#include "store/storeerror.h"
#include "visits/checkinstep.h"
#include "visits/checkoutsteps.h"
#include "visits/formcallpear.h"
#include "visits/formcloseroomandpay.h"
#include "visits/formopenroom.h"
#include "visits/formpickroom.h"
#include "visits/formprintpaper.h"
#include "visits/roommove.h"
#include "widgets/dbedit.h"

#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace ktv;

namespace {

const QString kEnd = QStringLiteral("Openroom_endtime");
const QString kBegin = QStringLiteral("Openroom_begintime");
const QDateTime kCheckIn(QDate(2026, 12, 8), QTime(19, 5, 30));

// A venue with member 001 in room 101, which has two activated client PCs, and a free room 102.
struct VisitFixture : AppFixture
{
    VisitFixture()
    {
        addRecord(tables::customers(), {{QStringLiteral("Customers_id"), QStringLiteral("001")},
                                        {QStringLiteral("Customers_name"), QStringLiteral("甲")},
                                        {QStringLiteral("Customers_zkl"), 0.9},
                                        {QStringLiteral("Customers_ljxf"), 10.0}});
        addRoom(QStringLiteral("101"), tables::yes, 60.0);
        addRoom(QStringLiteral("102"), tables::no, 50.0);
        for (const char *ip : {"127.0.0.11", "127.0.0.12"})
            addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QLatin1String(ip)},
                                          {QStringLiteral("Clients_room_id"), QStringLiteral("101")},
                                          {QStringLiteral("Clients_used"), tables::yes}});
        addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QStringLiteral("127.0.0.13")},
                                      {QStringLiteral("Clients_room_id"), QStringLiteral("102")},
                                      {QStringLiteral("Clients_used"), tables::yes}});
        addRecord(tables::openroom(), {{QStringLiteral("Openroom_Customers_id"), QStringLiteral("001")},
                                       {QStringLiteral("Openroom_room_id"), QStringLiteral("101")},
                                       {kBegin, kCheckIn},
                                       {kEnd, kCheckIn.addDays(-1)}});
        start();
        services.clock.set(kCheckIn.addSecs(2 * 3600 + 34 * 60 + 40)); // 21:40:10
    }

    TFormCloseroomandPay &screen() { return *program->main->checkOut(); }
    void press(int step) { screen().stepButton(step)->click(); }
    void locate(const QString &room)
    {
        screen().Edit1()->setText(room);
        screen().BitBtn2dwkffjh()->click();
    }
    // Every update of the table fails from now on, as a full disk or a lost server would make it.
    void refuseUpdates(const QString &table)
    {
        if (!onServer()) {
            db->run(QStringLiteral("CREATE TRIGGER lock_%1 BEFORE UPDATE ON %1 BEGIN SELECT RAISE(ABORT, 'locked'); END")
                        .arg(table));
            return;
        }
        db->run(QStringLiteral("CREATE OR REPLACE FUNCTION refuse_update() RETURNS trigger LANGUAGE plpgsql AS "
                               "$$ BEGIN RAISE EXCEPTION 'locked'; END $$"));
        db->run(QStringLiteral("CREATE TRIGGER lock_%1 BEFORE UPDATE ON %1 FOR EACH ROW EXECUTE FUNCTION refuse_update()")
                    .arg(table));
    }
    void allowUpdates(const QString &table)
    {
        db->run(QStringLiteral("DROP TRIGGER lock_%1").arg(table) + (onServer() ? QStringLiteral(" ON ") + table : QString()));
    }
    QVariant stored(const QString &table, const QString &field, const QString &where = QStringLiteral("1 = 1"))
    {
        QSqlQuery q = db->run(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(field, table, where));
        return q.next() ? q.value(0) : QVariant();
    }
    QStringList clientFlags()
    {
        QStringList flags;
        QSqlQuery q = db->run(QStringLiteral("SELECT Clients_used FROM Clients ORDER BY ") + db->dialect().rowKey(tables::clients()));
        while (q.next())
            flags << q.value(0).toString();
        return flags;
    }
    void setRoom(const QString &room, const QVariantMap &values)
    {
        Transaction tx(*db);
        std::optional<StoredRecord> r = StoredRecord::find(*db, tables::room(), QStringLiteral("Room_id"), room);
        for (auto it = values.begin(); it != values.end(); ++it)
            r->set(it.key(), it.value());
        r->write(*db);
        tx.commit();
    }
    // The next room picker that opens picks room.
    static void pickWhenAsked(const QString &room)
    {
        QTimer::singleShot(0, [room] {
            auto *pick = qobject_cast<TFormPickRoom *>(QApplication::activeModalWidget());
            QVERIFY(pick);
            QVERIFY(pick->Table1()->locate(QStringLiteral("Room_id"), room));
            pick->BitBtnOK()->click();
        });
    }
    // What a room change would have changed, as stored now.
    QStringList moveTraces()
    {
        return {stored("Openroom", "Openroom_room_id", "Openroom_Lishui=1").toString(),
                stored("room", "Room_used", "Room_id='101'").toString(), clientFlags().join(QLatin1Char(',')),
                QString::number(count(QStringLiteral("RoomMove"))),
                stored("Journal", "COUNT(*)", "Journal_action='换房'").toString()};
    }
    void setVisit(const QVariantMap &values)
    {
        Cursor &v = *screen().Table1();
        v.edit();
        for (auto it = values.begin(); it != values.end(); ++it)
            v.setValue(it.key(), it.value());
        v.post();
    }
};

} // namespace

class CheckOutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void checkOutReleasesRoomAndEveryClient();
    void checkOutWithNoVisitBeeps();
    void stepsActOnTheVisitsOwnRoom();
    void usedTimeAndChargeWithRates();
    void usedTimeNeedsBothTimes();
    void drinksTotalDeletesEmptyLinesAndNotesOthers();
    void paymentMarksAndStatusBar();
    void accumulationOnceAndOnlyAfterPayment();
    void filterHidesSettledVisits();
    void stepsStoreAllOrNothing();
    void boardClicksAndPopupEntries();
    void wholeRoadThroughTheControls();
    void ctrlKChecksInOnAFocusedButton();
    void accelleratorStepTakesTheAmountBeingTyped();
    void twoStationsSettlingOneVisitAtOnce();
    void roomChangeWithBandsChargesWhatTheBoardShowed();
    void roomChangeIntoABookedRoomAsksFirst();
    void roomChangeRefusedOnWhatIsStoredNow();
};

// Two stations check out a paid visit and add it to its member's total at the same moment, twenty-five
// times over: each time one of them checks it out and adds it, once, and the other is told it was done.
void CheckOutTest::twoStationsSettlingOneVisitAtOnce()
{
    StoreFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"), tables::yes);
    const QDateTime begin(QDate(2026, 12, 8), QTime(19, 0));
    for (int round = 0; round < 25; ++round) {
        f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_begintime"), begin},
                                         {QStringLiteral("Openroom_endtime"), begin.addDays(-1)},
                                         {QStringLiteral("Openroom_yingfu"), 100.0}});
        QSqlQuery newest = f.db->run(QStringLiteral("SELECT max(Openroom_Lishui) FROM Openroom"));
        QVERIFY(newest.next());
        const qint64 serial = newest.value(0).toLongLong();
        newest.finish();

        QList<bool> checkedOut(2, false);
        QList<bool> added(2, false);
        const QStringList failures = atOnce(f.location(), 2, [&](Database &station, int s) {
            checkedOut[s] = checkout::checkOut(station, serial, begin.addSecs(3600)).checkedOut;
            added[s] = checkout::accumulate(station, serial);
        });
        QCOMPARE(failures, QStringList(2));
        QCOMPARE(checkedOut.count(true), 1);
        QCOMPARE(added.count(true), 1);
        QSqlQuery total = f.db->run(QStringLiteral("SELECT Customers_ljxf FROM Customers"));
        QVERIFY(total.next());
        QCOMPARE(total.value(0).toDouble(), 100.0 * (round + 1));
    }
}

void CheckOutTest::checkOutReleasesRoomAndEveryClient()
{
    VisitFixture f;
    f.program->main->menuEntry(QStringLiteral("jiezhang"))->trigger();
    QVERIFY(f.screen().isVisible());
    QVERIFY(f.screen().CheckBoxOnlyOpened()->isChecked());
    f.locate(QStringLiteral("101"));
    f.press(1);
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("退房成功！")});
    QCOMPARE(f.screen().Table1()->dateTime(kEnd), f.services.clock.now());
    QCOMPARE(f.stored("room", "Room_used", "Room_id='101'").toString(), tables::no);
    QCOMPARE(f.clientFlags(), QStringList({tables::no, tables::no, tables::yes}));
    QCOMPARE(f.screen().Table1()->number(QStringLiteral("Openroom_customer_zhelu")), 0.9);

    f.services.dialogs.clear();
    f.services.clock.advance(60000);
    f.press(1);
    QVERIFY(f.services.dialogs.messages().isEmpty());
    QCOMPARE(f.screen().Table1()->dateTime(kEnd), f.services.clock.now().addSecs(-60));
}

void CheckOutTest::checkOutWithNoVisitBeeps()
{
    AppFixture f;
    f.start();
    f.program->main->checkOut()->stepButton(1)->click();
    QCOMPARE(f.services.beeper.count(), 1);
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("已无房可退!")});
}

void CheckOutTest::stepsActOnTheVisitsOwnRoom()
{
    VisitFixture f;
    // The room and client lists stand on 102, the visit picked stays the one of room 101.
    f.screen().Table3()->locate(QStringLiteral("Room_id"), QStringLiteral("102"));
    f.screen().Table5()->locate(QStringLiteral("Clients_room_id"), QStringLiteral("102"));
    f.press(1);
    QCOMPARE(f.stored("room", "Room_used", "Room_id='101'").toString(), tables::no);
    QCOMPARE(f.stored("room", "Room_used", "Room_id='102'").toString(), tables::no);
    QCOMPARE(f.clientFlags(), QStringList({tables::no, tables::no, tables::yes}));

    f.press(2);
    f.screen().Table3()->locate(QStringLiteral("Room_id"), QStringLiteral("102"));
    f.press(3);
    QCOMPARE(f.screen().Table1()->number(QStringLiteral("Openroom_jbxf")), 154 * 60.0 / 60 * (0.9 * 1.0));
}

void CheckOutTest::usedTimeAndChargeWithRates()
{
    VisitFixture f;
    f.locate(QStringLiteral("101"));
    f.press(1);
    f.setVisit({{QStringLiteral("Openroom_youhuminute"), 10}, {QStringLiteral("Openroom_room_zhelu"), 0}});
    QCOMPARE(f.screen().Table1()->number(QStringLiteral("Openroom_room_zhelu")), 1.0); // the rate rule
    f.press(2);
    f.press(3);
    Cursor &v = *f.screen().Table1();
    QCOMPARE(v.integer(QStringLiteral("Openroom_usedminute")), 154);
    QCOMPARE(v.number(QStringLiteral("Openroom_customer_zhelu")), 0.9);
    QCOMPARE(v.number(QStringLiteral("Openroom_jbxf")), 129.6);

    // A member rate of 0 is stored as 1.0 by the step.
    f.db->run(QStringLiteral("UPDATE Customers SET Customers_zkl = 0"));
    f.screen().Table4()->refresh();
    f.press(2);
    QCOMPARE(f.stored("Customers", "Customers_zkl").toDouble(), 1.0);
    QCOMPARE(v.number(QStringLiteral("Openroom_customer_zhelu")), 1.0);
}

void CheckOutTest::usedTimeNeedsBothTimes()
{
    VisitFixture f;
    f.setVisit({{kBegin, QVariant()}});
    f.press(2);
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("开房开始时间为空，不能计算用时！")});
    QVERIFY(f.stored("Openroom", "Openroom_usedminute").isNull());
    QVERIFY(f.stored("Openroom", "Openroom_youhuminute").isNull());
}

void CheckOutTest::drinksTotalDeletesEmptyLinesAndNotesOthers()
{
    VisitFixture f;
    const QString lishu = QStringLiteral("Openroom_lishu");
    f.addRecord(tables::callpear(), {{lishu, 1}, {QStringLiteral("Pear_price"), 12.5}, {QStringLiteral("Pear_shuliang"), 2}});
    f.addRecord(tables::callpear(), {{lishu, 1}, {QStringLiteral("Pear_price"), 20.0}, {QStringLiteral("Pear_shuliang"), 0}});
    f.addRecord(tables::callpear(), {{lishu, 1}, {QStringLiteral("Pear_price"), 8.0}, {QStringLiteral("Pear_shuliang"), 1},
                                     {QStringLiteral("Callpear_bz"), QStringLiteral("赠送")}});
    f.db->run(QStringLiteral("INSERT INTO Callpear (Openroom_lishu, Pear_price, Pear_shuliang) VALUES (2, 99, 1)"));
    f.screen().Table1()->refresh();
    f.press(4);
    QCOMPARE(f.screen().Table1()->number(QStringLiteral("Openroom_jiushui")), 33.0);
    QCOMPARE(f.count(QStringLiteral("Callpear")), 3);
    QCOMPARE(f.stored("Callpear", "Callpear_bz", "Callpear_id=1").toString(), QStringLiteral("已买单:001"));
    QCOMPARE(f.stored("Callpear", "Callpear_bz", "Callpear_id=3").toString(), QStringLiteral("赠送"));
    QVERIFY(f.stored("Callpear", "Callpear_bz", "Callpear_id=4").isNull()); // another visit's line
}

void CheckOutTest::paymentMarksAndStatusBar()
{
    VisitFixture f;
    TFormCloseroomandPay &s = f.screen();
    s.bringUp();
    f.setVisit({{QStringLiteral("Openroom_jbxf"), 95 * 50 / 60.0}, {QStringLiteral("Openroom_shifu"), 80.0}});
    f.press(5);
    Cursor &v = *s.Table1();
    QCOMPARE(f.stored("Openroom", "Openroom_yingfu").toDouble(), 95 * 50 / 60.0);
    QCOMPARE(f.stored("Openroom", "Openroom_zhaoling").toDouble(), 80 - 95 * 50 / 60.0);
    QCOMPARE(f.stored("Openroom", "Openroom_beizhu").toString(), QStringLiteral("结清"));
    QCOMPARE(v.text(QStringLiteral("Openroom_beizhu")), QStringLiteral("结清")); // current for the steps after
    v.refresh();
    QCOMPARE(v.recordCount(), 0); // settled: gone from the list

    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_Customers_id"), QStringLiteral("001")},
                                     {QStringLiteral("Openroom_room_id"), QStringLiteral("102")},
                                     {QStringLiteral("Openroom_jbxf"), 100.0}});
    v.refresh();
    f.setVisit({{QStringLiteral("Openroom_yingfu"), 95.0}, {QStringLiteral("Openroom_shifu"), 95.0}});
    f.press(5);
    QCOMPARE(v.text(QStringLiteral("Openroom_beizhu")), QStringLiteral("抹零:5"));
    QCOMPARE(v.number(QStringLiteral("Openroom_zhaoling")), 0.0);
    QCOMPARE(v.recordCount(), 1); // still listed

    f.setVisit({{QStringLiteral("Openroom_yingfu"), QVariant()}, {QStringLiteral("Openroom_shifu"), 90.0}});
    f.press(5);
    QCOMPARE(v.text(QStringLiteral("Openroom_beizhu")), QStringLiteral("欠帐:10"));
    s.Timer1Timer();
    QCOMPARE(s.StatusBar1()->panelText(5), QStringLiteral("欠帐:10"));
    QCOMPARE(s.StatusBar1()->panelText(0), QStringLiteral("客户:甲"));
    QCOMPARE(s.StatusBar1()->panelText(2), QStringLiteral("基本消费:100.00"));
    QCOMPARE(s.StatusBar1()->panelText(4), QStringLiteral("实付:90"));
    QCOMPARE(s.StatusBar1()->panelText(6), QStringLiteral("欠帐:10"));

    f.setVisit({{QStringLiteral("Openroom_shifu"), 0.0}});
    f.press(5);
    QCOMPARE(v.text(QStringLiteral("Openroom_beizhu")), QStringLiteral("欠帐:10")); // the old change still owes
    QCOMPARE(v.number(QStringLiteral("Openroom_zhaoling")), -10.0);
    QTRY_VERIFY(s.paidBox()->lineEdit()->hasFocus());
}

void CheckOutTest::accumulationOnceAndOnlyAfterPayment()
{
    VisitFixture f;
    f.press(8);
    QCOMPARE(f.services.dialogs.messages().size(), 1); // payment comes first
    QVERIFY(f.stored("Openroom", "Openroom_leijifou").isNull());
    QCOMPARE(f.stored("Customers", "Customers_ljxf").toDouble(), 10.0);

    f.press(1);
    f.setVisit({{QStringLiteral("Openroom_jbxf"), 100.0}, {QStringLiteral("Openroom_yingfu"), 95.0},
                {QStringLiteral("Openroom_shifu"), 95.0}});
    f.press(5);
    f.press(8);
    f.press(8);
    QCOMPARE(f.stored("Customers", "Customers_ljxf").toDouble(), 105.0);
    QCOMPARE(f.stored("Openroom", "Openroom_leijifou").toString(), tables::yes);
    QCOMPARE(f.stored("Customers", "Customers_zjxfsj").toString(), QStringLiteral("2026-12-08 21:40:10.000"));
}

void CheckOutTest::filterHidesSettledVisits()
{
    VisitFixture f;
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_room_id"), QStringLiteral("101")},
                                     {QStringLiteral("Openroom_beizhu"), QStringLiteral("结清")}});
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_room_id"), QStringLiteral("102")},
                                     {QStringLiteral("Openroom_beizhu"), QStringLiteral("还没付费")}});
    Cursor &v = *f.screen().Table1();
    v.refresh();
    QCOMPARE(v.recordCount(), 2);
    f.screen().CheckBoxOnlyOpened()->click();
    QCOMPARE(v.recordCount(), 3);
    f.locate(QStringLiteral("101"));
    QCOMPARE(v.integer(QStringLiteral("Openroom_Lishui")), 2); // newest first: the settled one
    f.screen().CheckBoxOnlyOpened()->click();
    QCOMPARE(v.recordCount(), 2);
    f.screen().Edit1()->setText(QStringLiteral("abc"));
    QCOMPARE(v.integer(QStringLiteral("Openroom_Lishui")), 3); // no serial number: stays
    f.screen().Edit1()->setText(QStringLiteral("1"));
    QCOMPARE(v.integer(QStringLiteral("Openroom_Lishui")), 1);
}

void CheckOutTest::stepsStoreAllOrNothing()
{
    VisitFixture f;
    f.addRecord(tables::callpear(), {{QStringLiteral("Openroom_lishu"), 1}, {QStringLiteral("Pear_price"), 8.0},
                                     {QStringLiteral("Pear_shuliang"), 1}});
    f.screen().Table1()->refresh();
    // The room cannot be written: check-out stores neither the visit's end nor any client PC.
    f.refuseUpdates(QStringLiteral("room"));
    f.press(1);
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QVERIFY(f.services.dialogs.messages().isEmpty());
    QCOMPARE(f.stored("Openroom", "Openroom_endtime").toString(), QStringLiteral("2026-12-07 19:05:30.000"));
    QCOMPARE(f.clientFlags(), QStringList({tables::yes, tables::yes, tables::yes}));
    QCOMPARE(f.screen().Table1()->state(), CursorState::Browse);

    // The visit cannot be written: the drinks total leaves the lines unnoted, accumulation the member alone.
    f.allowUpdates(QStringLiteral("room"));
    f.db->run(QStringLiteral("UPDATE Openroom SET Openroom_yingfu = 50"));
    f.screen().Table1()->refresh();
    f.refuseUpdates(QStringLiteral("Openroom"));
    f.press(4);
    QVERIFY(f.stored("Callpear", "Callpear_bz").isNull());
    f.press(8);
    QCOMPARE(f.stored("Customers", "Customers_ljxf").toDouble(), 10.0);
    QCOMPARE(f.services.dialogs.errors().size(), 3);
    for (Cursor *c : {f.screen().Table1(), f.screen().Table2(), f.screen().Table4()})
        QCOMPARE(c->state(), CursorState::Browse);
}

void CheckOutTest::boardClicksAndPopupEntries()
{
    VisitFixture f;
    RoomButton *free102 = f.button(QStringLiteral("102"));
    RoomButton *used101 = f.button(QStringLiteral("101"));

    f.services.dialogs.answerNo();
    free102->click();
    QCOMPARE(f.services.dialogs.all().first().text, QStringLiteral("确定要开房102吗?"));
    QCOMPARE(QStringList({f.panel(0), f.panel(1), f.panel(2)}), QStringList({"102", "中包", "空闲"}));
    QCOMPARE(free102->captionColor(), roomstate::freeColor);
    QVERIFY(!f.program->main->checkIn()->isVisible());

    // K1 on a room in use: the check-in screen shows, nobody is checked in.
    f.services.dialogs.clear();
    f.board().showRoom(used101);
    f.board().K1()->setEnabled(true);
    f.board().K1()->trigger();
    QVERIFY(f.program->main->checkIn()->isVisible());
    QCOMPARE(f.count(QStringLiteral("Openroom")), 1);
    QVERIFY(f.services.dialogs.messages().isEmpty());

    // Yes on a green button checks the current member in.
    f.services.dialogs.answerYes();
    free102->click();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("房间号为： 102已开房给客户：001")});
    QCOMPARE(free102->captionColor(), roomstate::inUseColor);
    QCOMPARE(f.count(QStringLiteral("Openroom")), 2);

    // J1 and S1 place their screens on the room.
    f.board().showRoom(used101);
    f.board().J1()->trigger();
    QCOMPARE(f.screen().Edit1()->text(), QStringLiteral("101"));
    QCOMPARE(f.screen().Table1()->text(QStringLiteral("Openroom_room_id")), QStringLiteral("101"));
    QCOMPARE(f.screen().Table3()->text(QStringLiteral("Room_id")), QStringLiteral("101"));
    f.board().S1()->trigger();
    TFormcallpear *drinks = f.program->main->drinks();
    QVERIFY(drinks->isVisible());
    QCOMPARE(drinks->Edit1kffjh()->text(), QStringLiteral("101"));
    QCOMPARE(drinks->Table1()->text(QStringLiteral("Openroom_room_id")), QStringLiteral("101"));

    // Yes on a red button opens the check-out on that room; the room stays in use until checked out.
    f.screen().close();
    f.services.dialogs.clear();
    f.services.dialogs.answerYes();
    f.screen().Edit1()->clear();
    used101->click();
    QCOMPARE(f.services.dialogs.all().first().text, QStringLiteral("确定要退房101吗?"));
    QVERIFY(f.screen().isVisible());
    QCOMPARE(f.screen().Edit1()->text(), QStringLiteral("101"));
    QCOMPARE(used101->captionColor(), roomstate::inUseColor);
    QCOMPARE(f.stored("room", "Room_used", "Room_id='101'").toString(), tables::yes);
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
}

void CheckOutTest::wholeRoadThroughTheControls()
{
    AppFixture f;
    f.addRoom(QStringLiteral("203"), tables::no, 50.0);
    f.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), QStringLiteral("B001")},
                                 {QStringLiteral("Pear_name"), QStringLiteral("啤酒")},
                                 {QStringLiteral("Pear_price"), 12.5}});
    TFormMain &main = f.start();
    const QDateTime checkIn(QDate(2026, 12, 8), QTime(20, 0));

    // Register a member.
    {
        TFormyhzc registration(f.data(), f.services.platform(), &main);
        registration.Editnewhyh()->setText(QStringLiteral("007"));
        registration.BitBtncheckid()->click();
        auto *name = registration.findChild<DBEdit *>(QStringLiteral("EditCustomers_name"));
        QInputMethodEvent typing; // Chinese text arrives through the input method
        typing.setCommitString(QStringLiteral("邦德"));
        QApplication::sendEvent(name->lineEdit(), &typing);
        QVERIFY(name->commitPending());
        f.data().TableCustomers->post();
    }
    // Check in from the board.
    f.services.clock.set(checkIn);
    f.services.dialogs.answerYes();
    f.button(QStringLiteral("203"))->click();
    QCOMPARE(f.button(QStringLiteral("203"))->captionColor(), roomstate::inUseColor);

    // Two drinks through S1.
    f.board().showRoom(f.button(QStringLiteral("203")));
    f.board().S1()->trigger();
    TFormcallpear *drinks = main.drinks();
    QCOMPARE(drinks->Table1()->text(QStringLiteral("Openroom_room_id")), QStringLiteral("203"));
    drinks->Table2()->insert();
    drinks->Table2()->setValue(QStringLiteral("Pear_shuliang"), 2);
    drinks->Table2()->post();
    QCOMPARE(f.count(QStringLiteral("Callpear")), 1);

    // Check out through J1 after 95 minutes, then the steps.
    f.services.clock.set(checkIn.addSecs(95 * 60 + 20));
    f.board().J1()->trigger();
    TFormCloseroomandPay &out = *main.checkOut();
    for (int step = 1; step <= 4; ++step)
        out.stepButton(step)->click();
    auto *paid = out.findChild<DBEdit *>(QStringLiteral("EditOpenroom_shifu"));
    QTest::keyClicks(paid->lineEdit(), QStringLiteral("110"));
    QVERIFY(paid->commitPending());
    out.stepButton(5)->click();
    // The receipt, printed from the screen the check-out opens; it shows the newest visit first.
    QTimer::singleShot(0, [&] {
        auto *receipts = qobject_cast<TFormPrintpaper *>(QApplication::activeModalWidget());
        QVERIFY(receipts);
        receipts->BitBtnPrint()->click();
        receipts->reject();
    });
    out.stepButton(6)->click();
    QCOMPARE(f.services.printer.documents().size(), 1);
    const QStringList receipt = f.services.printer.documents().first().lines();
    QCOMPARE(receipt.value(2), QStringLiteral("开房房间号:203"));
    QCOMPARE(receipt.value(3), QStringLiteral("基本消费额:79.17"));
    QCOMPARE(receipt.value(4), QStringLiteral("酒水消费额:25"));
    QCOMPARE(receipt.value(8), QStringLiteral("结帐备注项:结清"));
    out.stepButton(7)->click();
    out.stepButton(8)->click();

    const double charge = 95 * 50.0 / 60;
    QSqlQuery q = f.db->run(QStringLiteral(
        "SELECT Openroom_usedminute, Openroom_jbxf, Openroom_jiushui, Openroom_yingfu, Openroom_shifu, "
        "Openroom_zhaoling, Openroom_beizhu, Openroom_leijifou, Openroom_endtime, Openroom_room_zhelu, "
        "Openroom_customer_zhelu FROM Openroom"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 95);
    QCOMPARE(q.value(1).toDouble(), charge);
    QCOMPARE(q.value(2).toDouble(), 25.0);
    QCOMPARE(q.value(3).toDouble(), charge + 25);
    QCOMPARE(q.value(4).toDouble(), 110.0);
    QCOMPARE(q.value(5).toDouble(), 110 - (charge + 25));
    QCOMPARE(q.value(6).toString(), QStringLiteral("结清"));
    QCOMPARE(q.value(7).toString(), tables::yes);
    QCOMPARE(q.value(8).toString(), QStringLiteral("2026-12-08 21:35:20.000"));
    QCOMPARE(q.value(9).toDouble(), 1.0);
    QCOMPARE(q.value(10).toDouble(), 1.0);
    q = f.db->run(QStringLiteral(
        "SELECT Customers_ljxf, Customers_zjxfsj, Customers_name FROM Customers WHERE Customers_id='007'"));
    QVERIFY(q.next());
    QCOMPARE(q.value(2).toString(), QStringLiteral("邦德"));
    QCOMPARE(q.value(0).toDouble(), charge + 25);
    QCOMPARE(q.value(1).toString(), QStringLiteral("2026-12-08 21:35:20.000"));
    q = f.db->run(QStringLiteral("SELECT Callpear_bz FROM Callpear"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("已买单:007"));

    // Closing the screen repaints the board: the room is free again.
    out.close();
    QCOMPARE(f.button(QStringLiteral("203"))->captionColor(), roomstate::freeColor);
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

void CheckOutTest::ctrlKChecksInOnAFocusedButton()
{
    VisitFixture f;
    TFormMain &main = *f.program->main;
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    RoomButton *room102 = f.button(QStringLiteral("102"));
    room102->setFocus();
    QTRY_COMPARE(f.panel(0), QStringLiteral("102"));
    QTest::keyClick(room102, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("房间号为： 102已开房给客户：001")});
    QCOMPARE(room102->captionColor(), roomstate::inUseColor);
}

void CheckOutTest::accelleratorStepTakesTheAmountBeingTyped()
{
    VisitFixture f;
    TFormCloseroomandPay &s = f.screen();
    f.setVisit({{QStringLiteral("Openroom_jbxf"), 100.0}});
    s.bringUp();
    QVERIFY(QTest::qWaitForWindowActive(&s));
    s.paidBox()->lineEdit()->setFocus();
    QTRY_VERIFY(s.paidBox()->lineEdit()->hasFocus());
    QTest::keyClicks(s.paidBox()->lineEdit(), QStringLiteral("120"));
    QTest::keyClick(&s, Qt::Key_5, Qt::AltModifier);
    QTRY_COMPARE(f.stored("Openroom", "Openroom_beizhu").toString(), QStringLiteral("结清"));
    QCOMPARE(f.stored("Openroom", "Openroom_shifu").toDouble(), 120.0);
    QCOMPARE(f.stored("Openroom", "Openroom_zhaoling").toDouble(), 20.0);
}

// Bands switched on at the room fee screen; the party of room 101 (band 20:00-22:00 at 100) moves from the
// board to 102 (band 21:00-23:00 at 80) at 20:30:30 and leaves at 21:40:10 with 10 minutes off. The board's
// running charge, the stored charge and the receipt's parts agree with the minutes laid from 19:05:30.
void CheckOutTest::roomChangeWithBandsChargesWhatTheBoardShowed()
{
    VisitFixture f;
    f.setRoom(QStringLiteral("101"), {{QStringLiteral("Room_feiyong1"), 100.0},
                                      {QStringLiteral("Room_begintime1"), QTime(20, 0)},
                                      {QStringLiteral("Room_endtime1"), QTime(22, 0)}});
    f.setRoom(QStringLiteral("102"), {{QStringLiteral("Room_feiyong2"), 80.0},
                                      {QStringLiteral("Room_begintime2"), QTime(21, 0)},
                                      {QStringLiteral("Room_endtime2"), QTime(23, 0)}});
    {
        TFormfjfy fees(f.data(), f.services.platform());
        fees.CheckBoxBands()->click();
    }
    QCOMPARE(f.stored("Settings", "Settings_value").toString(), tables::yes);
    f.setVisit({{QStringLiteral("Openroom_youhuminute"), 10}});

    f.services.clock.set(QDateTime(kCheckIn.date(), QTime(20, 30, 30)));
    f.board().showRoom(f.button(QStringLiteral("101")));
    QVERIFY(f.board().H1()->isEnabled());
    VisitFixture::pickWhenAsked(QStringLiteral("102"));
    f.board().H1()->trigger();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("已从房间101换到房间102！")});
    QCOMPARE(f.button(QStringLiteral("101"))->captionColor(), roomstate::freeColor);
    QCOMPARE(f.button(QStringLiteral("102"))->captionColor(), roomstate::inUseColor);
    QCOMPARE(f.moveTraces(),
             QStringList({"102", tables::no, QStringList({tables::no, tables::no, tables::yes}).join(QLatin1Char(',')),
                          "1", "1"}));
    QCOMPARE(f.stored("RoomMove", "RoomMove_from").toString(), QStringLiteral("101"));

    f.services.clock.set(kCheckIn.addSecs(2 * 3600 + 34 * 60 + 40)); // 21:40:10
    f.program->main->SpeedButtonRefreshRoomStata()->click();
    const QString shown = f.button(QStringLiteral("102"))->runningLabel()->text();
    f.locate(QStringLiteral("102"));
    for (int step : {1, 2, 3, 4})
        f.press(step);
    // 55 minutes at 60 and 30 at 100 in 101, 30 at 50 and 29 at 80 in 102, at the member rate 0.9.
    const double expected = (55 * 60 + 30 * 100 + 30 * 50 + 29 * 80) / 60.0 * 0.9;
    QCOMPARE(charge::compareMoney(f.stored("Openroom", "Openroom_jbxf").toDouble(), expected), 0);
    QCOMPARE(shown, QStringLiteral("2:34  ¥151.80"));

    f.press(5);
    QTimer::singleShot(0, [] {
        auto *receipts = qobject_cast<TFormPrintpaper *>(QApplication::activeModalWidget());
        QVERIFY(receipts);
        receipts->BitBtnPrint()->click();
        receipts->reject();
    });
    f.press(6);
    QCOMPARE(f.services.printer.documents().size(), 1);
    const QStringList receipt = f.services.printer.documents().first().lines();
    QCOMPARE(receipt.mid(10),
             QStringList({"房间101 时段20:00-22:00 30分钟 45.00", "房间102 时段21:00-23:00 29分钟 34.80",
                          "房间101 85分钟 94.50", "房间102 59分钟 57.30"}));
}

// The step reads the room and the visit inside its own transaction: a room another station let a moment
// before, a visit checked out, or a write that fails halfway leave everything as it was.
void CheckOutTest::roomChangeIntoABookedRoomAsksFirst()
{
    VisitFixture f;
    const QDateTime now = f.services.clock.now();
    {
        Transaction tx(*f.db);
        StoredRecord::insert(*f.db, tables::reservation(),
                             {{QStringLiteral("Reservation_name"), QStringLiteral("李四")},
                              {QStringLiteral("Reservation_room"), QStringLiteral("102")},
                              {QStringLiteral("Reservation_from"), now.addSecs(30 * 60)},
                              {QStringLiteral("Reservation_to"), now.addSecs(150 * 60)},
                              {QStringLiteral("Reservation_state"), reservationtimes::booked}});
        tx.commit();
    }
    const QStringList before = f.moveTraces();
    f.locate(QStringLiteral("101"));
    f.services.dialogs.answerNo();
    VisitFixture::pickWhenAsked(QStringLiteral("102"));
    f.screen().BitBtnHuanfang()->click();
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
    QCOMPARE(f.services.dialogs.texts(ScriptedDialogs::Kind::Confirm),
             QStringList{QStringLiteral("该房间已被预订：李四 22:10，确定换房吗?")});
    QCOMPARE(f.moveTraces(), before);

    f.services.dialogs.answerYes();
    VisitFixture::pickWhenAsked(QStringLiteral("102"));
    f.screen().BitBtnHuanfang()->click();
    QCOMPARE(f.stored("Openroom", "Openroom_room_id", "Openroom_Lishui=1").toString(), QStringLiteral("102"));
}

void CheckOutTest::roomChangeRefusedOnWhatIsStoredNow()
{
    VisitFixture f;
    const QDateTime now = f.services.clock.now();
    const QStringList before = f.moveTraces();
    std::unique_ptr<Database> other = f.openAnother();
    checkin::checkIn(*other, QStringLiteral("001"), QStringLiteral("102"), now);
    QVERIFY_THROWS_EXCEPTION(Refused, roommove::moveVisit(*f.db, 1, QStringLiteral("102"), now));
    QCOMPARE(f.moveTraces(), before);

    f.addRoom(QStringLiteral("103"), tables::no, 50.0);
    f.refuseUpdates(QStringLiteral("Clients"));
    QVERIFY_THROWS_EXCEPTION(StoreError, roommove::moveVisit(*f.db, 1, QStringLiteral("103"), now));
    QCOMPARE(f.moveTraces(), before);
    QCOMPARE(f.stored("room", "Room_used", "Room_id='103'").toString(), tables::no);
    f.allowUpdates(QStringLiteral("Clients"));

    checkout::checkOut(*f.db, 1, now);
    QVERIFY_THROWS_EXCEPTION(Refused, roommove::moveVisit(*f.db, 1, QStringLiteral("103"), now));
    QCOMPARE(f.stored("Openroom", "Openroom_room_id", "Openroom_Lishui=1").toString(), QStringLiteral("101"));
    QCOMPARE(f.count(QStringLiteral("RoomMove")), 0);

    // Two stations at once: one lets 103 to a new party, the other moves the party of 102 there.
    const QStringList outcomes = atOnce(f.location(), 2, [&](Database &station, int s) {
        if (s == 0)
            checkin::checkIn(station, QStringLiteral("001"), QStringLiteral("103"), now);
        else
            roommove::moveVisit(station, 2, QStringLiteral("103"), now);
    });
    QCOMPARE(outcomes.count(QString()), 1);
    QCOMPARE(f.stored("Openroom", "COUNT(*)", "lower(Openroom_room_id)='103' AND Openroom_endtime < Openroom_begintime")
                 .toInt(),
             1);
}

QTEST_MAIN(CheckOutTest)
#include "test_checkout.moc"
