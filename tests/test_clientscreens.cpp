#include "fakeagent.h"
#include "storefixture.h"
#include "support/scripted.h"

#include "clients/agentlink.h"
#include "clients/formclientsview.h"
#include "clients/formkhdkfpd.h"
#include "clients/formopenclients.h"
#include "store/datamodule.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"
#include "widgets/dbnavigator.h"

#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace ktv;

namespace {

const QString kHost = QStringLiteral("Clients_hostname");
const QString kRoom = QStringLiteral("Clients_room_id");
const QString kUsed = QStringLiteral("Clients_used");
const QString kOpenTime = QStringLiteral("Clients_lastopentime");
const QString kRunning = QStringLiteral("Clients_Running");
const QString kStopped = QStringLiteral("停止运行");
const QString kLoopback = QStringLiteral("127.0.0.1");

const QString kNoClients = QStringLiteral("没有客户端信息，请首先启动客户端电脑！");
const QString kClientStopped = QStringLiteral("客户端停止运行，请首先启动客户端电脑！");
const QString kConnected = QStringLiteral("连接成功");
const QString kConnectFailed = QStringLiteral("连接失败！");
const QString kConnectFirst = QStringLiteral("请首先连接客户端！");

const QByteArray kRestartBytes = QByteArray::fromHex("320d0a");
const QByteArray kShutDownBytes = QByteArray::fromHex("310d0a");

// A venue database with client PCs, a fake agent on loopback where the program looks for agents, the
// shared cursors, and scripted platform services.
struct ClientsFixture
{
    StoreFixture store;
    TestPlatform services;
    FakeAgent agent;
    std::unique_ptr<TDataModule1> data;

    ClientsFixture() { services.agentPort = agent.port(); }

    void addClient(const QString &host, const QString &ip, const QString &running = {}, const QString &room = {},
                   const QString &used = {})
    {
        store.addRecord(
            tables::clients(),
            {{kHost, host}, {QStringLiteral("Clients_ip"), ip}, {kRunning, running}, {kRoom, room}, {kUsed, used}});
    }

    void addVisit(const QString &room, const QString &mark = {})
    {
        const QDateTime begin = services.clock.now().addSecs(-3600);
        store.addRecord(tables::openroom(), {{QStringLiteral("Openroom_Customers_id"), QStringLiteral("0000001")},
                                             {QStringLiteral("Openroom_room_id"), room},
                                             {QStringLiteral("Openroom_begintime"), begin},
                                             {QStringLiteral("Openroom_endtime"), begin.addDays(-1)},
                                             {QStringLiteral("Openroom_beizhu"), mark}});
    }

    TDataModule1 &shared()
    {
        if (!data)
            data = std::make_unique<TDataModule1>(*store.db, services.clock);
        return *data;
    }

    // A field of a client PC as the table holds it now, read past every cursor of the test.
    QVariant stored(const QString &host, const QString &field)
    {
        QSqlQuery q =
            store.db->run(QStringLiteral("SELECT \"%1\" FROM Clients WHERE Clients_hostname = ?").arg(field), {host});
        return q.next() ? q.value(0) : QVariant(QStringLiteral("<no client>"));
    }

    // What another screen or a client agent does: one field of a client PC written through a cursor of its own.
    void writeElsewhere(const QString &host, const QString &field, const QVariant &value)
    {
        Cursor other(*store.db, tables::clients());
        other.open();
        QVERIFY(other.locate(kHost, host));
        other.edit();
        other.setValue(field, value);
        other.post();
    }

    QStringList messages() const { return services.dialogs.messages(); }
};

// The client browse and control window on the shared client cursor.
struct ViewFixture : ClientsFixture
{
    std::unique_ptr<TFormClientsView> view;

