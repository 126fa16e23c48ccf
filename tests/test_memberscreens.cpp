#include "appfixture.h"

#include "members/formcustomerslocate.h"
#include "members/formhyzl.h"
#include "members/formopenroomhistory.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"

#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

using namespace ktv;

namespace {

const QString kId = QStringLiteral("Customers_id");

QStringList titles(const QAbstractItemModel *model)
{
    QStringList list;
    for (int c = 0; c < model->columnCount(); ++c)
        list << model->headerData(c, Qt::Horizontal).toString();
    return list;
}

DBGrid *gridOf(QWidget &screen)
{
    return screen.findChild<DBGrid *>(QStringLiteral("DBGrid1"));
}

DBNavigator *navigatorOf(QWidget &screen)
{
    return screen.findChild<DBNavigator *>(QStringLiteral("DBNavigator1"));
}

void showActive(QWidget &w)
{
    w.resize(1000, 400);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// Types into a cell as the cashier would: the cell's editor opens over what it holds, which is replaced.
void typeIntoCell(DBGrid *grid, int row, int column, const QString &text)
{
    grid->setCurrentIndex(grid->model()->index(row, column));
    grid->edit(grid->currentIndex());
    auto *cell = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
    QVERIFY(cell);
    cell->selectAll();
    for (QChar c : text) // key by key, Chinese characters included
        QTest::sendKeyEvent(QTest::Click, cell, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QVariant stored(StoreFixture &f, const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q = f.db->run(sql, binds);
    return q.next() ? q.value(0) : QVariant(QStringLiteral("<none>"));
}

void addVisit(StoreFixture &f, const QString &member, const QDateTime &begin, const QDateTime &end,
              const QVariant &mark = {})
{
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_Customers_id"), member},
                                     {QStringLiteral("Openroom_room_id"), QStringLiteral("101")},
                                     {QStringLiteral("Openroom_begintime"), begin},
                                     {QStringLiteral("Openroom_endtime"), end},
                                     {QStringLiteral("Openroom_beizhu"), mark}});
}

} // namespace

class MemberScreensTest : public QObject
{
    Q_OBJECT

private slots:
    void memberDataShowsEveryFieldEditable();
    void memberDataEditsTheSharedMembers();
    void memberDataRefusesATakenNumber();
    void deletedMemberStaysInHistory();
    void memberQueryListsEveryMemberReadOnce();
    void historyListsEveryVisit();
};

void MemberScreensTest::memberDataShowsEveryFieldEditable()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.start();
    TFormhyzl screen(f.data(), f.services.platform());
    QCOMPARE(screen.objectName(), QStringLiteral("Formhyzl"));
    QCOMPARE(screen.windowTitle(), QStringLiteral("会员资料"));
    auto *model = gridOf(screen)->cursorModel();
    QCOMPARE(titles(model), QStringList({"会员编号", "姓名", "身份证号", "电话", "地址", "注册时间", "最近消费时间",
                                         "累计消费", "折扣率", "会员级别", "备注"}));
    QCOMPARE(model->column(7).field, QStringLiteral("Customers_ljxf"));
    QCOMPARE(model->column(8).field, QStringLiteral("Customers_zkl"));
    for (int c = 0; c < model->columnCount(); ++c)
        QVERIFY(model->flags(model->index(0, c)) & Qt::ItemIsEditable);
    QCOMPARE(model->dataSource(), f.data().DataSourceCustomers);
    DBNavigator *navigator = navigatorOf(screen);
    for (NavButton b : DBNavigator::allButtons()) {
        QVERIFY(navigator->button(b));
        QCOMPARE(navigator->button(b)->toolTip(), QString());
    }
}

