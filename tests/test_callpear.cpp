#include "stations.h"
#include "storefixture.h"
#include "support/scripted.h"

#include "store/datamodule.h"
#include "visits/checkoutsteps.h"
#include "visits/formcallpear.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"
#include "widgets/dbnavigator.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>


using namespace ktv;

namespace {

const QString kSettled = QStringLiteral("结清");

// A venue database with visits and drinks, the shared cursors, and the drinks delivery screen on them.
struct CallpearFixture
{
    StoreFixture store;
    TestPlatform services;
    std::unique_ptr<TDataModule1> data;
    std::unique_ptr<TFormcallpear> screen;

    void addVisit(const QString &room, const QString &member, const QString &mark = {})
    {
        const QDateTime begin = services.clock.now().addSecs(-3600);
        store.addRecord(tables::openroom(), {{QStringLiteral("Openroom_Customers_id"), member},
                                             {QStringLiteral("Openroom_room_id"), room},
                                             {QStringLiteral("Openroom_begintime"), begin},
                                             {QStringLiteral("Openroom_endtime"), begin.addDays(-1)},
                                             {QStringLiteral("Openroom_beizhu"), mark}});
    }

    void addDrink(const QString &code, const QString &name, const QVariant &price)
    {
        store.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), code},
                                         {QStringLiteral("Pear_name"), name},
                                         {QStringLiteral("Pear_price"), price}});
    }

    // Visits 1 to 5: 101 settled, 102 open, 101 open and charged, 201 let off 5, 103 settled.
    void addVenue()
    {
        store.addMember(QStringLiteral("0000001"), QStringLiteral("张三"));
        store.addMember(QStringLiteral("0000002"), QStringLiteral("李四"));
        addVisit(QStringLiteral("101"), QStringLiteral("0000002"), kSettled);
        addVisit(QStringLiteral("102"), QStringLiteral("0000002"));
        addVisit(QStringLiteral("101"), QStringLiteral("0000001"), QStringLiteral("还没付费"));
        addVisit(QStringLiteral("201"), QStringLiteral("0000002"), QStringLiteral("抹零:5"));
        addVisit(QStringLiteral("103"), QStringLiteral("0000001"), kSettled);
        addDrink(QStringLiteral("P01"), QStringLiteral("啤酒"), 10.0);
        addDrink(QStringLiteral("P02"), QStringLiteral("可乐"), 6.5);
    }

    TFormcallpear &open()
    {
        data = std::make_unique<TDataModule1>(*store.db, services.clock);
        screen = std::make_unique<TFormcallpear>(*data, services.platform());
        return *screen;
    }

    // The screen on display and active, so that the focus moves as the cashier moves it.
    void showActive()
    {
        screen->resize(1000, 700);
        screen->show();
        screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen.get()));
    }

    void locateRoom(const QString &room)
    {
        screen->Edit1kffjh()->setText(room);
        screen->BitBtn1dwfj()->click();
    }

    void selectDrink(const QString &code) { QVERIFY(data->TablePear->locate(QStringLiteral("Pear_bm"), code)); }

    void press(NavButton which) { screen->navigator()->button(which)->click(); }

    // "+" on the order grid: the grid takes the focus, which binds the navigator to the order lines.
    void newLine()
    {
        focus(screen->DBGrid2());
        press(NavButton::Insert);
    }

    static void focus(QWidget *w)
    {
        w->setFocus();
        QTRY_VERIFY(w->hasFocus() || w->isAncestorOf(QApplication::focusWidget()));
    }

    // Types into a cell of the order line being entered, as the grid's cell editor does.
    void typeIntoLine(const QString &field, const QString &text)
    {
        CursorTableModel *model = screen->DBGrid2()->cursorModel();
        int column = 0;
        while (model->column(column).field != field)
            ++column;
        QVERIFY(model->setData(model->index(screen->Table2()->currentDisplayRow(), column), text));
    }

    struct Line
    {
        qint64 id;
        QVariant visit, code, price, quantity, time;
    };
    QList<Line> storedLines()
    {
        QList<Line> lines;
        QSqlQuery q = store.db->run(QStringLiteral("SELECT Callpear_id, Openroom_lishu, Pear_id, Pear_price, "
                                                   "Pear_shuliang, Pear_calltime FROM Callpear ORDER BY Callpear_id"));
        while (q.next())
            lines << Line{q.value(0).toLongLong(), q.value(1), q.value(2), q.value(3), q.value(4), q.value(5)};
        return lines;
    }
};