    TFormClientsView &open()
    {
        view = std::make_unique<TFormClientsView>(shared(), services.platform());
        return *view;
    }
    void select(const QString &host) { QVERIFY(data->TableClients->locate(kHost, host)); }
    AgentLink &link() { return *view->TcpClient1(); }
};

QStringList columnTitles(DBGrid *grid)
{
    QStringList titles;
    for (int i = 0; i < grid->model()->columnCount(); ++i)
        titles << grid->model()->headerData(i, Qt::Horizontal).toString();
    return titles;
}

QStringList hints(DBNavigator *navigator)
{
    QStringList shown;
    for (NavButton b : DBNavigator::allButtons()) {
        if (QToolButton *button = navigator->button(b))
            shown << button->toolTip();
    }
    return shown;
}

DBEdit *box(QWidget *screen, const char *name)
{
    auto *found = screen->findChild<DBEdit *>(QLatin1String(name));
    if (!found)
        qWarning("no box %s", name);
    return found;
}

void showActive(QWidget &w)
{
    w.resize(900, 600);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace

class ClientScreensTest : public QObject
{
    Q_OBJECT

private slots:
    // Client browse and control.
    void viewControls();
    void emptyTableAsksToStartClients();
    void stoppedClientIsNotConnected();
    void emptyAddressConnectsNothing();
    void restartArrivesAfterConnectedBoxIsClosed();
    void shutDownWithNothingListening();
    void connectThenShutDownOnTheSameClient();
    void connectThenCommandOnStoppedClient();
    void commandAfterCommandOnStoppedClient();
    void closingTheWindowClosesTheLink();
    void unreachableClientGivesUp();
    void silentNameServerGivesUp();
    void addressTakenWholeOrRefused_data();
    void addressTakenWholeOrRefused();
    void restartReachesAFifteenCharacterAddress();
    void commandOnEmptyAddressAfterConnect();
    void viewTimerSavesAndRereads();

    // Pairing.
    void pairingControls();
    void pairingWithNoClients();
    void pairingSavedOnlyByPostOrMove_data();
    void pairingSavedOnlyByPostOrMove();
    void pairingWithNoRoomsKeepsTheRoom();

    // Activation.
    void activationControls();
    void activationMarksAndStampsOnce_data();
    void activationMarksAndStampsOnce();
    void activationAfterCheckOutRenewsTheTime();
    void activationWithoutClientCreatesNothing();
    void clientListFollowsTheVisit();
    void typedValueSavedByTheRefresh();
    void navigatorFollowsTheFocus();
};

// ---- Client browse and control -------------------------------------------------------------------------

void ClientScreensTest::viewControls()
{
    ViewFixture f;
    TFormClientsView &v = f.open();
    QCOMPARE(v.objectName(), QStringLiteral("FormClientsView"));
    QCOMPARE(v.windowTitle(), QStringLiteral("客户端浏览"));
    QCOMPARE(v.BitBtn1()->text(), QStringLiteral("&C连接客户端"));
    QCOMPARE(v.BitBtnRebootClient()->text(), QStringLiteral("&R提示重启客户机"));
    QCOMPARE(v.BitBtnCloseClient()->text(), QStringLiteral("&S提示关闭客户机"));
    QCOMPARE(v.navigator()->objectName(), QStringLiteral("DBNavigator"));
    QCOMPARE(v.navigator()->dataSource(), f.data->DataSourceClients);
    QCOMPARE(hints(v.navigator()), (QStringList{QStringLiteral("移动到第1条记录"), QStringLiteral("移动到上1条记录"),
                                                QStringLiteral("移动到下1条记录"), QStringLiteral("移动到最后1条记录"),
                                                QStringLiteral("删除当前记录"), QStringLiteral("刷新数据")}));
    QCOMPARE(v.DBGrid1()->objectName(), QStringLiteral("DBGrid1"));
    QCOMPARE(v.DBGrid1()->cursorModel()->dataSource(), f.data->DataSourceClients);
    QCOMPARE(columnTitles(v.DBGrid1()),
             (QStringList{QStringLiteral("客户端mac地址"), QStringLiteral("客户端IP地址"), QStringLiteral("客户端网关"),
                          QStringLiteral("客户端主机名"), QStringLiteral("客户端所在房间号"),
                          QStringLiteral("客户端是否开通"), QStringLiteral("客户端最近开机时间"),
                          QStringLiteral("客户端最近关机时间"), QStringLiteral("主机是否在运行中")}));
    QCOMPARE(v.TcpClient1()->port(), f.agent.port());
    QCOMPARE(v.Timer1()->interval(), 1000);
    v.show();
    QVERIFY(v.Timer1()->isActive());
    v.reject();
    QVERIFY(!v.Timer1()->isActive());
}

void ClientScreensTest::emptyTableAsksToStartClients()
{
    ViewFixture f;
    f.open().BitBtnRebootClient()->click();
    QCOMPARE(f.messages(), (QStringList{kNoClients, kConnectFirst}));
    QVERIFY(!f.link().hasSocket());
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
}

void ClientScreensTest::stoppedClientIsNotConnected()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), kLoopback, kStopped);
    f.open().BitBtn1()->click();
    QCOMPARE(f.messages(), QStringList{kClientStopped});
    QVERIFY(!f.link().hasSocket());
    QVERIFY(!f.link().attempted());
    QCOMPARE(f.agent.connectionCount(), 0);
}

