#include "appfixture.h"

#include "about/aboutdialog.h"
#include "store/maintenance/databaseinit.h"
#include "store/maintenance/emptytables.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"

#include <QLabel>
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
    void clearingVisitsKeepsSerialNumbers();
    void gridFocusRebindsNavigator();
    void aboutBoxAndWebLinks();
};

void MaintenanceTest::passwordAndWarning()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
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
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    f.program->main->menuEntry(QStringLiteral("ZapData"))->trigger();
    QCOMPARE(f.services.dialogs.messages(), QStringList{QStringLiteral("数据已初始化完毕！")});
    QCOMPARE(f.services.beeper.count(), 1);
    QCOMPARE(f.count(QStringLiteral("Customers")), 1);
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
    visits.post();
    QCOMPARE(visits.integer(QStringLiteral("Openroom_Lishui")), 6);
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

void MaintenanceTest::aboutBoxAndWebLinks()
{
    AppFixture f;
    TFormMain &main = f.start();
    TAboutBox box(f.services.platform(), &main);
    box.show();
    QCOMPARE(box.findChild<QLabel *>(QStringLiteral("ProductName"))->text(), QStringLiteral("RIVivizev"));
    QCOMPARE(box.findChild<QLabel *>(QStringLiteral("Version"))->text(), QStringLiteral("版本：2006.6"));
    QVERIFY(box.Comments()->text().startsWith(QStringLiteral("网址：")));
    QVERIFY(box.Comments()->font().underline());
    QTest::mouseClick(box.Comments(), Qt::LeftButton);
    QCOMPARE(f.services.web.urls().size(), 1);
    QVERIFY(box.isVisible()); // the box stays open
    QVERIFY(box.OKButton()->isDefault());
    box.OKButton()->click();
    QVERIFY(!box.isVisible());

    main.menuEntry(QStringLiteral("web"))->trigger();
    QCOMPARE(f.services.web.urls().size(), 2);
    QCOMPARE(f.services.web.urls().last(), f.services.web.urls().first());
    QVERIFY(main.windowTitle().endsWith(f.services.web.urls().first().toString()));

    // A fresh box each time the entry is chosen.
    QString opened;
    QTimer::singleShot(0, [&] {
        opened = QApplication::activeModalWidget()->objectName();
        QApplication::activeModalWidget()->close();
    });
    main.menuEntry(QStringLiteral("guanyu"))->trigger();
    QCOMPARE(opened, QStringLiteral("AboutBox"));
    QCOMPARE(main.findChildren<TAboutBox *>().size(), 1); // only the one this test made
}

QTEST_MAIN(MaintenanceTest)
#include "test_maintenance.moc"