void MemberScreensTest::memberDataEditsTheSharedMembers()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.start();
    TFormhyzl screen(f.data(), f.services.platform());
    showActive(screen);
    DBGrid *grid = gridOf(screen);

    // The discount rate and the accumulated consumption are edited here, and stored for every screen at once.
    typeIntoCell(grid, 0, 8, QStringLiteral("0.8"));
    typeIntoCell(grid, 0, 7, QStringLiteral("300"));
    navigatorOf(screen)->button(NavButton::Post)->click();
    QCOMPARE(stored(f, QStringLiteral("SELECT Customers_zkl FROM Customers")).toDouble(), 0.8);
    QCOMPARE(stored(f, QStringLiteral("SELECT Customers_ljxf FROM Customers")).toDouble(), 300.0);
    QCOMPARE(f.data().TableCustomers->number(QStringLiteral("Customers_zkl")), 0.8);

    // A new member without a registration date is registered today; any unused number is taken as typed.
    navigatorOf(screen)->button(NavButton::Insert)->click();
    const int row = f.data().TableCustomers->currentDisplayRow();
    typeIntoCell(grid, row, 0, QStringLiteral("0000009"));
    typeIntoCell(grid, row, 1, QStringLiteral("乙"));
    navigatorOf(screen)->button(NavButton::Post)->click();
    QCOMPARE(f.count(QStringLiteral("Customers")), 2);
    QCOMPARE(stored(f, QStringLiteral("SELECT Customers_zcsj FROM Customers WHERE Customers_id = '0000009'")).toDate(),
             ScriptedClock::defaultMoment().date());

    // Cancel drops what was typed.
    typeIntoCell(grid, row, 1, QStringLiteral("丙"));
    navigatorOf(screen)->button(NavButton::Cancel)->click();
    QCOMPARE(
        stored(f, QStringLiteral("SELECT Customers_name FROM Customers WHERE Customers_id = '0000009'")).toString(),
        QStringLiteral("乙"));
    QVERIFY(f.services.dialogs.all().isEmpty());
}

void MemberScreensTest::memberDataRefusesATakenNumber()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addMember(QStringLiteral("002"), QStringLiteral("乙"));
    f.start();
    TFormhyzl screen(f.data(), f.services.platform());
    showActive(screen);
    typeIntoCell(gridOf(screen), 1, 0, QStringLiteral("001"));
    navigatorOf(screen)->button(NavButton::Post)->click();

    // The table keeps its member numbers unique: the save is refused and shown, and nothing is stored.
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QCOMPARE(stored(f, QStringLiteral("SELECT COUNT(*) FROM Customers WHERE Customers_id = '001'")).toInt(), 1);
    QCOMPARE(stored(f, QStringLiteral("SELECT Customers_name FROM Customers WHERE Customers_id = '002'")).toString(),
             QStringLiteral("乙"));
}

void MemberScreensTest::deletedMemberStaysInHistory()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    const QDateTime begin(QDate(2026, 12, 1), QTime(20, 0));
    addVisit(f, QStringLiteral("001"), begin, begin.addSecs(3600), QStringLiteral("结清"));
    f.start();
    {
        TFormhyzl screen(f.data(), f.services.platform());
        f.services.dialogs.answerNo(); // "Delete record?" Cancel
        navigatorOf(screen)->button(NavButton::Delete)->click();
        QCOMPARE(f.count(QStringLiteral("Customers")), 1);
        f.services.dialogs.answerYes();
        navigatorOf(screen)->button(NavButton::Delete)->click();
        QCOMPARE(f.services.dialogs.texts(ScriptedDialogs::Kind::ConfirmDelete),
                 QStringList({"Delete record?", "Delete record?"}));
    }
    QCOMPARE(f.count(QStringLiteral("Customers")), 0);
    TFormOpenroomHistory history(f.data(), f.services.platform());
    QCOMPARE(history.Query1()->recordCount(), 1);
    QCOMPARE(history.Query1()->text(QStringLiteral("Openroom_Customers_id")), QStringLiteral("001"));
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
}