QStringList titles(DBGrid *grid)
{
    QStringList result;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        result << grid->model()->headerData(c, Qt::Horizontal).toString();
    return result;
}

QList<bool> editable(DBGrid *grid)
{
    QList<bool> result;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        result << bool(grid->model()->index(0, c).flags() & Qt::ItemIsEditable);
    return result;
}

} // namespace

class CallpearTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void screenAtStart();
    void locateRoom_data();
    void locateRoom();
    void filterFollowsTheCheckBox();
    void lineTakesDrinkAndDefaults();
    void typedQuantityStays();
    void twoLinesOfOneDrinkStayTwo();
    void laterPriceChangeLeavesOldLines();
    void longCodeIsCut();
    void missingCodeOrPriceIsAConversionError_data();
    void missingCodeOrPriceIsAConversionError();
    void navigatorFollowsTheFocus();
    void lineWithoutVisit();
    void closingOnlyHides();
    void twoStationsOrderingToOneVisitAreBothCharged();
};

// Two stations order drinks to the same visit at the same moment: every line of both is stored, and the
// drinks total charges them all.
void CallpearTest::twoStationsOrderingToOneVisitAreBothCharged()
{
    StoreFixture f;
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_begintime"), QDateTime(QDate(2026, 12, 8), QTime(19, 0))}});
    const QStringList failures = atOnce(f.location(), 2, [](Database &station, int s) {
        Cursor lines(station, tables::callpear());
        lines.open();
        for (int i = 0; i < 20; ++i) {
            lines.append();
            lines.setValue(QStringLiteral("Openroom_lishu"), 1);
            lines.setValue(QStringLiteral("Pear_id"), s == 0 ? QStringLiteral("P01") : QStringLiteral("P02"));
            lines.setValue(QStringLiteral("Pear_price"), s == 0 ? 10.0 : 1.5);
            lines.setValue(QStringLiteral("Pear_shuliang"), 2);
            lines.post();
        }
    });
    QCOMPARE(failures, QStringList(2));
    QCOMPARE(f.count(QStringLiteral("Callpear")), 40);
    checkout::computeDrinks(*f.db, 1);
    QSqlQuery total = f.db->run(QStringLiteral("SELECT Openroom_jiushui FROM Openroom"));
    QVERIFY(total.next());
    QCOMPARE(total.value(0).toDouble(), 20 * 2 * 10.0 + 20 * 2 * 1.5);
}

