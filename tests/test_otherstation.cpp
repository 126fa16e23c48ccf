// Another station (a second connection to the same file) changes records a moment before the cashier
// presses a button: every step must act on the record the cashier chose, or refuse.
#include "appfixture.h"

#include "app/formmain.h"
#include "catalogue/formroomview.h"
#include "clients/formclientsview.h"
#include "clients/formkhdkfpd.h"
#include "clients/formopenclients.h"
#include "fakeagent.h"
#include "maintenance/databaseinit.h"
#include "maintenance/emptytables.h"
#include "visits/formcallpear.h"
#include "visits/formcloseroomandpay.h"
#include "visits/formopenroom.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/numberforms.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace ktv;

namespace {

const QDateTime kCheckIn(QDate(2026, 12, 8), QTime(19, 0));

struct Station : AppFixture
{
    std::unique_ptr<Database> other;

    void begin()
    {
        start();
        services.clock.set(kCheckIn.addSecs(2 * 3600));
        other = openAnother();
    }
    void addVisit(const QString &room, const QString &member = QStringLiteral("001"), const QVariantMap &more = {})
    {
        QVariantMap values{{QStringLiteral("Openroom_Customers_id"), member},
                           {QStringLiteral("Openroom_room_id"), room},
                           {QStringLiteral("Openroom_begintime"), kCheckIn},
                           {QStringLiteral("Openroom_endtime"), kCheckIn.addDays(-1)}};
        values.insert(more);
        addRecord(tables::openroom(), values);
    }
    void elsewhere(const QString &sql, const QString &more = {})
    {
        Transaction tx(*other);
        other->run(sql);
        if (!more.isEmpty())
            other->run(more);
        tx.commit();
    }
    QVariant stored(const QString &sql)
    {
        QSqlQuery q = db->run(sql);
        return q.next() ? q.value(0) : QVariant();
    }
    TFormCloseroomandPay &checkOut() { return *program->main->checkOut(); }
    void press(int step) { checkOut().stepButton(step)->click(); }
    void locate(const QString &room)
    {
        checkOut().Edit1()->setText(room);
        checkOut().BitBtn2dwkffjh()->click();
    }
    // The rows' key in SQL written by hand, as the store writes it on this engine.
    QString key(const TableDef &table) const { return db->dialect().rowKey(table); }
    QString lastError() const { return services.dialogs.errors().value(services.dialogs.errors().size() - 1); }
};

// Member 001, rooms 101 and 102 let to visits 1 and 2.
struct TwoParties : Station
{
    TwoParties()
    {
        addMember(QStringLiteral("001"), QStringLiteral("甲"));
        addRoom(QStringLiteral("101"), tables::yes, 60.0);
        addRoom(QStringLiteral("102"), tables::yes, 60.0);
        addVisit(QStringLiteral("101"));
        addVisit(QStringLiteral("102"));
        begin();
    }
};

int gridRows(QWidget *screen, const QString &grid)
{
    auto *g = screen->findChild<DBGrid *>(grid);
    return g ? g->model()->rowCount() : -1;
}

} // namespace

class TestOtherStation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void screensOpenedFromTheMenuListTheirRecords();
    void startOnAServerThatCannotBeReachedNamesIt();
    void passwordIsAskedWhenLibpqHasNone();
    void clearingOnAServerKeepsASnapshotFirst();
    void checkOutAndPaymentRefuseAVisitSettledElsewhere();
    void drinksLineRefusedForAVisitSettledElsewhere();
    void deletedDrinkIsNotReplacedByTheNext();
    void checkInRefusesARoomLetElsewhere();
    void deleteAndTypingNeverReachTheNeighbour();
    void saveNeverLandsOnARecordThatTookTheRow();
    void valueSavedElsewhereIsNotOverwritten();
    void goneRowOnATimerIsReportedOnceAndDropped();
    void occupiedRoomCannotBeMarkedFree();
    void paidPartyStillHoldsItsRoom();
    void runningChargeIsWhatCheckOutStores();
    void listingsAreReadOnceWhenOpened();
    void roomSearchThatFindsNothingChoosesNothing();
    void clientPcStepsNeverReachTheNeighbour();
    void refusedClientPcSaveOnATimerIsDropped();
    void paymentAndItsJournalRowAreStoredTogether();
    void randomStepsNeverLetARoomTwice();
};

