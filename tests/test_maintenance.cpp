#include "appfixture.h"

#include "about/aboutdialog.h"
#include "maintenance/databaseinit.h"
#include "maintenance/emptytables.h"
#include "staff/formauthorise.h"
#include "staff/staffstore.h"
#include "store/storeerror.h"
#include "visits/formopenroom.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace ktv;

namespace {

// Runs the clearing with the scripted answers, clicking the maintenance buttons given while it is open.
void zap(AppFixture &f, const QList<int> &buttons = {})
{
    zapData(f.data(), f.services.platform(), f.program->main.get(), [&](TFormEmptyTable &window) {
        for (int b : buttons)
            window.findChild<QPushButton *>(QStringLiteral("BitBtn%1").arg(b))->click();
    });
}

} // namespace

class MaintenanceTest : public QObject
{
    Q_OBJECT

private slots:
    void passwordAndWarning();
    void clearingMembersKeepsReservedOne();
    void clearingRoomsSetsThemFree();
    void refusedSaveLeavesEveryRoom();
    void clearingVisitsKeepsSerialNumbers();
    void gridFocusRebindsNavigator();
    void enterInGridClearsNothing();
    void clearingReachesRecordsPostedElsewhere();
    void refusedDeleteLeavesEveryVisit();
    void refusedDeleteInALaterBatchLeavesEveryLine();
    void helpMenuEntries();
    void clearingKeepsTheJournalAndAddsItsRow();
};

void MaintenanceTest::passwordAndWarning()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"), tables::yes);
    f.start();

    f.services.dialogs.answerCancel();
    zap(f, {1});
    f.services.dialogs.answerText(QStringLiteral("roomkeeper"));
    zap(f, {1});
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerNo();
    zap(f, {1});
    QVERIFY(f.services.dialogs.messages().isEmpty());
    QCOMPARE(f.services.beeper.count(), 0);
    QCOMPARE(f.count(QStringLiteral("Customers")), 1);

    const auto &asked = f.services.dialogs.all().first();
    QCOMPARE(asked.text, QStringLiteral("初始化数据库|请输入管理员密码|****"));
    QCOMPARE(asked.echo, Dialogs::Echo::Password);
    QCOMPARE(f.services.dialogs.all().last().text, QStringLiteral("此操作将删除所有数据！确定继续吗？"));

    // Right password, Yes, and the window closed at once: the message all the same, nothing changed.
    f.services.dialogs.clear();
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    // Closed as soon as it is up: the backup taken before it shows its own progress dialog first.
    QTimer closer;
    connect(&closer, &QTimer::timeout, [] {
        if (auto *window = qobject_cast<TFormEmptyTable *>(QApplication::activeModalWidget()))
            window->close();
    });
    closer.start(0);
    f.program->main->menuEntry(QStringLiteral("ZapData"))->trigger();
    closer.stop();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("数据已初始化完毕！")});
    QCOMPARE(f.services.beeper.count(), 1);
    QCOMPARE(f.count(QStringLiteral("Customers")), 1);
    QSqlQuery room = f.db->run(QStringLiteral("SELECT Room_used FROM room"));
    QVERIFY(room.next());
    QCOMPARE(room.value(0).toString(), tables::yes);
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
}

void MaintenanceTest::clearingMembersKeepsReservedOne()
{
    AppFixture f;
    for (const char *id : {"001", "000", "002", "003", "004"})
        f.addMember(QLatin1String(id), QStringLiteral("某"));
    f.start();
    f.services.clock.set(QDateTime(QDate(2026, 12, 9), QTime(3, 0)));
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    zap(f, {1, 1});
    QCOMPARE(f.count(QStringLiteral("Customers")), 1);
    QSqlQuery q = f.db->run(QStringLiteral("SELECT Customers_id, Customers_zjxfsj FROM Customers"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("000"));
    QCOMPARE(q.value(1).toString(), QStringLiteral("2026-12-09 03:00:00.000"));

    AppFixture none;
    none.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    none.start();
    none.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    none.services.dialogs.answerYes();
    zap(none, {1});
    QCOMPARE(none.count(QStringLiteral("Customers")), 0);
}

void MaintenanceTest::clearingRoomsSetsThemFree()
{
    AppFixture f;
    for (int i = 1; i <= 5; ++i)
        f.addRoom(QString::number(100 + i), i <= 2 ? tables::yes : QString(), 10.0 * i);
    f.start();
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    zap(f, {2});
    QSqlQuery q = f.db->run(QStringLiteral("SELECT Room_used, Room_sfbiaozhun FROM room ORDER BY Room_id"));
    for (int i = 1; i <= 5; ++i) {
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), tables::no);
        QCOMPARE(q.value(1).toDouble(), 10.0 * i);
    }
    QVERIFY(!q.next());
}