void CallpearTest::screenAtStart()
{
    CallpearFixture f;
    f.addVenue();
    TFormcallpear &s = f.open();
    QCOMPARE(s.objectName(), QStringLiteral("Formcallpear"));
    QCOMPARE(s.windowTitle(), QStringLiteral("酒水配送"));
    QVERIFY(s.isWindow());
    QVERIFY(s.isHidden());
    QCOMPARE(s.Edit1kffjh()->text(), QStringLiteral("开房房间号"));
    QCOMPARE(s.BitBtn1dwfj()->text(), QStringLiteral("&L定位叫酒房间"));
    QCOMPARE(s.BitBtn1dwfj()->toolTip(), QStringLiteral("第一步:确定叫酒房间"));
    QCOMPARE(s.CheckBoxOnlyOpened()->text(), QStringLiteral("仅显示正开房的房间"));
    QVERIFY(s.CheckBoxOnlyOpened()->isChecked());
    QVERIFY(s.Table1()->isFiltered());
    QVERIFY(s.Table1()->isReadOnly());
    for (const char *name : {"Edit1kffjh", "BitBtn1dwfj", "CheckBoxOnlyOpened", "DBNavigator", "DBGrid1", "DBGrid2",
                             "DBGrid3", "EditOpenroom_Lishui", "EditOpenroom_Customers_id", "EditOpenroom_room_id",
                             "EditOpenroom_begintime", "EditOpenroom_endtime", "EditOpenroom_beizhu"})
        QVERIFY2(s.findChild<QWidget *>(QLatin1String(name)), name);
    QStringList labels;
    for (QLabel *label : s.findChildren<QLabel *>())
        labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("第二步:选择酒水")));
    QVERIFY(labels.contains(QStringLiteral("第三步:首先点击下面的要酒清单,再点击上面的+号按扭即可;确定配酒,"
                                           "点上面的对勾保存;放弃要酒点上面的叉.")));

    // Newest visit first; the settled ones hidden; the boxes and the lines on the newest listed visit.
    QCOMPARE(s.Table1()->recordCount(), 3);
    QCOMPARE(s.Table1()->integer(QStringLiteral("Openroom_Lishui")), 4);
    QCOMPARE(s.EditOpenroom_Lishui()->text(), QStringLiteral("4"));
    QCOMPARE(s.findChild<DBEdit *>(QStringLiteral("EditOpenroom_Customers_id"))->text(), QStringLiteral("李四"));

    // Navigator: its eight buttons, no hints, bound to the order lines.
    DBNavigator *nav = s.navigator();
    QCOMPARE(nav->dataSource()->cursor(), s.Table2());
    QVERIFY(!nav->button(NavButton::Delete));
    QVERIFY(!nav->button(NavButton::Edit));
    for (NavButton b : {NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last, NavButton::Insert,
                        NavButton::Post, NavButton::Cancel, NavButton::Refresh}) {
        QVERIFY(nav->button(b));
        QVERIFY(nav->button(b)->toolTip().isEmpty());
    }

    QCOMPARE(titles(s.DBGrid3()), QStringList({"开房流水号", "客户编号", "房间号", "开房时间", "退房时间", "备注"}));
    QCOMPARE(titles(s.DBGrid2()),
             QStringList({"叫酒流水", "开房流水", "酒水编码", "酒水单价", "酒水数量", "叫酒时间", "叫酒备注"}));
    QCOMPARE(titles(s.DBGrid1()), QStringList({"酒水类编码", "酒水类名称", "酒水类价格", "酒水类备注"}));
    QCOMPARE(editable(s.DBGrid1()), QList<bool>({false, false, false, true}));
    QCOMPARE(s.DBGrid1()->model()->rowCount(), 2);
}

void CallpearTest::locateRoom_data()
{
    QTest::addColumn<bool>("onlyOpened");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("visit"); // 0: not found, the computer beeps

    QTest::newRow("prefix 10") << true << "10" << 3;
    QTest::newRow("whole number") << true << "102" << 2;
    QTest::newRow("blanks around") << true << " 102 " << 2;
    QTest::newRow("let off, still listed") << true << "201" << 4;
    QTest::newRow("only settled visits") << true << "103" << 0;
    QTest::newRow("no such room") << true << "301" << 0;
    QTest::newRow("initial text") << true << "开房房间号" << 0;
    QTest::newRow("empty") << true << "" << 0;
    QTest::newRow("unticked: settled found") << false << "103" << 5;
    QTest::newRow("unticked: newest of the room") << false << "101" << 3;
}