void ClientScreensTest::emptyAddressConnectsNothing()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), QString(), QStringLiteral("运行中"));
    TFormClientsView &v = f.open();
    v.BitBtn1()->click();
    QVERIFY(f.messages().isEmpty());
    v.BitBtnCloseClient()->click();
    QCOMPARE(f.messages(), QStringList{kConnectFirst});
    QVERIFY(!f.link().hasSocket());
    QCOMPARE(f.agent.connectionCount(), 0);
}

void ClientScreensTest::restartArrivesAfterConnectedBoxIsClosed()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), kLoopback);
    TFormClientsView &v = f.open();
    // While "连接成功" is on screen the agent holds an open, silent connection.
    bool silentWhileShown = false;
    f.services.dialogs.onEntry([&](const ScriptedDialogs::Entry &entry) {
        if (entry.text != kConnected)
            return;
        silentWhileShown = QTest::qWaitFor([&] { return f.agent.connectionCount() == 1; }) &&
                           f.agent.connection(0).bytes.isEmpty() && !f.agent.connection(0).ended;
    });
    v.BitBtnRebootClient()->click();
    QCOMPARE(f.messages(), QStringList{kConnected});
    QVERIFY(silentWhileShown);
    QVERIFY(!f.link().hasSocket());
    QVERIFY(f.link().attempted()); // the mark outlives the link
    QTRY_VERIFY(f.agent.connectionCount() == 1 && f.agent.connection(0).ended);
    QCOMPARE(f.agent.connection(0).bytes, kRestartBytes);
    QCOMPARE(f.agent.connectionCount(), 1);
}

void ClientScreensTest::shutDownWithNothingListening()
{
    ViewFixture f;
    f.services.agentPort = FakeAgent::closedPort();
    f.addClient(QStringLiteral("A"), kLoopback);
    TFormClientsView &v = f.open();
    v.BitBtnCloseClient()->click();
    QCOMPARE(f.messages(), QStringList{kConnectFailed});
    QCOMPARE(f.link().lastAttempts(), 2);
    QVERIFY(!f.link().hasSocket());
    QVERIFY(f.link().attempted());
}

void ClientScreensTest::connectThenShutDownOnTheSameClient()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), kLoopback);
    TFormClientsView &v = f.open();
    v.BitBtn1()->click();
    QVERIFY(f.link().isConnected());
    QTRY_COMPARE(f.agent.connectionCount(), 1);
    v.BitBtnCloseClient()->click();
    QCOMPARE(f.messages(), (QStringList{kConnected, kConnected}));
    QTRY_VERIFY(f.agent.connectionCount() == 2 && f.agent.connection(0).ended && f.agent.connection(1).ended);
    QVERIFY(f.agent.connection(0).bytes.isEmpty());
    QCOMPARE(f.agent.connection(1).bytes, kShutDownBytes);
}

void ClientScreensTest::connectThenCommandOnStoppedClient()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), kLoopback);
    f.addClient(QStringLiteral("B"), kLoopback, kStopped);
    TFormClientsView &v = f.open();
    f.select(QStringLiteral("A"));
    v.BitBtn1()->click();
    f.select(QStringLiteral("B"));
    v.BitBtnRebootClient()->click();
    QCOMPARE(f.messages(), (QStringList{kConnected, kClientStopped}));
    QVERIFY(!f.link().hasSocket());
    QTRY_VERIFY(f.agent.connectionCount() == 1 && f.agent.connection(0).ended);
    QVERIFY(f.agent.connection(0).bytes.isEmpty());
}

