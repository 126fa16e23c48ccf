#include "appfixture.h"

#include "catalogue/formfjdj.h"
#include "catalogue/formfjfy.h"
#include "catalogue/formpear.h"
#include "catalogue/formroomview.h"
#include "catalogue/roomfees.h"
#include "staff/formauthorise.h"
#include "staff/priceedits.h"
#include "staff/staffstore.h"
#include "store/storeerror.h"
#include "visits/formcallpear.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace ktv;

namespace {

const QString kRoomId = QStringLiteral("Room_id");
const QString kPrice = QStringLiteral("Room_sfbiaozhun");
const QString kSize = QStringLiteral("Room_guige");

// What the table holds now, read past every cursor of the test; "<none>" when the record is missing.
QVariant stored(StoreFixture &f, const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q = f.db->run(sql, binds);
    return q.next() ? q.value(0) : QVariant(QStringLiteral("<none>"));
}

QVariant roomPrice(StoreFixture &f, const QString &room)
{
    return stored(f, QStringLiteral("SELECT Room_sfbiaozhun FROM room WHERE Room_id = ?"), {room});
}

QStringList titles(const QAbstractItemModel *model)
{
    QStringList list;
    for (int c = 0; c < model->columnCount(); ++c)
        list << model->headerData(c, Qt::Horizontal).toString();
    return list;
}

QStringList hints(const DBNavigator *navigator)
{
    QStringList list;
    for (NavButton b : DBNavigator::allButtons())
        list << (navigator->button(b) ? navigator->button(b)->toolTip() : QStringLiteral("<hidden>"));
    return list;
}

const QStringList kFullHints{"移动到第1条记录", "移动到上1条记录", "移动到下1条记录", "移动到最后1条记录",
                             "插入1条新记录",   "删除当前记录",    "编辑当前记录",    "保存修改",
                             "作废修改",        "刷新数据"};

void showActive(QWidget &w)
{
    w.resize(1000, 400);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// Types text key by key, Chinese characters included, as an input method hands them over.
void typeText(QWidget *target, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Types into a labelled box over what it shows and leaves it with Enter, as the cashier would.
void typeInto(DBEdit *box, const QString &text)
{
    box->lineEdit()->setFocus();
    box->lineEdit()->selectAll();
    typeText(box->lineEdit(), text);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
}

void press(QWidget &screen, NavButton which)
{
    screen.findChild<DBNavigator *>(QStringLiteral("DBNavigator1"))->button(which)->click();
}

// Chooses a menu entry whose screen is modal and reports the screen that opened, closing it at once.
QString openedBy(TFormMain &main, const QString &entry, bool *maximised)
{
    QString opened;
    QTimer::singleShot(0, [&] {
        QWidget *screen = QApplication::activeModalWidget();
        if (!screen)
            return;
        opened = screen->objectName() + QLatin1Char('|') + screen->windowTitle();
        *maximised = screen->windowState() & Qt::WindowMaximized;
        screen->close();
    });
    main.menuEntry(entry)->trigger();
    return opened;
}

// Answers the authorisation asked next with each number and password in turn, then cancels it if it is
// still open. Says once it ran whether it was asked at all.
struct AuthorisationAnswer
{
    bool ran = false;
    bool asked = false;
};
std::shared_ptr<AuthorisationAnswer> authoriseWith(const QList<std::pair<QString, QString>> &tries)
{
    auto answer = std::make_shared<AuthorisationAnswer>();
    QTimer::singleShot(0, [tries, answer] {
        answer->ran = true;
        auto *ask = qobject_cast<TFormAuthorise *>(QApplication::activeModalWidget());
        if (!ask)
            return;
        answer->asked = true;
        for (const auto &[id, password] : tries) {
            ask->EditStaffId()->setText(id);
            ask->EditPassword()->setText(password);
            ask->BitBtnOK()->click();
            if (!ask->isVisible())
                return;
        }
        ask->BitBtnCancel()->click();
    });
    return answer;
}

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    void readAsMoney_data();
    void readAsMoney();
    void needsDefaultPrice_data();
    void needsDefaultPrice();

    void roomFeePassPricesRoomsAndEndsOnTheLast();
    void roomFeePassOnAnEmptyTable();
    void roomFeePassStoppedByAFailedSave();
    void roomFeeGridColumns();
    void sizeClassPickListAndTypedText();

    void roomRegistrationEntersARoom();
    void roomViewIsReadOnceAndReadOnly();

    void drinkPriceReachesOnlyNewOrderLines();
    void longDrinksCodeAndDeletedDrink();
    void cashierChangingADrinkPriceNeedsAManager();
    void priceChangesOfRoomsAndMembers();

    void menuEntriesOpenTheirScreens();
};

void CatalogueTest::readAsMoney_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<double>("money");
    QTest::newRow("four places kept") << 12.3456 << 12.3456;
    QTest::newRow("below half down") << 0.123449 << 0.1234;
    QTest::newRow("above half up") << 0.123451 << 0.1235;
    QTest::newRow("half to even, down") << 0.12345 << 0.1234;
    QTest::newRow("half to even, up") << 0.12355 << 0.1236;
    QTest::newRow("half held below by the double") << 0.00015 << 0.0002;
    QTest::newRow("half held above by the double") << 1.00005 << 1.0;
    QTest::newRow("half of a cent's edge") << 0.00995 << 0.01;
    QTest::newRow("carry into the whole") << 2.99995 << 3.0;
    QTest::newRow("negative half") << -0.00015 << -0.0002;
    QTest::newRow("whole") << 100.0 << 100.0;
    QTest::newRow("too large for four places") << 1e20 << 1e20;
}

void CatalogueTest::readAsMoney()
{
    QFETCH(double, amount);
    QFETCH(double, money);
    QCOMPARE(roomfees::readAsMoney(amount), money);
}

void CatalogueTest::needsDefaultPrice_data()
{
    QTest::addColumn<QVariant>("price");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("empty") << QVariant() << true;
    QTest::newRow("zero") << QVariant(0.0) << true;
    QTest::newRow("negative") << QVariant(-5.0) << true;
    QTest::newRow("half a cent") << QVariant(0.005) << true;
    QTest::newRow("rounds down below a cent") << QVariant(0.009949) << true;
    QTest::newRow("rounds to a cent") << QVariant(0.00995) << false;
    QTest::newRow("a cent") << QVariant(0.01) << false;
    QTest::newRow("a price") << QVariant(88.0) << false;
}

void CatalogueTest::needsDefaultPrice()
{
    QFETCH(QVariant, price);
    QFETCH(bool, replaced);
    QCOMPARE(roomfees::needsDefaultPrice(price), replaced);
}

void CatalogueTest::roomFeePassPricesRoomsAndEndsOnTheLast()
{
    AppFixture f;
    f.addRecord(tables::room(), {{kRoomId, QStringLiteral("101")}}); // no charge standard at all
    f.addRoom(QStringLiteral("102"), QString(), 0.005);
    // A negative price is refused now; an older release may have stored one.
    f.db->run(QStringLiteral("INSERT INTO room (Room_id, Room_used, Room_sfbiaozhun) VALUES ('103', '是', -20)"));
    f.addRoom(QStringLiteral("104"), QString(), 0.01);
    f.addRoom(QStringLiteral("105"), QString(), 68.5);
    f.start();
    f.data().Tableroom->first();

    TFormfjfy fees(f.data(), f.services.platform());
    Cursor &rooms = *f.data().Tableroom;
    QCOMPARE(rooms.text(kRoomId), QStringLiteral("105"));
    QCOMPARE(rooms.state(), CursorState::Browse);
    auto *grid = fees.findChild<DBGrid *>(QStringLiteral("DBGrid1"));
    QCOMPARE(grid->model()->index(0, 2).data().toString(), QStringLiteral("100.00")); // shown at once
    const QList<QVariant> expected{100.0, 100.0, 100.0, 0.01, 68.5};
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(roomPrice(f, QString::number(101 + i)).toDouble(), expected[i].toDouble());
    QCOMPARE(stored(f, QStringLiteral("SELECT Room_used FROM room WHERE Room_id = '103'")).toString(),
             QStringLiteral("是")); // nothing but the price is touched
    QVERIFY(f.services.dialogs.all().isEmpty());
}

void CatalogueTest::roomFeePassOnAnEmptyTable()
{
    AppFixture f;
    f.start();
    TFormfjfy fees(f.data(), f.services.platform());
    QCOMPARE(f.count(QStringLiteral("room")), 0);
    QCOMPARE(f.data().Tableroom->state(), CursorState::Browse); // no room was started by the pass
    QVERIFY(f.services.dialogs.all().isEmpty());
}

void CatalogueTest::roomFeePassStoppedByAFailedSave()
{
    AppFixture f;
    f.addRecord(tables::room(), {{kRoomId, QStringLiteral("101")}});
    f.addRecord(tables::room(), {{kRoomId, QStringLiteral("102")}});
    f.addRecord(tables::room(), {{kRoomId, QStringLiteral("103")}});
    f.start();
    f.data().Tableroom->setBeforePost([](Cursor &c) {
        if (c.text(kRoomId) == QStringLiteral("102"))
            throw StoreError(QStringLiteral("磁盘已满"));
    });

    TFormfjfy fees(f.data(), f.services.platform());
    QCOMPARE(f.services.dialogs.errors(), QStringList{QStringLiteral("磁盘已满")});
    QCOMPARE(roomPrice(f, QStringLiteral("101")).toDouble(), 100.0);
    QVERIFY(roomPrice(f, QStringLiteral("102")).isNull());
    QVERIFY(roomPrice(f, QStringLiteral("103")).isNull());
    QCOMPARE(f.data().Tableroom->state(), CursorState::Browse); // no price left pending as if typed
    QVERIFY(f.data().Tableroom->isNull(kPrice));
}

void CatalogueTest::roomFeeGridColumns()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"), QStringLiteral("是"));
    f.start();
    TFormfjfy fees(f.data(), f.services.platform());
    QCOMPARE(fees.objectName(), QStringLiteral("Formfjfy"));
    QCOMPARE(fees.windowTitle(), QStringLiteral("房间费用设置"));
    auto *grid = fees.findChild<DBGrid *>(QStringLiteral("DBGrid1"));
    auto *model = grid->cursorModel();
    QCOMPARE(titles(model),
             QStringList({"房间编号", "主要设施", "一般收费标准", "是否使用中", "大中小", "特殊时段费用1",
                          "特殊时段1开始时间", "特殊时段1截止时间", "特殊时段费用2", "特殊时段2开始时间",
                          "特殊时段2截止时间", "特殊时段3费用", "特殊时段3开始时间", "特殊时段3截止时间", "房间备注"}));
    QCOMPARE(model->column(14).field, QStringLiteral("Room_beizhu"));
    for (int c = 0; c < model->columnCount(); ++c)
        QCOMPARE(bool(model->flags(model->index(0, c)) & Qt::ItemIsEditable), c != 3);