void MemberScreensTest::memberQueryListsEveryMemberReadOnce()
{
    AppFixture f;
    f.addMember(QStringLiteral("002"), QStringLiteral("乙"));
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.start();
    TFormCustomersLocate query(f.data(), f.services.platform());
    showActive(query);
    QCOMPARE(query.objectName(), QStringLiteral("FormCustomersLocate"));
    QCOMPARE(query.windowTitle(), QStringLiteral("会员查询"));
    QAbstractItemModel *model = gridOf(query)->model();
    QCOMPARE(titles(model), QStringList({"会员编号", "会员姓名", "身份证号", "会员电话", "注册时间", "累计消费",
                                         "折扣率", "地址", "会员级别", "备注"}));
    // Every field is read; the last consumption time has no column.
    QCOMPARE(query.Query1()->fieldCount(), tables::customers().fields.size());
    QVERIFY(query.Query1()->columnOf(QStringLiteral("Customers_zjxfsj")) >= 0);

    // Natural order, first row current.
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("002"));
    QCOMPARE(query.Query1()->currentRow(), 0);
    QCOMPARE(gridOf(query)->currentIndex().row(), 0);

    const QList<NavButton> moves{NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last};
    const QStringList moveHints{"移动到第1条记录", "移动到上1条记录", "移动到下1条记录", "移动到最后1条记录"};
    for (NavButton b : DBNavigator::allButtons()) {
        const qsizetype i = moves.indexOf(b);
        QToolButton *button = navigatorOf(query)->button(b);
        QCOMPARE(bool(button), i >= 0);
        if (button)
            QCOMPARE(button->toolTip(), moveHints.at(i));
    }
    navigatorOf(query)->button(NavButton::Last)->click();
    QCOMPARE(query.Query1()->text(kId), QStringLiteral("001"));

    // Read once: a member registered meanwhile appears only when the screen is opened again.
    f.addMember(QStringLiteral("003"), QStringLiteral("丙"));
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(TFormCustomersLocate(f.data(), f.services.platform()).Query1()->recordCount(), 3);

    // Cells cannot be edited.
    for (int c = 0; c < model->columnCount(); ++c)
        QVERIFY(!(model->flags(model->index(0, c)) & Qt::ItemIsEditable));
    QVERIFY(!model->setData(model->index(0, 1), QStringLiteral("丁")));
    QCOMPARE(stored(f, QStringLiteral("SELECT Customers_name FROM Customers WHERE Customers_id = '002'")).toString(),
             QStringLiteral("乙"));
}

void MemberScreensTest::historyListsEveryVisit()
{
    AppFixture f;
    const QDateTime settledBegin(QDate(2026, 12, 1), QTime(20, 0));
    const QDateTime openBegin(QDate(2026, 12, 8), QTime(19, 30));
    addVisit(f, QStringLiteral("001"), settledBegin, settledBegin.addSecs(5400), QStringLiteral("结清"));
    addVisit(f, QStringLiteral("002"), openBegin, openBegin.addDays(-1)); // still open
    f.start();
    TFormOpenroomHistory history(f.data(), f.services.platform());
    showActive(history);
    QCOMPARE(history.objectName(), QStringLiteral("FormOpenroomHistory"));
    QCOMPARE(history.windowTitle(), QStringLiteral("消费历史"));
    QAbstractItemModel *model = gridOf(history)->model();
    QCOMPARE(titles(model), QStringList({"会员编号", "消费流水", "开始时间", "结束时间", "房间号", "备注"}));
    QCOMPARE(history.Query1()->fieldCount(), 6);
    QCOMPARE(model->rowCount(), 2);

    QCOMPARE(model->index(0, 5).data().toString(), QStringLiteral("结清"));
    // The open visit: an end time one day before its start and no settlement mark.
    QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("002"));
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("2"));
    history.Query1()->last();
    QCOMPARE(history.Query1()->dateTime(QStringLiteral("Openroom_endtime")), openBegin.addDays(-1));
    QVERIFY(history.Query1()->isNull(QStringLiteral("Openroom_beizhu")));
    QCOMPARE(model->index(1, 5).data().toString(), QString());

    for (int c = 0; c < model->columnCount(); ++c)
        QVERIFY(!(model->flags(model->index(1, c)) & Qt::ItemIsEditable));
    QVERIFY(navigatorOf(history)->button(NavButton::Next));
    QVERIFY(!navigatorOf(history)->button(NavButton::Delete));
}

QTEST_MAIN(MemberScreensTest)
#include "test_memberscreens.moc"