void CallpearTest::locateRoom()
{
    QFETCH(bool, onlyOpened);
    QFETCH(QString, typed);
    QFETCH(int, visit);

    CallpearFixture f;
    f.addVenue();
    TFormcallpear &s = f.open();
    if (!onlyOpened)
        s.CheckBoxOnlyOpened()->click();
    s.Table1()->last();
    f.locateRoom(typed);

    QCOMPARE(f.services.beeper.count(), visit == 0 ? 1 : 0);
    if (visit == 0) {
        QCOMPARE(s.Table1()->currentRow(), 0); // left on the first listed visit
        QVERIFY(f.services.dialogs.all().isEmpty());
        return;
    }
    QCOMPARE(s.Table1()->integer(QStringLiteral("Openroom_Lishui")), visit);
    QCOMPARE(s.EditOpenroom_Lishui()->text(), QString::number(visit));
    QCOMPARE(s.DBGrid3()->currentIndex().row(), s.Table1()->currentRow());
}

void CallpearTest::filterFollowsTheCheckBox()
{
    CallpearFixture f;
    f.addVenue();
    TFormcallpear &s = f.open();
    QCOMPARE(s.DBGrid3()->model()->rowCount(), 3);
    s.CheckBoxOnlyOpened()->click();
    QVERIFY(!s.Table1()->isFiltered());
    QCOMPARE(s.DBGrid3()->model()->rowCount(), 5);
    s.CheckBoxOnlyOpened()->click();
    QVERIFY(s.Table1()->isFiltered());
    QCOMPARE(s.DBGrid3()->model()->rowCount(), 3);
}

void CallpearTest::lineTakesDrinkAndDefaults()
{
    CallpearFixture f;
    f.addVenue();
    TFormcallpear &s = f.open();
    f.showActive();
    f.locateRoom(QStringLiteral("101"));
    f.selectDrink(QStringLiteral("P02"));
    f.newLine();
    QCOMPARE(s.Table2()->state(), CursorState::Insert);
    QCOMPARE(s.Table2()->integer(QStringLiteral("Openroom_lishu")), 3);
    QCOMPARE(s.Table2()->text(QStringLiteral("Pear_id")), QStringLiteral("P02"));
    QCOMPARE(s.Table2()->number(QStringLiteral("Pear_price")), 6.5);

    f.services.clock.advance(90'000);
    f.press(NavButton::Post);
    QVERIFY(f.services.dialogs.errors().isEmpty());
    const auto lines = f.storedLines();
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0].visit.toInt(), 3);
    QCOMPARE(lines[0].code.toString(), QStringLiteral("P02"));
    QCOMPARE(lines[0].price.toDouble(), 6.5);
    QCOMPARE(lines[0].quantity.toInt(), 1);
    QCOMPARE(s.Table2()->dateTime(QStringLiteral("Pear_calltime")), f.services.clock.now());
    QCOMPARE(s.DBGrid2()->model()->rowCount(), 1);

    // The cross abandons a line still being entered.
    f.press(NavButton::Insert);
    f.press(NavButton::Cancel);
    QCOMPARE(f.storedLines().size(), 1);
}

void CallpearTest::typedQuantityStays()
{
    CallpearFixture f;
    f.addVenue();
    TFormcallpear &s = f.open();
    f.showActive();
    f.locateRoom(QStringLiteral("102"));
    f.selectDrink(QStringLiteral("P01"));
    f.newLine();
    f.typeIntoLine(QStringLiteral("Pear_shuliang"), QStringLiteral("0"));
    f.typeIntoLine(QStringLiteral("Pear_calltime"), QStringLiteral("2026-12-08 19:30:00"));
    f.press(NavButton::Post);
    f.newLine();
    f.typeIntoLine(QStringLiteral("Pear_shuliang"), QStringLiteral("-2"));
    f.press(NavButton::Post);
    QVERIFY(f.services.dialogs.errors().isEmpty());

    const auto lines = f.storedLines();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].quantity.toInt(), 0);
    QCOMPARE(lines[0].time.toString(), QStringLiteral("2026-12-08 19:30:00.000"));
    QCOMPARE(lines[1].quantity.toInt(), -2);

    // A changed line runs the same rule: an emptied quantity becomes 1 again, the time stays.
    s.Table2()->first();
    s.Table2()->edit();
    s.Table2()->setValue(QStringLiteral("Pear_shuliang"), QVariant());
    f.press(NavButton::Post);
    QCOMPARE(f.storedLines()[0].quantity.toInt(), 1);
    QCOMPARE(f.storedLines()[0].time.toString(), QStringLiteral("2026-12-08 19:30:00.000"));
}

