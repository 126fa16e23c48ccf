#include "appfixture.h"
#include "stations.h"

#include "members/formyhzc.h"
#include "visits/checkin.h"
#include "visits/checkinstep.h"
#include "visits/checkoutsteps.h"
#include "visits/formopenroom.h"
#include "board/roomstate.h"
#include "store/storeerror.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>


using namespace ktv;

namespace {
const QString kVisitRoom = QStringLiteral("Openroom_room_id");
}

class CheckInTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void searchKind_data();
    void searchKind();
    void refusalsLeaveEverythingUnchanged();
    void checkInStoresVisitMemberAndRoom();
    void roomWithEmptyFlagCanBeOpened();
    void memberSearchByNumberAndName();
    void newVisitRowRefusedWhileRoomInUse();
    void editingOldVisitLeavesRoomsAlone();
    void failedCheckInStoresNothing();
    void closingRefreshesBoard();
    void registrationCheck();
    void registrationOfTooLongNumber();
    void twoStationsLettingOneRoomAtOnce();
};

// Two stations let room 101 at the same moment, each to its own member, fifty times over: each time exactly
// one visit is stored, and the other station is told the room is in use.
void CheckInTest::twoStationsLettingOneRoomAtOnce()
{
    StoreFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addMember(QStringLiteral("002"), QStringLiteral("乙"));
    f.addRoom(QStringLiteral("101"), tables::no);
    const QDateTime now(QDate(2026, 12, 8), QTime(20, 0));
    for (int round = 0; round < 50; ++round) {
        QStringList outcomes = atOnce(f.location(), 2, [&now](Database &station, int s) {
            checkin::checkIn(station, s == 0 ? QStringLiteral("001") : QStringLiteral("002"), QStringLiteral("101"), now);
        });
        outcomes.replaceInStrings(QRegularExpression(QStringLiteral("^$")), QStringLiteral("let"));
        QCOMPARE(outcomes.count(QStringLiteral("let")), 1);
        const QString refusal = outcomes.value(outcomes.indexOf(QStringLiteral("let")) == 0 ? 1 : 0);
        QVERIFY2(refusal.contains(QStringLiteral("101")) && !refusal.startsWith(QStringLiteral("failed")),
                 qPrintable(refusal));
        QCOMPARE(f.count(QStringLiteral("Openroom")), 1);
        Transaction tx(*f.db);
        f.db->run(QStringLiteral("DELETE FROM Openroom"));
        f.db->run(QStringLiteral("UPDATE room SET Room_used = ?"), {tables::no});
        tx.commit();
    }
}

void CheckInTest::searchKind_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("byName");
    QTest::newRow("0012") << "0012" << false;
    QTest::newRow("8") << "8" << false;
    QTest::newRow("9") << "9" << false;
    QTest::newRow("95") << "95" << true;
    QTest::newRow("letter") << "A01" << true;
    QTest::newRow("chinese") << "张" << true;
}

void CheckInTest::searchKind()
{
    QFETCH(QString, text);
    QFETCH(bool, byName);
    QCOMPARE(checkin::searchesByName(text), byName);
}

void CheckInTest::refusalsLeaveEverythingUnchanged()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"), tables::yes);
    f.start();
    TFormOpenroom *screen = f.program->main->checkIn();
    screen->BitBtnKaifang()->click();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("没有客户信息，请首先添加客户！")});

    f.services.dialogs.clear();
    f.data().TableCustomers->append();
    f.data().TableCustomers->setValue(QStringLiteral("Customers_id"), QStringLiteral("001"));
    f.data().TableCustomers->setValue(QStringLiteral("Customers_name"), QStringLiteral("甲"));
    f.data().TableCustomers->post();
    screen->BitBtnKaifang()->click();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("没有空房可开！")});
    QCOMPARE(f.count(QStringLiteral("Openroom")), 0);
}