    // The in-use flag cannot be written from here, not even past the cell's flags.
    QVERIFY(!model->setData(model->index(0, 3), QStringLiteral("否")));
    f.data().Tableroom->checkBrowseMode();
    QCOMPARE(stored(f, QStringLiteral("SELECT Room_used FROM room")).toString(), QStringLiteral("是"));

    // All ten buttons, below the grid, without hints.
    auto *navigator = fees.findChild<DBNavigator *>(QStringLiteral("DBNavigator1"));
    QCOMPARE(hints(navigator), QStringList(10, QString()));
    QVERIFY(fees.layout()->indexOf(navigator) > fees.layout()->indexOf(grid));
}

void CatalogueTest::sizeClassPickListAndTypedText()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"));
    f.start();
    TFormfjfy fees(f.data(), f.services.platform());
    showActive(fees);
    auto *grid = fees.findChild<DBGrid *>(QStringLiteral("DBGrid1"));
    const auto openSizeCell = [grid] {
        grid->setCurrentIndex(grid->model()->index(0, 4));
        grid->edit(grid->currentIndex());
        return qobject_cast<QComboBox *>(grid->indexWidget(grid->currentIndex()));
    };

    QComboBox *combo = openSizeCell();
    QVERIFY(combo);
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->count(), 3);
    QCOMPARE(QStringList({combo->itemText(0), combo->itemText(1), combo->itemText(2)}),
             QStringList({"大", "中", "小"}));
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    press(fees, NavButton::Post);
    QCOMPARE(stored(f, QStringLiteral("SELECT Room_guige FROM room")).toString(), QStringLiteral("中"));

    combo = openSizeCell();
    QVERIFY(combo);
    QTRY_VERIFY(combo->hasFocus());
    combo->lineEdit()->selectAll();
    typeText(combo->lineEdit(), QStringLiteral("特大")); // typed text, cut to the field's two bytes
    press(fees, NavButton::Post);
    QCOMPARE(stored(f, QStringLiteral("SELECT Room_guige FROM room")).toString(), QStringLiteral("特"));
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