void MaintenanceTest::clearingVisitsKeepsSerialNumbers()
{
    AppFixture f;
    for (int i = 0; i < 5; ++i)
        f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_room_id"), QStringLiteral("101")}});
    f.addRecord(tables::callpear(), {{QStringLiteral("Openroom_lishu"), 1}});
    f.addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QStringLiteral("127.0.0.1")}});
    f.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), QStringLiteral("B001")}});
    f.start();
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    zap(f, {6});
    QCOMPARE(f.count(QStringLiteral("Openroom")), 0);
    QCOMPARE(f.count(QStringLiteral("Callpear")), 1); // each table is cleared on its own

    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    zap(f, {3, 4, 5, 5});
    for (const char *table : {"Clients", "Pear", "Callpear"})
        QCOMPARE(f.count(QLatin1String(table)), 0);

    Cursor visits(*f.db, tables::openroom());
    visits.open();
    visits.append();
    visits.setValue(QStringLiteral("Openroom_Customers_id"), QStringLiteral("001"));
    visits.setValue(QStringLiteral("Openroom_room_id"), QStringLiteral("101"));
    visits.post();
    QCOMPARE(visits.integer(QStringLiteral("Openroom_Lishui")), 6);
}

void MaintenanceTest::refusedSaveLeavesEveryRoom()
{
    AppFixture f;
    for (int i = 1; i <= 4; ++i)
        f.addRoom(QString::number(100 + i), tables::yes);
    f.start();
    Cursor &rooms = *f.data().Tableroom;
    rooms.setBeforePost([](Cursor &c) {
        if (c.text(QStringLiteral("Room_id")) == QLatin1String("103"))
            throw StoreError(QStringLiteral("记录被锁定"));
    });
    TFormEmptyTable window(f.data(), f.services.platform());
    auto *button = window.findChild<QPushButton *>(QStringLiteral("BitBtn2"));
    button->click();
    QCOMPARE(f.services.dialogs.texts(ScriptedDialogs::Kind::Error), QStringList{QStringLiteral("记录被锁定")});
    QVERIFY(!rooms.isEditing()); // the refused change is dropped, not left pending
    auto used = [&] {
        QStringList flags;
        QSqlQuery q = f.db->run(QStringLiteral("SELECT Room_used FROM room ORDER BY Room_id"));
        while (q.next())
            flags << q.value(0).toString();
        return flags;
    };
    // All or nothing: the rooms before the refused one are in use as they were.
    QCOMPARE(used(), QStringList(4, tables::yes));
    QCOMPARE(rooms.text(QStringLiteral("Room_used")), tables::yes);

    rooms.setBeforePost({});
    button->click();
    QCOMPARE(used(), QStringList(4, tables::no));
}

void MaintenanceTest::gridFocusRebindsNavigator()
{
    AppFixture f;
    f.start();
    TFormEmptyTable window(f.data(), f.services.platform());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.DBNavigator1()->dataSource(), f.data().DataSourceCustomers);
    window.findChild<DBGrid *>(QStringLiteral("DBGrid6"))->setFocus();
    QTRY_COMPARE(window.DBNavigator1()->dataSource(), f.data().DataSourceOpenroom);
    window.findChild<DBGrid *>(QStringLiteral("DBGrid4"))->setFocus();
    QTRY_COMPARE(window.DBNavigator1()->dataSource(), f.data().DataSourcePear);
}

