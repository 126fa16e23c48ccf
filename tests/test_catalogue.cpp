#include "appfixture.h"

#include "catalogue/formfjfy.h"
#include "catalogue/formpear.h"
#include "catalogue/formroomview.h"
#include "catalogue/roomfees.h"
#include "members/formhyzl.h"
#include "members/formlistings.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"

#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace ktv;

namespace {

// Chooses a menu entry whose screen is modal and reports the screen that opened, closing it at once.
QString openedBy(TFormMain &main, const QString &entry, bool *maximised = nullptr)
{
    QString opened;
    QTimer::singleShot(0, [&] {
        QWidget *screen = QApplication::activeModalWidget();
        if (!screen)
            return;
        opened = screen->objectName();
        if (maximised)
            *maximised = screen->windowState() & Qt::WindowMaximized;
        screen->close();
    });
    main.menuEntry(entry)->trigger();
    return opened;
}

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    void defaultPrice_data();
    void defaultPrice();
    void roomFeePass();
    void sizeClassPickListAndTyping();
    void listingsAreReadOnceAndNotEditable();
    void deletedMemberStaysInHistory();
    void menuEntriesOpenTheirScreens();
};

void CatalogueTest::defaultPrice_data()
{
    QTest::addColumn<QVariant>("price");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("empty") << QVariant() << true;
    QTest::newRow("zero") << QVariant(0.0) << true;
    QTest::newRow("negative") << QVariant(-5.0) << true;
    QTest::newRow("half a cent") << QVariant(0.005) << true;
    QTest::newRow("a cent") << QVariant(0.01) << false;
    QTest::newRow("rounds up to a cent") << QVariant(0.00996) << false;
    QTest::newRow("a price") << QVariant(88.0) << false;
}

void CatalogueTest::defaultPrice()
{
    QFETCH(QVariant, price);
    QFETCH(bool, replaced);
    QCOMPARE(roomfees::needsDefaultPrice(price), replaced);
}

void CatalogueTest::roomFeePass()
{
    AppFixture f;
    f.addRecord(tables::room(), {{QStringLiteral("Room_id"), QStringLiteral("101")}});
    f.addRoom(QStringLiteral("102"), QString(), 0.005);
    f.addRoom(QStringLiteral("103"), QString(), 0.01);
    f.start();
    {
        TFormfjfy fees(f.data(), f.services.platform(), f.program->main.get());
        QCOMPARE(f.data().Tableroom->text(QStringLiteral("Room_id")), QStringLiteral("103")); // on the last room
        auto *grid = fees.findChild<DBGrid *>(QStringLiteral("DBGrid1"));
        QCOMPARE(grid->model()->columnCount(), 15);
        QVERIFY(!(grid->model()->flags(grid->model()->index(0, 3)) & Qt::ItemIsEditable)); // in use
        QCOMPARE(grid->model()->headerData(11, Qt::Horizontal).toString(), QStringLiteral("特殊时段3费用"));
    }
    QSqlQuery q = f.db->run(QStringLiteral("SELECT Room_sfbiaozhun FROM room ORDER BY Room_id"));
    QList<double> prices;
    while (q.next())
        prices << q.value(0).toDouble();
    QCOMPARE(prices, QList<double>({100.0, 100.0, 0.01}));

    AppFixture empty;
    empty.start();
    TFormfjfy fees(empty.data(), empty.services.platform(), empty.program->main.get());
    QCOMPARE(empty.count(QStringLiteral("room")), 0);
    QVERIFY(empty.services.dialogs.errors().isEmpty());
}