void CatalogueTest::roomRegistrationEntersARoom()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"));
    f.start();
    TFormfjdj rooms(f.data(), f.services.platform());
    showActive(rooms);
    QCOMPARE(rooms.objectName(), QStringLiteral("Formfjdj"));
    QCOMPARE(rooms.windowTitle(), QStringLiteral("房间登记"));
    QCOMPARE(hints(rooms.findChild<DBNavigator *>(QStringLiteral("DBNavigator1"))), kFullHints);
    const QList<DBEdit *> boxes = rooms.findChildren<DBEdit *>();
    QStringList labels, fields;
    for (DBEdit *box : boxes) {
        labels << box->label()->text();
        fields << box->field();
    }
    QCOMPARE(labels, QStringList({"房间编号：", "房间设施：", "收费标准：", "房间备注："}));
    QCOMPARE(fields, QStringList({"Room_id", "Room_sheshi", "Room_sfbiaozhun", "Room_beizhu"}));

    press(rooms, NavButton::Insert);
    typeInto(boxes[0], QStringLiteral("205"));
    typeInto(boxes[1], QStringLiteral("音响"));
    typeInto(boxes[2], QStringLiteral("60"));
    press(rooms, NavButton::Post);
    QCOMPARE(f.count(QStringLiteral("room")), 2);
    QCOMPARE(roomPrice(f, QStringLiteral("205")).toDouble(), 60.0);
    // Entered without an in-use flag: free.
    QVERIFY(stored(f, QStringLiteral("SELECT Room_used FROM room WHERE Room_id = '205'")).isNull());

    // Delete asks first; Cancel keeps the room.
    f.services.dialogs.answerNo();
    press(rooms, NavButton::Delete);
    QCOMPARE(f.services.dialogs.texts(ScriptedDialogs::Kind::ConfirmDelete), QStringList{"Delete record?"});
    QCOMPARE(f.count(QStringLiteral("room")), 2);
    f.services.dialogs.answerYes();
    press(rooms, NavButton::Delete);
    QCOMPARE(f.count(QStringLiteral("room")), 1);
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