void ClientScreensTest::commandAfterCommandOnStoppedClient()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), kLoopback);
    f.addClient(QStringLiteral("B"), kLoopback, kStopped);
    TFormClientsView &v = f.open();
    f.select(QStringLiteral("A"));
    v.BitBtnRebootClient()->click();
    f.select(QStringLiteral("B"));
    v.BitBtnCloseClient()->click();
    QCOMPARE(f.messages(), (QStringList{kConnected, kClientStopped}));
    QTRY_VERIFY(f.agent.connectionCount() == 1 && f.agent.connection(0).ended);
    QCOMPARE(f.agent.connection(0).bytes, kRestartBytes);
}

void ClientScreensTest::closingTheWindowClosesTheLink()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), kLoopback);
    TFormClientsView &v = f.open();
    v.show();
    v.BitBtn1()->click();
    QVERIFY(f.link().isConnected());
    v.close();
    QVERIFY(!f.link().hasSocket());
    QTRY_VERIFY(f.agent.connectionCount() == 1 && f.agent.connection(0).ended);
    QVERIFY(f.agent.connection(0).bytes.isEmpty());

    // Destroying a window that still holds a connection closes it as well.
    f.open().BitBtn1()->click();
    f.view.reset();
    QTRY_VERIFY(f.agent.connectionCount() == 2 && f.agent.connection(1).ended);
    QVERIFY(f.agent.connection(1).bytes.isEmpty());
}

void ClientScreensTest::unreachableClientGivesUp()
{
    ViewFixture f;
    StalledListener listener;
    if (!listener.isReady())
        QSKIP("this system answers every connect on loopback");
    f.services.agentPort = listener.port();
    f.addClient(QStringLiteral("A"), kLoopback);
    TFormClientsView &v = f.open();
    QCOMPARE(f.link().attemptTimeout(), AgentLink::kAttemptTimeoutMs);
    f.link().setAttemptTimeout(200);
    v.BitBtnRebootClient()->click();
    QCOMPARE(f.messages(), QStringList{kConnectFailed});
    QCOMPARE(f.link().lastAttempts(), 2);
    QVERIFY(!f.link().hasSocket());
}

// A client PC known by a name the name server never answers: the step gives up with "连接失败！", and the
// window cannot be closed from under the wait.
void ClientScreensTest::silentNameServerGivesUp()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), QStringLiteral("room101"));
    f.services.resolver.stall(QStringLiteral("room101"));
    TFormClientsView &v = f.open();
    v.show();
    f.link().setAttemptTimeout(50);
    f.services.resolver.onLookUp([&v](const QString &) { v.close(); });
    v.BitBtnRebootClient()->click();
    QCOMPARE(f.messages(), QStringList{kConnectFailed});
    QCOMPARE(f.services.resolver.asked(), (QStringList{QStringLiteral("room101"), QStringLiteral("room101")}));
    QVERIFY(v.isVisible());
    QVERIFY(!f.link().hasSocket());
    QCOMPARE(f.agent.connectionCount(), 0);
}

void ClientScreensTest::addressTakenWholeOrRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("taken");
    QTest::newRow("15 characters") << QStringLiteral("127.100.100.101") << true;
    QTest::newRow("16 characters") << QStringLiteral("127.100.100.1011") << false;
    QTest::newRow("16 bytes of Chinese") << QStringLiteral("一号包厢电脑主机") << false;
}

// An address typed into the pairing window is saved whole, or refused naming the field; it is never cut into
// another PC's address.
void ClientScreensTest::addressTakenWholeOrRefused()
{
    QFETCH(QString, typed);
    QFETCH(bool, taken);
    ClientsFixture f;
    f.addClient(QStringLiteral("X"), kLoopback);
    Tformkhdkfpd p(f.shared(), f.services.platform());
    showActive(p);
    QLineEdit *address = box(&p, "EditClients_ip")->lineEdit();
    address->setFocus();
    QTRY_VERIFY(address->hasFocus());
    address->selectAll();
    QInputMethodEvent typing;
    typing.setCommitString(typed);
    QApplication::sendEvent(address, &typing);
    QTest::keyClick(address, Qt::Key_Return);
    p.navigator()->button(NavButton::Post)->click();
    QCOMPARE(f.stored(QStringLiteral("X"), QStringLiteral("Clients_ip")).toString(), taken ? typed : kLoopback);
    const QStringList errors = f.services.dialogs.errors();
    QCOMPARE(errors.size(), taken ? 0 : 1);
    if (!taken)
        QVERIFY2(errors.first().contains(QStringLiteral("Clients_ip")), qPrintable(errors.first()));
}