void TestOtherStation::screensOpenedFromTheMenuListTheirRecords()
{
    AppFixture f;
    QVERIFY(createVenueData(f.folder() + QStringLiteral("/demo"), true, f.services.clock).isEmpty());
    f.program = startProgram(f.folder() + QStringLiteral("/demo"), f.services.platform());
    QVERIFY(f.program);
    f.program->main->menuEntry(QStringLiteral("kanfang"))->trigger();
    QCOMPARE(gridRows(f.program->main->checkIn(), QStringLiteral("DBGrid1")), 8);
    f.program->main->menuEntry(QStringLiteral("jiezhang"))->trigger();
    QCOMPARE(gridRows(f.program->main->checkOut(), QStringLiteral("DBGrid3")), 8);
    Tformkhdkfpd pairing(*f.program->data, f.services.platform(), f.program->main.get());
    QCOMPARE(gridRows(&pairing, QStringLiteral("DBGridroom")), 8);
    TFormClientsView clients(*f.program->data, f.services.platform(), f.program->main.get());
    QCOMPARE(gridRows(&clients, QStringLiteral("DBGrid1")), 2);
}

void TestOtherStation::startOnAServerThatCannotBeReachedNamesIt()
{
    AppFixture f;
    QString error;
    f.program = startProgram(f.folder(), f.services.platform(), &error, QStringLiteral("postgresql://ktv@127.0.0.1:1/venue"));
    QVERIFY(!f.program);
    QVERIFY2(error.startsWith(QStringLiteral("无法连接数据库服务器 127.0.0.1：")), qPrintable(error));
    QCOMPARE(f.services.dialogs.errors(), QStringList{error});
}

void TestOtherStation::passwordIsAskedWhenLibpqHasNone()
{
    if (!testserver::wanted())
        QSKIP("a server's password");
    AppFixture f;
    const QByteArray password = qgetenv("PGPASSWORD");
    qunsetenv("PGPASSWORD");
    const auto restore = qScopeGuard([&] { qputenv("PGPASSWORD", password); });
    qputenv("PGPASSFILE", QFile::encodeName(f.work.filePath(QStringLiteral("none"))));
    const QString address = f.location();
    f.db.reset();

    // A wrong password is asked again; the right one opens the venue.
    f.services.dialogs.answerText(QStringLiteral("wrong"));
    f.services.dialogs.answerText(QString::fromLatin1(password));
    f.program = startProgram(f.folder(), f.services.platform(), nullptr, address);
    QVERIFY2(f.program, qPrintable(f.services.dialogs.errors().join(u'\n')));
    QCOMPARE(f.services.dialogs.pendingAnswers(), 0);
    f.program.reset();

    // Cancelled, the start ends naming the server.
    f.services.dialogs.answerCancel();
    QString error;
    f.program = startProgram(f.folder(), f.services.platform(), &error, address);
    QVERIFY(!f.program);
    QVERIFY2(error.startsWith(QStringLiteral("无法连接数据库服务器 ")), qPrintable(error));
}

// The clearing's backup of a venue on a server is a snapshot of it in the station's own backups folder, which
// restores to either engine.
void TestOtherStation::clearingOnAServerKeepsASnapshotFirst()
{
    if (!testserver::wanted())
        QSKIP("a venue on a server");
    AppFixture f;
    f.addRoom(QStringLiteral("101"), tables::no);
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_room_id"), QStringLiteral("101")},
                                     {QStringLiteral("Openroom_jbxf"), 80.5}});
    f.start();
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    zapData(f.data(), f.services.platform(), f.program->main.get(), [](TFormEmptyTable &window) {
        window.findChild<QPushButton *>(QStringLiteral("BitBtn6"))->click();
    });
    QVERIFY2(f.services.dialogs.errors().isEmpty(), qPrintable(f.services.dialogs.errors().join(u'\n')));
    QCOMPARE(f.count(QStringLiteral("Openroom")), 0);
    const QDir backups(f.folder() + QStringLiteral("/backups"));
    const QStringList taken = backups.entryList({QStringLiteral("auto-*.db")});
    QCOMPARE(taken.size(), 1);
    QTemporaryDir copy;
    QVERIFY(QFile::copy(backups.filePath(taken.first()), Database::fileNameIn(copy.path())));
    std::unique_ptr<Database> kept = Database::open(copy.path());
    QSqlQuery visit = kept->run(QStringLiteral("SELECT Openroom_jbxf FROM Openroom"));
    QVERIFY(visit.next());
    QCOMPARE(visit.value(0).toDouble(), 80.5);
}