void CallpearTest::twoLinesOfOneDrinkStayTwo()
{
    CallpearFixture f;
    f.addVenue();
    TFormcallpear &s = f.open();
    f.showActive();
    f.locateRoom(QStringLiteral("101"));
    f.selectDrink(QStringLiteral("P01"));
    for (int i = 0; i < 2; ++i) {
        f.newLine();
        f.press(NavButton::Post);
    }
    const auto lines = f.storedLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].id != lines[1].id);
    QCOMPARE(lines[0].code, lines[1].code);
    QCOMPARE(s.DBGrid2()->model()->rowCount(), 2);

    // The lines belong to their visit: another visit shows none of them.
    f.locateRoom(QStringLiteral("102"));
    QCOMPARE(s.DBGrid2()->model()->rowCount(), 0);
}

void CallpearTest::laterPriceChangeLeavesOldLines()
{
    CallpearFixture f;
    f.addVenue();
    f.open();
    f.showActive();
    f.locateRoom(QStringLiteral("101"));
    f.selectDrink(QStringLiteral("P01"));
    f.newLine();
    f.press(NavButton::Post);

    Cursor &drinks = *f.data->TablePear;
    drinks.edit();
    drinks.setValue(QStringLiteral("Pear_price"), 12.0);
    drinks.post();
    f.newLine();
    f.press(NavButton::Post);

    const auto lines = f.storedLines();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].price.toDouble(), 10.0);
    QCOMPARE(lines[1].price.toDouble(), 12.0);
}

void CallpearTest::longCodeIsCut()
{
    CallpearFixture f;
    f.addVenue();
    f.addDrink(QStringLiteral("ABCDEFGH"), QStringLiteral("长编码"), 3.0);
    f.addDrink(QStringLiteral("青岛啤酒"), QStringLiteral("青岛"), 8.0);
    f.open();
    f.showActive();
    f.locateRoom(QStringLiteral("101"));
    for (const QString &code : {QStringLiteral("ABCDEFGH"), QStringLiteral("青岛啤酒")}) {
        f.selectDrink(code);
        f.newLine();
        f.press(NavButton::Post);
    }
    const auto lines = f.storedLines();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].code.toString(), QStringLiteral("ABCDE"));
    QCOMPARE(lines[1].code.toString(), QStringLiteral("青岛")); // 5 bytes would split the third character
}

void CallpearTest::missingCodeOrPriceIsAConversionError_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QVariant>("price");
    QTest::addColumn<QString>("keptCode");

    QTest::newRow("empty catalogue") << QString() << QVariant() << QString();
    QTest::newRow("drink without code") << QString() << QVariant(5.0) << QString();
    QTest::newRow("drink without price") << QStringLiteral("P09") << QVariant() << QStringLiteral("P09");
}

void CallpearTest::missingCodeOrPriceIsAConversionError()
{
    QFETCH(QString, code);
    QFETCH(QVariant, price);
    QFETCH(QString, keptCode);

    CallpearFixture f;
    f.addVisit(QStringLiteral("101"), QStringLiteral("0000001"));
    if (QTest::currentDataTag() != QByteArray("empty catalogue"))
        f.addDrink(code, QStringLiteral("无名"), price);
    TFormcallpear &s = f.open();
    f.showActive();
    f.newLine();

    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QCOMPARE(s.Table2()->state(), CursorState::Insert);
    QCOMPARE(s.Table2()->text(QStringLiteral("Pear_id")), keptCode);
    QVERIFY(s.Table2()->isNull(QStringLiteral("Pear_price")));
    f.press(NavButton::Cancel);
    QCOMPARE(s.Table2()->state(), CursorState::Browse);
    QCOMPARE(f.store.count(QStringLiteral("Callpear")), 0);
}