// The command goes to the address as the client PC wrote it, all fifteen characters of it.
void ClientScreensTest::restartReachesAFifteenCharacterAddress()
{
    ViewFixture f;
    FakeAgent agent(QHostAddress(QStringLiteral("127.100.100.101")));
    if (!agent.isListening())
        QSKIP("this system listens on 127.0.0.1 only");
    f.services.agentPort = agent.port();
    f.addClient(QStringLiteral("A"), QStringLiteral("127.100.100.101"));
    f.open().BitBtnRebootClient()->click();
    QCOMPARE(f.messages(), QStringList{kConnected});
    QTRY_VERIFY(agent.connectionCount() == 1 && agent.connection(0).ended);
    QCOMPARE(agent.connection(0).bytes, kRestartBytes);
}

// Step 3 of the connect step closes A's link and clears the mark before the empty address stops it.
void ClientScreensTest::commandOnEmptyAddressAfterConnect()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), kLoopback);
    f.addClient(QStringLiteral("B"), QString());
    TFormClientsView &v = f.open();
    f.select(QStringLiteral("A"));
    v.BitBtn1()->click();
    f.select(QStringLiteral("B"));
    v.BitBtnCloseClient()->click();
    QCOMPARE(f.messages(), (QStringList{kConnected, kConnectFirst}));
    QVERIFY(!f.link().hasSocket());
    QVERIFY(!f.link().attempted());
    QTRY_VERIFY(f.agent.connectionCount() == 1 && f.agent.connection(0).ended);
    QVERIFY(f.agent.connection(0).bytes.isEmpty());
}

void ClientScreensTest::viewTimerSavesAndRereads()
{
    ViewFixture f;
    f.addClient(QStringLiteral("A"), kLoopback);
    f.addClient(QStringLiteral("B"), kLoopback);
    TFormClientsView &v = f.open();
    showActive(v);
    f.select(QStringLiteral("A"));

    // A cell half typed into is written and saved by the tick.
    DBGrid *grid = v.DBGrid1();
    const int row = f.data->TableClients->currentDisplayRow();
    grid->setCurrentIndex(grid->model()->index(row, 4));
    grid->edit(grid->currentIndex());
    auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
    QVERIFY(editor);
    editor->setText(QStringLiteral("305"));
    // Meanwhile an agent reports its PC stopped.
    f.writeElsewhere(QStringLiteral("B"), kRunning, kStopped);

    v.Timer1Timer();
    QCOMPARE(f.stored(QStringLiteral("A"), kRoom).toString(), QStringLiteral("305"));
    QVERIFY(!f.data->TableClients->isEditing());
    f.select(QStringLiteral("B"));
    QCOMPARE(f.data->TableClients->text(kRunning), kStopped);
}

// ---- Pairing -------------------------------------------------------------------------------------------

void ClientScreensTest::pairingControls()
{
    ClientsFixture f;
    Tformkhdkfpd p(f.shared(), f.services.platform());
    QCOMPARE(p.objectName(), QStringLiteral("formkhdkfpd"));
    QCOMPARE(p.windowTitle(), QStringLiteral("客户端与客房配对"));
    QCOMPARE(p.BitBtn1()->text(), QStringLiteral("&T配对"));
    QVERIFY(p.Table1()->isOpen());
    QVERIFY(p.Table2()->isOpen());
    QVERIFY(p.Table1() != f.data->TableClients); // cursors of its own
    QCOMPARE(hints(p.navigator()).size(), 10);
    QCOMPARE(hints(p.navigator()).at(4), QStringLiteral("插入1条新记录"));
    QCOMPARE(p.navigator()->dataSource()->cursor(), p.Table1());
    const QList<std::pair<const char *, QString>> boxes{{"EditClients_ip", QStringLiteral("IP地址")},
                                                        {"EditClients_hostname", QStringLiteral("主机名")},
                                                        {"EditClients_room_id", QStringLiteral("所在房间号")},
                                                        {"EditClients_lastopentime", QStringLiteral("最近开机时间")}};
    for (const auto &[name, label] : boxes) {
        DBEdit *b = box(&p, name);
        QVERIFY(b);
        QCOMPARE(b->label()->text(), label);
        QCOMPARE(b->dataSource()->cursor(), p.Table1());
    }
    QCOMPARE(p.DBGridroom()->objectName(), QStringLiteral("DBGridroom"));
    QCOMPARE(columnTitles(p.DBGridroom()), (QStringList{QStringLiteral("房间编号"), QStringLiteral("房间设施"),
                                                        QStringLiteral("房间收费标准"), QStringLiteral("房间备注")}));
}