void TestOtherStation::checkOutAndPaymentRefuseAVisitSettledElsewhere()
{
    TwoParties s;
    s.locate(QStringLiteral("101"));
    QCOMPARE(s.checkOut().Table1()->integer(QStringLiteral("Openroom_Lishui")), 1);
    s.elsewhere(QStringLiteral("UPDATE Openroom SET Openroom_beizhu = '结清', Openroom_endtime = '2026-12-08 20:30:00.000' "
                               "WHERE Openroom_Lishui = 1"));
    s.elsewhere(QStringLiteral("UPDATE room SET Room_used = '否' WHERE Room_id = '101'"));
    s.press(1);
    QVERIFY(!s.services.dialogs.messages().contains(QStringLiteral("退房成功！")));
    QVERIFY(s.lastError().contains(QStringLiteral("Openroom.DB")));
    QVERIFY(s.stored(QStringLiteral("SELECT Openroom_endtime < Openroom_begintime FROM Openroom WHERE Openroom_Lishui = 2"))
                .toBool());
    QCOMPARE(s.stored(QStringLiteral("SELECT Room_used FROM room WHERE Room_id = '102'")).toString(), tables::yes);

    // Paying is refused the same way, whatever the status bar's timer did meanwhile.
    QMetaObject::invokeMethod(s.checkOut().Timer1(), "timeout");
    s.checkOut().paidBox()->lineEdit()->setFocus();
    QTest::keyClicks(s.checkOut().paidBox()->lineEdit(), QStringLiteral("500"));
    s.press(5);
    QVERIFY(s.stored(QStringLiteral("SELECT Openroom_shifu FROM Openroom WHERE Openroom_Lishui = 2")).isNull());
    QVERIFY(s.stored(QStringLiteral("SELECT Openroom_beizhu FROM Openroom WHERE Openroom_Lishui = 2")).isNull());

    // Once the cashier chooses visit 2 on purpose, by a click on its row, the steps act on it.
    s.checkOut().paidBox()->discardPending();
    s.checkOut().bringUp();
    auto *grid = s.checkOut().findChild<DBGrid *>(QStringLiteral("DBGrid5"));
    const int row = s.checkOut().Table1()->currentDisplayRow();
    QCOMPARE(grid->model()->index(row, 1).data().toString(), QStringLiteral("2"));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, 1)).center());
    s.press(1);
    QVERIFY(s.services.dialogs.messages().contains(QStringLiteral("退房成功！")));
}

void TestOtherStation::drinksLineRefusedForAVisitSettledElsewhere()
{
    TwoParties s;
    s.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), QStringLiteral("D1")}, {QStringLiteral("Pear_price"), 10.0}});
    TFormcallpear &drinks = *s.program->main->drinks();
    drinks.findChild<QLineEdit *>(QStringLiteral("Edit1kffjh"))->setText(QStringLiteral("101"));
    drinks.findChild<QPushButton *>(QStringLiteral("BitBtn1dwfj"))->click();
    s.data().TablePear->first();
    s.elsewhere(QStringLiteral("UPDATE Openroom SET Openroom_beizhu = '结清' WHERE Openroom_Lishui = 1"));
    auto *navigator = drinks.findChild<DBNavigator *>(QStringLiteral("DBNavigator"));
    navigator->button(NavButton::Insert)->click();
    navigator->button(NavButton::Post)->click();
    QCOMPARE(s.count(QStringLiteral("Callpear")), 0);
    QVERIFY(s.lastError().contains(QStringLiteral("Openroom.DB")));
}

void TestOtherStation::deletedDrinkIsNotReplacedByTheNext()
{
    TwoParties s;
    for (const char *code : {"D1", "D2", "D3"})
        s.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), QLatin1String(code)}, {QStringLiteral("Pear_price"), 10.0}});
    TFormcallpear &drinks = *s.program->main->drinks();
    drinks.findChild<QLineEdit *>(QStringLiteral("Edit1kffjh"))->setText(QStringLiteral("101"));
    drinks.findChild<QPushButton *>(QStringLiteral("BitBtn1dwfj"))->click();
    QVERIFY(s.data().TablePear->locate(QStringLiteral("Pear_bm"), QStringLiteral("D2")));
    s.elsewhere(QStringLiteral("DELETE FROM Pear WHERE Pear_bm = 'D2'"));
    auto *navigator = drinks.findChild<DBNavigator *>(QStringLiteral("DBNavigator"));
    navigator->button(NavButton::Insert)->click();
    navigator->button(NavButton::Post)->click();
    QCOMPARE(s.count(QStringLiteral("Callpear")), 0);
    QVERIFY(s.lastError().contains(QStringLiteral("Pear.db")));
}

void TestOtherStation::checkInRefusesARoomLetElsewhere()
{
    Station s;
    s.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    for (const char *room : {"101", "102", "103"})
        s.addRoom(QLatin1String(room));
    s.begin();
    TFormOpenroom &checkIn = *s.program->main->checkIn();
    QVERIFY(checkIn.Table1()->locate(QStringLiteral("Room_id"), QStringLiteral("102")));
    s.elsewhere(QStringLiteral("UPDATE room SET Room_used = '是' WHERE Room_id = '102'"));
    checkIn.BitBtnKaifang()->click();
    QCOMPARE(s.count(QStringLiteral("Openroom")), 0);
    QCOMPARE(s.stored(QStringLiteral("SELECT Room_used FROM room WHERE Room_id = '103'")).toString(), QString());
}