void MaintenanceTest::helpMenuEntries()
{
    AppFixture f;
    TFormMain &main = f.start();
    main.menuEntry(QStringLiteral("web"))->trigger();
    QCOMPARE(f.services.web.urls().size(), 1);
    QVERIFY(main.windowTitle().endsWith(f.services.web.urls().first().toString()));

    // A fresh about box each time the entry is chosen, gone when it is closed.
    for (int round = 0; round < 2; ++round) {
        QString opened;
        QTimer::singleShot(0, [&] {
            opened = QApplication::activeModalWidget()->objectName();
            QApplication::activeModalWidget()->close();
        });
        main.menuEntry(QStringLiteral("guanyu"))->trigger();
        QCOMPARE(opened, QStringLiteral("AboutBox"));
        QVERIFY(main.findChildren<TAboutBox *>().isEmpty());
    }
}

void MaintenanceTest::enterInGridClearsNothing()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"), tables::yes);
    f.start();
    TFormEmptyTable window(f.data(), f.services.platform());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (QPushButton *button : window.findChildren<QPushButton *>())
        QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    auto *grid = window.findChild<DBGrid *>(QStringLiteral("DBGrid2"));
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(f.count(QStringLiteral("Customers")), 1);
    QSqlQuery room = f.db->run(QStringLiteral("SELECT Room_used FROM room"));
    QVERIFY(room.next());
    QCOMPARE(room.value(0).toString(), tables::yes);
}

void MaintenanceTest::clearingReachesRecordsPostedElsewhere()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"), tables::no);
    f.addRoom(QStringLiteral("102"), tables::no);
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_room_id"), QStringLiteral("105")}});
    f.start();
    // Posted after the shared cursors read their tables: a check-in through the screen's own cursor and a
    // client PC registering itself.
    f.program->main->checkIn()->BitBtnKaifang()->click();
    f.addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QStringLiteral("10.0.0.7")}});
    QCOMPARE(f.count(QStringLiteral("Openroom")), 2);

    f.services.dialogs.clear();
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    zapData(f.data(), f.services.platform(), f.program->main.get(), [&](TFormEmptyTable &window) {
        QCOMPARE(window.findChild<DBGrid *>(QStringLiteral("DBGrid6"))->model()->rowCount(), 2);
        QCOMPARE(window.findChild<DBGrid *>(QStringLiteral("DBGrid3"))->model()->rowCount(), 1);
        window.findChild<QPushButton *>(QStringLiteral("BitBtn6"))->click();
        f.addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QStringLiteral("10.0.0.8")}}); // meanwhile
        window.findChild<QPushButton *>(QStringLiteral("BitBtn3"))->click();
    });
    QVERIFY(f.services.dialogs.errors().isEmpty());
    QCOMPARE(f.count(QStringLiteral("Openroom")), 0);
    QCOMPARE(f.count(QStringLiteral("Clients")), 0);

    // The next check-in continues the serial numbers; room 101 is still marked in use.
    f.program->main->checkIn()->BitBtnKaifang()->click();
    QSqlQuery visit = f.db->run(QStringLiteral("SELECT Openroom_Lishui, Openroom_room_id FROM Openroom"));
    QVERIFY(visit.next());
    QCOMPARE(visit.value(0).toInt(), 3);
    QCOMPARE(visit.value(1).toString(), QStringLiteral("102"));
}

void MaintenanceTest::refusedDeleteLeavesEveryVisit()
{
    AppFixture f;
    for (int i = 0; i < 5; ++i)
        f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_room_id"), QStringLiteral("101")}});
    f.db->run(QStringLiteral("CREATE TRIGGER keep_three BEFORE DELETE ON Openroom WHEN old.Openroom_Lishui = 3 "
                             "BEGIN SELECT RAISE(ABORT, 'visit 3 is locked'); END"));
    f.start();
    TFormEmptyTable window(f.data(), f.services.platform());
    auto *button = window.findChild<QPushButton *>(QStringLiteral("BitBtn6"));
    button->click();
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QVERIFY(f.services.dialogs.errors().first().contains(QStringLiteral("visit 3 is locked")));
    QCOMPARE(f.count(QStringLiteral("Openroom")), 5);
    QCOMPARE(f.data().TableOpenroom->recordCount(), 5);

    QCOMPARE(f.count(QStringLiteral("Journal")), 0); // the refused clearing journals nothing

    f.db->run(QStringLiteral("DROP TRIGGER keep_three"));
    button->click();
    QCOMPARE(f.count(QStringLiteral("Openroom")), 0);
    QCOMPARE(f.count(QStringLiteral("Journal")), 1);
    QVERIFY(f.data().TableOpenroom->isEmpty());
    QCOMPARE(f.services.dialogs.errors().size(), 1);
}