void ClientScreensTest::pairingWithNoClients()
{
    ClientsFixture f;
    f.store.addRoom(QStringLiteral("205"));
    Tformkhdkfpd p(f.shared(), f.services.platform());
    p.BitBtn1()->click();
    QCOMPARE(f.messages(), QStringList{QStringLiteral("没有客户端信息")});
    QVERIFY(!p.Table1()->isEditing());
    QCOMPARE(f.store.count(QStringLiteral("Clients")), 0);
}

void ClientScreensTest::pairingSavedOnlyByPostOrMove_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("expected");
    QTest::newRow("closed without saving") << QStringLiteral("close") << QStringLiteral("101");
    QTest::newRow("cancel") << QStringLiteral("cancel") << QStringLiteral("101");
    QTest::newRow("post") << QStringLiteral("post") << QStringLiteral("205");
    QTest::newRow("move") << QStringLiteral("move") << QStringLiteral("205");
}

void ClientScreensTest::pairingSavedOnlyByPostOrMove()
{
    QFETCH(QString, how);
    QFETCH(QString, expected);
    ClientsFixture f;
    f.store.addRoom(QStringLiteral("101"));
    f.store.addRoom(QStringLiteral("205"));
    f.addClient(QStringLiteral("X"), kLoopback, {}, QStringLiteral("101"));
    f.addClient(QStringLiteral("Y"), kLoopback, {}, QStringLiteral("102"));
    {
        Tformkhdkfpd p(f.shared(), f.services.platform());
        QCOMPARE(p.Table1()->text(kHost), QStringLiteral("X")); // by room: 101 before 102
        QVERIFY(p.Table2()->locate(QStringLiteral("Room_id"), QStringLiteral("205")));
        p.BitBtn1()->click();
        QVERIFY(p.Table1()->isEditing());
        QCOMPARE(box(&p, "EditClients_room_id")->text(), QStringLiteral("205"));
        QCOMPARE(f.stored(QStringLiteral("X"), kRoom).toString(), QStringLiteral("101"));
        if (how == QLatin1String("post"))
            p.navigator()->button(NavButton::Post)->click();
        else if (how == QLatin1String("cancel"))
            p.navigator()->button(NavButton::Cancel)->click();
        else if (how == QLatin1String("move"))
            p.navigator()->button(NavButton::Next)->click();
        if (how == QLatin1String("post") || how == QLatin1String("move")) {
            // Saved, X takes its place after Y in the list by room.
            p.Table1()->first();
            QCOMPARE(p.Table1()->text(kHost), QStringLiteral("Y"));
        }
    }
    QCOMPARE(f.stored(QStringLiteral("X"), kRoom).toString(), expected);
    QVERIFY(f.services.dialogs.all().isEmpty());
}

void ClientScreensTest::pairingWithNoRoomsKeepsTheRoom()
{
    ClientsFixture f;
    f.addClient(QStringLiteral("X"), kLoopback, {}, QStringLiteral("101"));
    Tformkhdkfpd p(f.shared(), f.services.platform());
    p.BitBtn1()->click();
    QVERIFY(!p.Table1()->isEditing());
    QCOMPARE(p.Table1()->text(kRoom), QStringLiteral("101"));
    QVERIFY(f.services.dialogs.all().isEmpty());
}

// ---- Activation ----------------------------------------------------------------------------------------