void TestOtherStation::deleteAndTypingNeverReachTheNeighbour()
{
    Station s;
    for (const char *id : {"002", "003", "004"})
        s.addMember(QLatin1String(id), QStringLiteral("名"));
    s.begin();
    Cursor &members = *s.data().TableCustomers;
    QVERIFY(members.locate(QStringLiteral("Customers_id"), QStringLiteral("003")));
    s.elsewhere(QStringLiteral("DELETE FROM Customers WHERE Customers_id = '003'"));
    QVERIFY_THROWS_EXCEPTION(StoreError, members.remove());
    QVERIFY_THROWS_EXCEPTION(StoreError, members.editAsShown());
    QCOMPARE(s.count(QStringLiteral("Customers")), 2);

    // The last record deleted elsewhere: typing does not quietly start a new member.
    members.last();
    s.elsewhere(QStringLiteral("DELETE FROM Customers"));
    QVERIFY_THROWS_EXCEPTION(StoreError, members.editAsShown());
    QCOMPARE(members.state(), CursorState::Browse);
    members.refresh(); // chosen again: an empty list may take a new member
    members.edit();
    QCOMPARE(members.state(), CursorState::Insert);
}

void TestOtherStation::saveNeverLandsOnARecordThatTookTheRow()
{
    Station s;
    s.addMember(QStringLiteral("M04"), QStringLiteral("甲"));
    s.addMember(QStringLiteral("M05"), QStringLiteral("乙"));
    s.begin();
    Cursor &members = *s.data().TableCustomers;
    members.last();
    members.edit();
    members.setValue(QStringLiteral("Customers_name"), QStringLiteral("丙"));
    // SQLite gives the new record the row of the deleted last one.
    s.elsewhere(QStringLiteral("DELETE FROM Customers WHERE Customers_id = 'M05'"));
    s.elsewhere(QStringLiteral("INSERT INTO Customers (Customers_id, Customers_name) VALUES ('X99', '丁')"));
    QVERIFY_THROWS_EXCEPTION(StoreError, members.post());
    QCOMPARE(s.stored(QStringLiteral("SELECT Customers_name FROM Customers WHERE Customers_id = 'X99'")).toString(),
             QStringLiteral("丁"));
    QCOMPARE(members.state(), CursorState::Browse); // the change was dropped, not kept for the next move
}

void TestOtherStation::valueSavedElsewhereIsNotOverwritten()
{
    Station s;
    s.addRecord(tables::customers(), {{QStringLiteral("Customers_id"), QStringLiteral("001")},
                                      {QStringLiteral("Customers_name"), QStringLiteral("甲")},
                                      {QStringLiteral("Customers_phone"), QStringLiteral("111")}});
    s.begin();
    Cursor &members = *s.data().TableCustomers;
    QCOMPARE(members.text(QStringLiteral("Customers_phone")), QStringLiteral("111"));

    // Changed after it was shown, before the cashier typed.
    s.elsewhere(QStringLiteral("UPDATE Customers SET Customers_phone = '222'"));
    QVERIFY_THROWS_EXCEPTION(StoreError, members.editAsShown());
    QCOMPARE(members.text(QStringLiteral("Customers_phone")), QStringLiteral("222")); // shown now

    // Changed while the cashier typed: the typed value stays, the other station's is kept.
    members.editAsShown();
    members.setValue(QStringLiteral("Customers_phone"), QStringLiteral("333"));
    s.elsewhere(QStringLiteral("UPDATE Customers SET Customers_phone = '444'"));
    QVERIFY_THROWS_EXCEPTION(StoreError, members.post());
    QCOMPARE(members.state(), CursorState::Edit);
    QCOMPARE(members.text(QStringLiteral("Customers_phone")), QStringLiteral("333"));
    QCOMPARE(s.stored(QStringLiteral("SELECT Customers_phone FROM Customers")).toString(), QStringLiteral("444"));
    members.cancel();
    QCOMPARE(members.text(QStringLiteral("Customers_phone")), QStringLiteral("444"));
}

void TestOtherStation::goneRowOnATimerIsReportedOnceAndDropped()
{
    Station s;
    s.addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QStringLiteral("127.0.0.11")},
                                    {QStringLiteral("Clients_room_id"), QStringLiteral("101")}});
    s.begin();
    TFormClientsView browser(s.data(), s.services.platform(), s.program->main.get());
    Cursor &clients = *s.data().TableClients;
    clients.editAsShown();
    clients.setValue(QStringLiteral("Clients_used"), tables::yes);
    s.elsewhere(QStringLiteral("DELETE FROM Clients"));
    auto *timer = browser.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer);
    for (int tick = 0; tick < 3; ++tick)
        QMetaObject::invokeMethod(timer, "timeout");
    QCOMPARE(s.services.dialogs.errors().size(), 1);
    QCOMPARE(s.count(QStringLiteral("Clients")), 0);
}

