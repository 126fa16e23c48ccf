#include "storefixture.h"
#include "support/scripted.h"

#include "agent/agentconnection.h"
#include "agent/agentoptions.h"
#include "agent/agentserver.h"
#include "agent/commandwords.h"
#include "agent/launch.h"
#include "clients/agentlink.h"
#include "clients/formclientsview.h"
#include "store/datamodule.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace ktv;

namespace {

const QString kRestartLine = QStringLiteral("restart-this-pc now");
const QString kShutDownLine = QStringLiteral("power-off now");

const QHostAddress kOtherAddress(QStringLiteral("127.0.0.2")); // Linux routes all of 127/8 to loopback

// The agent on loopback at a port the system chooses, with the command lines it would start recorded
// instead of started, on a clock the test moves.
struct AgentFixture
{
    AgentSettings settings;
    QStringList started;
    QStringList log;
    qint64 nowMs = 0;
    std::unique_ptr<AgentServer> server;

    AgentFixture()
    {
        settings.port = 0;
        settings.listen = QHostAddress(QHostAddress::LocalHost);
        settings.onRestart = kRestartLine;
        settings.onShutdown = kShutDownLine;
    }

    bool start()
    {
        server = std::make_unique<AgentServer>(
            settings,
            [this](const QString &line) {
                started << line;
                return true;
            },
            [this](const QString &line) { log << line; }, [this] { return nowMs; });
        return server->listen();
    }

    // A connection from the address given, to the agent, that sends nothing.
    std::unique_ptr<QTcpSocket> silentPeer(const QHostAddress &from)
    {
        auto peer = std::make_unique<QTcpSocket>();
        if (!peer->bind(from))
            return nullptr;
        peer->connectToHost(QHostAddress::LocalHost, server->port());
        if (!peer->waitForConnected(5000))
            return nullptr;
        return peer;
    }

    QStringList logFrom(const QHostAddress &peer) const
    {
        return log.filter(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(peer.toString()) +
                                             QStringLiteral(": ")));
    }

    // Sends the restart command as the cashier's window does, from 127.0.0.1.
    bool restartFromCashier()
    {
        ScriptedResolver resolver;
        AgentLink link(resolver, server->port());
        if (!link.connectTo(QStringLiteral("127.0.0.1")))
            return false;
        link.write(agentCommandBytes(AgentCommand::Restart));
        link.close();
        return true;
    }

    // Sends the bytes on a connection of its own and waits until the agent has closed it.
    bool send(const QByteArray &bytes, bool end = true)
    {
        QSignalSpy closed(server.get(), &AgentServer::connectionClosed);
        QTcpSocket peer;
        peer.connectToHost(QHostAddress::LocalHost, server->port());
        if (!peer.waitForConnected(5000))
            return false;
        peer.write(bytes);
        if (end)
            peer.disconnectFromHost();
        return closed.wait(5000);
    }
};

} // namespace

class AgentTest : public QObject
{
    Q_OBJECT

private slots:
    void restartFromTheCashierWindowRunsOnce();
    void onlyACommandRuns_data();
    void onlyACommandRuns();
    void connectionFromAnotherAddressIsClosedAtOnce_data();
    void connectionFromAnotherAddressIsClosedAtOnce();
    void silentPeersCannotShutOutTheCashier_data();
    void silentPeersCannotShutOutTheCashier();
    void silentConnectionClosedWhenIdle();
    void connectionsBeyondTheLimitAreClosed();
    void listensAtTheAddressGiven();
    void commandLineIsStarted();
    void commandWordsSplitAsAShellWould_data();
    void commandWordsSplitAsAShellWould();
    void options_data();
    void options();
};

// The program's own window sends "2" to the agent: the restart command line is started once.
void AgentTest::restartFromTheCashierWindowRunsOnce()
{
    AgentFixture agent;
    QVERIFY(agent.start());
    StoreFixture store;
    store.addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QStringLiteral("127.0.0.1")}});
    TestPlatform services;
    services.agentPort = agent.server->port();
    TDataModule1 data(*store.db, services.clock);
    TFormClientsView view(data, services.platform());
    QSignalSpy closed(agent.server.get(), &AgentServer::connectionClosed);
    view.BitBtnRebootClient()->click();
    QCOMPARE(services.dialogs.messages(), QStringList{QStringLiteral("连接成功")});
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(agent.started, QStringList{kRestartLine});
    QCOMPARE(agent.server->openConnections(), 0);
}