void ClientScreensTest::activationControls()
{
    ClientsFixture f;
    TFormOpenClients a(f.shared(), f.services.platform());
    QCOMPARE(a.objectName(), QStringLiteral("FormOpenClients"));
    QCOMPARE(a.windowTitle(), QStringLiteral("开通客户端"));
    QCOMPARE(a.BitBtnOpenClients()->text(), QStringLiteral("&O开通登记"));
    QVERIFY(a.Table1()->isOpen());
    QVERIFY(a.Table2()->isOpen());
    QCOMPARE(a.Table2()->master(), a.Table1());
    QCOMPARE(a.navigator()->dataSource(), a.DataSource1());
    QCOMPARE(hints(a.navigator()),
             (QStringList{QStringLiteral("移动到第1条记录"), QStringLiteral("移动到上1条记录"),
                          QStringLiteral("移动到下1条记录"), QStringLiteral("移动到最后1条记录"),
                          QStringLiteral("保存修改"), QStringLiteral("作废修改"), QStringLiteral("刷新数据")}));
    QCOMPARE(columnTitles(a.DBGrid1()),
             (QStringList{QStringLiteral("开房流水号"), QStringLiteral("开房客户号"), QStringLiteral("开房房间号"),
                          QStringLiteral("开房开始时间"), QStringLiteral("开房结束时间"), QStringLiteral("备注")}));
    QStringList editable;
    for (const GridColumn &c : a.DBGrid1()->cursorModel()->columns()) {
        if (!c.readOnly)
            editable << c.field;
    }
    QCOMPARE(editable, (QStringList{QStringLiteral("Openroom_endtime"), QStringLiteral("Openroom_beizhu")}));
    const QList<std::pair<const char *, QString>> boxes{{"EditClients_ip", QStringLiteral("客户端IP地址")},
                                                        {"EditClients_hostname", QStringLiteral("主机名")},
                                                        {"EditClients_room_id", QStringLiteral("所在房间号")},
                                                        {"EditClients_used", QStringLiteral("是否开通")},
                                                        {"EditClients_lastopentime", QStringLiteral("最近开机时间")},
                                                        {"EditClients_lastclosetime", QStringLiteral("最近关机时间")},
                                                        {"EditClients_Running", QStringLiteral("主机是否在运行中")}};
    for (const auto &[name, label] : boxes) {
        DBEdit *b = box(&a, name);
        QVERIFY(b);
        QCOMPARE(b->label()->text(), label);
        QCOMPARE(b->dataSource(), a.DataSource2());
        QCOMPARE(b->isReadOnly(), label == QStringLiteral("最近开机时间"));
    }
    QCOMPARE(a.Timer1()->interval(), 2000);
    QVERIFY(!a.Timer1()->isActive());
    a.show();
    QVERIFY(a.Timer1()->isActive());
    a.reject();
    QVERIFY(!a.Timer1()->isActive());
}

void ClientScreensTest::activationMarksAndStampsOnce_data()
{
    QTest::addColumn<QString>("visitMark");
    QTest::addColumn<QString>("used");
    QTest::newRow("open visit, not activated") << QString() << tables::no;
    QTest::newRow("settled visit") << QStringLiteral("结清") << tables::no;
    QTest::newRow("flag empty") << QStringLiteral("还没付费") << QString();
}

void ClientScreensTest::activationMarksAndStampsOnce()
{
    QFETCH(QString, visitMark);
    QFETCH(QString, used);
    ClientsFixture f;
    f.addClient(QStringLiteral("X"), kLoopback, {}, QStringLiteral("101"), used);
    f.addVisit(QStringLiteral("101"), visitMark);
    const QDateTime first(QDate(2026, 12, 8), QTime(20, 15, 30, 123));
    f.services.clock.set(first);
    TFormOpenClients a(f.shared(), f.services.platform());
    QCOMPARE(a.Table2()->text(kHost), QStringLiteral("X"));

    a.BitBtnOpenClients()->click();
    QCOMPARE(f.stored(QStringLiteral("X"), kUsed).toString(), tables::yes);
    QCOMPARE(a.Table2()->dateTime(kOpenTime), first); // to the millisecond
    QVERIFY(!a.Table2()->isEditing());

    f.services.clock.advance(60000);
    a.BitBtnOpenClients()->click();
    Cursor check(*f.store.db, tables::clients());
    check.open();
    QCOMPARE(check.dateTime(kOpenTime), first);
    QVERIFY(f.services.dialogs.all().isEmpty());
}