void CallpearTest::navigatorFollowsTheFocus()
{
    CallpearFixture f;
    f.addVenue();
    TFormcallpear &s = f.open();
    f.showActive();
    DBNavigator *nav = s.navigator();

    // On the serial number box, "+" is the read-only visit list's refusal; nothing is written.
    CallpearFixture::focus(s.EditOpenroom_Lishui());
    QCOMPARE(nav->dataSource()->cursor(), s.Table1());
    f.press(NavButton::Insert);
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QCOMPARE(s.Table1()->state(), CursorState::Browse);
    QCOMPARE(f.store.count(QStringLiteral("Openroom")), 5);

    // The visit grid and the room box leave the binding as it was.
    CallpearFixture::focus(s.DBGrid3());
    CallpearFixture::focus(s.Edit1kffjh());
    QCOMPARE(nav->dataSource()->cursor(), s.Table1());

    // On the catalogue, "+" and the tick store a new drink, with none of the order rules.
    CallpearFixture::focus(s.DBGrid1());
    QCOMPARE(nav->dataSource()->cursor(), f.data->TablePear);
    f.press(NavButton::Insert);
    QCOMPARE(f.data->TablePear->state(), CursorState::Insert);
    QVERIFY(f.data->TablePear->isNull(QStringLiteral("Pear_bm")));
    f.data->TablePear->setValue(QStringLiteral("Pear_bm"), QStringLiteral("P03"));
    f.press(NavButton::Post);
    QCOMPARE(f.store.count(QStringLiteral("Pear")), 3);
    QCOMPARE(f.store.count(QStringLiteral("Callpear")), 0);

    CallpearFixture::focus(s.DBGrid2());
    QCOMPARE(nav->dataSource()->cursor(), s.Table2());
    QCOMPARE(f.services.dialogs.errors().size(), 1);
}

void CallpearTest::lineWithoutVisit()
{
    CallpearFixture f;
    f.addVisit(QStringLiteral("101"), QStringLiteral("0000001"), kSettled);
    f.addDrink(QStringLiteral("P01"), QStringLiteral("啤酒"), 10.0);
    TFormcallpear &s = f.open();
    f.showActive();
    QCOMPARE(s.Table1()->recordCount(), 0);
    f.newLine();
    f.press(NavButton::Post);
    const auto lines = f.storedLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines[0].visit.isNull());
    QCOMPARE(lines[0].code.toString(), QStringLiteral("P01"));
}

void CallpearTest::closingOnlyHides()
{
    CallpearFixture f;
    f.addVenue();
    TFormcallpear &s = f.open();
    f.showActive();
    QPointer<TFormcallpear> alive(&s);
    s.CheckBoxOnlyOpened()->click();
    f.locateRoom(QStringLiteral("102"));
    f.selectDrink(QStringLiteral("P01"));
    f.newLine();
    s.close();
    QVERIFY(alive);
    QVERIFY(s.isHidden());
    s.bringUp();
    QVERIFY(s.isVisible());
    QVERIFY(s.windowState() & Qt::WindowMaximized);
    QCOMPARE(s.Edit1kffjh()->text(), QStringLiteral("102"));
    QVERIFY(!s.CheckBoxOnlyOpened()->isChecked());
    QCOMPARE(s.Table1()->integer(QStringLiteral("Openroom_Lishui")), 2);
    QCOMPARE(s.Table2()->state(), CursorState::Insert); // the line being entered survives
}

QTEST_MAIN(CallpearTest)
#include "test_callpear.moc"