void CatalogueTest::sizeClassPickListAndTyping()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"));
    f.start();
    TFormfjfy fees(f.data(), f.services.platform(), f.program->main.get());
    auto *model = fees.findChild<DBGrid *>(QStringLiteral("DBGrid1"))->cursorModel();
    QCOMPARE(model->column(4).pickList, QStringList({"大", "中", "小"}));
    QVERIFY(model->setData(model->index(0, 4), QStringLiteral("中")));
    f.data().Tableroom->post();
    QCOMPARE(f.data().Tableroom->text(QStringLiteral("Room_guige")), QStringLiteral("中"));
    QVERIFY(model->setData(model->index(0, 4), QStringLiteral("特大")));
    f.data().Tableroom->post();
    QCOMPARE(f.data().Tableroom->text(QStringLiteral("Room_guige")), QStringLiteral("特")); // cut to 2 bytes
}

void CatalogueTest::listingsAreReadOnceAndNotEditable()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"));
    f.start();
    TFormCustomersLocate members(f.data(), f.services.platform());
    TFormRoomView rooms(f.data(), f.services.platform());
    f.addMember(QStringLiteral("002"), QStringLiteral("乙"));
    for (QueryListing *listing : std::initializer_list<QueryListing *>{&members, &rooms}) {
        auto *grid = listing->findChild<DBGrid *>(QStringLiteral("DBGrid1"));
        QCOMPARE(grid->model()->rowCount(), 1); // what was there when the screen opened
        QVERIFY(!(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable));
        auto *navigator = listing->findChild<DBNavigator *>(QStringLiteral("DBNavigator1"));
        QVERIFY(navigator->button(NavButton::Last));
        QVERIFY(!navigator->button(NavButton::Insert));
        QCOMPARE(navigator->button(NavButton::First)->toolTip(), QStringLiteral("移动到第1条记录"));
    }
    QCOMPARE(members.findChild<DBGrid *>(QStringLiteral("DBGrid1"))->model()->columnCount(), 10);
    QCOMPARE(TFormCustomersLocate(f.data(), f.services.platform()).Query1()->recordCount(), 2); // opened anew
}

void CatalogueTest::deletedMemberStaysInHistory()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_Customers_id"), QStringLiteral("001")},
                                     {QStringLiteral("Openroom_room_id"), QStringLiteral("101")}});
    f.start();
    {
        TFormhyzl memberData(f.data(), f.services.platform());
        f.services.dialogs.answerYes(); // "Delete record?" OK
        memberData.findChild<DBNavigator *>(QStringLiteral("DBNavigator1"))->button(NavButton::Delete)->click();
        QCOMPARE(f.services.dialogs.all().first().text, QStringLiteral("Delete record?"));
    }
    QCOMPARE(f.count(QStringLiteral("Customers")), 0);
    TFormOpenroomHistory history(f.data(), f.services.platform());
    QCOMPARE(history.Query1()->recordCount(), 1);
    QCOMPARE(history.Query1()->text(QStringLiteral("Openroom_Customers_id")), QStringLiteral("001"));
}

void CatalogueTest::menuEntriesOpenTheirScreens()
{
    AppFixture f;
    TFormMain &main = f.start();
    const QList<std::tuple<QString, QString, bool>> entries{
        {"kehuzhuce", "Formyhzc", false},        {"kehuchaxun", "FormCustomersLocate", true},
        {"xfls", "FormOpenroomHistory", true},   {"M1", "Formhyzl", true},
        {"fangjiandj", "Formfjdj", false},       {"Fjfy", "Formfjfy", true},
        {"kfcx", "FormRoomView", false},         {"Printpaper", "FormPrintpaper", false},
        {"khdll", "FormClientsView", true},      {"khdfjpd", "formkhdkfpd", false},
        {"ktkhd", "FormOpenClients", false},     {"jsxx", "FormPear", false},
    };
    for (const auto &[entry, screen, shouldMaximise] : entries) {
        bool maximised = false;
        QCOMPARE(openedBy(main, entry, &maximised), screen);
        QCOMPARE(maximised, shouldMaximise);
    }
    // Each use starts from a fresh screen, destroyed when it closed.
    QVERIFY(main.findChildren<QDialog *>().isEmpty());
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

QTEST_MAIN(CatalogueTest)
#include "test_catalogue.moc"