void TestOtherStation::occupiedRoomCannotBeMarkedFree()
{
    TwoParties s;
    Cursor &rooms = *s.checkOut().Table3();
    QVERIFY(rooms.locate(QStringLiteral("Room_id"), QStringLiteral("101")));
    rooms.edit();
    rooms.setValue(QStringLiteral("Room_used"), tables::no);
    QVERIFY_THROWS_EXCEPTION(StoreError, rooms.post());
    rooms.cancel();
    rooms.edit();
    rooms.setValue(QStringLiteral("Room_used"), QStringLiteral("0"));
    QVERIFY_THROWS_EXCEPTION(StoreError, rooms.post());
    rooms.cancel();
    QCOMPARE(s.stored(QStringLiteral("SELECT Room_used FROM room WHERE Room_id = '101'")).toString(), tables::yes);

    // A stuck flag with no visit behind it can still be cleared.
    s.elsewhere(QStringLiteral("UPDATE Openroom SET Openroom_endtime = '2026-12-08 20:00:00.000'"));
    rooms.edit();
    rooms.setValue(QStringLiteral("Room_used"), tables::no);
    rooms.post();
    QCOMPARE(s.stored(QStringLiteral("SELECT Room_used FROM room WHERE Room_id = '101'")).toString(), tables::no);
}

void TestOtherStation::paidPartyStillHoldsItsRoom()
{
    Station s;
    s.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    s.addRoom(QStringLiteral("101"), tables::yes, 60.0);
    // An old visit checked out but not charged, and the party now singing, paid in advance.
    s.addVisit(QStringLiteral("101"), QStringLiteral("001"),
               {{QStringLiteral("Openroom_endtime"), kCheckIn.addSecs(-3600)},
                {QStringLiteral("Openroom_begintime"), kCheckIn.addSecs(-7200)}});
    s.addVisit(QStringLiteral("101"), QStringLiteral("001"), {{QStringLiteral("Openroom_beizhu"), QStringLiteral("结清")}});
    s.begin();
    QVERIFY(s.checkOut().Table1()->locate(QStringLiteral("Openroom_Lishui"), 1));
    s.press(1);
    QCOMPARE(s.stored(QStringLiteral("SELECT Room_used FROM room")).toString(), tables::yes);
}

void TestOtherStation::runningChargeIsWhatCheckOutStores()
{
    Station s;
    s.addRecord(tables::customers(), {{QStringLiteral("Customers_id"), QStringLiteral("001")},
                                      {QStringLiteral("Customers_zkl"), 0.9}});
    s.addRoom(QStringLiteral("101"), tables::yes, 61.5);
    s.addVisit(QStringLiteral("101"), QStringLiteral("001"), {{QStringLiteral("Openroom_youhuminute"), 17}});
    s.begin();
    s.services.clock.set(kCheckIn.addSecs(2 * 3600 + 7 * 60));
    s.program->main->SpeedButtonRefreshRoomStata()->click();
    const QString shown = s.button(QStringLiteral("101"))->runningLabel()->text();
    s.locate(QStringLiteral("101"));
    for (int step : {1, 2, 3, 4})
        s.press(step);
    const double stored =
        s.stored(QStringLiteral("SELECT Openroom_jbxf + Openroom_jiushui FROM Openroom")).toDouble();
    QVERIFY2(shown.endsWith(numberform::twoDecimals(stored)), qPrintable(shown));
    QCOMPARE(s.stored(QStringLiteral("SELECT Openroom_youhuminute FROM Openroom")).toInt(), 17);
}

void TestOtherStation::listingsAreReadOnceWhenOpened()
{
    Station s;
    s.addRoom(QStringLiteral("101"));
    s.begin();
    TFormRoomView rooms(s.data(), s.services.platform());
    QCOMPARE(rooms.Query1()->recordCount(), 1);
    s.elsewhere(QStringLiteral("INSERT INTO room (Room_id) VALUES ('102')"));
    QCoreApplication::processEvents();
    QCOMPARE(rooms.Query1()->recordCount(), 1);
    QCOMPARE(TFormRoomView(s.data(), s.services.platform()).Query1()->recordCount(), 2); // opened anew
}

// The board's check-out of room 101 whose party paid in advance (settled, not checked out), and the drinks
// screen's search for a room settled elsewhere: the lists stay on another party's visit, which no step
// may act on.
void TestOtherStation::roomSearchThatFindsNothingChoosesNothing()
{
    TwoParties s;
    s.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), QStringLiteral("D1")}, {QStringLiteral("Pear_price"), 10.0}});
    s.elsewhere(QStringLiteral("UPDATE Openroom SET Openroom_beizhu = '结清', Openroom_shifu = 100 WHERE Openroom_Lishui = 1"));
    s.services.dialogs.answerYes();
    s.button(QStringLiteral("101"))->click(); // "确定要退房101吗?"
    s.press(1);
    QVERIFY(s.stored(QStringLiteral("SELECT Openroom_endtime < Openroom_begintime FROM Openroom WHERE Openroom_Lishui = 2"))
                .toBool());
    QCOMPARE(s.services.dialogs.errors().filter(QStringLiteral("房间101的开房已结清但还没有退房")).size(), 1);

    TFormcallpear &drinks = *s.program->main->drinks();
    drinks.findChild<QLineEdit *>(QStringLiteral("Edit1kffjh"))->setText(QStringLiteral("101"));
    drinks.findChild<QPushButton *>(QStringLiteral("BitBtn1dwfj"))->click();
    s.data().TablePear->first();
    auto *navigator = drinks.findChild<DBNavigator *>(QStringLiteral("DBNavigator"));
    navigator->button(NavButton::Insert)->click();
    navigator->button(NavButton::Post)->click();
    QCOMPARE(s.count(QStringLiteral("Callpear")), 0);
}