void AgentTest::onlyACommandRuns_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("started");
    QTest::newRow("shut down") << QByteArray("1\r\n") << QStringList{kShutDownLine};
    QTest::newRow("command, then anything") << QByteArray("2\r\nrm -rf /\r\n") << QStringList{kRestartLine};
    QTest::newRow("unknown digit") << QByteArray("3\r\n") << QStringList();
    QTest::newRow("two digits") << QByteArray("22\r\n") << QStringList();
    QTest::newRow("bare line feed") << QByteArray("2\n") << QStringList();
    QTest::newRow("no line end") << QByteArray("2") << QStringList();
    QTest::newRow("empty line first") << QByteArray("\r\n2\r\n") << QStringList();
    QTest::newRow("text") << QByteArray("restart\r\n") << QStringList();
    QTest::newRow("flood") << QByteArray(4 << 20, '2') << QStringList();
}

// Anything but a command's three bytes at the start of a connection starts nothing.
void AgentTest::onlyACommandRuns()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, started);
    AgentFixture agent;
    QVERIFY(agent.start());
    QVERIFY(agent.send(bytes));
    QCOMPARE(agent.started, started);
    if (started.isEmpty()) {
        QVERIFY(agent.log.last().endsWith(QStringLiteral("sent no command; ignored")));
        // Again within the minute: told with the others once the minute is up, not now.
        const qsizetype lines = agent.log.size();
        QVERIFY(agent.send(bytes));
        QCOMPARE(agent.log.size(), lines);
    }
}

void AgentTest::connectionFromAnotherAddressIsClosedAtOnce_data()
{
    QTest::addColumn<QString>("allow");
    QTest::addColumn<bool>("runs");
    QTest::newRow("only another cashier PC") << QStringLiteral("127.0.0.2") << false;
    QTest::newRow("this one among others") << QStringLiteral("127.0.0.2,127.0.0.1") << true;
}

void AgentTest::connectionFromAnotherAddressIsClosedAtOnce()
{
    QFETCH(QString, allow);
    QFETCH(bool, runs);
    AgentFixture agent;
    agent.settings.allowed =
        parseAgentOptions({QStringLiteral("ktv-agent"), QStringLiteral("--allow"), allow}).settings.allowed;
    QVERIFY(agent.start());
    QSignalSpy closed(agent.server.get(), &AgentServer::connectionClosed);
    QSignalSpy refused(agent.server.get(), &AgentServer::connectionRefused);
    QVERIFY(agent.restartFromCashier());
    QTRY_COMPARE(closed.count() + refused.count(), 1);
    QCOMPARE(agent.started, runs ? QStringList{kRestartLine} : QStringList());
    if (!runs) {
        QCOMPARE(refused.count(), 1);
        QCOMPARE(agent.log.last(), QStringLiteral("127.0.0.1: connection closed at once: address not in --allow"));
    }
}

void AgentTest::silentPeersCannotShutOutTheCashier_data()
{
    QTest::addColumn<QString>("allow");
    QTest::addColumn<int>("kept"); // of the other address's connections
    QTest::addColumn<QString>("reason");
    QTest::newRow("other address outside --allow")
        << QStringLiteral("127.0.0.1") << 0 << QStringLiteral("address not in --allow");
    QTest::newRow("any address allowed") << QString() << int(AgentServer::kMaxPerAddress)
                                         << QStringLiteral("4 already open from this address");
}

// Sixteen silent connections from one address, as many as the agent keeps in all: the cashier's restart still
// gets through, and the log tells of the closed ones once a minute, with their number.
void AgentTest::silentPeersCannotShutOutTheCashier()
{
    QFETCH(QString, allow);
    QFETCH(int, kept);
    QFETCH(QString, reason);
    AgentFixture agent;
    agent.settings.allowed =
        parseAgentOptions({QStringLiteral("ktv-agent"), QStringLiteral("--allow=") + allow}).settings.allowed;
    QVERIFY(agent.start());
    QSignalSpy refused(agent.server.get(), &AgentServer::connectionRefused);
    std::vector<std::unique_ptr<QTcpSocket>> peers;
    for (int i = 0; i < AgentServer::kMaxConnections; ++i) {
        peers.push_back(agent.silentPeer(kOtherAddress));
        QVERIFY(peers.back());
    }
    QTRY_COMPARE(refused.count() + agent.server->openConnectionsFrom(kOtherAddress), AgentServer::kMaxConnections);
    QCOMPARE(agent.server->openConnectionsFrom(kOtherAddress), kept);

    QSignalSpy closed(agent.server.get(), &AgentServer::connectionClosed);
    QVERIFY(agent.restartFromCashier());
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(agent.started, QStringList{kRestartLine});

    const int closedAtOnce = AgentServer::kMaxConnections - kept;
    QCOMPARE(agent.logFrom(kOtherAddress),
             QStringList{kOtherAddress.toString() + QStringLiteral(": connection closed at once: ") + reason});
    agent.nowMs += 59'999;
    agent.server->logHeldBack();
    QCOMPARE(agent.logFrom(kOtherAddress).size(), 1);
    agent.nowMs += 1;
    agent.server->logHeldBack();
    QCOMPARE(agent.logFrom(kOtherAddress).last(), QStringLiteral("%1: %2 connections closed at once: %3")
                                                      .arg(kOtherAddress.toString())
                                                      .arg(closedAtOnce - 1)
                                                      .arg(reason));
}