void ClientScreensTest::activationAfterCheckOutRenewsTheTime()
{
    ClientsFixture f;
    f.addClient(QStringLiteral("X"), kLoopback, {}, QStringLiteral("101"), tables::no);
    f.addVisit(QStringLiteral("101"));
    TFormOpenClients a(f.shared(), f.services.platform());
    a.BitBtnOpenClients()->click();
    const QDateTime first = f.services.clock.now();

    f.writeElsewhere(QStringLiteral("X"), kUsed, tables::no); // check-out releases the PC
    f.services.clock.advance(3600 * 1000);
    a.Timer1Timer();
    QCOMPARE(a.Table2()->text(kUsed), tables::no);
    a.BitBtnOpenClients()->click();
    QCOMPARE(f.stored(QStringLiteral("X"), kUsed).toString(), tables::yes);
    QCOMPARE(a.Table2()->dateTime(kOpenTime), first.addSecs(3600));
}

void ClientScreensTest::activationWithoutClientCreatesNothing()
{
    ClientsFixture f;
    f.addClient(QStringLiteral("X"), kLoopback, {}, QStringLiteral("101"), tables::no);
    f.addVisit(QStringLiteral("102"));
    TFormOpenClients a(f.shared(), f.services.platform());
    QVERIFY(a.Table2()->isEmpty());
    a.BitBtnOpenClients()->click();
    a.Timer1Timer();
    QCOMPARE(f.store.count(QStringLiteral("Clients")), 1);
    QCOMPARE(f.stored(QStringLiteral("X"), kUsed).toString(), tables::no);
    QVERIFY(!a.Table2()->isEditing());
    QVERIFY(f.services.dialogs.all().isEmpty());
}

void ClientScreensTest::clientListFollowsTheVisit()
{
    ClientsFixture f;
    f.addClient(QStringLiteral("X"), kLoopback, {}, QStringLiteral("101"));
    f.addClient(QStringLiteral("Y"), kLoopback, {}, QStringLiteral("102"));
    f.addClient(QStringLiteral("Z"), kLoopback, {}, QStringLiteral("102"));
    f.addVisit(QStringLiteral("101"), QStringLiteral("结清"));
    f.addVisit(QStringLiteral("102"));
    TFormOpenClients a(f.shared(), f.services.platform());
    QCOMPARE(a.Table1()->recordCount(), 2); // settled visits are listed too
    QCOMPARE(a.Table2()->recordCount(), 1);
    a.Table1()->next();
    QCOMPARE(a.Table2()->recordCount(), 2);
    QCOMPARE(a.Table2()->text(kRoom), QStringLiteral("102"));
}

void ClientScreensTest::typedValueSavedByTheRefresh()
{
    ClientsFixture f;
    f.addClient(QStringLiteral("X"), kLoopback, QStringLiteral("运行中"), QStringLiteral("101"));
    f.addVisit(QStringLiteral("101"));
    TFormOpenClients a(f.shared(), f.services.platform());
    showActive(a);
    QLineEdit *running = box(&a, "EditClients_Running")->lineEdit();
    running->setFocus();
    QTRY_VERIFY(running->hasFocus());
    running->selectAll();
    QInputMethodEvent typing; // Chinese text arrives through the input method
    typing.setCommitString(kStopped);
    QApplication::sendEvent(running, &typing);
    QCOMPARE(f.stored(QStringLiteral("X"), kRunning).toString(), QStringLiteral("运行中"));
    a.Timer1Timer();
    QCOMPARE(f.stored(QStringLiteral("X"), kRunning).toString(), kStopped);
    QVERIFY(!a.Table2()->isEditing());
    QCOMPARE(running->text(), kStopped);
}

void ClientScreensTest::navigatorFollowsTheFocus()
{
    ClientsFixture f;
    f.addClient(QStringLiteral("X"), kLoopback, {}, QStringLiteral("101"));
    f.addVisit(QStringLiteral("101"));
    TFormOpenClients a(f.shared(), f.services.platform());
    showActive(a);
    const auto focus = [](QWidget *w) {
        w->setFocus();
        QTRY_VERIFY(w->hasFocus());
    };
    focus(box(&a, "EditClients_ip")->lineEdit());
    QCOMPARE(a.navigator()->dataSource(), a.DataSource2());
    focus(box(&a, "EditClients_hostname")->lineEdit());
    QCOMPARE(a.navigator()->dataSource(), a.DataSource2());
    focus(a.DBGrid1());
    QCOMPARE(a.navigator()->dataSource(), a.DataSource1());
    focus(box(&a, "EditClients_Running")->lineEdit());
    QCOMPARE(a.navigator()->dataSource(), a.DataSource1());
}

QTEST_MAIN(ClientScreensTest)
#include "test_clientscreens.moc"