// PC A (room 101) is chosen and deleted elsewhere; PC B stands next. Commands, deletes (also after a
// timer's refresh), activation and pairing must not reach B or a room nobody chose.
void TestOtherStation::clientPcStepsNeverReachTheNeighbour()
{
    Station s;
    FakeAgent neighbour{QHostAddress(QStringLiteral("127.0.0.3"))};
    QVERIFY(neighbour.isListening());
    s.services.agentPort = neighbour.port();
    s.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    for (const char *room : {"101", "102", "103"})
        s.addRoom(QLatin1String(room), tables::yes);
    s.addVisit(QStringLiteral("101"));
    for (const char *host : {"A", "B"})
        s.addRecord(tables::clients(), {{QStringLiteral("Clients_hostname"), QLatin1String(host)},
                                        {QStringLiteral("Clients_ip"), QString(QStringLiteral("127.0.0.") + (host[0] == 'A' ? u'2' : u'3'))},
                                        {QStringLiteral("Clients_room_id"), QStringLiteral("101")}});
    s.begin();
    const QString deleteA = QStringLiteral("DELETE FROM Clients WHERE Clients_hostname = 'A'");
    {
        TFormClientsView browser(s.data(), s.services.platform(), s.program->main.get());
        s.data().TableClients->first();
        s.elsewhere(deleteA);
        QMetaObject::invokeMethod(browser.findChild<QTimer *>(QStringLiteral("Timer1")), "timeout");
        browser.findChild<QPushButton *>(QStringLiteral("BitBtnCloseClient"))->click();
        s.services.dialogs.answerYes();
        browser.findChild<DBNavigator *>(QStringLiteral("DBNavigator"))->button(NavButton::Delete)->click();
        QCOMPARE(neighbour.connectionCount(), 0);
        QCOMPARE(s.count(QStringLiteral("Clients")), 1);
    }
    s.elsewhere(QStringLiteral("INSERT INTO Clients (Clients_hostname, Clients_ip, Clients_room_id) "
                               "VALUES ('A', '127.0.0.2', '101')"));
    {
        TFormOpenClients activation(s.data(), s.services.platform(), s.program->main.get());
        QVERIFY(activation.Table2()->locate(QStringLiteral("Clients_hostname"), QStringLiteral("A")));
        s.elsewhere(deleteA);
        QMetaObject::invokeMethod(activation.findChild<QTimer *>(QStringLiteral("Timer1")), "timeout");
        activation.findChild<QPushButton *>(QStringLiteral("BitBtnOpenClients"))->click();
        QCOMPARE(s.stored(QStringLiteral("SELECT Clients_used FROM Clients WHERE Clients_hostname = 'B'")).toString(),
                 QString());
    }
    {
        Tformkhdkfpd pairing(s.data(), s.services.platform(), s.program->main.get());
        QVERIFY(pairing.Table2()->locate(QStringLiteral("Room_id"), QStringLiteral("102")));
        s.elsewhere(QStringLiteral("DELETE FROM room WHERE Room_id = '102'"));
        pairing.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
        QVERIFY(!pairing.Table1()->isEditing());
        QCOMPARE(s.stored(QStringLiteral("SELECT Clients_room_id FROM Clients")).toString(), QStringLiteral("101"));
    }
}

// A row typed into in the PC browser, changed meanwhile by the room PC's agent: the refresh timer reports
// it once and drops it, for the browser has no cancel and would otherwise be stuck in the refused edit.
void TestOtherStation::refusedClientPcSaveOnATimerIsDropped()
{
    Station s;
    s.addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QStringLiteral("127.0.0.2")}});
    s.begin();
    TFormClientsView browser(s.data(), s.services.platform(), s.program->main.get());
    Cursor &clients = *s.data().TableClients;
    clients.editAsShown();
    clients.setValue(QStringLiteral("Clients_used"), tables::yes);
    s.elsewhere(QStringLiteral("UPDATE Clients SET Clients_Running = '运行中'"));
    auto *timer = browser.findChild<QTimer *>(QStringLiteral("Timer1"));
    for (int tick = 0; tick < 3; ++tick)
        QMetaObject::invokeMethod(timer, "timeout");
    QCOMPARE(s.services.dialogs.errors().size(), 1);
    QVERIFY(!clients.isEditing());
    QCOMPARE(s.stored(QStringLiteral("SELECT Clients_used FROM Clients")).toString(), QString());
}