// A connection held silent, as while the cashier reads "连接成功", is closed when its idle time is up; a run of
// them is told once a minute.
void AgentTest::silentConnectionClosedWhenIdle()
{
    AgentFixture agent;
    agent.settings.idleSeconds = 7;
    QVERIFY(agent.start());
    for (int i = 0; i < 3; ++i) {
        const std::unique_ptr<QTcpSocket> peer = agent.silentPeer(QHostAddress(QHostAddress::LocalHost));
        QVERIFY(peer);
        QTRY_COMPARE(agent.server->openConnections(), 1);
        auto *connection = agent.server->findChild<AgentConnection *>();
        QVERIFY(connection);
        QCOMPARE(connection->idleTimer()->interval(), 7000);
        QVERIFY(connection->idleTimer()->isActive());
        connection->closeIdle(); // the timer's handler
        QCOMPARE(agent.server->openConnections(), 0);
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        agent.nowMs += 1000;
    }
    QVERIFY(agent.started.isEmpty());
    const QString idle = QStringLiteral("127.0.0.1: connection closed for bringing no command within 7 s");
    QCOMPARE(agent.logFrom(QHostAddress(QHostAddress::LocalHost)), QStringList{idle});
    agent.nowMs += 60'000;
    agent.server->logHeldBack();
    QCOMPARE(agent.log.last(), QStringLiteral("127.0.0.1: 2 connections closed for bringing no command within 7 s"));
}

void AgentTest::connectionsBeyondTheLimitAreClosed()
{
    AgentFixture agent;
    QVERIFY(agent.start());
    std::vector<std::unique_ptr<QTcpSocket>> peers;
    // The whole limit taken by four addresses, each up to its own limit.
    for (int i = 0; i < AgentServer::kMaxConnections; ++i) {
        const QHostAddress from(QStringLiteral("127.0.0.%1").arg(2 + i / AgentServer::kMaxPerAddress));
        peers.push_back(agent.silentPeer(from));
        QVERIFY(peers.back());
    }
    QTRY_COMPARE(agent.server->openConnections(), AgentServer::kMaxConnections);
    const std::unique_ptr<QTcpSocket> beyond = agent.silentPeer(QHostAddress(QStringLiteral("127.0.0.9")));
    QVERIFY(beyond);
    QTRY_COMPARE(beyond->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(agent.server->openConnections(), AgentServer::kMaxConnections);
    QCOMPARE(agent.log.last(), QStringLiteral("127.0.0.9: connection closed at once: 16 already open"));
    QVERIFY(peers.front()->state() == QAbstractSocket::ConnectedState);
}

// --listen: the agent answers at that address and no other of the PC's.
void AgentTest::listensAtTheAddressGiven()
{
    AgentFixture agent;
    agent.settings.listen = kOtherAddress;
    QVERIFY(agent.start());
    QTcpSocket elsewhere;
    elsewhere.connectToHost(QHostAddress::LocalHost, agent.server->port());
    QVERIFY(!elsewhere.waitForConnected(5000));
    QCOMPARE(elsewhere.error(), QAbstractSocket::ConnectionRefusedError);
    QTcpSocket there;
    there.connectToHost(kOtherAddress, agent.server->port());
    QVERIFY(there.waitForConnected(5000));
    QTRY_COMPARE(agent.server->openConnections(), 1);
    QVERIFY(agent.log.contains(QStringLiteral("listening at 127.0.0.2 port %1").arg(agent.server->port())));
}

void AgentTest::commandLineIsStarted()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("restarted"));
    QVERIFY(launchDetached(QStringLiteral("\"%1\" -E touch \"%2\"").arg(QStringLiteral(KTV_CMAKE_COMMAND), marker)));
    QTRY_VERIFY(QFile::exists(marker));
    // Single quotes hold a path with a space together, as in sh -c 'a b'.
    const QString spaced = dir.filePath(QStringLiteral("shut down"));
    QVERIFY(launchDetached(QStringLiteral("'%1' -E touch '%2'").arg(QStringLiteral(KTV_CMAKE_COMMAND), spaced)));
    QTRY_VERIFY(QFile::exists(spaced));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("'shut"))));
    QVERIFY(!launchDetached(QStringLiteral("   ")));
    QVERIFY(!launchDetached(dir.filePath(QStringLiteral("no-such-program"))));
}