void CheckInTest::checkInStoresVisitMemberAndRoom()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"), tables::no);
    f.addRoom(QStringLiteral("102"), tables::no);
    f.start();
    TFormOpenroom *screen = f.program->main->checkIn();
    QCOMPARE(screen->Table1()->recordCount(), 2);

    const QDateTime moment(QDate(2026, 12, 8), QTime(19, 5, 30, 250));
    f.services.clock.set(moment);
    screen->BitBtnKaifang()->click();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("房间号为： 101已开房给客户：001")});
    QVERIFY(f.services.dialogs.errors().isEmpty());

    Cursor visits(*f.db, tables::openroom());
    visits.open();
    QCOMPARE(visits.recordCount(), 1);
    QCOMPARE(visits.integer(QStringLiteral("Openroom_Lishui")), 1);
    QCOMPARE(visits.text(QStringLiteral("Openroom_Customers_id")), QStringLiteral("001"));
    QCOMPARE(visits.text(kVisitRoom), QStringLiteral("101"));
    QCOMPARE(visits.dateTime(QStringLiteral("Openroom_begintime")), moment);
    QCOMPARE(visits.dateTime(QStringLiteral("Openroom_endtime")), moment.addDays(-1));
    for (const char *empty : {"Openroom_usedminute", "Openroom_jbxf", "Openroom_yingfu", "Openroom_beizhu",
                              "Openroom_leijifou", "Openroom_customer_zhelu"})
        QVERIFY2(visits.isNull(QLatin1String(empty)), empty);

    QCOMPARE(screen->Table1()->recordCount(), 1); // the room left the free list
    QCOMPARE(screen->Table1()->text(QStringLiteral("Room_id")), QStringLiteral("102"));
    Cursor members(*f.db, tables::customers());
    members.open();
    QCOMPARE(members.dateTime(QStringLiteral("Customers_zjxfsj")), moment);
    Cursor rooms(*f.db, tables::room());
    rooms.open();
    QCOMPARE(rooms.text(QStringLiteral("Room_used")), tables::yes);

    // The next check-in gets the next serial number, also after the visits were cleared.
    f.db->run(QStringLiteral("DELETE FROM Openroom"));
    screen->BitBtnKaifang()->click();
    visits.refresh();
    QCOMPARE(visits.integer(QStringLiteral("Openroom_Lishui")), 2);
    QCOMPARE(visits.text(kVisitRoom), QStringLiteral("102"));
    QCOMPARE(screen->Table2()->recordCount(), 1); // the member's visits, as the link shows them
}

void CheckInTest::roomWithEmptyFlagCanBeOpened()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("203"));
    f.start();
    f.program->main->checkIn()->BitBtnKaifang()->click();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("房间号为： 203已开房给客户：001")});
}

void CheckInTest::memberSearchByNumberAndName()
{
    AppFixture f;
    f.addMember(QStringLiteral("100"), QStringLiteral("王"));
    f.addMember(QStringLiteral("0012"), QStringLiteral("张三"));
    f.addMember(QStringLiteral("0020"), QStringLiteral("李四"));
    f.addMember(QStringLiteral("95"), QStringLiteral("95后"));
    f.start();
    TFormOpenroom *screen = f.program->main->checkIn();
    Cursor &members = *f.data().TableCustomers;

    QTest::keyClicks(screen->EditHybh(), QStringLiteral("00"));
    QCOMPARE(members.text(QStringLiteral("Customers_id")), QStringLiteral("0012"));
    QTest::keyClicks(screen->EditHybh(), QStringLiteral("2"));
    QCOMPARE(members.text(QStringLiteral("Customers_id")), QStringLiteral("0020"));

    screen->EditHybh()->setText(QStringLiteral(" 张 "));
    QTest::keyClick(screen->EditHybh(), Qt::Key_Return);
    QCOMPARE(screen->EditHybh()->text(), QStringLiteral("张"));
    QCOMPARE(members.text(QStringLiteral("Customers_name")), QStringLiteral("张三"));

    screen->EditHybh()->setText(QStringLiteral("95"));
    screen->BitBtnDingweiHY()->click();
    QCOMPARE(members.text(QStringLiteral("Customers_name")), QStringLiteral("95后")); // searched as a name
    screen->EditHybh()->setText(QStringLiteral("无此人"));
    screen->BitBtnDingweiHY()->click();
    QCOMPARE(members.text(QStringLiteral("Customers_name")), QStringLiteral("95后")); // stays put
}

void CheckInTest::newVisitRowRefusedWhileRoomInUse()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"));
    f.start();
    TFormOpenroom *screen = f.program->main->checkIn();
    // A visit row stored through the grid takes the current free room, pending on the room list.
    screen->Table2()->insert();
    screen->Table2()->setValue(kVisitRoom, QStringLiteral("101"));
    screen->Table2()->post();
    QCOMPARE(screen->Table1()->text(QStringLiteral("Room_used")), tables::yes);

    f.services.dialogs.clear();
    QVERIFY_THROWS_EXCEPTION(AbortAction, screen->Table2()->insert());
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("房间号为： 101正在使用中，不能再开房！")});
    QCOMPARE(screen->Table2()->state(), CursorState::Browse);
    QCOMPARE(f.count(QStringLiteral("Openroom")), 1);

    f.services.dialogs.clear();
    screen->BitBtnKaifang()->click();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("房间号为： 101正在使用中，不能再开房！")});
    QCOMPARE(f.count(QStringLiteral("Openroom")), 1);
}