// A payment short of the amount due is journalled as "欠帐" with the cash kept; when the journal row
// cannot be written, the payment is not stored either.
void TestOtherStation::paymentAndItsJournalRowAreStoredTogether()
{
    TwoParties s;
    s.elsewhere(QStringLiteral("UPDATE Openroom SET Openroom_jbxf = 100, Openroom_jiushui = 0"));
    s.locate(QStringLiteral("101"));
    // The journal cannot be written: the table is out of the way for a moment.
    s.elsewhere(QStringLiteral("ALTER TABLE Journal RENAME TO Journal_away"));
    s.checkOut().bringUp();
    QVERIFY(QTest::qWaitForWindowActive(&s.checkOut()));
    s.checkOut().paidBox()->lineEdit()->setFocus();
    QTest::keyClicks(s.checkOut().paidBox()->lineEdit(), QStringLiteral("90"));
    s.press(5);
    QCOMPARE(s.services.dialogs.errors().size(), 1);
    QVERIFY(s.stored(QStringLiteral("SELECT Openroom_beizhu FROM Openroom WHERE Openroom_Lishui = 1")).isNull());
    s.elsewhere(QStringLiteral("ALTER TABLE Journal_away RENAME TO Journal"));
    QCOMPARE(s.count(QStringLiteral("Journal")), 0);

    s.press(5);
    QCOMPARE(s.stored(QStringLiteral("SELECT Openroom_beizhu FROM Openroom WHERE Openroom_Lishui = 1")).toString(),
             QStringLiteral("欠帐:10"));
    QSqlQuery row = s.db->run(QStringLiteral("SELECT Journal_action, Journal_amount, Journal_before, Journal_after, "
                                             "Journal_visit, Journal_room FROM Journal"));
    QVERIFY(row.next());
    QCOMPARE(row.value(0).toString(), QStringLiteral("欠帐"));
    QCOMPARE(row.value(1).toDouble(), 90.0);
    QCOMPARE(row.value(2).toDouble(), 100.0);
    QCOMPARE(row.value(3).toDouble(), 100.0);
    QCOMPARE(row.value(4).toInt(), 1);
    QCOMPARE(row.value(5).toString(), QStringLiteral("101"));
    QVERIFY(!row.next());
}