void AgentTest::commandWordsSplitAsAShellWould_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("single quotes") << QStringLiteral("sh -c 'a b'") << QStringList{"sh", "-c", "a b"};
    QTest::newRow("double quotes in single")
        << QStringLiteral("sh -c 'echo \"x\"'") << QStringList{"sh", "-c", "echo \"x\""};
    QTest::newRow("escaped double quote") << QStringLiteral("say \"a \\\"b\\\" c\"") << QStringList{"say", "a \"b\" c"};
    QTest::newRow("parts joined") << QStringLiteral("a'b c'\"d e\"f") << QStringList{"ab cd ef"};
    QTest::newRow("empty word") << QStringLiteral("run '' \"\" x") << QStringList{"run", "", "", "x"};
    QTest::newRow("spaces and tabs") << QStringLiteral("  shutdown \t /r   /t 5 ")
                                     << QStringList{"shutdown", "/r", "/t", "5"};
    QTest::newRow("windows path") << QStringLiteral("\"C:\\Program Files\\ktv\\off.exe\" C:\\temp\\x")
                                  << QStringList{"C:\\Program Files\\ktv\\off.exe", "C:\\temp\\x"};
}

void AgentTest::commandWordsSplitAsAShellWould()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(commandWords(line), std::optional<QStringList>(words));
}

void AgentTest::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // a part of it; empty: none
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("allowed");
    QTest::newRow("defaults") << QStringList() << QString() << 886 << 0;
    QTest::newRow("port and allow list") << QStringList{QStringLiteral("--port=8860"), QStringLiteral("--allow"),
                                                        QStringLiteral("127.0.0.2, 127.0.0.3")}
                                         << QString() << 8860 << 2;
    QTest::newRow("allow given twice") << QStringList{QStringLiteral("--allow=127.0.0.2"),
                                                      QStringLiteral("--allow=127.0.0.3")}
                                       << QString() << 886 << 2;
    QTest::newRow("port 0") << QStringList{QStringLiteral("--port=0")} << QStringLiteral("--port") << 0 << 0;
    QTest::newRow("port too high") << QStringList{QStringLiteral("--port=65536")} << QStringLiteral("--port") << 0 << 0;
    QTest::newRow("address cut short") << QStringList{QStringLiteral("--allow=127.0.0")} << QStringLiteral("--allow")
                                       << 0 << 0;
    QTest::newRow("host name") << QStringList{QStringLiteral("--allow=cashier")} << QStringLiteral("--allow") << 0 << 0;
    QTest::newRow("idle of nothing") << QStringList{QStringLiteral("--idle=0")} << QStringLiteral("--idle") << 0 << 0;
    QTest::newRow("stray word") << QStringList{QStringLiteral("restart")} << QStringLiteral("restart") << 0 << 0;
    QTest::newRow("listen at one address")
        << QStringList{QStringLiteral("--listen=192.168.1.20")} << QString() << 886 << 0;
    QTest::newRow("listen at a name") << QStringList{QStringLiteral("--listen=localhost")} << QStringLiteral("--listen")
                                      << 0 << 0;
    QTest::newRow("quote not closed") << QStringList{QStringLiteral("--on-restart=sh -c 'reboot")}
                                      << QStringLiteral("--on-restart") << 0 << 0;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--db=ktv.db")} << QStringLiteral("db") << 0 << 0;
}

void AgentTest::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(int, port);
    QFETCH(int, allowed);
    const AgentOptions options = parseAgentOptions(QStringList{QStringLiteral("ktv-agent")} + arguments);
    if (!error.isEmpty()) {
        QVERIFY2(options.error.contains(error), qPrintable(options.error));
        return;
    }
    QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
    QCOMPARE(int(options.settings.port), port);
    QCOMPARE(int(options.settings.allowed.size()), allowed);
}

QTEST_MAIN(AgentTest)
#include "test_agent.moc"