void CatalogueTest::roomViewIsReadOnceAndReadOnly()
{
    AppFixture f;
    f.addRoom(QStringLiteral("102"), QStringLiteral("是"), 80.0);
    f.addRoom(QStringLiteral("101"));
    f.start();
    TFormRoomView view(f.data(), f.services.platform());
    QCOMPARE(view.objectName(), QStringLiteral("FormRoomView"));
    QCOMPARE(view.windowTitle(), QStringLiteral("房间查询"));
    auto *grid = view.findChild<DBGrid *>(QStringLiteral("DBGrid1"));
    QCOMPARE(titles(grid->model()), QStringList({"房间编号", "是否在使用", "房间设施", "收费标准", "备注"}));
    QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("102")); // natural order
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("是"));
    QCOMPARE(view.Query1()->currentRow(), 0);

    f.addRoom(QStringLiteral("103"));
    QCOMPARE(grid->model()->rowCount(), 2); // what was there when the screen opened
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        QVERIFY(!(grid->model()->flags(grid->model()->index(0, c)) & Qt::ItemIsEditable));
    QVERIFY(!grid->model()->setData(grid->model()->index(0, 0), QStringLiteral("999")));
    QCOMPARE(hints(view.findChild<DBNavigator *>(QStringLiteral("DBNavigator1"))),
             kFullHints.mid(0, 4) + QStringList(6, QStringLiteral("<hidden>")));
    QCOMPARE(TFormRoomView(f.data(), f.services.platform()).Query1()->recordCount(), 3); // opened anew
}

void CatalogueTest::drinkPriceReachesOnlyNewOrderLines()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"), QStringLiteral("是"));
    f.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), QStringLiteral("P01")},
                                 {QStringLiteral("Pear_name"), QStringLiteral("啤酒")},
                                 {QStringLiteral("Pear_price"), 10.0}});
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_Customers_id"), QStringLiteral("001")},
                                     {QStringLiteral("Openroom_room_id"), QStringLiteral("101")}});
    f.start();
    TFormcallpear delivery(f.data(), f.services.platform());
    const auto takeLine = [&delivery] {
        delivery.Table2()->insert();
        delivery.Table2()->post();
    };
    takeLine();

    {
        TFormPear drinks(f.data(), f.services.platform());
        showActive(drinks);
        QCOMPARE(drinks.objectName(), QStringLiteral("FormPear"));
        QCOMPARE(drinks.windowTitle(), QStringLiteral("酒水信息"));
        QCOMPARE(hints(drinks.findChild<DBNavigator *>(QStringLiteral("DBNavigator1"))), kFullHints);
        QStringList labels;
        for (DBEdit *box : drinks.findChildren<DBEdit *>())
            labels << box->label()->text() + box->field();
        QCOMPARE(labels, QStringList({"酒水类编码:Pear_bm", "酒水类名称:Pear_name", "酒水类价格:Pear_price",
                                      "酒水类备注:Pear_beizhu"}));
        typeInto(drinks.findChildren<DBEdit *>().at(2), QStringLiteral("12.5"));
        press(drinks, NavButton::Post);
    }
    takeLine();

    QSqlQuery lines = f.db->run(QStringLiteral("SELECT Pear_id, Pear_price FROM Callpear ORDER BY Callpear_id"));
    QList<double> prices;
    while (lines.next()) {
        QCOMPARE(lines.value(0).toString(), QStringLiteral("P01"));
        prices << lines.value(1).toDouble();
    }
    QCOMPARE(prices, QList<double>({10.0, 12.5}));
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