void CheckInTest::editingOldVisitLeavesRoomsAlone()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"));
    f.addRoom(QStringLiteral("102"));
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_Customers_id"), QStringLiteral("001")},
                                     {kVisitRoom, QStringLiteral("205")},
                                     {QStringLiteral("Openroom_beizhu"), QStringLiteral("结清")}});
    f.start();
    TFormOpenroom *screen = f.program->main->checkIn();
    QCOMPARE(screen->Table2()->recordCount(), 1);
    screen->Table2()->edit();
    screen->Table2()->setValue(QStringLiteral("Openroom_beizhu"), QStringLiteral("老客"));
    screen->Table2()->post();
    QCOMPARE(screen->Table1()->state(), CursorState::Browse);
    screen->Table1()->next();
    screen->Table1()->refresh();
    QCOMPARE(screen->Table1()->recordCount(), 2);
    QCOMPARE(f.count(QStringLiteral("room")), 2);
    QSqlQuery q = f.db->run(QStringLiteral("SELECT COUNT(*) FROM room WHERE Room_used = '是'"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
}

void CheckInTest::failedCheckInStoresNothing()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"));
    f.start();
    // The current member disappears behind the screen's back: check-in sees the table as stored now.
    f.db->run(QStringLiteral("DELETE FROM Customers"));
    f.program->main->checkIn()->BitBtnKaifang()->click();
    QVERIFY(f.services.dialogs.errors().isEmpty());
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("没有客户信息，请首先添加客户！")});
    QCOMPARE(f.count(QStringLiteral("Openroom")), 0);
    QSqlQuery q = f.db->run(QStringLiteral("SELECT Room_used FROM room"));
    QVERIFY(q.next());
    QVERIFY(q.value(0).isNull());
    TFormOpenroom *screen = f.program->main->checkIn();
    QCOMPARE(screen->Table1()->state(), CursorState::Browse);
    QCOMPARE(screen->Table2()->state(), CursorState::Browse);
    QCOMPARE(screen->Table1()->recordCount(), 1);
}

void CheckInTest::closingRefreshesBoard()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("102"));
    TFormMain &main = f.start();
    QAction *entry = main.menuEntry(QStringLiteral("kanfang"));
    QVERIFY(entry->isEnabled());
    entry->trigger();
    TFormOpenroom *screen = main.checkIn();
    QVERIFY(screen->isVisible());
    screen->BitBtnKaifang()->click();
    QCOMPARE(f.button(QStringLiteral("102"))->captionColor(), roomstate::freeColor);
    screen->close();
    QVERIFY(!screen->isVisible());
    QCOMPARE(f.button(QStringLiteral("102"))->captionColor(), roomstate::inUseColor);
    entry->trigger(); // the same screen comes back, as it was left
    QCOMPARE(main.checkIn(), screen);
    QVERIFY(screen->isVisible());
}

void CheckInTest::registrationCheck()
{
    AppFixture f;
    f.addMember(QStringLiteral("abc"), QStringLiteral("甲"));
    f.addMember(QStringLiteral("002"), QStringLiteral("乙"));
    f.start();
    TFormyhzc screen(f.data(), f.services.platform(), f.program->main.get());
    screen.show();
    Cursor &members = *f.data().TableCustomers;
    members.last();

    screen.Editnewhyh()->setText(QStringLiteral("  "));
    screen.BitBtncheckid()->click();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("会员号不能为空!")});
    QCOMPARE(f.services.beeper.count(), 1);

    f.services.dialogs.clear();
    screen.Editnewhyh()->setText(QStringLiteral("ABC"));
    QTest::keyClick(screen.Editnewhyh(), Qt::Key_Return);
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("ABC已被使用，请更换会员编号!")});
    QCOMPARE(members.state(), CursorState::Browse);
    QCOMPARE(members.text(QStringLiteral("Customers_id")), QStringLiteral("002")); // back where it was

    f.services.dialogs.clear();
    screen.Editnewhyh()->setText(QStringLiteral(" 003 "));
    screen.BitBtncheckid()->click();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral(" 003 可以使用!")});
    QCOMPARE(members.state(), CursorState::Insert);
    QCOMPARE(members.text(QStringLiteral("Customers_id")), QStringLiteral("003"));
    members.setValue(QStringLiteral("Customers_name"), QStringLiteral("丙"));
    members.post();
    QCOMPARE(members.value(QStringLiteral("Customers_zcsj")).toDate(), f.services.clock.now().date());
    QCOMPARE(f.count(QStringLiteral("Customers")), 3);
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

void CheckInTest::registrationOfTooLongNumber()
{
    AppFixture f;
    f.addMember(QStringLiteral("1234567"), QStringLiteral("甲"));
    f.start();
    TFormyhzc screen(f.data(), f.services.platform(), f.program->main.get());
    // Cut to 7 bytes it would be member 1234567: a member number that does not fit is refused, never cut.
    screen.Editnewhyh()->setText(QStringLiteral("12345678"));
    screen.BitBtncheckid()->click();
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QVERIFY(f.services.dialogs.errors().first().contains(QStringLiteral("最多容纳 7 个字节")));
    QCOMPARE(f.data().TableCustomers->state(), CursorState::Browse);
    QCOMPARE(f.count(QStringLiteral("Customers")), 1);
}

QTEST_MAIN(CheckInTest)
#include "test_checkin.moc"