void MaintenanceTest::refusedDeleteInALaterBatchLeavesEveryLine()
{
    // Enough lines for several batches and the progress window; the refused one comes after whole batches
    // have gone.
    AppFixture f;
    f.db->run(QStringLiteral("INSERT INTO Callpear (Openroom_lishu, Pear_id) WITH RECURSIVE n(i) AS "
                             "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 7000) SELECT i / 3, 'D001' FROM n"));
    f.db->run(QStringLiteral("CREATE TRIGGER keep_line BEFORE DELETE ON Callpear WHEN old.Callpear_id = 6500 "
                             "BEGIN SELECT RAISE(ABORT, 'line 6500 is locked'); END"));
    f.start();
    TFormEmptyTable window(f.data(), f.services.platform());
    window.show();
    auto *button = window.findChild<QPushButton *>(QStringLiteral("BitBtn5"));
    bool progressShown = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this,
            [&] { progressShown = progressShown || window.findChild<QWidget *>(QStringLiteral("ClearingProgress")); });
    watch.start(0);
    button->click();
    watch.stop();
    QVERIFY(progressShown);
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QVERIFY(f.services.dialogs.errors().first().contains(QStringLiteral("line 6500 is locked")));
    QCOMPARE(f.count(QStringLiteral("Callpear")), 7000);
    QCOMPARE(f.data().TableCallpear->recordCount(), 7000);

    f.db->run(QStringLiteral("DROP TRIGGER keep_line"));
    button->click();
    QCOMPARE(f.count(QStringLiteral("Callpear")), 0);
    QVERIFY(f.data().TableCallpear->isEmpty());
}

// A cashier is logged in; administrator A01 confirms the clearing. The drinks go, every journal row stays, and
// one "清空数据" row names the cashier, the administrator and what was cleared.
void MaintenanceTest::clearingKeepsTheJournalAndAddsItsRow()
{
    AppFixture f;
    f.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), QStringLiteral("P01")}, {QStringLiteral("Pear_price"), 10.0}});
    f.start();
    const QDateTime now = f.services.clock.now();
    staff::add(*f.db, QStringLiteral("A01"), QStringLiteral("管理丙"), QStringLiteral("管理员"), QStringLiteral("a"), now);
    staff::add(*f.db, QStringLiteral("C01"), QStringLiteral("收银甲"), QStringLiteral("收银员"), QStringLiteral("c"), now);
    f.program->db->setStaff(QStringLiteral("C01"));
    QTimer::singleShot(0, [] {
        auto *ask = qobject_cast<TFormAuthorise *>(QApplication::activeModalWidget());
        QVERIFY(ask);
        ask->EditStaffId()->setText(QStringLiteral("A01"));
        ask->EditPassword()->setText(QStringLiteral("a"));
        ask->BitBtnOK()->click();
    });
    f.services.dialogs.answerYes();
    zap(f, {4});
    QCOMPARE(f.count(QStringLiteral("Pear")), 0);
    QSqlQuery rows = f.db->run(QStringLiteral("SELECT Journal_action, Journal_staff, Journal_authorised, Journal_reason "
                                              "FROM Journal ORDER BY Journal_id"));
    QStringList journal;
    while (rows.next()) {
        QStringList row;
        for (int c = 0; c < 4; ++c)
            row << rows.value(c).toString();
        journal << row.join(QLatin1Char('/'));
    }
    QCOMPARE(journal, QStringList({QStringLiteral("员工///添加 A01 管理丙（管理员）"),
                                   QStringLiteral("员工///添加 C01 收银甲（收银员）"),
                                   QStringLiteral("清空数据/C01/A01/清空酒水信息")}));
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
}

QTEST_MAIN(MaintenanceTest)
#include "test_maintenance.moc"