void CatalogueTest::longDrinksCodeAndDeletedDrink()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"), QStringLiteral("是"));
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_Customers_id"), QStringLiteral("001")},
                                     {QStringLiteral("Openroom_room_id"), QStringLiteral("101")}});
    f.start();
    TFormcallpear delivery(f.data(), f.services.platform());
    {
        TFormPear drinks(f.data(), f.services.platform());
        showActive(drinks);
        const QList<DBEdit *> boxes = drinks.findChildren<DBEdit *>();
        press(drinks, NavButton::Insert);
        typeInto(boxes[0], QStringLiteral("ABCDEFG"));
        typeInto(boxes[2], QStringLiteral("8"));
        press(drinks, NavButton::Post);
    }
    // The drink current when the screen closed is the one the delivery screen orders.
    QCOMPARE(f.data().TablePear->text(QStringLiteral("Pear_bm")), QStringLiteral("ABCDEFG"));
    delivery.Table2()->insert();
    delivery.Table2()->post();
    QCOMPARE(stored(f, QStringLiteral("SELECT Pear_bm FROM Pear")).toString(), QStringLiteral("ABCDEFG"));
    QCOMPARE(stored(f, QStringLiteral("SELECT Pear_id FROM Callpear")).toString(), QStringLiteral("ABCDE"));

    {
        TFormPear drinks(f.data(), f.services.platform());
        f.services.dialogs.answerYes();
        press(drinks, NavButton::Delete);
    }
    QCOMPARE(f.count(QStringLiteral("Pear")), 0);
    QCOMPARE(stored(f, QStringLiteral("SELECT Pear_id || '/' || Pear_price FROM Callpear")).toString(),
             QStringLiteral("ABCDE/8.0"));
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

// A cashier types 12.50 over a drink's 10: a manager is asked at once. Cancelled, nothing is stored and the
// typed price stays on screen; a cashier cannot authorise it; the manager's password stores the price and
// one "修改价格" row naming the cashier, the manager, the drink and both prices.
void CatalogueTest::cashierChangingADrinkPriceNeedsAManager()
{
    AppFixture f;
    f.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), QStringLiteral("P01")},
                                 {QStringLiteral("Pear_name"), QStringLiteral("啤酒")},
                                 {QStringLiteral("Pear_price"), 10.0}});
    f.start();
    const QDateTime now = f.services.clock.now();
    staff::add(*f.db, QStringLiteral("C01"), QStringLiteral("收银甲"), QStringLiteral("收银员"), QStringLiteral("c"), now);
    staff::add(*f.db, QStringLiteral("M01"), QStringLiteral("经理乙"), QStringLiteral("经理"), QStringLiteral("m"), now);
    f.program->db->setStaff(QStringLiteral("C01"));
    const auto priceRows = [&f] {
        return stored(f, QStringLiteral("SELECT count(*) FROM Journal WHERE Journal_action = ?"), {QStringLiteral("修改价格")})
            .toInt();
    };

    TFormPear drinks(f.data(), f.services.platform());
    showActive(drinks);
    DBEdit *price = drinks.findChildren<DBEdit *>().at(2);
    typeInto(price, QStringLiteral("12.5"));
    auto answer = authoriseWith({});
    press(drinks, NavButton::Post);
    QVERIFY(answer->asked);
    QCOMPARE(stored(f, QStringLiteral("SELECT Pear_price FROM Pear")).toDouble(), 10.0);
    QCOMPARE(priceRows(), 0);
    QVERIFY(f.data().TablePear->isEditing());
    QCOMPARE(price->lineEdit()->text().toDouble(), 12.5);

    answer = authoriseWith({{QStringLiteral("C01"), QStringLiteral("c")}, {QStringLiteral("M01"), QStringLiteral("m")}});
    press(drinks, NavButton::Post);
    QVERIFY(answer->asked);
    QCOMPARE(stored(f, QStringLiteral("SELECT Pear_price FROM Pear")).toDouble(), 12.5);
    QCOMPARE(priceRows(), 1);
    QSqlQuery row = f.db->run(QStringLiteral("SELECT Journal_staff, Journal_authorised, Journal_before, Journal_after, "
                                             "Journal_reason FROM Journal WHERE Journal_action = ?"),
                              {QStringLiteral("修改价格")});
    QVERIFY(row.next());
    QCOMPARE(row.value(0).toString(), QStringLiteral("C01"));
    QCOMPARE(row.value(1).toString(), QStringLiteral("M01"));
    QCOMPARE(row.value(2).toDouble(), 10.0);
    QCOMPARE(row.value(3).toDouble(), 12.5);
    QCOMPARE(row.value(4).toString(), QStringLiteral("酒水 P01 价格"));
    row.finish();

    // A save that leaves the price as it was, to the cent, asks nobody and journals nothing.
    press(drinks, NavButton::Edit);
    typeInto(drinks.findChildren<DBEdit *>().at(1), QStringLiteral("生啤"));
    typeInto(price, QStringLiteral("12.50"));
    answer = authoriseWith({});
    press(drinks, NavButton::Post);
    QTRY_VERIFY(answer->ran);
    QVERIFY(!answer->asked);
    QCOMPARE(stored(f, QStringLiteral("SELECT Pear_name FROM Pear")).toString(), QStringLiteral("生啤"));
    QCOMPARE(priceRows(), 1);
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