// Check-ins, drinks, check-outs and payments at this station while another settles and lets rooms and
// deletes and adds members, drinks and client PCs: no room ever holds two visits not checked out, and
// every room in use has one.
void TestOtherStation::randomStepsNeverLetARoomTwice()
{
    Station s;
    const QStringList rooms{QStringLiteral("201"), QStringLiteral("202"), QStringLiteral("203"), QStringLiteral("204")};
    for (const QString &room : rooms) {
        s.addRoom(room);
        s.addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QString(QStringLiteral("127.0.1.") + room.right(1))},
                                        {QStringLiteral("Clients_room_id"), room}});
    }
    for (int m = 1; m <= 5; ++m)
        s.addMember(QStringLiteral("00%1").arg(m), QStringLiteral("名"));
    s.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), QStringLiteral("D1")}, {QStringLiteral("Pear_price"), 8.8}});
    s.begin();
    TFormOpenroom &checkIn = *s.program->main->checkIn();
    TFormcallpear &drinks = *s.program->main->drinks();
    auto *drinksNavigator = drinks.findChild<DBNavigator *>(QStringLiteral("DBNavigator"));
    QRandomGenerator random(20261208);
    for (int i = 0; i < 300; ++i) {
        const QString room = rooms[random.bounded(int(rooms.size()))];
        s.services.dialogs.clear();
        const int kind = random.bounded(8);
        switch (kind) {
        case 0: // another station lets a room, if it is free there
            s.elsewhere(QStringLiteral("INSERT INTO Openroom (Openroom_Customers_id, Openroom_room_id, Openroom_begintime, "
                                       "Openroom_endtime) SELECT '001', '%1', '2026-12-08 21:00:00.000', "
                                       "'2026-12-07 21:00:00.000' WHERE %2")
                            .arg(room, s.db->dialect().notSame(
                                           QStringLiteral("(SELECT Room_used FROM room WHERE Room_id = '%1')").arg(room),
                                           QStringLiteral("'是'"))),
                        QStringLiteral("UPDATE room SET Room_used = '是' WHERE Room_id = '%1'").arg(room));
            break;
        case 1: // another station settles and checks out the room's newest visit
            s.elsewhere(QStringLiteral("UPDATE Openroom SET Openroom_beizhu = '结清', Openroom_endtime = %2 WHERE "
                                       "Openroom_Lishui = (SELECT max(Openroom_Lishui) FROM Openroom WHERE "
                                       "Openroom_room_id = '%1')")
                            .arg(room, s.onServer() ? QStringLiteral("to_char(Openroom_begintime::timestamp + "
                                                                     "interval '1 hour', 'YYYY-MM-DD HH24:MI:SS.MS')")
                                                    : QStringLiteral("strftime('%Y-%m-%d %H:%M:%f', "
                                                                     "Openroom_begintime, '+1 hour')")));
            s.elsewhere(QStringLiteral("UPDATE room SET Room_used = '否' WHERE Room_id = '%1' AND NOT EXISTS (SELECT 1 "
                                       "FROM Openroom WHERE Openroom_room_id = '%1' AND Openroom_endtime < "
                                       "Openroom_begintime)")
                            .arg(room));
            break;
        case 2: // members, drinks and client PCs come and go elsewhere
            s.elsewhere(random.bounded(2) ? QStringLiteral("DELETE FROM Customers WHERE %1 = (SELECT max(%1) FROM "
                                                           "Customers) AND (SELECT count(*) FROM Customers) > 2")
                                                .arg(s.key(tables::customers()))
                                          : QStringLiteral("INSERT INTO Customers (Customers_id) VALUES ('N%1')").arg(i));
            s.elsewhere(random.bounded(2) ? QStringLiteral("DELETE FROM Pear WHERE %1 = (SELECT max(%1) FROM Pear)")
                                                .arg(s.key(tables::pear()))
                                          : QStringLiteral("INSERT INTO Pear (Pear_bm, Pear_price) VALUES ('P%1', 5)").arg(i));
            s.elsewhere(QStringLiteral("DELETE FROM Clients WHERE %1 = (SELECT max(%1) FROM Clients)")
                            .arg(s.key(tables::clients())));
            break;
        case 3: // check-in here, from the board's way: locate, then open
            s.data().TableCustomers->first();
            if (checkIn.Table1()->locate(QStringLiteral("Room_id"), room))
                checkIn.BitBtnKaifang()->click();
            break;
        case 4: // drinks here
            drinks.findChild<QLineEdit *>(QStringLiteral("Edit1kffjh"))->setText(room);
            drinks.findChild<QPushButton *>(QStringLiteral("BitBtn1dwfj"))->click();
            s.data().TablePear->first();
            drinksNavigator->button(NavButton::Insert)->click();
            drinksNavigator->button(NavButton::Post)->click();
            drinksNavigator->button(NavButton::Cancel)->click();
            break;
        case 5:
        case 6: // check-out and payment here
            s.locate(room);
            for (int step : {1, 2, 3, 4})
                s.press(step);
            s.checkOut().bringUp();
            s.checkOut().paidBox()->lineEdit()->setFocus();
            QTest::keyClicks(s.checkOut().paidBox()->lineEdit(), QStringLiteral("1000"));
            s.press(5);
            s.checkOut().paidBox()->discardPending();
            break;
        default: // time goes by, and the lists follow
            s.services.clock.advance(7 * 60 * 1000);
            QCoreApplication::processEvents();
            break;
        }
        QVERIFY2(s.services.dialogs.unexpected().isEmpty(), qPrintable(s.services.dialogs.unexpected().join('|')));
        QSqlQuery twice = s.db->run(QStringLiteral("SELECT Openroom_room_id FROM Openroom WHERE Openroom_endtime < "
                                                   "Openroom_begintime GROUP BY Openroom_room_id HAVING count(*) > 1"));
        if (twice.next())
            QFAIL(qPrintable(QStringLiteral("step %1: room %2 let twice").arg(i).arg(twice.value(0).toString())));
        QSqlQuery empty = s.db->run(QStringLiteral("SELECT Room_id FROM room WHERE Room_used = '是' AND NOT EXISTS (SELECT 1 "
                                                   "FROM Openroom WHERE Openroom_room_id = Room_id AND Openroom_endtime < "
                                                   "Openroom_begintime)"));
        QSqlQuery held = s.db->run(QStringLiteral("SELECT Room_id FROM room WHERE %1 AND EXISTS (SELECT 1 "
                                                  "FROM Openroom WHERE Openroom_room_id = Room_id AND Openroom_endtime < "
                                                  "Openroom_begintime)")
                                       .arg(s.db->dialect().notSame(QStringLiteral("Room_used"), QStringLiteral("'是'"))));
        if (held.next())
            QFAIL(qPrintable(QStringLiteral("step %1: room %2 free while held").arg(i).arg(held.value(0).toString())));
        if (empty.next())
            QFAIL(qPrintable(QStringLiteral("step %1: room %2 in use with no visit").arg(i).arg(empty.value(0).toString())));
    }
    // The walk did take payments here, paid in full.
    QVERIFY(s.stored(QStringLiteral("SELECT count(*) FROM Journal WHERE Journal_action = '收费'")).toInt() > 10);
}

QTEST_MAIN(TestOtherStation)
#include "test_otherstation.moc"