// What counts as a price change: a time band's start, named with both times; not a member's rate written
// another way for "no discount" (empty, 0 or 1), which check-out stores as 1 on any save of the member.
void CatalogueTest::priceChangesOfRoomsAndMembers()
{
    StoreFixture f;
    f.addRoom(QStringLiteral("101"));
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    Cursor room(*f.db, tables::room());
    room.open();
    room.edit();
    room.setValue(QStringLiteral("Room_beizhu"), QStringLiteral("新"));
    QVERIFY(staff::priceChanges(room).isEmpty());
    room.setValue(QStringLiteral("Room_begintime1"), QTime(18, 0));
    const QList<journal::Entry> band = staff::priceChanges(room);
    QCOMPARE(band.size(), 1);
    QCOMPARE(band[0].reason, QStringLiteral("房间 101 时段1开始 空→18:00"));
    QCOMPARE(band[0].room, QStringLiteral("101"));
    QVERIFY(!band[0].before && !band[0].after);

    Cursor member(*f.db, tables::customers());
    member.open();
    member.edit();
    member.setValue(QStringLiteral("Customers_zkl"), 1.0);
    QVERIFY(staff::priceChanges(member).isEmpty());
    member.setValue(QStringLiteral("Customers_zkl"), 0.85);
    const QList<journal::Entry> rate = staff::priceChanges(member);
    QCOMPARE(rate.size(), 1);
    QCOMPARE(rate[0].reason, QStringLiteral("会员 001 折扣率"));
    QCOMPARE(*rate[0].after, 0.85);
    member.cancel();
    member.insert();
    member.setValue(QStringLiteral("Customers_id"), QStringLiteral("002"));
    QVERIFY(staff::priceChanges(member).isEmpty());
}

void CatalogueTest::menuEntriesOpenTheirScreens()
{
    AppFixture f;
    TFormMain &main = f.start();
    const QList<std::tuple<QString, QString, bool>> entries{
        {"M1", "Formhyzl|会员资料", true},
        {"kehuchaxun", "FormCustomersLocate|会员查询", true},
        {"xfls", "FormOpenroomHistory|消费历史", true},
        {"fangjiandj", "Formfjdj|房间登记", false},
        {"Fjfy", "Formfjfy|房间费用设置", true},
        {"kfcx", "FormRoomView|房间查询", false},
        {"jsxx", "FormPear|酒水信息", false},
    };
    for (const auto &[entry, screen, shouldMaximise] : entries) {
        bool maximised = !shouldMaximise;
        QCOMPARE(openedBy(main, entry, &maximised), screen);
        QCOMPARE(maximised, shouldMaximise);
    }
    // Each use starts from a fresh screen, destroyed when it closed.
    QVERIFY(main.findChildren<QDialog *>().isEmpty());
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

QTEST_MAIN(CatalogueTest)
#include "test_catalogue.moc"
